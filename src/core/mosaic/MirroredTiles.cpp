#include "mosaic/MirroredTiles.h"

#include <algorithm>
#include <cstring>

namespace tx {

int MirrorPlan::count() const {
    return static_cast<int>(std::count(m_flags.begin(), m_flags.end(), std::uint8_t{1}));
}

void mirrorSamples(const std::uint8_t* samples, int matrX, int matrY, std::uint8_t* out) {
    for (int j = 0; j < matrY; ++j)
        for (int i = 0; i < matrX; ++i)
            std::memcpy(out + (static_cast<std::size_t>(j) * matrX + i) * 3,
                        samples + (static_cast<std::size_t>(j) * matrX + (matrX - 1 - i)) * 3, 3);
}

void flipColumns(Picture& picture) {
    const int w = picture.width();
    for (int y = 0; y < picture.height(); ++y) {
        std::uint8_t* row = picture.scanLine(y);
        for (int l = 0, r = w - 1; l < r; ++l, --r)
            for (int c = 0; c < 3; ++c) std::swap(row[3 * l + c], row[3 * r + c]);
    }
}

}  // namespace tx
