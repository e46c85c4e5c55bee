#pragma once
// Mirrored tiles: every tile may also be placed flipped left to right. Its samples
// are the original's with the columns of the scan matrix reversed, and the page
// flips the tile's pixels where a cell holds the mirror.

#include <cstdint>
#include <vector>

#include "support/Picture.h"

namespace tx {

// Which cells hold their tile mirrored; every cell is false until set.
class MirrorPlan {
public:
    MirrorPlan() = default;
    MirrorPlan(int cellsX, int cellsY)
        : m_cellsX(cellsX), m_cellsY(cellsY), m_flags(static_cast<std::size_t>(cellsX) * cellsY, 0) {}
    int cellsX() const { return m_cellsX; }
    int cellsY() const { return m_cellsY; }
    bool empty() const { return m_flags.empty(); }
    bool at(int x, int y) const {
        return x >= 0 && x < m_cellsX && y >= 0 && y < m_cellsY &&
               m_flags[static_cast<std::size_t>(y) * m_cellsX + x] != 0;
    }
    void set(int x, int y, bool mirrored) { m_flags[static_cast<std::size_t>(y) * m_cellsX + x] = mirrored ? 1 : 0; }
    int count() const;

private:
    int m_cellsX = 0;
    int m_cellsY = 0;
    std::vector<std::uint8_t> m_flags;
};

// Samples of the mirrored tile: matrX x matrY (red, green, blue) triples, x
// fastest, with the columns reversed. `out` must not overlap `samples`.
void mirrorSamples(const std::uint8_t* samples, int matrX, int matrY, std::uint8_t* out);

// Flips a picture left to right in place.
void flipColumns(Picture& picture);

}  // namespace tx
