#pragma once
// The one way the program replaces a file: the data go to a new temporary file in
// the target's folder (created exclusively, never through a link), are flushed to
// disk when they replace a file, and are renamed over the target. A failure or a
// cancel leaves the old file as it was and no temporary behind.
//
// Error rules: every call returns false on failure and errorString() then holds a
// short English reason ("permission denied", "the name is too long", "not a
// regular file", "the disk is full", ...), without the path.

#include <QString>
#include <QtGlobal>
#include <memory>

namespace tx {

// What a write does when the target is a symbolic link.
enum class LinkPolicy {
    // Library files (tiles, databases): the directory entry itself is replaced; a
    // link is never followed, so no write leaves the folder.
    ReplaceLink,
    // Outputs the user named (pages, --out, --plan, --graph): a link to a regular
    // file is followed and that file is replaced. A link to nothing is refused.
    FollowToRegularFile,
};

// What a replaced file passes on to its successor.
enum class OldAttributes {
    Fresh,  // new times, default permissions: as if the old file had been deleted first
    Keep,   // the old file's permissions and access and modification times
};

// Either policy refuses a target (or, when following, a link target) that is a
// folder, a device, a FIFO or a socket: only regular files are ever written.
class AtomicFile {
public:
    explicit AtomicFile(QString path, LinkPolicy links = LinkPolicy::ReplaceLink,
                        OldAttributes attributes = OldAttributes::Fresh);
    ~AtomicFile();  // cancels an uncommitted write
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    bool open();
    bool write(const char* data, qint64 size);
    // Moves the write position (for formats written out of order, like BMP rows).
    bool seek(qint64 position);
    // Flushes, closes and renames over the target. After it the object is closed.
    bool commit();
    // Drops the temporary file; the target is untouched.
    void cancel();

    const QString& errorString() const { return m_error; }
    // The file that is (or would be) replaced: the path itself, or, when a link is
    // followed, the regular file at its end. Known after open().
    const QString& target() const { return m_target; }

private:
    bool fail(const QString& reason);

    QString m_path;
    LinkPolicy m_links;
    OldAttributes m_attributes;
    QString m_target;
    QString m_temp;
    QString m_error;
    struct Platform;
    std::unique_ptr<Platform> m_platform;
};

// A short English reason for a system error number (errno).
QString fileErrorReason(int errorNumber);

}  // namespace tx
