#include "viewer/TilePages.h"

#include <algorithm>

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
