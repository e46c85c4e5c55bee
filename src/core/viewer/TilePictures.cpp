#include "viewer/TilePictures.h"

#include <algorithm>

#include "support/Effects.h"

namespace tx::viewer {

namespace {

void drawCross(Picture& p, int x, int y, int w, int h, Colour c) {
    // one pixel wide, corner to corner, whatever the cell's shape
    const int steps = std::max(w, h);
    for (int k = 0; k < steps; ++k) {
        const int dx = steps > 1 ? k * (w - 1) / (steps - 1) : 0;
        const int dy = steps > 1 ? k * (h - 1) / (steps - 1) : 0;
        p.setPixel(x + dx, y + dy, c);
        p.setPixel(x + w - 1 - dx, y + dy, c);
    }
}

}  // namespace

Picture composeTilePage(const TilePageGrid& grid, int tileWidth, int tileHeight, const std::vector<PageCell>& cells,
                        Colour background) {
    const int w = std::max(tileWidth, 1), h = std::max(tileHeight, 1);
    Picture page(std::max(grid.areaWidth, 1), std::max(grid.areaHeight, 1), background);
    const int count = std::min(static_cast<int>(cells.size()), grid.tilesPerPage);
    for (int n = 0; n < count; ++n) {
        const PageCell& cell = cells[static_cast<std::size_t>(n)];
        const TileSpot at = tileSpot(grid, n, w, h);
        if (cell.kind == PageCell::Kind::Tile && cell.tile && !cell.tile->isEmpty())
            blit(page, at.x, at.y, *cell.tile, 0, 0, w, h);
        else if (cell.kind != PageCell::Kind::Empty)
            drawCross(page, at.x, at.y, w, h, kUnreadableCrossColour);
    }
    for (int i = 1; i < grid.columns; ++i) page.fillRect({i * (w + 1) - 1, 0, 1, page.height()}, kGridLineColour);
    for (int j = 1; j < grid.rows; ++j) page.fillRect({0, j * (h + 1) - 1, page.width(), 1}, kGridLineColour);
    return page;
}

Picture magnifiedTile(const Picture& tile, int tileWidth, int tileHeight, Colour frame, Colour background) {
    const int w = std::max(tileWidth, 1), h = std::max(tileHeight, 1);
    Picture grown;
    if (tile.isEmpty()) {
        grown = Picture(3 * w, 3 * h, background);
        drawCross(grown, 0, 0, 3 * w, 3 * h, kUnreadableCrossColour);
    } else {
        grown = stretchPlain(tile, Rect{0, 0, w, h}, 3 * w, 3 * h);
        FoxBlur(grown);
    }
    const int mw = magnifiedLength(w), mh = magnifiedLength(h);
    Picture out(mw + 2 * kMagnifierFrame, mh + 2 * kMagnifierFrame, frame);
    blit(out, kMagnifierFrame, kMagnifierFrame, stretchHalftone(grown, mw, mh));
    return out;
}

}  // namespace tx::viewer
