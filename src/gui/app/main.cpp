#include <QApplication>

#include "app/Form2.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tesselix"));
    tx::gui::Form2 wizard;
    wizard.start();
    return app.exec();
}
