#include "support/Platform.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tx::platform {

namespace {
constexpr std::int64_t kNsPerSecond = 1000000000;

QByteArray native(const QString& path) { return QFile::encodeName(path); }

std::int64_t toNs(const struct timespec& t) { return std::int64_t{t.tv_sec} * kNsPerSecond + t.tv_nsec; }

struct timespec fromNs(std::int64_t ns) {
    // Floor division, so times before 1970 keep a non-negative nanosecond part.
    std::int64_t seconds = ns / kNsPerSecond, rest = ns % kNsPerSecond;
    if (rest < 0) {
        rest += kNsPerSecond;
        --seconds;
    }
    struct timespec t {};
    t.tv_sec = static_cast<time_t>(seconds);
    t.tv_nsec = static_cast<long>(rest);
    return t;
}

// Files under /proc and /sys report a size of 0, so read until the end.
QString readSmallFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromLatin1(f.read(4096));
}
}  // namespace

std::uint64_t physicalMemoryBytes() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0) return 0;
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
}

QString ownControlGroups() { return readSmallFile(QStringLiteral("/proc/self/cgroup")); }

QString controlGroupRoot() { return QStringLiteral("/sys/fs/cgroup"); }

QString executableFolder() { return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath(); }

bool stderrIsTerminal() { return isatty(fileno(stderr)) != 0; }

void setInterruptHandler(void (*handler)(int)) { std::signal(SIGINT, handler ? handler : SIG_DFL); }

int makeFolder(const QString& path) { return ::mkdir(native(path).constData(), 0777) == 0 ? 0 : errno; }

int entryInfo(const QString& path, bool followLinks, EntryInfo& out) {
    out = {};
    struct stat st {};
    const QByteArray name = native(path);
    if ((followLinks ? ::stat(name.constData(), &st) : ::lstat(name.constData(), &st)) != 0)
        return errno == ENOENT ? 0 : errno;
    if (S_ISLNK(st.st_mode))
        out.kind = EntryKind::Link;
    else if (S_ISDIR(st.st_mode))
        out.kind = EntryKind::Folder;
    else if (S_ISREG(st.st_mode))
        out.kind = EntryKind::Regular;
    else
        out.kind = EntryKind::Other;
    out.attributes.permissions = st.st_mode & 07777;
    out.attributes.accessedNs = toNs(st.st_atim);
    out.attributes.modifiedNs = toNs(st.st_mtim);
    return 0;
}

int resolveLinks(const QString& path, QString& out) {
    char* resolved = ::realpath(native(path).constData(), nullptr);
    if (!resolved) return errno;
    out = QFile::decodeName(resolved);
    std::free(resolved);
    return 0;
}

int createExclusive(const QString& path, int& descriptor) {
    // 0666 less the umask: the permissions of any new file.
    descriptor = ::open(native(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    return descriptor >= 0 ? 0 : errno;
}

int writeAll(int descriptor, const char* data, qint64 size) {
    while (size > 0) {
        const ssize_t n = ::write(descriptor, data, static_cast<size_t>(size));
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        data += n;
        size -= n;
    }
    return 0;
}

int seekTo(int descriptor, qint64 position) {
    return ::lseek(descriptor, static_cast<off_t>(position), SEEK_SET) < 0 ? errno : 0;
}

int applyAttributes(int descriptor, const FileAttributes& attributes) {
    const struct timespec times[2] = {fromNs(attributes.accessedNs), fromNs(attributes.modifiedNs)};
    if (::fchmod(descriptor, static_cast<mode_t>(attributes.permissions)) != 0 || ::futimens(descriptor, times) != 0)
        return errno;
    return 0;
}

int flushToDisk(int descriptor) { return ::fsync(descriptor) == 0 ? 0 : errno; }

int closeFile(int descriptor) { return ::close(descriptor) == 0 ? 0 : errno; }

int renameOver(const QString& from, const QString& to) {
    return ::rename(native(from).constData(), native(to).constData()) == 0 ? 0 : errno;
}

void removeQuietly(const QString& path) { ::unlink(native(path).constData()); }

}  // namespace tx::platform
