#pragma once
// The tile choice: for every cell, in linear or smart order, the tile closest to
// the cell's samples (city-block RGB distance; a channel difference above 120
// rejects a tile in the first pass; the lowest tile number wins ties) that is not
// already placed within the distance square around the cell. When no tile is
// accepted the square narrows one cell at a time (without the reject threshold),
// and below radius 0 the cell gets a random tile.
//
// chooseTiles gives exactly the Plan of the plain sequential loop
// (chooseTilesReference) but computes the distances of many cells at once on
// every core; only the check against Plan runs in cell order.

#include <functional>

#include "library/ColourDatabase.h"
#include "mosaic/Plan.h"
#include "mosaic/PreviewLayout.h"
#include "support/Picture.h"
#include "support/SortTable.h"

namespace tx {

constexpr int kRejectThreshold = 120;

struct TileChoiceInput {
    const Picture* scan = nullptr;            // vorlage: cellsX * matrX by cellsY * matrY
    const TileColourTable* tiles = nullptr;   // at least tileCount tiles, matrX x matrY each
    int cellsX = 0;
    int cellsY = 0;
    int matrX = 1;
    int matrY = 1;
    int tileCount = 0;                        // tiles 1..tileCount are used
    int distance = 0;                         // minimal distance between identical tiles
    const OrderTable* order = nullptr;        // smart-rendering order; null: row by row
    // First-pass candidates the fast path keeps per cell before it has to search
    // again; changes speed only, never the result. 0: the default.
    int keptCandidates = 0;
};

struct TileChoiceHooks {
    // Polled between units of work; false stops the choice.
    std::function<bool()> running;
    // Called after each cell is decided (Plan already holds it); false stops.
    std::function<bool(int x, int y)> cellDone;
};

// Both return false when stopped by a hook; Plan then holds the cells decided so far.
// The random fallback draws RandomInt(1, tileCount) in cell order in both.
bool chooseTiles(const TileChoiceInput& input, Plan& plan, const TileChoiceHooks& hooks = {});
bool chooseTilesReference(const TileChoiceInput& input, Plan& plan, const TileChoiceHooks& hooks = {});

// Background of the empty preview.
constexpr Colour kPreviewBackground = rgb(240, 240, 240);

// Lays out cells across x cells down in the preview (its size is the preview's
// inner size), clears it and draws the black grid.
PreviewLayout PreparePreview(Picture& preview, int cellsAcross, int cellsDown, int tileWidth, int tileHeight);
// Fills the preview rectangle of cell (x, y) with a colour.
void drawPreviewCell(Picture& preview, const PreviewLayout& layout, int x, int y, Colour colour);

}  // namespace tx
