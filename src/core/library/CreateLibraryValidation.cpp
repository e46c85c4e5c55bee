#include "library/CreateLibraryValidation.h"

#include "support/Messages.h"
#include "support/NumberText.h"

namespace tx {

std::optional<OptionProblem> checkLibraryEntries(const LibraryEntries& e) {
    if (e.sourceFolder.isEmpty() || !e.sourceFolderReadable)
        return OptionProblem{msg::kValidSourcePath, OptionField::SourceFolder};
    if (e.targetLibrary.isEmpty() || !e.targetLibraryUsable)
        return OptionProblem{msg::kValidTileLibrary, OptionField::TargetLibrary};
    if (e.tileWidth.isEmpty() || e.tileHeight.isEmpty())
        return OptionProblem{msg::kValidPixelSize, OptionField::TileWidth};
    if (e.imagesFound <= 0) return OptionProblem{msg::kNoImagesFound, OptionField::SourceFolder};
    const auto w = asInteger(e.tileWidth), h = asInteger(e.tileHeight);
    if (!w || !h || *w <= 0 || *h <= 0) return OptionProblem{msg::kValidPixelSize, OptionField::TileWidth};
    // The margin is cut from the source picture; it must leave something of the
    // tile's size in both directions.
    const auto margin = asInteger(e.cropMargin);
    if (!margin || *margin < 0 || *margin >= *w || *margin >= *h)
        return OptionProblem{msg::kSelectValidPixelSize, OptionField::CropMargin};
    return std::nullopt;
}

}  // namespace tx
