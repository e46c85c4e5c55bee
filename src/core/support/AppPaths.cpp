#include "support/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "support/FileHelpers.h"

namespace tx {

QString applicationFolder() {
    const QString env = qEnvironmentVariable("TESSELIX_HOME");
    if (!env.isEmpty()) return AddBackslash(QDir::cleanPath(QDir(env).absolutePath()));
    if (QCoreApplication::instance()) return AddBackslash(QCoreApplication::applicationDirPath());
    return AddBackslash(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath());
}

QString tilesRoot() { return applicationFolder() + QStringLiteral("Tiles/"); }
QString gfxFolder() { return applicationFolder() + QStringLiteral("Gfx/"); }

}  // namespace tx
