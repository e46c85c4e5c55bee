#include "mosaic/ZoomViewer.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include "support/AppPaths.h"
#include "support/FileHelpers.h"

#ifndef TX_INSTALLED_VIEWER
#define TX_INSTALLED_VIEWER "../share/tesselix/openseadragon"
#endif

namespace tx {

namespace {
bool holdsViewer(const QString& folder) {
    return QFileInfo(folder + QStringLiteral("openseadragon.min.js")).isFile() &&
           QFileInfo(folder + QStringLiteral("LICENSE.txt")).isFile();
}
}  // namespace

QStringList zoomViewerCandidates(const QString& override, const QString& programFolder) {
    if (!override.isEmpty()) return {AddBackslash(QDir::cleanPath(override))};
    return {programFolder + QStringLiteral("openseadragon/"),
            AddBackslash(QDir::cleanPath(programFolder + QStringLiteral(TX_INSTALLED_VIEWER)))};
}

QString zoomViewerFolder() {
    for (const QString& folder : zoomViewerCandidates(qEnvironmentVariable("TESSELIX_VIEWER"), programFolder()))
        if (holdsViewer(folder)) return folder;
    return QString();
}

QString zoomViewerMissingText() {
    return QStringLiteral(
        "A zoomable web page cannot be made: its viewer (OpenSeadragon) is missing from this installation. "
        "Please choose a .jpg, .jpeg, .bmp or .png file.");
}

bool copyZoomViewer(const QString& from, const QString& to, QString* error) {
    auto refuse = [&](const QString& why) {
        if (error) *error = why;
        return false;
    };
    const QDir source(from);
    if (!QDir().mkdir(to)) return refuse(QStringLiteral("cannot create the folder of the viewer"));
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString target = to + QLatin1Char('/') + source.relativeFilePath(path);
        if (it.fileInfo().isDir()) {
            if (!QDir().mkpath(target)) return refuse(QStringLiteral("cannot create the folder of the viewer"));
        } else if (!QDir().mkpath(QFileInfo(target).absolutePath()) || !QFile::copy(path, target)) {
            return refuse(QStringLiteral("cannot copy the viewer file %1").arg(source.relativeFilePath(path)));
        }
    }
    return true;
}

}  // namespace tx
