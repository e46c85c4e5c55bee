#include "mosaic/RgbTileBlocks.h"

#include <algorithm>
#include <cstring>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define TX_BLOCKS_AVX2 1
#include <immintrin.h>
#else
#define TX_BLOCKS_AVX2 0
#endif

namespace tx {

void sumKeys(const std::uint8_t* samples, int bytes, std::int64_t* keys) {
    std::int64_t sums[3] = {};
    for (int i = 0; i < bytes; ++i) sums[i % 3] += samples[i];
    for (int k = 0; k < kGroupKeys; ++k)
        keys[k] = ((k & 1) ? -sums[0] : sums[0]) + ((k & 2) ? -sums[1] : sums[1]) + ((k & 4) ? -sums[2] : sums[2]);
}

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
    // Boxes only pay where a look is long enough to skip much of it.
    if (tiles < 8 * kPricedGroup) return;
    const int groups = (tiles + kPricedGroup - 1) / kPricedGroup;
    m_low.assign(static_cast<std::size_t>(groups) * stride, 255);
    m_high.assign(static_cast<std::size_t>(groups) * stride, 0);
    for (int t = 0; t < tiles; ++t)
        for (int f = 0; f < faces; ++f) {
            const std::uint8_t* s = faceData + (static_cast<std::size_t>(t) * faces + f) * stride;
            std::uint8_t* low = &m_low[static_cast<std::size_t>(t / kPricedGroup) * stride];
            std::uint8_t* high = &m_high[static_cast<std::size_t>(t / kPricedGroup) * stride];
            for (int i = 0; i < stride; ++i) low[i] = std::min(low[i], s[i]), high[i] = std::max(high[i], s[i]);
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

// A group's floor for a value: the value in units of 2^shift, rounded down and
// held below 2^32 (values only rise, so a floor stays true).
inline std::uint32_t floorOf(std::int64_t value, int shift) {
    return static_cast<std::uint32_t>(std::min<std::int64_t>(value >> shift, 0xFFFFFFFFll));
}

// How far a cell is at least from every sample set in a box: per byte, how far
// it lies below the least or above the greatest.
__attribute__((target("avx2"))) inline std::int64_t boxBound(const std::uint8_t* low, const std::uint8_t* high,
                                                             const std::uint8_t* cell, int vectors) {
    __m128i acc = _mm_setzero_si128();
    for (int v = 0; v < vectors; ++v) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cell) + v);
        const __m128i out = _mm_or_si128(_mm_subs_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(low) + v), x),
                                         _mm_subs_epu8(x, _mm_loadu_si128(reinterpret_cast<const __m128i*>(high) + v)));
        acc = _mm_add_epi64(acc, _mm_sad_epu8(out, _mm_setzero_si128()));
    }
    return _mm_cvtsi128_si64(acc) + _mm_extract_epi64(acc, 1);
}

