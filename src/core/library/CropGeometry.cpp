#include "library/CropGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace tx {

CropAnchor cropAnchor(int index) {
    if (index < 0 || index > 8) return {};
    return {0.5f * static_cast<float>(index % 3), 0.5f * static_cast<float>(index / 3)};
}

CropPosition cropPositionNamed(const QString& name) {
    static const char* const names[] = {"top-left", "top",         "top-right", "left",        "center",
                                        "right",    "bottom-left", "bottom",    "bottom-right"};
    for (int k = 0; k < 9; ++k)
        if (name == QLatin1String(names[k])) return static_cast<CropPosition>(k);
    if (name == QLatin1String("centre")) return CropPosition::Center;
    return CropPosition::None;
}

namespace {
// Int of a quotient of whole numbers (rounded down).
std::int64_t intDiv(std::int64_t a, std::int64_t b) {
    return b > 0 ? static_cast<std::int64_t>(std::floor(static_cast<double>(a) / static_cast<double>(b))) : 0;
}
}  // namespace

CropRegion cropRegion(int sW, int sH, int tileW, int tileH, int margin, CropAnchor anchor) {
    CropRegion r;
    if (sW <= 0 || sH <= 0 || tileW <= 0 || tileH <= 0) return r;
    std::int64_t w = std::int64_t{sW} - margin;
    std::int64_t h = std::int64_t{sH} - margin;
    if (w == tileW && h == tileH) {
        r.whole = true;
        r.w = sW;
        r.h = sH;
        return r;
    }
    const float tileRatio = static_cast<float>(tileW) / static_cast<float>(tileH);
    const float sourceRatio = static_cast<float>(sW) / static_cast<float>(sH);
    if (tileRatio < sourceRatio) w = intDiv(sH, tileH) * tileW - margin;
    if (tileRatio > sourceRatio) h = intDiv(sW, tileW) * tileH - margin;

    if (w <= 0 || h <= 0 || w > sW || h > sH) {
        // Too small for whole multiples of the tile: the largest region of the tile's
        // proportions inside the picture less the margin (or the whole picture when
        // the margin leaves nothing).
        std::int64_t aw = std::int64_t{sW} - margin;
        std::int64_t ah = std::int64_t{sH} - margin;
        if (aw <= 0 || ah <= 0) {
            aw = sW;
            ah = sH;
        }
        if (aw * tileH >= ah * tileW) {
            h = ah;
            w = std::max<std::int64_t>(1, ah * tileW / tileH);
        } else {
            w = aw;
            h = std::max<std::int64_t>(1, aw * tileH / tileW);
        }
    }
    r.w = static_cast<int>(w);
    r.h = static_cast<int>(h);
    r.x = static_cast<int>(std::floor(static_cast<float>(sW - w) * anchor.ax));
    r.y = static_cast<int>(std::floor(static_cast<float>(sH - h) * anchor.ay));
    r.x = std::clamp(r.x, 0, sW - r.w);
    r.y = std::clamp(r.y, 0, sH - r.h);
    return r;
}

}  // namespace tx
