#include "mosaic/LabPairDistance.h"

#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "mosaic/BoundedTileSearch.h"
#include "mosaic/LabColour.h"
#include "mosaic/PairSamples.h"

namespace tx {

namespace {

// Sample sets as blocks of four samples, L, a and b each four floats; the
// padding samples are zero in cells and tiles alike and add nothing.
void toBlocks(const std::uint8_t* rgb, int samples, float* out) {
    for (int k = 0; k < samples; ++k) {
        const Lab c = labFromSrgb(rgb[3 * k], rgb[3 * k + 1], rgb[3 * k + 2]);
        float* block = out + 12 * (k / 4);
        block[k % 4] = c.L;
        block[4 + k % 4] = c.a;
        block[8 + k % 4] = c.b;
    }
}

std::int64_t units(float sum) { return static_cast<std::int64_t>(double(sum) * kLabUnitsPerDeltaE + 0.5); }

}  // namespace

LabPairDistance::LabPairDistance(const std::uint8_t* cellSamples, int cells, const std::uint8_t* tileSamples,
                                 int tiles, int samples, int mirrorColumns)
    : m_cells(cells),
      m_tiles(tiles),
      m_samples(samples),
      m_faces(mirrorColumns > 0 ? 2 : 1),
      m_blocks((samples + 3) / 4),
      m_stride(12 * m_blocks) {
    const std::size_t bytes = static_cast<std::size_t>(samples) * 3;
    const std::vector<std::uint8_t> faces = tileVariants(tileSamples, tiles, samples, mirrorColumns);
    m_cellData.assign(static_cast<std::size_t>(cells) * m_stride, 0.0f);
    m_tileData.assign(static_cast<std::size_t>(tiles) * m_faces * m_stride, 0.0f);
    for (int c = 0; c < cells; ++c) toBlocks(cellSamples + c * bytes, samples, m_cellData.data() + std::size_t(c) * m_stride);
    for (int f = 0; f < tiles * m_faces; ++f)
        toBlocks(faces.data() + f * bytes, samples, m_tileData.data() + std::size_t(f) * m_stride);
}

LabPairDistance LabPairDistance::fromScan(const Picture& scan, int cellsX, int cellsY, const TileColourTable& table,
                                          int tileCount, bool mirror) {
    const std::vector<std::uint8_t> cells = scanCellSamples(scan, cellsX, cellsY, table.matrX, table.matrY);
    return LabPairDistance(cells.data(), cellsX * cellsY, table.tile(1), tileCount, table.matrX * table.matrY,
                           mirror ? table.matrX : 0);
}

// No two sRGB colours are 300 apart in CIELAB (the widest, blue to green, is about 259).
std::int64_t LabPairDistance::maxDistance() const { return std::int64_t{300} * kLabUnitsPerDeltaE * m_samples; }

// Lanes summed as (0 + 2) + (1 + 3) in both builds. Every lane only grows, so a
// partial sum never exceeds the full one and stopping above the bound is safe.
std::int64_t LabPairDistance::faceDistance(const float* c, const float* t, std::int64_t bound) const {
#if defined(__SSE2__)
    __m128 acc = _mm_setzero_ps();
    auto total = [&acc] {
        const __m128 half = _mm_add_ps(acc, _mm_movehl_ps(acc, acc));
        return _mm_cvtss_f32(_mm_add_ss(half, _mm_shuffle_ps(half, half, 1)));
    };
    for (int j = 0; j < m_blocks; ++j, c += 12, t += 12) {
        const __m128 dl = _mm_sub_ps(_mm_loadu_ps(c), _mm_loadu_ps(t));
        const __m128 da = _mm_sub_ps(_mm_loadu_ps(c + 4), _mm_loadu_ps(t + 4));
        const __m128 db = _mm_sub_ps(_mm_loadu_ps(c + 8), _mm_loadu_ps(t + 8));
        acc = _mm_add_ps(acc, _mm_sqrt_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(dl, dl), _mm_mul_ps(da, da)),
                                                     _mm_mul_ps(db, db))));
        if ((j & 1) == 1 && j + 1 < m_blocks) {
            const std::int64_t partial = units(total());
            if (partial > bound) return partial;
        }
    }
    return units(total());
#else
    float acc[4] = {0, 0, 0, 0};
    auto total = [&acc] { return (acc[0] + acc[2]) + (acc[1] + acc[3]); };
    for (int j = 0; j < m_blocks; ++j, c += 12, t += 12) {
        for (int k = 0; k < 4; ++k) {
            const float dl = c[k] - t[k], da = c[4 + k] - t[4 + k], db = c[8 + k] - t[8 + k];
            acc[k] += std::sqrt(dl * dl + da * da + db * db);
        }
        if ((j & 1) == 1 && j + 1 < m_blocks) {
            const std::int64_t partial = units(total());
            if (partial > bound) return partial;
        }
    }
    return units(total());
#endif
}

std::int64_t LabPairDistance::bounded(const float* cell, int tile, std::int64_t bound) const {
    const std::int64_t d0 = faceDistance(cell, faceAt(tile, 0), bound);
    if (m_faces == 1 || d0 == 0) return d0;
    const std::int64_t b1 = d0 <= bound ? d0 - 1 : bound;
    const std::int64_t d1 = faceDistance(cell, faceAt(tile, 1), b1);
    return d1 <= b1 ? d1 : d0;
}

void LabPairDistance::distancesTo(int cell, int begin, int end, std::int64_t* out) const {
    const float* c = cellAt(cell);
    for (int t = begin; t < end; ++t) *out++ = bounded(c, t, kNoDistanceBound);
}

std::int64_t LabPairDistance::distance(int cell, int tile) const { return bounded(cellAt(cell), tile, kNoDistanceBound); }

bool LabPairDistance::mirrored(int cell, int tile) const {
    if (m_faces == 1) return false;
    return faceDistance(cellAt(cell), faceAt(tile, 1), kNoDistanceBound) <
           faceDistance(cellAt(cell), faceAt(tile, 0), kNoDistanceBound);
}

void LabPairDistance::nearest(int cell, int k, std::vector<TileDistance>& out) const {
    const float* c = cellAt(cell);
    nearestTiles(m_tiles, k, [&](int t, std::int64_t bound) { return bounded(c, t, bound); }, out);
}

void LabPairDistance::below(int cell, const int* tiles, const std::int64_t* limits, int count, std::int64_t offset,
                            std::vector<TileDistance>& out) const {
    const float* c = cellAt(cell);
    tilesBelow(tiles, limits, count, offset, [&](int t, std::int64_t bound) { return bounded(c, t, bound); }, out);
}

}  // namespace tx
