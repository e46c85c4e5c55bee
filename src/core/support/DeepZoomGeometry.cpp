#include "support/DeepZoomGeometry.h"

#include <algorithm>
#include <cstdint>

namespace tx {

std::vector<DeepZoomLevel> deepZoomLevels(int width, int height, int tileSize) {
    std::vector<DeepZoomLevel> levels;
    if (width <= 0 || height <= 0 || tileSize <= 0) return levels;
    int maxLevel = 0;
    while ((std::int64_t{1} << maxLevel) < std::max(width, height)) ++maxLevel;
    levels.resize(static_cast<std::size_t>(maxLevel + 1));
    std::int64_t w = width, h = height;
    for (int level = maxLevel; level >= 0; --level) {
        DeepZoomLevel& l = levels[static_cast<std::size_t>(level)];
        l.width = static_cast<int>(w);
        l.height = static_cast<int>(h);
        l.columns = static_cast<int>((w + tileSize - 1) / tileSize);
        l.rows = static_cast<int>((h + tileSize - 1) / tileSize);
        w = (w + 1) / 2;
        h = (h + 1) / 2;
    }
    return levels;
}

TileSpan deepZoomTileSpan(int index, int size, int tileSize, int overlap) {
    const std::int64_t start = std::int64_t{index} * tileSize - (index > 0 ? overlap : 0);
    const std::int64_t end = std::min<std::int64_t>(size, std::int64_t{index + 1} * tileSize + overlap);
    return TileSpan{static_cast<int>(start), static_cast<int>(std::max<std::int64_t>(0, end - start))};
}

}  // namespace tx
