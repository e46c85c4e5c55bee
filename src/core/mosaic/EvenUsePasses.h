#pragma once
// Passes of the even-use solver over all cells: on every core, block by block,
// with progress and the running hook between blocks.

#include <algorithm>
#include <vector>

#include "mosaic/EvenTileUse.h"
#include "support/Parallel.h"

namespace tx {

inline bool keepGoing(const EvenUseHooks& hooks) { return !hooks.running || hooks.running(); }

// Cells per block of a pass: the hooks are polled between blocks.
inline constexpr int kBlockCells = 1024;

// Runs body(cell, scratch) for every cell. False when stopped.
template <class Body>
bool forEveryCell(int cells, int pass, const EvenUseHooks& hooks, Body&& body) {
    for (int begin = 0; begin < cells; begin += kBlockCells) {
        if (!keepGoing(hooks)) return false;
        const int end = std::min(cells, begin + kBlockCells);
        parallelFor(end - begin, 32, [&](std::int64_t b, std::int64_t e) {
            std::vector<TileDistance> scratch;
            for (std::int64_t c = b; c < e; ++c) body(begin + static_cast<int>(c), scratch);
        });
        if (hooks.progress) hooks.progress(pass, end, cells);
    }
    return keepGoing(hooks);
}

}  // namespace tx
