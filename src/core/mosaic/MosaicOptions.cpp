#include "mosaic/MosaicOptions.h"

#include <cmath>

namespace tx {

namespace {

constexpr double kMaxInt16 = 32767.0;

// Whole part of a quotient, or 0 when it is not a usable 16-bit count.
int int16Floor(float v) {
    if (!std::isfinite(v) || v < 0.0f || v > static_cast<float>(kMaxInt16)) return 0;
    return static_cast<int>(std::floor(v));
}

}  // namespace

int proposedCellsX(double sourceWidth, double sourceHeight) {
    const float w = static_cast<float>(sourceWidth);
    const float h = static_cast<float>(sourceHeight);
    if (!(w > 0.0f) || !(h > 0.0f)) return 0;
    const float area = w / h * 3600.0f;
    const double root = std::sqrt(static_cast<double>(area));
    if (!std::isfinite(root) || root >= kMaxInt16 + 0.5) return 0;
    return static_cast<int>(std::nearbyint(root));  // default rounding mode: half to even
}

int linkedCellsY(int cellsX, double sourceWidth, double sourceHeight, int tileWidth, int tileHeight, bool link) {
    const float w = static_cast<float>(sourceWidth);
    const float h = static_cast<float>(sourceHeight);
    if (cellsX <= 0 || !(w > 0.0f) || !(h > 0.0f)) return 0;
    float ratio = w / h;
    if (link) {
        if (tileWidth <= 0 || tileHeight <= 0) return 0;
        ratio = (w / static_cast<float>(tileWidth)) / (h / static_cast<float>(tileHeight));
    }
    return int16Floor(static_cast<float>(cellsX) / ratio);
}

}  // namespace tx
