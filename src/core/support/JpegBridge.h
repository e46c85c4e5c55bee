#pragma once
// Writes an image buffer to a JPEG file with TurboJPEG, reading the buffer's
// bottom-up BGR rows directly.
//
// Error rules: returns true when the file is written; otherwise throws TxError
// number 26001, source "<executable name>.mIntelJPEGLibrary", description
// "Failed to initialise the IJL library: <code>" or "Failed to save to JPG <code>".
// The file is written under a temporary name in the target's folder and renamed
// over the target, so a failed save leaves an existing file untouched; an
// overwritten file keeps its former times and permissions.

#include <QString>

#include "support/DibSection.h"

namespace tx {

constexpr int kJpegErrorNumber = 26001;

bool SaveJpegFile(cDIBSection& buffer, const QString& fileName, int quality);

}  // namespace tx
