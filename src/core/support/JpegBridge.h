#pragma once
// Writes an image buffer to a JPEG file with TurboJPEG, reading the buffer's
// bottom-up BGR rows directly.
//
// Error rules: returns true when the file is written; otherwise throws TxError
// number 26001, source "<executable name>.mIntelJPEGLibrary", description
// "Failed to initialise the IJL library: <code>" or "Failed to save to JPG <code>",
// the latter followed by ": <reason>" when the file could not be written
// ("permission denied", "not a regular file", "the disk is full", ...).
// The file is written through AtomicFile, so a failed save leaves an existing file
// untouched. A replaced file is new (fresh times, default permissions) unless the
// caller asks to keep the old file's times and permissions.

#include <QString>

#include "support/AtomicFile.h"
#include "support/DibSection.h"

namespace tx {

constexpr int kJpegErrorNumber = 26001;

bool SaveJpegFile(cDIBSection& buffer, const QString& fileName, int quality,
                  LinkPolicy links = LinkPolicy::ReplaceLink, OldAttributes attributes = OldAttributes::Fresh);

}  // namespace tx
