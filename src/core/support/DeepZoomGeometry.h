#pragma once
// The Deep Zoom layout of a picture: levels 0 .. ceil(log2(max(w, h))), level L
// ceil(w / 2^(max - L)) x ceil(h / 2^(max - L)) (each half the next, rounded up),
// square tiles of `tileSize` with `overlap` pixels shared with each neighbour.

#include <vector>

namespace tx {

struct DeepZoomLevel {
    int width = 0;
    int height = 0;
    int columns = 0;  // tiles across
    int rows = 0;     // tiles down
};

struct TileSpan {
    int start = 0;   // first pixel, overlap included
    int length = 0;  // pixels, overlap included
};

constexpr int kDeepZoomTileSize = 254;
constexpr int kDeepZoomOverlap = 1;

// Levels from 0 (1 x 1) to the full picture; empty for an empty picture.
std::vector<DeepZoomLevel> deepZoomLevels(int width, int height, int tileSize = kDeepZoomTileSize);

// Pixels of tile `index` along one side of `size` pixels.
TileSpan deepZoomTileSpan(int index, int size, int tileSize = kDeepZoomTileSize, int overlap = kDeepZoomOverlap);

}  // namespace tx
