#include "support/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "support/FileHelpers.h"
#include "support/Platform.h"

#ifndef TX_INSTALLED_GFX
#define TX_INSTALLED_GFX "../share/tesselix/Gfx"
#endif

namespace tx {

namespace {
QString cleanFolder(const QString& path) { return AddBackslash(QDir::cleanPath(QDir(path).absolutePath())); }
}  // namespace

QString programFolder() {
    if (QCoreApplication::instance()) return cleanFolder(QCoreApplication::applicationDirPath());
    return cleanFolder(platform::executableFolder());
}

FolderFacts currentFolderFacts() {
    FolderFacts f;
    const QString env = qEnvironmentVariable("TESSELIX_HOME");
    if (!env.isEmpty()) f.homeOverride = cleanFolder(env);
    f.programFolder = programFolder();
    f.programWritable = QFileInfo(f.programFolder).isWritable();
    f.programHasTiles = QFileInfo(f.programFolder + QStringLiteral("Tiles")).isDir();
    // AppLocalDataLocation of a program named Tesselix, whichever front end runs
    // (the command line is named tesselix-cli, and tests have no application name).
    f.userDataFolder =
        cleanFolder(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Tesselix"));
    return f;
}

bool isPortableCopy(const FolderFacts& f) { return f.programWritable && f.programHasTiles; }

QString chooseApplicationFolder(const FolderFacts& f) {
    if (!f.homeOverride.isEmpty()) return f.homeOverride;
    return isPortableCopy(f) ? f.programFolder : f.userDataFolder;
}

QStringList gfxCandidates(const FolderFacts& f) {
    QStringList list;
    if (!f.homeOverride.isEmpty()) list << f.homeOverride + QStringLiteral("Gfx/");
    list << f.programFolder + QStringLiteral("Gfx/");
    list << AddBackslash(QDir::cleanPath(f.programFolder + QStringLiteral(TX_INSTALLED_GFX)));
    return list;
}

QString applicationFolder() { return chooseApplicationFolder(currentFolderFacts()); }

QString tilesRoot() { return applicationFolder() + QStringLiteral("Tiles/"); }

QString gfxFolder() {
    const QStringList list = gfxCandidates(currentFolderFacts());
    for (const QString& folder : list)
        if (QFileInfo(folder).isDir()) return folder;
    return list.first();
}

}  // namespace tx
