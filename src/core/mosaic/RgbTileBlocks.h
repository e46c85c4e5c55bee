#pragma once
// The RGB measure's priced pass with AVX2 (chosen at run time): tiles in blocks
// of four, each block's samples interleaved by 8-byte groups, so that one
// 256-bit sum of absolute differences adds a group of all four tiles at once
// and the four distances come out in 64-bit lanes, ready to be priced.

#include <cstdint>
#include <vector>

#include "mosaic/PricedPass.h"

namespace tx {

// The keys of the RGB measure: with the sums of a sample set's red, green and
// blue bytes, key k is the sum of them signed by bits 0, 1 and 2 of k (a set
// bit subtracts). No sample's difference exceeds its absolute value, so the
// city-block distance of two sets is at least the difference of their keys
// (a mirrored face has the same sums).
void sumKeys(const std::uint8_t* samples, int bytes, std::int64_t* keys);

class RgbTileBlocks {
public:
    static constexpr int kWidth = kPricedBlock;  // tiles per block
    static constexpr int kMaxGroups = 64;  // 8-byte groups of a sample set

    RgbTileBlocks() = default;
    // faceData: per tile `faces` sample sets of `stride` bytes (a multiple of
    // 16, zero padded), tile after tile.
    RgbTileBlocks(const std::uint8_t* faceData, int tiles, int faces, int stride);

    // Whether this machine runs the pass (x86 with AVX2).
    static bool available();
    // Whether the pass skips groups of kPricedGroup tiles when given their
    // prices: each group has a box of its samples (least and greatest byte of
    // every face), and no tile is nearer a cell than the box.
    bool skipsGroups() const { return !m_low.empty(); }
    // Whether pass() takes a pass with this scale (it multiplies 32 bits by 32).
    static bool takes(const PricedPass& pass) { return pass.scale > 0 && pass.scale <= 0xFFFFFFFFll; }

    // The priced pass over blocks firstBlock, firstBlock + step, .. below
    // lastBlock (block b holds tiles 4 b ..), appended to out; cell is a padded
    // sample set of `stride` bytes.
    void pass(const std::uint8_t* cell, int firstBlock, int lastBlock, int step, const PricedPass& pass,
              PricedTiles& out) const;

private:
    int m_faces = 1;
    int m_groups = 0;  // 8-byte groups per sample set
    std::vector<std::uint8_t> m_data;
    std::vector<std::uint8_t> m_low, m_high;  // per tile group, a sample set each
};

}  // namespace tx
