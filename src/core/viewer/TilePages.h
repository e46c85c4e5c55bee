#pragma once
// Paging arithmetic of the tile viewer: a page is a grid of tiles with one-pixel
// gaps, one column and one row more than fit the designed area, so the area grows
// to hold them exactly.

#include <QString>

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

}  // namespace tx::viewer
