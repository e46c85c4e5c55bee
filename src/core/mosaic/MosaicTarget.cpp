#include "mosaic/MosaicTarget.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "mosaic/OutputFormat.h"
#include "mosaic/ZoomViewer.h"
#include "mosaic/ZoomablePage.h"
#include "support/FileHelpers.h"
#include "support/Picture.h"
#include "support/PictureFile.h"

namespace tx {

std::optional<QString> mosaicTargetProblem(const QString& path) {
    QString problem;
    const std::optional<OutputFormat> format = outputFormatFor(path, &problem);
    if (!format) return problem;
    if (*format == OutputFormat::Zoomable && zoomViewerFolder().isEmpty()) return zoomViewerMissingText();
    const QFileInfo target(path);
    const QString folder = QDir::toNativeSeparators(target.absolutePath());
    if (!QFileInfo(target.absolutePath()).isDir())
        return QStringLiteral("The folder \"%1\" does not exist. Please choose another target file.").arg(folder);
    if (target.exists() && !target.isFile())
        return QStringLiteral("\"%1\" is not a file. Please choose another target file.")
            .arg(QDir::toNativeSeparators(target.absoluteFilePath()));
    QString probe = target.absoluteFilePath() + QLatin1Char('_');
    for (int i = 0; QFileInfo::exists(probe); ++i) probe = target.absoluteFilePath() + QStringLiteral("_%1").arg(i);
    if (!saveBmp(Picture(1, 1), probe))
        return QStringLiteral("The mosaic cannot be written to the folder \"%1\". Please choose another folder.").arg(folder);
    QFile::remove(probe);
    return std::nullopt;
}

QStringList existingTargetFiles(const QString& path) {
    QStringList names{path};
    if (outputFormatFor(path) == OutputFormat::Zoomable) names << zoomableDziPath(path) << zoomableFilesFolder(path);
    QStringList existing;
    for (const QString& name : names)
        if (entryExists(name)) existing << name;
    return existing;
}

QString targetDialogFolder(const QString& target, const QString& source, const QString& fallback) {
    for (const QString& file : {target.trimmed(), source.trimmed()}) {
        if (file.isEmpty()) continue;
        const QFileInfo info(file);
        if (info.isAbsolute() && QFileInfo(info.absolutePath()).isDir()) return info.absolutePath() + QLatin1Char('/');
    }
    return fallback;
}

}  // namespace tx
