#pragma once
// Paging arithmetic of the tile viewer: a page is a grid of tiles with one-pixel
// gaps, one column and one row more than fit the designed area, so the area grows
// to hold them exactly.

#include <QString>
#include <optional>

namespace tx::viewer {

// Tile numbers are 16-bit: a library is shown up to this many tiles.
inline constexpr int kMaxShownTiles = 32767;

struct TilePageGrid {
    int columns = 0, rows = 0;
    int areaWidth = 0, areaHeight = 0;  // the picture area resized to the grid
    int tilesPerPage = 0;
};

// The page grid for tiles of tileWidth x tileHeight (at least 1) in an area of
// areaWidth x areaHeight.
TilePageGrid tilePageGrid(int areaWidth, int areaHeight, int tileWidth, int tileHeight);

// The highest page index for `tileCount` tiles: no empty page at the end, and page
// 0 for an empty library.
int lastTilePage(int tileCount, int tilesPerPage);

// The page indicator, "n/m" counted from 1.
QString tilePageLabel(int page, int lastPage);

struct TileSpot {
    int x = 0, y = 0;
    bool operator==(const TileSpot&) const = default;
};

// Top-left corner of the n-th tile of a page (n from 0, row by row).
TileSpot tileSpot(const TilePageGrid& grid, int indexOnPage, int tileWidth, int tileHeight);

// Selection geometry. A press at (x, y) of the area picks the tile of the cell it
// falls in; a press on a grid line counts for the tile to its left or above.
struct TileCell {
    int column = 0, row = 0;
    bool operator==(const TileCell&) const = default;
};
// The cell under (x, y), or nullopt outside the grid.
std::optional<TileCell> tileCellAt(const TilePageGrid& grid, int x, int y, int tileWidth, int tileHeight);
// Index in the library's tile list of the tile in `cell` on `page`.
int tileIndexOf(const TilePageGrid& grid, int page, TileCell cell);

// The magnified copy of a selected tile: the tile at 1.5 times its size inside a
// frame of kMagnifierFrame pixels, centred over its cell and moved back inside the
// area where it would stick out (the top-left corner wins when it cannot fit).
inline constexpr int kMagnifierFrame = 3;
struct MagnifierPlace {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const MagnifierPlace&) const = default;
};
// Size of the magnified tile inside the frame: Int(1.5 x tile size).
int magnifiedLength(int tileLength);
MagnifierPlace magnifierPlace(const TilePageGrid& grid, TileCell cell, int tileWidth, int tileHeight);

}  // namespace tx::viewer
