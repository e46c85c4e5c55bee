#include "library/SourcePictures.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include "support/FileHelpers.h"

namespace tx {

namespace {

// A folder lists at most this many sub-folders; further ones are ignored.
constexpr int kMostSubfolders = 9999;

// False when cancelled.
bool scanInto(const QString& root, const QString& relative, QSet<QString>& seen, QStringList& out,
              const ScanControl& control) {
    if (control.cancelled && control.cancelled()) return false;
    const QDir dir(root + relative);
    const QString real = QFileInfo(dir.absolutePath()).canonicalFilePath();
    if (real.isEmpty() || seen.contains(real)) return true;
    seen.insert(real);

    const auto order = QDir::Name | QDir::IgnoreCase;
    QStringList subfolders = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, order);
    if (subfolders.size() > kMostSubfolders) subfolders.resize(kMostSubfolders);
    for (const QString& f : dir.entryList(QDir::Files, order))
        if (isSourcePicture(f)) out << relative + f;
    if (control.found) control.found(static_cast<int>(out.size()));
    for (const QString& d : subfolders)
        if (!scanInto(root, relative + d + QLatin1Char('/'), seen, out, control)) return false;
    return true;
}

}  // namespace

bool isSourcePicture(const QString& fileName) {
    return IsBmpFile(fileName) || IsJpgFile(fileName) ||
           fileName.right(4).compare(QLatin1String(".gif"), Qt::CaseInsensitive) == 0;
}

std::optional<QStringList> scanSourceFolder(const QString& folder, bool recurse, const ScanControl& control) {
    if (folder.isEmpty()) return std::nullopt;
    const QFileInfo info(folder);
    if (!info.isDir() || !info.isReadable() || !QDir(folder).isReadable()) return std::nullopt;
    const QString root = AddBackslash(info.absoluteFilePath());
    QStringList out;
    if (recurse) {
        QSet<QString> seen;
        if (!scanInto(root, QString(), seen, out, control)) return std::nullopt;
    } else {
        for (const QString& f : QDir(root).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase))
            if (isSourcePicture(f)) out << f;
    }
    return out;
}

QString imagesFoundText(int count) {
    return QString::number(count) + (count == 1 ? QLatin1String(" image found") : QLatin1String(" images found"));
}

}  // namespace tx
