#include "support/AtomicFile.h"

#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QDateTime>
#include <filesystem>
#include <system_error>
#endif

namespace tx {

namespace {

const QString kNotRegular = QStringLiteral("not a regular file");
const QString kIsFolder = QStringLiteral("it is a folder");
const QString kDangling = QStringLiteral("the link points to nothing");

// Hidden, and matching neither the tile nor the database patterns, so a temporary
// never shows up in a library's lists.
QString temporaryName() {
    static const char digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QString name = QStringLiteral(".tx-");
    for (int k = 0; k < 12; ++k) name += QLatin1Char(digits[QRandomGenerator::global()->bounded(36)]);
    return name + QStringLiteral(".tmp");
}

QString folderOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) return QStringLiteral(".");
    if (slash == 0) return QStringLiteral("/");
    return path.left(slash);
}

}  // namespace

QString fileErrorReason(int errorNumber) {
    switch (errorNumber) {
    case EACCES:
    case EPERM:
        return QStringLiteral("permission denied");
    case ENAMETOOLONG:
        return QStringLiteral("the name is too long");
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return QStringLiteral("the disk is full");
    case EROFS:
        return QStringLiteral("the disk is read-only");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("the folder does not exist");
    case EISDIR:
        return kIsFolder;
    case ELOOP:
        return QStringLiteral("too many symbolic links");
    case EFBIG:
        return QStringLiteral("the file is too large");
    default:
        return QString::fromLocal8Bit(std::strerror(errorNumber));
    }
}

bool AtomicFile::fail(const QString& reason) {
    m_error = reason;
    cancel();
    return false;
}

#ifdef Q_OS_UNIX

struct AtomicFile::Platform {
    int fd = -1;
    bool replacing = false;  // a regular file is there now
    bool keep = false;
    mode_t mode = 0;
    struct timespec times[2] = {};  // access, modification
};

AtomicFile::AtomicFile(QString path, LinkPolicy links, OldAttributes attributes)
    : m_path(std::move(path)), m_links(links), m_attributes(attributes), m_platform(std::make_unique<Platform>()) {}

AtomicFile::~AtomicFile() { cancel(); }

bool AtomicFile::open() {
    cancel();
    m_error.clear();
    if (m_path.isEmpty()) return fail(QStringLiteral("no file name"));
    Platform& p = *m_platform;
    p.keep = p.replacing = false;

    m_target = m_path;
    struct stat st {};
    if (::lstat(QFile::encodeName(m_path).constData(), &st) != 0) {
        if (errno != ENOENT) return fail(fileErrorReason(errno));
    } else {
        if (S_ISLNK(st.st_mode) && m_links == LinkPolicy::FollowToRegularFile) {
            char* resolved = ::realpath(QFile::encodeName(m_path).constData(), nullptr);
            if (!resolved) return fail(errno == ENOENT ? kDangling : fileErrorReason(errno));
            m_target = QFile::decodeName(resolved);
            std::free(resolved);
            if (::stat(QFile::encodeName(m_target).constData(), &st) != 0) return fail(fileErrorReason(errno));
        }
        // A link that is replaced is only a name: it passes nothing on.
        if (!S_ISLNK(st.st_mode)) {
            if (S_ISDIR(st.st_mode)) return fail(kIsFolder);
            if (!S_ISREG(st.st_mode)) return fail(kNotRegular);
            p.replacing = true;
            if (m_attributes == OldAttributes::Keep) {
                p.keep = true;
                p.mode = st.st_mode & 07777;
                p.times[0] = st.st_atim;
                p.times[1] = st.st_mtim;
            }
        }
    }

    const QString folder = folderOf(m_target) + QLatin1Char('/');
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString temp = folder + temporaryName();
        // 0666 less the umask: the permissions of any new file.
        p.fd = ::open(QFile::encodeName(temp).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (p.fd >= 0) {
            m_temp = temp;
            return true;
        }
        if (errno != EEXIST) return fail(fileErrorReason(errno));
    }
    return fail(QStringLiteral("no free temporary name"));
}

bool AtomicFile::write(const char* data, qint64 size) {
    const int fd = m_platform->fd;
    if (fd < 0) return fail(QStringLiteral("the file is not open"));
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(fileErrorReason(errno));
        }
        data += n;
        size -= n;
    }
    return true;
}

bool AtomicFile::seek(qint64 position) {
    const int fd = m_platform->fd;
    if (fd < 0) return fail(QStringLiteral("the file is not open"));
    if (::lseek(fd, static_cast<off_t>(position), SEEK_SET) < 0) return fail(fileErrorReason(errno));
    return true;
}

