#include "support/FileHelpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <chrono>
#include <cmath>
#include <functional>
#include <mutex>
#include <random>

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
    for (QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control) return false;
    }
    return name.trimmed() == name;
}

bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) *error = file.errorString();
        return false;
    }
    if (file.write(data) != data.size()) {
        if (error) *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error) *error = file.errorString();
        return false;
    }
    return true;
}

}  // namespace tx
