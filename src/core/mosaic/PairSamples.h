#pragma once
// The sample sets the even-use measures compare: each cell's matrX x matrY
// samples of the scan picture, and each tile's from the colour database,
// followed by its mirror's when tiles also take part mirrored.

#include <cstdint>
#include <vector>

#include "support/Picture.h"

namespace tx {

// cellsX * cellsY sets of matrX * matrY (red, green, blue) samples, row by row.
std::vector<std::uint8_t> scanCellSamples(const Picture& scan, int cellsX, int cellsY, int matrX, int matrY);

// The tiles' sample sets in order; with mirrorColumns > 0 every set is followed by
// its mirror, the samples taken as rows of mirrorColumns with the columns reversed.
std::vector<std::uint8_t> tileVariants(const std::uint8_t* tileSamples, int tiles, int samples, int mirrorColumns);

}  // namespace tx
