#include "support/Trash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <filesystem>

#include "support/FileHelpers.h"

namespace tx {

namespace {

// Where Qt put a trashed entry is only a trash when it is some ".../files/<name>"
// beside an "info" folder: when no trash folder can be made, Qt 6.4 uses "files"
// under the working directory instead. Such a move is undone.
bool inATrash(const QString& trashedPath) {
    const QFileInfo info(trashedPath);
    if (info.isRelative()) return false;
    QDir files = info.dir();
    if (files.dirName() != QLatin1String("files")) return false;
    return QFileInfo(files.absoluteFilePath(QStringLiteral("../info"))).isDir();
}

bool toTrash(const QString& path, QString* error) {
    auto fail = [&](const QString& why) {
        if (error) *error = cannotWrite(path, QStringLiteral("it cannot be moved to the trash (%1)").arg(why));
        return false;
    };
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    // A fresh account may have no data folder yet; the desktop's trash lives in it.
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
#endif
    const QString original = QFileInfo(path).absoluteFilePath();
    QFile file(path);
    if (!file.moveToTrash()) return fail(file.errorString());
    const QString trashed = file.fileName();
    if (inATrash(trashed)) return true;
    QDir().rename(trashed, original);
    const QFileInfo stray(trashed);
    QFile::remove(stray.dir().filePath(QStringLiteral("../info/")) + stray.fileName() + QStringLiteral(".trashinfo"));
    return fail(QStringLiteral("no trash folder"));
}

QString withoutSlash(QString path) {
    while (path.size() > 1 && (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\')))) path.chop(1);
    return path;
}

}  // namespace

Disposal platformDisposal() {
#if defined(Q_OS_ANDROID) || defined(Q_OS_IOS) || defined(Q_OS_WASM) || defined(Q_OS_VXWORKS)
    return Disposal::Delete;
#else
    return Disposal::Trash;
#endif
}

bool discardFileEntry(const QString& path, QString* error, Disposal how) {
    if (how == Disposal::Delete) return removeFileEntry(path, error);
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(fs::path(QFile::encodeName(path).toStdString()), ec);
    if (!fs::exists(st)) return true;
    if (fs::is_directory(st)) {
        if (error) *error = cannotWrite(path, QStringLiteral("it is a folder"));
        return false;
    }
    return toTrash(path, error);
}

bool discardFolder(const QString& folder, QString* error, Disposal how) {
    const QString path = withoutSlash(folder);
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isDir()) {
        if (error) *error = cannotWrite(path, QStringLiteral("not a folder"));
        return false;
    }
    if (how == Disposal::Delete) {
        if (DeleteFolder(path)) return true;
        if (error) *error = cannotWrite(path, QStringLiteral("it cannot be deleted"));
        return false;
    }
    return toTrash(path, error);
}

}  // namespace tx
