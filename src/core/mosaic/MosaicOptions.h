#pragma once
// Size arithmetic of the mosaic options, as the wizard does it when a source is
// chosen or a cell count, tile size or output size changes. Pure functions,
// shared by the wizard and the CLI; the wizard only wires its fields to them.
//
// Picture sizes are single-precision values and the quotients are taken in single
// precision, as the wizard always had them; Int() rounds down, "as integer" rounds
// half to even into 16 bits. A cell count that cannot be formed (a size of 0, a
// value outside the 16-bit range) is reported as 0, which every caller refuses as
// "no valid size". Other results that cannot be formed are empty: the field that
// would receive them keeps its value.

#include <QString>
#include <optional>

#include "mosaic/MosaicDefaults.h"
#include "support/NumberText.h"

namespace tx {

// Cells across proposed for a source: sqrt(width / height * 3600) rounded half to
// even, so a square source gets 60.
int proposedCellsX(double sourceWidth, double sourceHeight);

// Cells down for `cellsX` cells across.
// With the link (the default, "Link source image size with tile size"):
//   Int(cellsX / ((sourceWidth / tileWidth) / (sourceHeight / tileHeight))),
// so that each cell covers a part of the source with the tiles' proportions.
// Without it: Int(cellsX / (sourceWidth / sourceHeight)).
// tileWidth and tileHeight are the library's tile size.
int linkedCellsY(int cellsX, double sourceWidth, double sourceHeight, int tileWidth, int tileHeight,
                 bool link = true);
// The mirror image: cells across for `cellsY` cells down.
int linkedCellsX(int cellsY, double sourceWidth, double sourceHeight, int tileWidth, int tileHeight,
                 bool link = true);

// Output size in the unit from cells and output tile size. Pixels are whole
// (as integer, so a total beyond 16 bits is empty); inches are pixels / dpi and
// centimetres inches * 2.54.
struct SizeInUnit {
    std::optional<double> width, height;
};
SizeInUnit outputSize(double cellsX, double cellsY, double tileWidth, double tileHeight, SizeUnit unit, double dpi);

// Output tile size from a total output size in the unit: the pixels each cell
// gets, rounded down. A quotient within rounding error of a whole number (the
// total as shown has 15 significant digits) is that number, so the tile size
// that gave a total comes back from it.
SizeInUnit tileSizeFromOutput(double totalWidth, double totalHeight, double cellsX, double cellsY, SizeUnit unit,
                              double dpi);

// "Keep proportions" of the output tile: the other side from one side, with the
// library's tile proportions (libraryTileWidth / libraryTileHeight), rounded down.
std::optional<double> tileHeightForWidth(int width, double libraryTileWidth, double libraryTileHeight);
std::optional<double> tileWidthForHeight(int height, double libraryTileWidth, double libraryTileHeight);

// "Keep proportions" of the total output: the other side, unrounded, so that the
// total keeps the proportions of cellsX library tiles by cellsY library tiles.
std::optional<double> outputHeightForWidth(double totalWidth, double cellsX, double cellsY, double libraryTileWidth,
                                           double libraryTileHeight);
std::optional<double> outputWidthForHeight(double totalHeight, double cellsX, double cellsY, double libraryTileWidth,
                                           double libraryTileHeight);

// The scan matrix fields snap into 1..12 (the spin bars' limits).
int clampMatrixSteps(int steps);

// What the "Preview..." button does after a change of the cell counts: a count
// that is missing or not positive disables it; otherwise a loaded source enables
// it and without one it keeps its state.
enum class PreviewButton { Disable, Keep, Enable };
PreviewButton previewButtonState(std::optional<int> cellsX, std::optional<int> cellsY, bool sourceLoaded);

}  // namespace tx
