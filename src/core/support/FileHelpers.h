#pragma once
// Small path, name and file routines shared by every subsystem.

#include <QString>
#include <cstdint>

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

// A library or file name the user typed: one plain folder name, no path
// separators, not "." or "..", no control characters, not empty.
bool isPlainName(const QString& name);

// Writes data to path through a temporary file in the same folder, renamed over
// the target when complete. On failure the old file stays as it was.
bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error = nullptr);

}  // namespace tx
