#include "support/AtomicFile.h"

#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>

#include "support/Platform.h"

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

struct AtomicFile::Platform {
    int fd = -1;
    bool replacing = false;  // a regular file is there now
    bool keep = false;
    platform::FileAttributes attributes;
};

AtomicFile::AtomicFile(QString path, LinkPolicy links, OldAttributes attributes)
    : m_path(std::move(path)), m_links(links), m_attributes(attributes), m_platform(std::make_unique<Platform>()) {}

AtomicFile::~AtomicFile() { cancel(); }

bool AtomicFile::open() {
    using platform::EntryKind;
    cancel();
    m_error.clear();
    if (m_path.isEmpty()) return fail(QStringLiteral("no file name"));
    Platform& p = *m_platform;
    p.keep = p.replacing = false;

    m_target = m_path;
    platform::EntryInfo entry;
    if (const int err = platform::entryInfo(m_path, false, entry)) return fail(fileErrorReason(err));
    if (entry.kind == EntryKind::Link && m_links == LinkPolicy::FollowToRegularFile) {
        if (const int err = platform::resolveLinks(m_path, m_target))
            return fail(err == ENOENT ? kDangling : fileErrorReason(err));
        if (const int err = platform::entryInfo(m_target, true, entry)) return fail(fileErrorReason(err));
        if (entry.kind == EntryKind::Missing) return fail(fileErrorReason(ENOENT));
    }
    // A link that is replaced is only a name: it passes nothing on.
    if (entry.kind != EntryKind::Missing && entry.kind != EntryKind::Link) {
        if (entry.kind == EntryKind::Folder) return fail(kIsFolder);
        if (entry.kind != EntryKind::Regular) return fail(kNotRegular);
        p.replacing = true;
        if (m_attributes == OldAttributes::Keep) {
            p.keep = true;
            p.attributes = entry.attributes;
        }
    }

    const QString folder = folderOf(m_target) + QLatin1Char('/');
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString temp = folder + temporaryName();
        const int err = platform::createExclusive(temp, p.fd);
        if (err == 0) {
            m_temp = temp;
            return true;
        }
        if (err != EEXIST) return fail(fileErrorReason(err));
    }
    return fail(QStringLiteral("no free temporary name"));
}

bool AtomicFile::write(const char* data, qint64 size) {
    const int fd = m_platform->fd;
    if (fd < 0) return fail(QStringLiteral("the file is not open"));
    if (const int err = platform::writeAll(fd, data, size)) return fail(fileErrorReason(err));
    return true;
}

bool AtomicFile::seek(qint64 position) {
    const int fd = m_platform->fd;
    if (fd < 0) return fail(QStringLiteral("the file is not open"));
    if (const int err = platform::seekTo(fd, position)) return fail(fileErrorReason(err));
    return true;
}

bool AtomicFile::commit() {
    Platform& p = *m_platform;
    if (p.fd < 0) return fail(QStringLiteral("the file is not open"));
    // After the last write, so nothing moves the times again.
    if (p.keep)
        if (const int err = platform::applyAttributes(p.fd, p.attributes)) return fail(fileErrorReason(err));
    // On disk before the rename, so that after a crash the name holds the old or the
    // new content, never a part. A new name has no old content to lose, and a flush
    // costs about as much as making a tile: new files are not flushed.
    if (p.replacing)
        if (const int err = platform::flushToDisk(p.fd)) return fail(fileErrorReason(err));
    const int fd = p.fd;
    p.fd = -1;
    if (const int err = platform::closeFile(fd)) return fail(fileErrorReason(err));
    if (const int err = platform::renameOver(m_temp, m_target))
        return fail(err == EISDIR || err == ENOTEMPTY || err == EEXIST ? kIsFolder : fileErrorReason(err));
    m_temp.clear();
    return true;
}

void AtomicFile::cancel() {
    Platform& p = *m_platform;
    if (p.fd >= 0) {
        platform::closeFile(p.fd);
        p.fd = -1;
    }
    if (!m_temp.isEmpty()) {
        platform::removeQuietly(m_temp);
        m_temp.clear();
    }
}

}  // namespace tx
