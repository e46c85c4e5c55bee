#pragma once
// The checks a mosaic's options pass before the job may start, in the order the
// wizard makes them page by page. Each failure names the message to show and the
// field that gets the focus; the first failure wins.

#include <QString>
#include <optional>

#include "support/OptionProblem.h"

namespace tx {

// The mosaic options as the user gave them. Numbers typed into fields are held
// "as integer" (asInteger in support/NumberText.h): empty when the text was not a
// number or lies outside 16 bits.
struct MosaicEntries {
    QString sourcePath;
    bool sourceLoads = false;  // the file reads as a picture
    std::optional<int> cellsX, cellsY;
    QString library;
    int libraryTileCount = 0;
    std::optional<int> numberOfTiles;
    std::optional<int> matrX, matrY;
    std::optional<int> tileWidth, tileHeight;  // output tile size
};

// Source, cells, library and number of tiles (the first page of the mosaic).
std::optional<OptionProblem> checkMosaicSource(const MosaicEntries& e);
// Scan matrix steps, each 1 to 12.
std::optional<OptionProblem> checkScanMatrix(const MosaicEntries& e);
// Output tile size, each side at least 1.
std::optional<OptionProblem> checkOutputTileSize(const MosaicEntries& e);
// All of them in order.
std::optional<OptionProblem> checkMosaicEntries(const MosaicEntries& e);

}  // namespace tx