__attribute__((target("avx2,popcnt"))) void blockPass(const std::uint8_t* data, int faces, int groups,
                                                      const std::uint8_t* low, const std::uint8_t* high,
                                                      const std::uint8_t* cell, int firstBlock, int lastBlock, int step,
                                                      const PricedPass& pass, PricedTiles& out) {
    alignas(32) std::uint8_t pattern[RgbTileBlocks::kMaxGroups * 32];
    for (int g = 0; g < groups; ++g)
        for (int lane = 0; lane < 4; ++lane) std::memcpy(pattern + g * 32 + lane * 8, cell + g * 8, 8);

    const __m256i scale = _mm256_set1_epi64x(pass.scale);
    const __m256i cap = _mm256_set1_epi64x(pass.cap);
    const __m256i none = _mm256_set1_epi64x(kNoValue);
    const __m256i next = _mm256_set1_epi64x(4 * std::int64_t{step});
    __m256i aboveValue = none, aboveTile = _mm256_set1_epi64x(-1);
    std::int64_t* value = out.value.data() + out.count;
    std::uint64_t* distanceTile = out.distanceTile.data() + out.count;
    int count = 0;
    const std::size_t blockBytes = static_cast<std::size_t>(faces) * groups * 32;
    // Skipping works on whole groups of consecutive blocks.
    const bool skip = pass.groupPrice != nullptr && pass.groupKeys != nullptr && low != nullptr && step == 1;
    constexpr int kGroupBlocks = kPricedGroup / 4;
    const int stride = groups * 8;
    std::int64_t cellKeys[kGroupKeys];
    if (skip) {
        sumKeys(cell, stride, cellKeys);
        for (std::int64_t& k : cellKeys) k *= pass.scale;
    }
    std::uint32_t* floor = skip ? pass.groupFloor : nullptr;
    const int shift = pass.floorShift;
    const std::int64_t capFloor = pass.cap < 0 ? -1 : pass.cap >> shift;  // floors above it are above the cap
    std::int64_t skipped = kNoValue;  // the least bound of a skipped group
    for (int b = firstBlock; b < lastBlock;) {
        int end = lastBlock;
        int g = -1;
        if (skip) {
            g = b / kGroupBlocks;
            end = std::min(lastBlock, (g + 1) * kGroupBlocks);
            if (floor != nullptr && std::int64_t{floor[g]} > capFloor) {
                skipped = std::min(skipped, std::int64_t{floor[g]} << shift);
                b = end;
                continue;
            }
            std::int64_t bound = boxBound(low + static_cast<std::size_t>(g) * stride,
                                          high + static_cast<std::size_t>(g) * stride, cell, stride / 16) *
                                     pass.scale +
                                 pass.groupPrice[g];
            const std::int64_t* keys = pass.groupKeys + static_cast<std::size_t>(g) * kGroupKeys;
            for (int k = 0; k < kGroupKeys; ++k) bound = std::max(bound, keys[k] - cellKeys[k]);
            if (bound > pass.cap) {
                skipped = std::min(skipped, bound);
                if (floor != nullptr) floor[g] = std::max(floor[g], floorOf(bound, shift));
                b = end;
                continue;
            }
        }
        // A floor from the group's least value needs all of its tiles here.
        const bool whole = floor != nullptr && b == g * kGroupBlocks && end == (g + 1) * kGroupBlocks;
        const std::int64_t t0 = std::int64_t{b} * 4;
        __m256i tiles = _mm256_set_epi64x(t0 + 3, t0 + 2, t0 + 1, t0);
        __m256i least = none;
        const std::uint8_t* block = data + static_cast<std::size_t>(b) * blockBytes;
        const std::int64_t* price = pass.price + t0;
        for (; b < end; b += step, block += blockBytes * step, price += 4 * step) {
            __m256i d = blockSad(block, pattern, groups);
            if (faces == 2) {
                // The nearer face; the mirror only when strictly nearer, which is the same distance.
                const __m256i mirror = blockSad(block + groups * 32, pattern, groups);
                d = _mm256_blendv_epi8(d, mirror, _mm256_cmpgt_epi64(d, mirror));
            }
            const __m256i v = _mm256_add_epi64(_mm256_mul_epu32(d, scale),
                                               _mm256_loadu_si256(reinterpret_cast<const __m256i*>(price)));
            least = _mm256_blendv_epi8(least, v, _mm256_cmpgt_epi64(least, v));
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
        if (whole) {
            alignas(32) std::int64_t lanes[4];
            _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), least);
            floor[g] = floorOf(std::min(std::min(lanes[0], lanes[1]), std::min(lanes[2], lanes[3])), shift);
        }
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
    if (skipped < out.above) out.above = skipped, out.aboveTile = -1;
}

}  // namespace

void RgbTileBlocks::pass(const std::uint8_t* cell, int firstBlock, int lastBlock, int step, const PricedPass& pass,
                         PricedTiles& out) const {
    const bool boxes = !m_low.empty();
    blockPass(m_data.data(), m_faces, m_groups, boxes ? m_low.data() : nullptr, boxes ? m_high.data() : nullptr, cell,
              firstBlock, lastBlock, step, pass, out);
}

#else

bool RgbTileBlocks::available() { return false; }
void RgbTileBlocks::pass(const std::uint8_t*, int, int, int, const PricedPass&, PricedTiles&) const {}

#endif

}  // namespace tx
