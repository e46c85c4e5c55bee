#pragma once
// The preview's cell picture: one pixel per mosaic cell, in the colour the cell
// will be measured with.

#include "support/Picture.h"

namespace tx::viewer {

// The source stretched plainly to twice the grid, softened by the blur, and
// halved plainly to cellsX x cellsY. Empty when a size is below 1 or the
// pictures would be too large to make.
Picture previewCellPicture(const Picture& source, int cellsX, int cellsY);

}  // namespace tx::viewer
