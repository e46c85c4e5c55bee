#pragma once
// Reading pictures from and writing them to files.
//
// Error rules: loadPicture never throws and never crashes on bad input; it returns
// false with a short English reason in *error ("not found", "not a regular file",
// "cannot be opened: ...", "empty file", "not a picture", "truncated",
// "too large (W x H)", "cannot be decoded: ..."). Only regular files are opened
// (after following links), so a pipe or device never blocks the caller. Nothing
// is allocated for a picture before its header passed the size limit and, when
// its data is thin, a check that the data reaches the end of the picture; every
// decode then reserves its memory in the process-wide DecodeBudget, so parallel
// decodes never together hold more than that budget. JPEG sources are turned
// upright by their EXIF orientation. saveBmp writes through AtomicFile, so a
// failure never leaves a half-written file and never destroys the old one; it
// returns false with "Cannot write <name>: <reason>" in *error.

#include <QString>

#include "support/AtomicFile.h"
#include "support/Picture.h"

namespace tx {

struct LoadHint {
    // When > 0: the decoder may return a smaller picture (JPEG DCT scaling) as long
    // as it is at least this big in both directions. The result is then not the
    // file's own size; callers that need the true size use pictureSize().
    int minWidth = 0;
    int minHeight = 0;
};

bool loadPicture(const QString& path, Picture& out, QString* error = nullptr, const LoadHint& hint = {});

// Size of the picture in a file (after EXIF orientation), without decoding it.
bool pictureSize(const QString& path, int& width, int& height, QString* error = nullptr);

bool saveBmp(const Picture& picture, const QString& path, QString* error = nullptr,
             LinkPolicy links = LinkPolicy::ReplaceLink);

}  // namespace tx
