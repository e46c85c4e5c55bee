#pragma once
// The two order tables of the mosaic engine, both sorted with SortTable:
// the smart-rendering table (cells with most detail first) and the page table
// (cells grouped by tile).

#include "mosaic/Plan.h"
#include "support/Picture.h"
#include "support/SortTable.h"

namespace tx {

// Records (DetailKey, x, y) of every cell, row-major, then sorted. DetailKey is
// 255 minus the blue byte of the greyed XOR of the cell and its upper-left
// neighbour; row 0 and column 0 count as no detail (key 255).
OrderTable buildDetailOrder(const Picture& cellImage);

// Records (Plan(x, y), x, y) of every cell, row-major, then sorted.
OrderTable buildPageTable(const Plan& plan);

}  // namespace tx
