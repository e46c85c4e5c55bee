#include "mosaic/RgbPairDistance.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "mosaic/SourcePreparation.h"

namespace tx {

namespace {

// Sum of absolute differences, stopping once it exceeds `bound` (checked every
// four vectors); the result is then some value above bound.
inline std::uint32_t boundedSad(const std::uint8_t* a, const std::uint8_t* b, int vectors, std::uint32_t bound) {
#if defined(__SSE2__)
    __m128i acc = _mm_setzero_si128();
    for (int v = 0; v < vectors; ++v) {
        acc = _mm_add_epi64(acc, _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a) + v),
                                              _mm_loadu_si128(reinterpret_cast<const __m128i*>(b) + v)));
        if ((v & 3) == 3) {
            const std::uint32_t partial = static_cast<std::uint32_t>(_mm_cvtsi128_si32(acc)) +
                                          static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(acc, 8)));
            if (partial > bound) return partial;
        }
    }
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(acc)) +
           static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(acc, 8)));
#else
    std::uint32_t sum = 0;
    for (int v = 0; v < vectors; ++v) {
        for (int k = 0; k < 16; ++k) sum += static_cast<std::uint32_t>(std::abs(int(a[v * 16 + k]) - int(b[v * 16 + k])));
        if (sum > bound) return sum;
    }
    return sum;
#endif
}

constexpr std::uint32_t kNoBound = 0xFFFFFFFFu;

}  // namespace

RgbPairDistance::RgbPairDistance(const std::uint8_t* cellSamples, int cells, const std::uint8_t* tileSamples,
                                 int tiles, int samples)
    : m_cells(cells), m_tiles(tiles), m_samples(samples), m_stride((samples * 3 + 15) / 16 * 16) {
    const std::size_t bytes = static_cast<std::size_t>(samples) * 3;
    m_cellData.assign(static_cast<std::size_t>(cells) * m_stride, 0);
    m_tileData.assign(static_cast<std::size_t>(tiles) * m_stride, 0);
    for (int c = 0; c < cells; ++c)
        std::memcpy(m_cellData.data() + static_cast<std::size_t>(c) * m_stride, cellSamples + c * bytes, bytes);
    for (int t = 0; t < tiles; ++t)
        std::memcpy(m_tileData.data() + static_cast<std::size_t>(t) * m_stride, tileSamples + t * bytes, bytes);
}

RgbPairDistance RgbPairDistance::fromScan(const Picture& scan, int cellsX, int cellsY, const TileColourTable& table,
                                          int tileCount) {
    const int samples = table.matrX * table.matrY;
    std::vector<std::uint8_t> cells(static_cast<std::size_t>(cellsX) * cellsY * samples * 3);
    for (int y = 0; y < cellsY; ++y)
        for (int x = 0; x < cellsX; ++x)
            sampleCell(scan, x, y, table.matrX, table.matrY,
                       cells.data() + (static_cast<std::size_t>(y) * cellsX + x) * samples * 3);
    return RgbPairDistance(cells.data(), cellsX * cellsY, table.tile(1), tileCount, samples);
}

std::int64_t RgbPairDistance::distance(int cell, int tile) const {
    return boundedSad(cellAt(cell), tileAt(tile), m_stride / 16, kNoBound);
}

void RgbPairDistance::nearest(int cell, int k, std::vector<TileDistance>& out) const {
    out.clear();
    k = std::clamp(k, 0, m_tiles);
    if (k == 0) return;
    const std::uint8_t* c = cellAt(cell);
    const int vectors = m_stride / 16;
    // A max-heap of the k best so far; a tile must beat its top.
    auto worse = [](const TileDistance& a, const TileDistance& b) { return a < b; };
    out.reserve(static_cast<std::size_t>(k));
    for (int t = 0; t < m_tiles; ++t) {
        if (static_cast<int>(out.size()) < k) {
            out.push_back({boundedSad(c, tileAt(t), vectors, kNoBound), t});
            std::push_heap(out.begin(), out.end(), worse);
            continue;
        }
        const std::uint32_t bound = static_cast<std::uint32_t>(out.front().distance);
        const std::uint32_t d = boundedSad(c, tileAt(t), vectors, bound);
        if (d < bound) {  // equal distance: the lower tile, already kept, wins
            std::pop_heap(out.begin(), out.end(), worse);
            out.back() = {d, t};
            std::push_heap(out.begin(), out.end(), worse);
        }
    }
    std::sort_heap(out.begin(), out.end(), worse);
}

void RgbPairDistance::below(int cell, const int* tiles, const std::int64_t* limits, int count, std::int64_t offset,
                            std::vector<TileDistance>& out) const {
    const std::uint8_t* c = cellAt(cell);
    const int vectors = m_stride / 16;
    const std::int64_t most = static_cast<std::int64_t>(kNoBound) - 1;
    for (int i = 0; i < count; ++i) {
        const std::int64_t limit = limits[i] - offset;
        if (limit <= 0) break;
        const std::uint32_t bound = static_cast<std::uint32_t>(std::min(limit - 1, most));
        const std::uint32_t d = boundedSad(c, tileAt(tiles[i]), vectors, bound);
        if (d <= bound) out.push_back({d, tiles[i]});
    }
}

}  // namespace tx
