#pragma once
// Geometry of the mosaic preview: a grid of cellsX x cellsY flat cells shown in a
// fixed picture area, zoomed by factors of two around a clicked cell.
//
// The view never shows less than the area can hold: any layout smaller than the
// area becomes the covering view, which fills the area with the mosaic's
// proportions and lets one side overflow. Positions are clamped so that no empty
// margin shows on a side where the view is larger than the area.
//
// View sizes and positions are 64-bit: a zoomed view of a wide grid, or a tile size
// with an extreme aspect, goes far beyond 16 or 32 bits.

#include <cstdint>
#include <vector>

namespace tx::viewer {

// Width / height of the finished mosaic. A tile size below 1 counts as 1.
double previewAspect(int cellsX, int cellsY, int tileWidth, int tileHeight);

struct PreviewView {
    std::int64_t width = 0, height = 0;  // whole preview in screen pixels
    std::int64_t left = 0, top = 0;      // its top-left corner in the area, <= 0 when larger
    double scaleX = 0, scaleY = 0;       // screen pixels per cell
};

struct Cell {
    std::int64_t x = 0, y = 0;
    bool operator==(const Cell&) const = default;
};

// A one-pixel grid line at `position`, drawn from `from` up to (not including) `to`.
struct GridLine {
    std::int64_t position = 0;
    std::int64_t from = 0, to = 0;
    bool operator==(const GridLine&) const = default;
};

enum class MouseButton { Left, Right, Other };

class PreviewGeometry {
public:
    // cellsX, cellsY and the area size must be at least 1. Starts in the covering
    // view centred on cell (0, 0).
    PreviewGeometry(int cellsX, int cellsY, double aspect, int areaWidth, int areaHeight);

    // Lays the preview out at factorX x factorY pixels per cell (0: fit) with cell
    // (cellX, cellY) in the middle of the area where the view is larger than it.
    void layout(double factorX, double factorY, std::int64_t cellX, std::int64_t cellY);

    // A mouse button released at (x, y) of the area: left zooms in, right zooms out,
    // any other returns to the covering view, each around the cell under the point.
    // Zooming in is refused when fewer than 8 cells across or 6 down are visible;
    // false then, and nothing has changed.
    bool zoomAt(int x, int y, MouseButton button);

    // The cell under area point (x, y); outside the grid when the point is.
    Cell cellAt(int x, int y) const;

    // For each pixel column (row) of the area the cell column (row) shown there, -1
    // where no cell is. A cell starts at Int(i * scale) + left, where its grid line lies.
    std::vector<int> columnCells() const;
    std::vector<int> rowCells() const;

    // Grid lines inside the area: horizontal ones below each row, vertical ones
    // right of each column, clipped to the visible part of the view.
    std::vector<GridLine> horizontalLines() const;
    std::vector<GridLine> verticalLines() const;

    const PreviewView& view() const { return m_view; }
    int cellsX() const { return m_cellsX; }
    int cellsY() const { return m_cellsY; }
    int areaWidth() const { return m_areaWidth; }
    int areaHeight() const { return m_areaHeight; }

private:
    int m_cellsX, m_cellsY;
    double m_aspect;
    int m_areaWidth, m_areaHeight;
    PreviewView m_view;
};

}  // namespace tx::viewer
