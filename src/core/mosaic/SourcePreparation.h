#pragma once
// The two small working images made from the source photograph: the scan image
// `vorlage` (matrX x matrY samples per cell) and the cell image `kleinevorlage`
// (one pixel per cell, the cell's average colour), both through the same
// adjustment chain.

#include <cstdint>

#include "support/Picture.h"

namespace tx {

struct Adjustments {
    int brightness = 0;    // -100..100, 0: unchanged
    int saturation = 100;  // percent, 100: unchanged
    bool greyscale = false;
};

// Blur, then brightness, saturation and greyscale as chosen.
void applyAdjustments(Picture& picture, const Adjustments& adjustments);

struct PreparedSource {
    Picture scan;   // vorlage: cellsX * matrX by cellsY * matrY
    Picture cells;  // kleinevorlage: cellsX by cellsY
};

// Plain stretch of the whole source to twice the wanted size, the adjustment
// chain, then a plain halving; once for the scan image and once for the cell image.
PreparedSource prepareSource(const Picture& source, int cellsX, int cellsY, int matrX, int matrY,
                             const Adjustments& adjustments);

// The samples of cell (x, y) as (red, green, blue) bytes, row j outer and column
// i inner, the layout of a tile in TileColourTable: matrX * matrY * 3 bytes.
void sampleCell(const Picture& scan, int x, int y, int matrX, int matrY, std::uint8_t* out);

}  // namespace tx
