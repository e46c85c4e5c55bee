#pragma once
// Which part of a source picture becomes a tile: the crop arithmetic of library
// creation, free of pictures so it can be checked by itself.

#include <QString>

namespace tx {

// Where the crop region sits in a picture: the buttons crop(0..8), row by row.
enum class CropPosition { None = -1, TopLeft, Top, TopRight, Left, Center, Right, BottomLeft, Bottom, BottomRight };

// "top-left", "top", ..., "center" (also "centre"), ..., "bottom-right"; None for anything else.
CropPosition cropPositionNamed(const QString& name);

// Anchor fractions of the buttons crop(0..8), row by row; any other index (none
// selected) gives (0, 0).
struct CropAnchor {
    float ax = 0.0f;
    float ay = 0.0f;
};
CropAnchor cropAnchor(int index);
inline CropAnchor cropAnchor(CropPosition position) { return cropAnchor(static_cast<int>(position)); }

struct CropRegion {
    // True when the picture is exactly the tile size plus the margin: it is then
    // drawn whole, scaled to the tile, without the double-size canvas and blur.
    bool whole = false;
    int x = 0, y = 0, w = 0, h = 0;  // the source rectangle otherwise
};

// The region of an sW x sH picture that is cut to a tileW x tileH tile: the
// proportions are compared as single-precision ratios, the size along the longer
// side is a whole multiple of the tile size less the margin, and the anchor places
// the region. A picture too small for that rule (a region of zero or negative size)
// gives instead the largest region of the tile's proportions that fits.
CropRegion cropRegion(int sW, int sH, int tileW, int tileH, int margin, CropAnchor anchor);

}  // namespace tx
