#pragma once
// An order of the tiles in which every run of `groupSize` consecutive tiles
// lies close together in sample space, so that the box around a run's samples
// is small and a priced pass can skip whole runs that are far from a cell.
//
// Built like a k-d tree: split the tiles at the median of the sample byte that
// varies most, with the split on a whole number of groups, until each part is
// one group. Ties keep the lower tile first, so the order is always the same.

#include <cstdint>
#include <vector>

namespace tx {

// samples: tile t's `bytes` sample bytes at samples + t * step. Returns the
// tiles in their new order (new position -> tile).
std::vector<int> groupedTileOrder(const std::uint8_t* samples, int tiles, int step, int bytes, int groupSize);

}  // namespace tx
