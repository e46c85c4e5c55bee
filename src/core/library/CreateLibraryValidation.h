#pragma once
// The checks of a new-tiles request before the library job may start, in the
// wizard's order; the first failure wins.

#include <QString>
#include <optional>

#include "support/OptionProblem.h"

namespace tx {

// The request as the user gave it. The tile size and the crop margin are the
// typed texts: an empty size is refused before the image count is looked at, a
// size that is not a number only after it.
struct LibraryEntries {
    QString sourceFolder;
    bool sourceFolderReadable = false;
    QString targetLibrary;
    bool targetLibraryUsable = false;  // a plain name whose folder exists or can be made
    QString tileWidth, tileHeight;
    int imagesFound = 0;
    QString cropMargin;
};

std::optional<OptionProblem> checkLibraryEntries(const LibraryEntries& e);

}  // namespace tx
