#pragma once
// The pictures the tile viewer shows: a composed page and the magnified copy of
// the selected tile. Pure pixel work, safe on any thread.

#include <vector>

#include "support/Picture.h"
#include "viewer/TilePages.h"

namespace tx::viewer {

inline constexpr Colour kGridLineColour = rgb(0, 0, 0);
inline constexpr Colour kUnreadableCrossColour = rgb(128, 128, 128);

// What one cell of a page shows.
struct PageCell {
    enum class Kind { Empty, Tile, Unreadable };
    Kind kind = Kind::Empty;
    const Picture* tile = nullptr;  // for Kind::Tile
};

// The page as the area shows it: every tile copied 1:1 into its cell (cut to the
// cell), empty cells left in `background`, a tile that could not be read as an
// empty cell with a thin cross from corner to corner, and black one-pixel lines in
// the gaps between the cells. `cells` holds the cells row by row.
Picture composeTilePage(const TilePageGrid& grid, int tileWidth, int tileHeight, const std::vector<PageCell>& cells,
                        Colour background);

// The magnified copy: the top-left tileWidth x tileHeight of `tile` (black where
// the tile is smaller) grown three times by pixel repetition, softened, and scaled
// smoothly to magnifiedLength() of each side inside a kMagnifierFrame-pixel frame
// of `frame`. An empty `tile` gives a framed empty cell with the cross of an
// unreadable tile on `background`.
Picture magnifiedTile(const Picture& tile, int tileWidth, int tileHeight, Colour frame, Colour background);

}  // namespace tx::viewer
