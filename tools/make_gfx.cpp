// Draws the decoration pictures into a folder (default: assets/Gfx of the source tree).
//   make_gfx [FOLDER]
#include <QGuiApplication>
#include <cstdio>

#include "demo/DecorationPictures.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(TX_SOURCE_DIR "/assets/Gfx");
    QString error;
    if (!tx::writeDecorationPictures(folder, &error)) {
        std::fprintf(stderr, "make_gfx: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("%s\n", qPrintable(folder));
    return 0;
}
