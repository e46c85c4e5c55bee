#include <QApplication>

#include "app/WizardWindow.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tesselix"));
    tx::gui::WizardWindow wizard;
    wizard.start();
    return app.exec();
}
