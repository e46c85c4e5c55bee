#include "support/FileHelpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <functional>
#include <mutex>
#include <random>
#include <system_error>

namespace tx {

QString AddBackslash(const QString& path) {
    if (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\'))) return path;
    return path + QLatin1Char('/');
}

bool IsBmpFile(const QString& name) { return name.right(4).compare(QLatin1String(".bmp"), Qt::CaseInsensitive) == 0; }

bool IsJpgFile(const QString& name) {
    return name.right(4).compare(QLatin1String(".jpg"), Qt::CaseInsensitive) == 0 ||
           name.right(5).compare(QLatin1String(".jpeg"), Qt::CaseInsensitive) == 0;
}

bool DeleteFolder(const QString& folder) {
    QString path = folder;
    if (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\'))) path.chop(1);
    if (path.isEmpty()) return false;
    QFileInfo info(path);
    if (!info.exists() || !info.isDir()) return false;
    // A folder that is a link: remove the link, never what it points to.
    if (info.isSymLink()) return QFile::remove(path) && !QFileInfo(path).isSymLink();
    // Read-only files and folders go too: make everything writable first. Links are
    // removed as links; their targets (possibly outside the folder) are not touched.
    QDir dir(path);
    std::function<void(const QString&)> unlock = [&](const QString& p) {
        QFileInfo fi(p);
        if (fi.isSymLink()) return;
        QFile::setPermissions(p, QFile::permissions(p) | QFileDevice::WriteOwner | QFileDevice::ReadOwner |
                                     QFileDevice::ExeOwner);
        if (fi.isDir()) {
            const QFileInfoList entries =
                QDir(p).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
            for (const QFileInfo& e : entries) unlock(e.absoluteFilePath());
        }
    };
    unlock(path);
    const bool ok = dir.removeRecursively();
    return ok && !QFileInfo::exists(path);
}

namespace {
std::mutex g_randomLock;
std::mt19937_64& generator() {
    static std::mt19937_64 g(static_cast<std::uint64_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count()));
    return g;
}
}  // namespace

void seedRandom(std::uint64_t seed) {
    std::lock_guard lock(g_randomLock);
    generator().seed(seed);
}

int RandomInt(int lower, int upper) {
    double r;
    {
        std::lock_guard lock(g_randomLock);
        r = std::generate_canonical<double, 53>(generator());
    }
    if (r >= 1.0) r = std::nextafter(1.0, 0.0);
    return static_cast<int>(std::floor((static_cast<double>(upper) - lower + 1) * r + lower));
}

bool isPlainName(const QString& name) {
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) return false;
    if (name.trimmed() != name) return false;  // also refuses a name of white space only
    if (!name.isValidUtf16() || name.toUtf8().size() > 255) return false;
    for (char32_t c : name.toUcs4()) {
        if (c == U'/' || c == U'\\') return false;
        switch (QChar::category(c)) {
        case QChar::Other_Control:
        case QChar::Other_Format:  // bidi overrides, zero-width characters
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
            return false;
        default:
            break;
        }
    }
    return true;
}

namespace {
std::filesystem::path fsPath(const QString& path) {
#ifdef Q_OS_UNIX
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#else
    return std::filesystem::path(path.toStdU16String());
#endif
}
}  // namespace

bool entryExists(const QString& path) {
    if (path.isEmpty()) return false;
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(fsPath(path), ec));
}

bool removeFileEntry(const QString& path, QString* error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(fsPath(path), ec);
    if (!fs::exists(st)) return true;
    if (fs::is_directory(st)) {
        if (error) *error = cannotWrite(path, QStringLiteral("it is a folder"));
        return false;
    }
    // Removes the name itself; a link is never followed.
    if (!fs::remove(fsPath(path), ec) && ec) {
        if (error) *error = cannotWrite(path, fileErrorReason(ec.value()));
        return false;
    }
    return true;
}

QString cannotWrite(const QString& path, const QString& reason) {
    return QStringLiteral("Cannot write %1: %2").arg(QFileInfo(path).fileName(), reason);
}

bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error, LinkPolicy links) {
    AtomicFile file(path, links);
    if (file.open() && file.write(data.constData(), data.size()) && file.commit()) return true;
    if (error) *error = cannotWrite(path, file.errorString());
    return false;
}

}  // namespace tx
