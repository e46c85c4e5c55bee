#include "viewer/TilePages.h"

#include <algorithm>
#include <cstdint>

namespace tx::viewer {

TilePageGrid tilePageGrid(int areaWidth, int areaHeight, int tileWidth, int tileHeight) {
    const int pitchX = std::max(tileWidth, 1) + 1;
    const int pitchY = std::max(tileHeight, 1) + 1;
    TilePageGrid g;
    g.columns = std::max(areaWidth, 0) / pitchX + 1;
    g.rows = std::max(areaHeight, 0) / pitchY + 1;
    g.areaWidth = pitchX * g.columns - 1;
    g.areaHeight = pitchY * g.rows - 1;
    g.tilesPerPage = g.columns * g.rows;
    return g;
}

int lastTilePage(int tileCount, int tilesPerPage) {
    const int shown = std::min(tileCount, kMaxShownTiles);
    if (shown <= 0 || tilesPerPage <= 0) return 0;
    return (shown - 1) / tilesPerPage;
}

QString tilePageLabel(int page, int lastPage) {
    return QStringLiteral("%1/%2").arg(page + 1).arg(lastPage + 1);
}

TileSpot tileSpot(const TilePageGrid& grid, int indexOnPage, int tileWidth, int tileHeight) {
    const int columns = std::max(grid.columns, 1);
    return {indexOnPage % columns * (std::max(tileWidth, 1) + 1), indexOnPage / columns * (std::max(tileHeight, 1) + 1)};
}

}  // namespace tx::viewer

namespace tx::viewer {

std::optional<TileCell> tileCellAt(const TilePageGrid& grid, int x, int y, int tileWidth, int tileHeight) {
    if (x < 0 || y < 0 || x >= grid.areaWidth || y >= grid.areaHeight) return std::nullopt;
    const int column = x / (std::max(tileWidth, 1) + 1);
    const int row = y / (std::max(tileHeight, 1) + 1);
    return TileCell{column, row};
}

int tileIndexOf(const TilePageGrid& grid, int page, TileCell cell) {
    const std::int64_t index = static_cast<std::int64_t>(cell.row) * grid.columns + cell.column +
                               static_cast<std::int64_t>(page) * grid.tilesPerPage;
    // beyond any shown tile: no tile at all rather than a wrapped number
    return index > kMaxShownTiles ? -1 : static_cast<int>(index);
}

int magnifiedLength(int tileLength) { return std::max(tileLength, 1) * 3 / 2; }

namespace {

// Half of v, rounded to the nearest whole number, halves to even.
int halfRoundedEven(int v) {
    const int down = v >= 0 ? v / 2 : -((-v + 1) / 2);  // floor(v / 2)
    if (v % 2 == 0) return down;
    return down % 2 == 0 ? down : down + 1;
}

// Centre of the cell minus half the copy, then pushed back inside [0, area].
int placeAlong(int index, int tileLength, int copyLength, int areaLength) {
    const int pitch = std::max(tileLength, 1) + 1;
    int start = halfRoundedEven(2 * index * pitch + std::max(tileLength, 1) - copyLength);
    if (start + copyLength > areaLength) start = areaLength - copyLength;
    return std::max(start, 0);
}

}  // namespace

MagnifierPlace magnifierPlace(const TilePageGrid& grid, TileCell cell, int tileWidth, int tileHeight) {
    MagnifierPlace p;
    p.width = magnifiedLength(tileWidth) + 2 * kMagnifierFrame;
    p.height = magnifiedLength(tileHeight) + 2 * kMagnifierFrame;
    p.left = placeAlong(cell.column, tileWidth, p.width, grid.areaWidth);
    p.top = placeAlong(cell.row, tileHeight, p.height, grid.areaHeight);
    return p;
}

}  // namespace tx::viewer
