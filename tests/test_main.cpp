// Test entry point: a GUI application on the offscreen platform (the clipboard and
// image plugins need one), a private settings file and a private trash (the
// desktop's trash lives under XDG_DATA_HOME), so no test touches the user's own.
#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir settingsDir;
    if (qEnvironmentVariableIsEmpty("TESSELIX_SETTINGS"))
        qputenv("TESSELIX_SETTINGS", QDir(settingsDir.path()).filePath("settings.ini").toUtf8());
    QTemporaryDir dataDir;
    qputenv("XDG_DATA_HOME", dataDir.path().toUtf8());
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
