#pragma once
// What an even-use mode will do with a job's cells and tiles, in a sentence for
// the wizard beside the render-order preview.

#include <QString>

#include "mosaic/EvenTileUse.h"

namespace tx {

// Empty when the mode is off. With cells or tiles unknown (0) it says what the
// mode does in general; with both known, how often each tile is used, or that
// the caps cannot fill the cells.
QString evenUseSummary(const EvenUse& use, int cells, int tiles);

}  // namespace tx
