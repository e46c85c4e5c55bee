#pragma once
// The searches of a PairDistance written once over a bounded distance:
// bounded(tile, bound) gives the exact distance when it is at most `bound` and
// otherwise any value above it (so it may stop summing early).

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "mosaic/EvenTileUse.h"

namespace tx {

inline constexpr std::int64_t kNoDistanceBound = std::numeric_limits<std::int64_t>::max();

// The k nearest of `tiles` tiles, nearest first, ties to the lower tile.
template <class Bounded>
void nearestTiles(int tiles, int k, Bounded&& bounded, std::vector<TileDistance>& out) {
    out.clear();
    k = std::clamp(k, 0, tiles);
    if (k == 0) return;
    // A max-heap of the k best so far; a tile must beat its top.
    auto worse = [](const TileDistance& a, const TileDistance& b) { return a < b; };
    out.reserve(static_cast<std::size_t>(k));
    for (int t = 0; t < tiles; ++t) {
        if (static_cast<int>(out.size()) < k) {
            out.push_back({bounded(t, kNoDistanceBound), t});
            std::push_heap(out.begin(), out.end(), worse);
            continue;
        }
        // Equal distance: the lower tile, already kept, wins.
        const std::int64_t bound = out.front().distance - 1;
        if (bound < 0) continue;
        const std::int64_t d = bounded(t, bound);
        if (d <= bound) {
            std::pop_heap(out.begin(), out.end(), worse);
            out.back() = {d, t};
            std::push_heap(out.begin(), out.end(), worse);
        }
    }
    std::sort_heap(out.begin(), out.end(), worse);
}

// PairDistance::below over a bounded distance.
template <class Bounded>
void tilesBelow(const int* tiles, const std::int64_t* limits, int count, std::int64_t offset, Bounded&& bounded,
                std::vector<TileDistance>& out) {
    for (int i = 0; i < count; ++i) {
        const std::int64_t limit = limits[i] - offset;
        if (limit <= 0) break;
        const std::int64_t d = bounded(tiles[i], limit - 1);
        if (d < limit) out.push_back({d, tiles[i]});
    }
}

}  // namespace tx
