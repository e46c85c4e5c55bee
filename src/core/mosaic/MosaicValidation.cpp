#include "mosaic/MosaicValidation.h"

#include "mosaic/MosaicDefaults.h"
#include "support/Messages.h"

namespace tx {

namespace {

bool inRange(const std::optional<int>& v, int lo, int hi) { return v && *v >= lo && *v <= hi; }

}  // namespace

std::optional<OptionProblem> checkMosaicSource(const MosaicEntries& e) {
    if (e.sourcePath.isEmpty() || !e.sourceLoads) return OptionProblem{msg::kValidSourceImage, OptionField::SourceImage};
    // The cell count is a 16-bit product: a product outside 16 bits is refused
    // like a value that is not a number, and so is a count that is not positive.
    if (!e.cellsX || !e.cellsY) return OptionProblem{msg::kValidPixelSize, OptionField::CellsX};
    const long long cells = static_cast<long long>(*e.cellsX) * *e.cellsY;
    if (cells > MosaicDefaults::kMostCells || cells < -32768 || *e.cellsX <= 0 || *e.cellsY <= 0)
        return OptionProblem{msg::kValidPixelSize, OptionField::CellsX};
    if (e.library.isEmpty() || e.libraryTileCount <= 0)
        return OptionProblem{msg::kValidTileLibrary, OptionField::TileLibrary};
    if (!inRange(e.numberOfTiles, 1, e.libraryTileCount))
        return OptionProblem{msg::kValidNumberOfTiles, OptionField::NumberOfTiles};
    return std::nullopt;
}

std::optional<OptionProblem> checkScanMatrix(const MosaicEntries& e) {
    using namespace MosaicDefaults;
    if (!inRange(e.matrX, kMatrixMin, kMatrixMax) || !inRange(e.matrY, kMatrixMin, kMatrixMax))
        return OptionProblem{msg::kValueBetween1And12, OptionField::MatrixX};
    return std::nullopt;
}

std::optional<OptionProblem> checkOutputTileSize(const MosaicEntries& e) {
    if (!e.tileWidth || !e.tileHeight || *e.tileWidth < 1 || *e.tileHeight < 1)
        return OptionProblem{msg::kValidPixelSize, OptionField::TileWidth};
    return std::nullopt;
}

std::optional<OptionProblem> checkMosaicEntries(const MosaicEntries& e) {
    if (auto p = checkMosaicSource(e)) return p;
    if (auto p = checkScanMatrix(e)) return p;
    return checkOutputTileSize(e);
}

}  // namespace tx