bool AtomicFile::commit() {
    Platform& p = *m_platform;
    if (p.fd < 0) return fail(QStringLiteral("the file is not open"));
    // After the last write, so nothing moves the times again.
    if (p.keep && (::fchmod(p.fd, p.mode) != 0 || ::futimens(p.fd, p.times) != 0))
        return fail(fileErrorReason(errno));
    // On disk before the rename, so that after a crash the name holds the old or the
    // new content, never a part. A new name has no old content to lose, and a flush
    // costs about as much as making a tile: new files are not flushed.
    if (p.replacing && ::fsync(p.fd) != 0) return fail(fileErrorReason(errno));
    const int fd = p.fd;
    p.fd = -1;
    if (::close(fd) != 0) return fail(fileErrorReason(errno));
    // rename() replaces the directory entry; a link there is replaced, not followed.
    if (::rename(QFile::encodeName(m_temp).constData(), QFile::encodeName(m_target).constData()) != 0)
        return fail(errno == EISDIR || errno == ENOTEMPTY || errno == EEXIST ? kIsFolder : fileErrorReason(errno));
    m_temp.clear();
    return true;
}

void AtomicFile::cancel() {
    Platform& p = *m_platform;
    if (p.fd >= 0) {
        ::close(p.fd);
        p.fd = -1;
    }
    if (!m_temp.isEmpty()) {
        ::unlink(QFile::encodeName(m_temp).constData());
        m_temp.clear();
    }
}

#else  // Other platforms: the same steps through the standard library, without the disk flush.

struct AtomicFile::Platform {
    QFile file;
    bool keep = false;
    QFileDevice::Permissions permissions;
    QDateTime accessed, modified;
};

AtomicFile::AtomicFile(QString path, LinkPolicy links, OldAttributes attributes)
    : m_path(std::move(path)), m_links(links), m_attributes(attributes), m_platform(std::make_unique<Platform>()) {}

AtomicFile::~AtomicFile() { cancel(); }

bool AtomicFile::open() {
    namespace fs = std::filesystem;
    cancel();
    m_error.clear();
    if (m_path.isEmpty()) return fail(QStringLiteral("no file name"));
    Platform& p = *m_platform;
    p.keep = false;
    m_target = m_path;
    std::error_code ec;
    fs::path target = fs::path(m_path.toStdU16String());
    fs::file_status st = fs::symlink_status(target, ec);
    if (fs::is_symlink(st) && m_links == LinkPolicy::FollowToRegularFile) {
        target = fs::canonical(target, ec);
        if (ec) return fail(kDangling);
        m_target = QString::fromStdU16String(target.u16string());
        st = fs::status(target, ec);
    }
    if (fs::exists(st) && !fs::is_symlink(st)) {
        if (fs::is_directory(st)) return fail(kIsFolder);
        if (!fs::is_regular_file(st)) return fail(kNotRegular);
        if (m_attributes == OldAttributes::Keep) {
            QFile old(m_target);
            p.keep = true;
            p.permissions = old.permissions();
            p.accessed = old.fileTime(QFileDevice::FileAccessTime);
            p.modified = old.fileTime(QFileDevice::FileModificationTime);
        }
    }
    const QString folder = folderOf(m_target) + QLatin1Char('/');
    for (int attempt = 0; attempt < 100; ++attempt) {
        p.file.setFileName(folder + temporaryName());
        if (p.file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            m_temp = p.file.fileName();
            return true;
        }
        if (!p.file.exists()) return fail(p.file.errorString());
    }
    return fail(QStringLiteral("no free temporary name"));
}

bool AtomicFile::write(const char* data, qint64 size) {
    QFile& f = m_platform->file;
    if (!f.isOpen()) return fail(QStringLiteral("the file is not open"));
    if (f.write(data, size) != size) return fail(f.errorString());
    return true;
}

bool AtomicFile::seek(qint64 position) {
    QFile& f = m_platform->file;
    if (!f.isOpen()) return fail(QStringLiteral("the file is not open"));
    if (!f.seek(position)) return fail(f.errorString());
    return true;
}

bool AtomicFile::commit() {
    namespace fs = std::filesystem;
    Platform& p = *m_platform;
    if (!p.file.isOpen()) return fail(QStringLiteral("the file is not open"));
    if (!p.file.flush()) return fail(p.file.errorString());
    if (p.keep) {
        p.file.setPermissions(p.permissions);
        p.file.setFileTime(p.accessed, QFileDevice::FileAccessTime);
        p.file.setFileTime(p.modified, QFileDevice::FileModificationTime);
    }
    p.file.close();
    std::error_code ec;
    fs::rename(fs::path(m_temp.toStdU16String()), fs::path(m_target.toStdU16String()), ec);
    if (ec) return fail(QString::fromLocal8Bit(ec.message().c_str()));
    m_temp.clear();
    return true;
}

void AtomicFile::cancel() {
    Platform& p = *m_platform;
    if (p.file.isOpen()) p.file.close();
    if (!m_temp.isEmpty()) {
        QFile::remove(m_temp);
        m_temp.clear();
    }
}

#endif

}  // namespace tx
