#pragma once
// The RGB measure's priced pass with AVX2 (chosen at run time): tiles in blocks
// of four, each block's samples interleaved by 8-byte groups, so that one
// 256-bit sum of absolute differences adds a group of all four tiles at once
// and the four distances come out in 64-bit lanes, ready to be priced.

#include <cstdint>
#include <vector>

#include "mosaic/PricedPass.h"

namespace tx {

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
};

}  // namespace tx
