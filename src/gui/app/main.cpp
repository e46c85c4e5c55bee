#include <QApplication>

#include "app/WizardWindow.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tesselix"));
    // ties the windows to the installed menu entry and its icon
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tesselix.Tesselix"));
    tx::gui::WizardWindow wizard;
    wizard.start();
    return app.exec();
}
