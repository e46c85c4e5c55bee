#pragma once
// Small path, name and file routines shared by every subsystem.

#include <QString>
#include <cstdint>

#include "support/AtomicFile.h"

namespace tx {

// The path with one separator added when it does not already end in "/" or "\".
// An empty path gives "/".
QString AddBackslash(const QString& path);
// True when the name ends in ".bmp" in any mix of case.
bool IsBmpFile(const QString& name);
// True when the name ends in ".jpg" or ".jpeg" in any mix of case.
bool IsJpgFile(const QString& name);
// Deletes the folder and everything in it (read-only files too). True when the
// folder existed and is gone afterwards; false for a missing folder or on failure.
bool DeleteFolder(const QString& folder);

// A whole number between the bounds, both included, drawn uniformly:
// Int((upper - lower + 1) * r + lower) with r in [0, 1). One generator per
// process, seeded once from the clock; seedRandom makes draws repeatable (tests).
int RandomInt(int lower, int upper);
void seedRandom(std::uint64_t seed);

// A library or file name the user typed: one plain folder name, not empty, not
// only or starting or ending with white space, not "." or "..", no path separators,
// no control or invisible format characters (such as the right-to-left override),
// and at most 255 bytes in UTF-8 (the longest name file systems take).
bool isPlainName(const QString& name);

// True when anything has this name in its folder: a file, a folder, or a link,
// even one that points to nothing.
bool entryExists(const QString& path);

// Removes one directory entry that is not a folder. A link goes, its target stays.
// True when nothing has the name afterwards (also when nothing had it before).
bool removeFileEntry(const QString& path, QString* error = nullptr);

// Writes data to path through a temporary file in the same folder, renamed over
// the target when complete (see AtomicFile). On failure the old file stays as it
// was and *error says "Cannot write <name>: <reason>". The default never follows
// a link: right for library files; outputs the user named pass FollowToRegularFile.
bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error = nullptr,
                         LinkPolicy links = LinkPolicy::ReplaceLink);

// "Cannot write <file name>: <reason>", the error text of the save functions.
QString cannotWrite(const QString& path, const QString& reason);

}  // namespace tx
