#pragma once
// Reading pictures from and writing them to files.
//
// Error rules: loadPicture never throws and never crashes on bad input; it returns
// false with a short English reason in *error (unreadable, not a picture, truncated,
// too large). Pictures whose header claims more than Picture::kMaxPixels are
// refused before any pixel memory is allocated. JPEG sources are turned upright
// by their EXIF orientation. saveBmp writes through AtomicFile, so a failure never
// leaves a half-written file and never destroys the old one; it returns false with
// "Cannot write <name>: <reason>" in *error.

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
bool pictureSize(const QString& path, int& width, int& height);

bool saveBmp(const Picture& picture, const QString& path, QString* error = nullptr,
             LinkPolicy links = LinkPolicy::ReplaceLink);

}  // namespace tx
