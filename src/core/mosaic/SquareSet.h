#pragma once
// The tiles of the square of radius r around a cell, for the minimal-distance rule
// of the tile choices: stamped per gather, so asking is one comparison.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "mosaic/Plan.h"

namespace tx {

// Tiles of the square of radius r around (x, y), cut at 0 and at CellsX/CellsY.
class SquareSet {
public:
    explicit SquareSet(int tileCount) : m_stamp(static_cast<std::size_t>(tileCount) + 1, 0) {}
    void gather(const Plan& plan, int x, int y, int r) {
        ++m_id;
        const int x0 = std::max(0, x - r), x1 = std::min(plan.cellsX(), x + r);
        const int y0 = std::max(0, y - r), y1 = std::min(plan.cellsY(), y + r);
        for (int yy = y0; yy <= y1; ++yy)
            for (int xx = x0; xx <= x1; ++xx) {
                const int t = plan.at(xx, yy);
                if (t > 0 && t < static_cast<int>(m_stamp.size())) m_stamp[static_cast<std::size_t>(t)] = m_id;
            }
    }
    bool contains(int t) const { return m_stamp[static_cast<std::size_t>(t)] == m_id; }

private:
    std::vector<std::uint32_t> m_stamp;
    std::uint32_t m_id = 0;
};

}  // namespace tx
