#pragma once
// Plan: the tile chosen for each cell, indexed (x, y) with 0 <= x <= CellsX and
// 0 <= y <= CellsY (one extra column and row that stay 0). 0 means "no tile yet".

#include <cstdint>
#include <vector>

namespace tx {

class Plan {
public:
    Plan() = default;
    Plan(int cellsX, int cellsY)
        : m_cellsX(cellsX), m_cellsY(cellsY),
          m_values(static_cast<std::size_t>(cellsX + 1) * (cellsY + 1), 0) {}
    int cellsX() const { return m_cellsX; }
    int cellsY() const { return m_cellsY; }
    std::int16_t at(int x, int y) const { return m_values[static_cast<std::size_t>(y) * (m_cellsX + 1) + x]; }
    void set(int x, int y, std::int16_t t) { m_values[static_cast<std::size_t>(y) * (m_cellsX + 1) + x] = t; }
    bool operator==(const Plan&) const = default;

private:
    int m_cellsX = 0;
    int m_cellsY = 0;
    std::vector<std::int16_t> m_values;
};

}  // namespace tx
