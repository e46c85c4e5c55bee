#include "viewer/PreviewGeometry.h"

#include <algorithm>
#include <cmath>

namespace tx::viewer {

namespace {

// Far beyond any view, well inside int64 and exact in a double.
constexpr double kLimit = 4.0e15;

std::int64_t toInt64(double v) { return static_cast<std::int64_t>(std::clamp(v, -kLimit, kLimit)); }
// Int(): the largest whole number not above v.
std::int64_t intOf(double v) { return toInt64(std::floor(v)); }
// Nearest whole number, halves to even.
std::int64_t roundEven(double v) { return toInt64(std::nearbyint(v)); }

// Cell index shown at offset d (>= 0) from the view's edge, where cell i starts
// at Int(i * scale). The division gives it up to rounding; the loops settle it.
std::int64_t cellAtOffset(std::int64_t d, double scale) {
    std::int64_t i = intOf(static_cast<double>(d) / scale);
    while (intOf(static_cast<double>(i + 1) * scale) <= d) ++i;
    while (i > 0 && intOf(static_cast<double>(i) * scale) > d) --i;
    return i;
}

std::vector<int> cellsAlong(int length, std::int64_t start, std::int64_t extent, double scale, int cells) {
    std::vector<int> out(static_cast<std::size_t>(length), -1);
    for (int p = 0; p < length; ++p) {
        const std::int64_t d = p - start;
        if (d < 0 || d >= extent) continue;
        const std::int64_t i = cellAtOffset(d, scale);
        if (i < cells) out[static_cast<std::size_t>(p)] = static_cast<int>(i);
    }
    return out;
}

// Lines after each of `cells` cells along one axis, kept where they fall inside
// 0..length, each spanning the visible part of the other axis.
std::vector<GridLine> linesAlong(int cells, double scale, std::int64_t start, int length, std::int64_t spanStart,
                                 std::int64_t spanExtent, int spanLength) {
    std::vector<GridLine> out;
    const std::int64_t from = std::max<std::int64_t>(spanStart, 0);
    const std::int64_t to = std::min<std::int64_t>(spanStart + spanExtent, spanLength);
    for (int i = 1; i <= cells; ++i) {
        const std::int64_t pos = intOf(i * scale) + start;
        if (pos < 0 || pos > length) continue;
        out.push_back({pos, from, to});
    }
    return out;
}

// Where the view starts along one axis: centred when it fits, else with cell
// `focus` in the middle, clamped so that no margin shows.
std::int64_t placeAlong(int length, std::int64_t extent, double scale, std::int64_t focus) {
    if (extent <= length) return (length - extent) / 2;
    std::int64_t start = intOf(length / 2.0 - static_cast<double>(focus) * scale);
    if (start > 0) start = 0;
    if (start + extent < length) start = length - extent;
    return start;
}

}  // namespace

double previewAspect(int cellsX, int cellsY, int tileWidth, int tileHeight) {
    const double tw = std::max(tileWidth, 1), th = std::max(tileHeight, 1);
    return (tw * cellsX) / (th * cellsY);
}

PreviewGeometry::PreviewGeometry(int cellsX, int cellsY, double aspect, int areaWidth, int areaHeight)
    : m_cellsX(std::max(cellsX, 1)),
      m_cellsY(std::max(cellsY, 1)),
      m_aspect(aspect),
      m_areaWidth(std::max(areaWidth, 1)),
      m_areaHeight(std::max(areaHeight, 1)) {
    if (!(m_aspect > 0.0) || !std::isfinite(m_aspect)) m_aspect = static_cast<double>(m_cellsX) / m_cellsY;
    layout(0.0, 0.0, 0, 0);
}

void PreviewGeometry::layout(double factorX, double factorY, std::int64_t cellX, std::int64_t cellY) {
    const int w = m_areaWidth, h = m_areaHeight;
    PreviewView v;
    v.width = intOf(m_cellsX * factorX);
    v.height = intOf(m_cellsY * factorY);
    if (v.width <= w && v.height <= h) {
        v.width = w;
        v.height = h;
        // The area's proportion in single precision, compared with the mosaic's.
        const float r = static_cast<float>(w) / static_cast<float>(h);
        if (r > m_aspect)
            v.height = roundEven(w / m_aspect);
        else if (r < m_aspect)
            v.width = roundEven(h * m_aspect);
    }
    // Halving a long thin view again and again must not reach zero pixels per cell.
    v.width = std::max<std::int64_t>(v.width, 1);
    v.height = std::max<std::int64_t>(v.height, 1);
    v.scaleX = static_cast<double>(v.width) / m_cellsX;
    v.scaleY = static_cast<double>(v.height) / m_cellsY;
    v.left = placeAlong(w, v.width, v.scaleX, cellX);
    v.top = placeAlong(h, v.height, v.scaleY, cellY);
    m_view = v;
}

bool PreviewGeometry::zoomAt(int x, int y, MouseButton button) {
    double fx = 0.0, fy = 0.0;
    switch (button) {
    case MouseButton::Left:
        if (m_areaWidth / m_view.scaleX < 8.0 || m_areaHeight / m_view.scaleY < 6.0) return false;
        fx = 2.0 * m_view.scaleX;
        fy = 2.0 * m_view.scaleY;
        break;
    case MouseButton::Right:
        fx = m_view.scaleX / 2.0;
        fy = m_view.scaleY / 2.0;
        break;
    case MouseButton::Other:
        break;
    }
    const Cell focus = cellAt(x, y);
    layout(fx, fy, focus.x, focus.y);
    return true;
}

Cell PreviewGeometry::cellAt(int x, int y) const {
    return {intOf((x - m_view.left) / m_view.scaleX), intOf((y - m_view.top) / m_view.scaleY)};
}

std::vector<int> PreviewGeometry::columnCells() const {
    return cellsAlong(m_areaWidth, m_view.left, m_view.width, m_view.scaleX, m_cellsX);
}

std::vector<int> PreviewGeometry::rowCells() const {
    return cellsAlong(m_areaHeight, m_view.top, m_view.height, m_view.scaleY, m_cellsY);
}

std::vector<GridLine> PreviewGeometry::horizontalLines() const {
    return linesAlong(m_cellsY, m_view.scaleY, m_view.top, m_areaHeight, m_view.left, m_view.width, m_areaWidth);
}

std::vector<GridLine> PreviewGeometry::verticalLines() const {
    return linesAlong(m_cellsX, m_view.scaleX, m_view.left, m_areaWidth, m_view.top, m_view.height, m_areaHeight);
}

}  // namespace tx::viewer
