#pragma once
// Renders a page one strip at a time: a strip is one row of cells, each tile
// resized, greyed and colour-corrected as it is placed. Pages of any size need the
// memory of a few strips, and a writer can encode one strip while the next is drawn.

#include <vector>

#include "mosaic/PageAssembly.h"
#include "mosaic/TileCache.h"

namespace tx {

struct StripCell {
    int x = 0;
    int y = 0;
    int order = 0;  // position in the page-table order over all pages
};

// All cells of one tile in one strip, in page-table order.
struct StripRun {
    int tile = 0;
    std::vector<StripCell> cells;
};

class StripRenderer {
public:
    // orderTiles[k]: the tile of the k-th record in the page-table order over all pages.
    StripRenderer(Task& task, const PageInput& in, TileCache& cache, std::vector<int> orderTiles);

    // Draws the runs of one cell row into `strip` (columns tiles from cell column
    // x0). With `report`, steps the progress, the time estimate and the preview.
    // False when cancelled.
    bool render(const std::vector<StripRun>& runs, int x0, int columns, Picture& strip, bool report);

private:
    struct Placement {
        const StripCell* cell;
        const Picture* tile;  // null: the flat cell colour
    };
    bool place(const std::vector<Placement>& jobs, int x0, Picture& strip, bool report);
    // The tile a cell shows when its own cannot be loaded: the last tile before it
    // in page-table order that loads (as the old program kept its tile surface), or
    // 0 for the flat colour when none did.
    int standIn(int order);

    Task& m_task;
    const PageInput& m_in;
    TileCache& m_cache;
    std::vector<int> m_orderTiles;
    std::vector<int> m_standIn;  // -1: not worked out yet
};

// Draws one cell at (dx, dy) of `target`: the tile (or the flat `colour` without
// one, greyed for a grey mosaic), blended with the cell colour by `alpha`. `cell`
// and `patch` are scratch pictures reused between calls; `cell` holds the cell as
// placed afterwards. `mirrored` flips the tile left to right.
void placeCell(Picture& target, int dx, int dy, const Picture* tile, Colour colour, int tileWidth, int tileHeight,
               bool grey, int alpha, Picture& cell, Picture& patch, bool mirrored = false);

}  // namespace tx
