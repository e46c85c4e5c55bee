#pragma once
// The program's calls that only POSIX systems (and Linux's /proc and /sys) have, in
// one place: a port to another system replaces the bodies in Platform.cpp. Error
// results are errno values (0 for success), for fileErrorReason().

#include <QString>
#include <QtGlobal>
#include <cstdint>

namespace tx::platform {

// ---- memory
// Installed memory in bytes; 0 when unknown.
std::uint64_t physicalMemoryBytes();
// The text of /proc/self/cgroup (empty where there is none) and the folder the
// control groups are mounted on.
QString ownControlGroups();
QString controlGroupRoot();

// ---- the program
// The folder of the running executable, found without a QCoreApplication; empty when unknown.
QString executableFolder();

// ---- the terminal
bool stderrIsTerminal();
// Calls `handler` on Ctrl+C (SIGINT); nullptr restores the default (the program ends).
void setInterruptHandler(void (*handler)(int));

// ---- folders and files
// Makes one folder (not its parents).
int makeFolder(const QString& path);

enum class EntryKind { Missing, Link, Folder, Regular, Other };
// What a replaced file may pass on to its successor.
struct FileAttributes {
    unsigned permissions = 0;  // the mode bits 07777
    std::int64_t accessedNs = 0, modifiedNs = 0;  // since the epoch
};
struct EntryInfo {
    EntryKind kind = EntryKind::Missing;
    FileAttributes attributes;
};
// The entry itself (a link is reported as a link) or, with followLinks, what it points to.
// A missing entry is EntryKind::Missing with result 0.
int entryInfo(const QString& path, bool followLinks, EntryInfo& out);
// The path with every link resolved.
int resolveLinks(const QString& path, QString& out);

// A new file, created exclusively and never through a link, for writing.
int createExclusive(const QString& path, int& descriptor);
int writeAll(int descriptor, const char* data, qint64 size);
int seekTo(int descriptor, qint64 position);
int applyAttributes(int descriptor, const FileAttributes& attributes);
// The file's data on the disk.
int flushToDisk(int descriptor);
int closeFile(int descriptor);
// Replaces the directory entry `to` (a link there is replaced, not followed).
int renameOver(const QString& from, const QString& to);
void removeQuietly(const QString& path);

}  // namespace tx::platform
