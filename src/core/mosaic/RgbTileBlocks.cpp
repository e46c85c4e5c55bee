#include "mosaic/RgbTileBlocks.h"

#include <cstring>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define TX_BLOCKS_AVX2 1
#include <immintrin.h>
#else
#define TX_BLOCKS_AVX2 0
#endif

namespace tx {

RgbTileBlocks::RgbTileBlocks(const std::uint8_t* faceData, int tiles, int faces, int stride)
    : m_faces(faces), m_groups(stride / 8) {
    const int blocks = (tiles + kWidth - 1) / kWidth;
    m_data.assign(static_cast<std::size_t>(blocks) * faces * m_groups * 8 * kWidth, 0);
    for (int t = 0; t < tiles; ++t)
        for (int f = 0; f < faces; ++f)
            for (int g = 0; g < m_groups; ++g) {
                const std::size_t at =
                    ((static_cast<std::size_t>(t / kWidth) * faces + f) * m_groups + g) * 8 * kWidth + (t % kWidth) * 8;
                std::memcpy(&m_data[at], faceData + (static_cast<std::size_t>(t) * faces + f) * stride + g * 8, 8);
            }
}

#if TX_BLOCKS_AVX2

bool RgbTileBlocks::available() {
    static const bool yes = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
    return yes;
}

namespace {

// Permutations of 32-bit lanes that move the 64-bit lanes set in a 4-bit mask
// to the front, in order.
struct CompressTable {
    alignas(32) std::int32_t lanes[16][8] = {};
    constexpr CompressTable() {
        for (int mask = 0; mask < 16; ++mask) {
            int out = 0;
            for (int lane = 0; lane < 4; ++lane)
                if (mask & (1 << lane)) {
                    lanes[mask][out++] = 2 * lane;
                    lanes[mask][out++] = 2 * lane + 1;
                }
        }
    }
};
constexpr CompressTable kCompress;

__attribute__((target("avx2"))) inline __m256i blockSad(const std::uint8_t* block, const std::uint8_t* pattern,
                                                        int groups) {
    __m256i acc = _mm256_sad_epu8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(block)),
                                  _mm256_load_si256(reinterpret_cast<const __m256i*>(pattern)));
    for (int g = 1; g < groups; ++g)
        acc = _mm256_add_epi64(acc, _mm256_sad_epu8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(block) + g),
                                                    _mm256_load_si256(reinterpret_cast<const __m256i*>(pattern) + g)));
    return acc;
}

__attribute__((target("avx2,popcnt"))) void blockPass(const std::uint8_t* data, int faces, int groups,
                                                      const std::uint8_t* cell, int firstBlock, int lastBlock, int step,
                                                      const PricedPass& pass, PricedTiles& out) {
    alignas(32) std::uint8_t pattern[RgbTileBlocks::kMaxGroups * 32];
    for (int g = 0; g < groups; ++g)
        for (int lane = 0; lane < 4; ++lane) std::memcpy(pattern + g * 32 + lane * 8, cell + g * 8, 8);

    const __m256i scale = _mm256_set1_epi64x(pass.scale);
    const __m256i cap = _mm256_set1_epi64x(pass.cap);
    const __m256i none = _mm256_set1_epi64x(kNoValue);
    const __m256i next = _mm256_set1_epi64x(4 * std::int64_t{step});
    const std::int64_t t0 = std::int64_t{firstBlock} * 4;
    __m256i tiles = _mm256_set_epi64x(t0 + 3, t0 + 2, t0 + 1, t0);
    __m256i aboveValue = none, aboveTile = _mm256_set1_epi64x(-1);
    std::int64_t* value = out.value.data() + out.count;
    std::uint64_t* distanceTile = out.distanceTile.data() + out.count;
    int count = 0;
    const std::size_t blockBytes = static_cast<std::size_t>(faces) * groups * 32;
    const std::uint8_t* block = data + static_cast<std::size_t>(firstBlock) * blockBytes;
    const std::int64_t* price = pass.price + t0;
    for (int b = firstBlock; b < lastBlock; b += step, block += blockBytes * step, price += 4 * step) {
        __m256i d = blockSad(block, pattern, groups);
        if (faces == 2) {
            // The nearer face; the mirror only when strictly nearer, which is the same distance.
            const __m256i mirror = blockSad(block + groups * 32, pattern, groups);
            d = _mm256_blendv_epi8(d, mirror, _mm256_cmpgt_epi64(d, mirror));
        }
        const __m256i v = _mm256_add_epi64(_mm256_mul_epu32(d, scale),
                                           _mm256_loadu_si256(reinterpret_cast<const __m256i*>(price)));
        const __m256i over = _mm256_cmpgt_epi64(v, cap);
        const __m256i overValue = _mm256_blendv_epi8(none, v, over);
        const __m256i better = _mm256_cmpgt_epi64(aboveValue, overValue);
        aboveValue = _mm256_blendv_epi8(aboveValue, overValue, better);
        aboveTile = _mm256_blendv_epi8(aboveTile, tiles, better);
        const int keep = ~_mm256_movemask_pd(_mm256_castsi256_pd(over)) & 15;
        if (keep != 0) {
            const __m256i lanes = _mm256_load_si256(reinterpret_cast<const __m256i*>(kCompress.lanes[keep]));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(value + count), _mm256_permutevar8x32_epi32(v, lanes));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(distanceTile + count),
                                _mm256_permutevar8x32_epi32(_mm256_or_si256(d, _mm256_slli_epi64(tiles, 32)), lanes));
            count += __builtin_popcount(static_cast<unsigned>(keep));
        }
        tiles = _mm256_add_epi64(tiles, next);
    }
    out.count += count;
    alignas(32) std::int64_t lanesValue[4], lanesTile[4];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanesValue), aboveValue);
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanesTile), aboveTile);
    for (int lane = 0; lane < 4; ++lane) {
        const std::int64_t v = lanesValue[lane];
        const int t = static_cast<int>(lanesTile[lane]);
        if (t >= 0 && (v < out.above || (v == out.above && t < out.aboveTile))) out.above = v, out.aboveTile = t;
    }
}

}  // namespace

void RgbTileBlocks::pass(const std::uint8_t* cell, int firstBlock, int lastBlock, int step, const PricedPass& pass,
                         PricedTiles& out) const {
    blockPass(m_data.data(), m_faces, m_groups, cell, firstBlock, lastBlock, step, pass, out);
}

#else

bool RgbTileBlocks::available() { return false; }
void RgbTileBlocks::pass(const std::uint8_t*, int, int, int, const PricedPass&, PricedTiles&) const {}

#endif

}  // namespace tx
