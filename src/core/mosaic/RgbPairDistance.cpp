#include "mosaic/RgbPairDistance.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "mosaic/BoundedTileSearch.h"
#include "mosaic/PairSamples.h"
#include "mosaic/TileGroupOrder.h"

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

// The whole sum of absolute differences, for passes that want every distance
// (the priced pass without AVX2): about a quarter faster than boundedSad's checks.
inline std::uint32_t sad(const std::uint8_t* a, const std::uint8_t* b, int vectors) {
#if defined(__SSE2__)
    __m128i acc = _mm_setzero_si128();
    for (int v = 0; v < vectors; ++v)
        acc = _mm_add_epi64(acc, _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a) + v),
                                              _mm_loadu_si128(reinterpret_cast<const __m128i*>(b) + v)));
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(acc)) +
           static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(acc, 8)));
#else
    return boundedSad(a, b, vectors, kNoBound);
#endif
}

}  // namespace

RgbPairDistance::RgbPairDistance(const std::uint8_t* cellSamples, int cells, const std::uint8_t* tileSamples,
                                 int tiles, int samples, int mirrorColumns)
    : m_cells(cells),
      m_tiles(tiles),
      m_samples(samples),
      m_faces(mirrorColumns > 0 ? 2 : 1),
      m_stride((samples * 3 + 15) / 16 * 16) {
    const std::size_t bytes = static_cast<std::size_t>(samples) * 3;
    const std::vector<std::uint8_t> faces = tileVariants(tileSamples, tiles, samples, mirrorColumns);
    m_cellData.assign(static_cast<std::size_t>(cells) * m_stride, 0);
    m_tileData.assign(static_cast<std::size_t>(tiles) * m_faces * m_stride, 0);
    for (int c = 0; c < cells; ++c)
        std::memcpy(m_cellData.data() + static_cast<std::size_t>(c) * m_stride, cellSamples + c * bytes, bytes);
    for (int f = 0; f < tiles * m_faces; ++f)
        std::memcpy(m_tileData.data() + static_cast<std::size_t>(f) * m_stride, faces.data() + f * bytes, bytes);
    m_hasBlocks = RgbTileBlocks::available() && m_stride / 8 <= RgbTileBlocks::kMaxGroups;
    if (m_hasBlocks) m_blocks = RgbTileBlocks(m_tileData.data(), tiles, m_faces, m_stride);
}

RgbPairDistance RgbPairDistance::fromScan(const Picture& scan, int cellsX, int cellsY, const TileColourTable& table,
                                          int tileCount, bool mirror) {
    const std::vector<std::uint8_t> cells = scanCellSamples(scan, cellsX, cellsY, table.matrX, table.matrY);
    return RgbPairDistance(cells.data(), cellsX * cellsY, table.tile(1), tileCount, table.matrX * table.matrY,
                           mirror ? table.matrX : 0);
}

// The exact distance when it is at most bound, otherwise some value above it. The
// mirror counts only when strictly nearer.
std::int64_t RgbPairDistance::bounded(const std::uint8_t* cell, int tile, std::int64_t bound) const {
    const int vectors = m_stride / 16;
    const std::uint32_t b = bound >= std::int64_t{kNoBound} ? kNoBound : static_cast<std::uint32_t>(bound);
    const std::uint32_t d0 = boundedSad(cell, faceAt(tile, 0), vectors, b);
    if (m_faces == 1 || d0 == 0) return d0;
    const std::uint32_t b1 = d0 <= b ? d0 - 1 : b;
    const std::uint32_t d1 = boundedSad(cell, faceAt(tile, 1), vectors, b1);
    return d1 <= b1 ? d1 : d0;
}

void RgbPairDistance::distancesTo(int cell, int begin, int end, std::int64_t* out) const {
    const std::uint8_t* c = cellAt(cell);
    const int vectors = m_stride / 16;
    if (m_faces == 1) {
        for (int t = begin; t < end; ++t) *out++ = sad(c, faceAt(t, 0), vectors);
        return;
    }
    // The nearer face; the mirror only when strictly nearer, which gives the same distance.
    for (int t = begin; t < end; ++t) *out++ = std::min(sad(c, faceAt(t, 0), vectors), sad(c, faceAt(t, 1), vectors));
}

void RgbPairDistance::pricedPass(int cell, int begin, int end, const PricedPass& pass, PricedTiles& out) const {
    constexpr int w = RgbTileBlocks::kWidth;
    const int first = (begin + w - 1) / w, last = end / w;
    if (!m_hasBlocks || !RgbTileBlocks::takes(pass) || first >= last) {
        PairDistance::pricedPass(cell, begin, end, pass, out);
        return;
    }
    // Whole blocks in the middle, the tiles before and after them one by one.
    PairDistance::pricedPass(cell, begin, first * w, pass, out);
    m_blocks.pass(cellAt(cell), first, last, 1, pass, out);
    PairDistance::pricedPass(cell, last * w, end, pass, out);
}

void RgbPairDistance::pricedSample(int cell, int step, const PricedPass& pass, PricedTiles& out) const {
    if (!m_hasBlocks || !RgbTileBlocks::takes(pass)) {
        PairDistance::pricedSample(cell, step, pass, out);
        return;
    }
    // A last part block is left out of the sample.
    m_blocks.pass(cellAt(cell), 0, m_tiles / RgbTileBlocks::kWidth, step, pass, out);
}

std::unique_ptr<PairDistance> RgbPairDistance::grouped(std::vector<int>& order) const {
    if (!skipsGroups()) return nullptr;
    const int step = m_faces * m_stride;
    order = groupedTileOrder(m_tileData.data(), m_tiles, step, m_samples * 3, kPricedGroup);
    auto copy = std::make_unique<RgbPairDistance>(*this);
    for (int t = 0; t < m_tiles; ++t)
        std::memcpy(copy->m_tileData.data() + static_cast<std::size_t>(t) * step,
                    m_tileData.data() + static_cast<std::size_t>(order[static_cast<std::size_t>(t)]) * step,
                    static_cast<std::size_t>(step));
    copy->m_blocks = RgbTileBlocks(copy->m_tileData.data(), m_tiles, m_faces, m_stride);
    return copy;
}

std::int64_t RgbPairDistance::distance(int cell, int tile) const { return bounded(cellAt(cell), tile, kNoDistanceBound); }

bool RgbPairDistance::mirrored(int cell, int tile) const {
    if (m_faces == 1) return false;
    const int vectors = m_stride / 16;
    return boundedSad(cellAt(cell), faceAt(tile, 1), vectors, kNoBound) <
           boundedSad(cellAt(cell), faceAt(tile, 0), vectors, kNoBound);
}

void RgbPairDistance::nearest(int cell, int k, std::vector<TileDistance>& out) const {
    const std::uint8_t* c = cellAt(cell);
    nearestTiles(m_tiles, k, [&](int t, std::int64_t bound) { return bounded(c, t, bound); }, out);
}

void RgbPairDistance::below(int cell, const int* tiles, const std::int64_t* limits, int count, std::int64_t offset,
                            std::vector<TileDistance>& out) const {
    const std::uint8_t* c = cellAt(cell);
    tilesBelow(tiles, limits, count, offset, [&](int t, std::int64_t bound) { return bounded(c, t, bound); }, out);
}

}  // namespace tx
