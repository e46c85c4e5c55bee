#pragma once
// The tile choice's measure for even tile use: the city-block distance over the
// matrX x matrY samples (sum of the absolute red, green and blue differences),
// without the reject threshold. Samples are kept padded to 16-byte vectors
// (padding 0 on both sides, so it adds nothing) for SIMD sums of differences.
//
// With mirrored tiles a tile is one tile with two faces: its distance to a cell
// is the nearer face's (the original on a tie), and mirrored() says which.

#include <cstdint>
#include <vector>

#include "library/ColourDatabase.h"
#include "mosaic/EvenTileUse.h"
#include "mosaic/RgbTileBlocks.h"
#include "support/Picture.h"

namespace tx {

class RgbPairDistance final : public PairDistance {
public:
    // cellSamples: cells x samples (red, green, blue) bytes; tileSamples likewise.
    // mirrorColumns > 0: the tiles also take part mirrored, their samples being
    // rows of mirrorColumns (matrX).
    RgbPairDistance(const std::uint8_t* cellSamples, int cells, const std::uint8_t* tileSamples, int tiles, int samples,
                    int mirrorColumns = 0);
    // The cells of the scan picture, row by row, and tiles 1..tileCount of the table.
    static RgbPairDistance fromScan(const Picture& scan, int cellsX, int cellsY, const TileColourTable& table,
                                    int tileCount, bool mirror = false);

    int cellCount() const override { return m_cells; }
    int tileCount() const override { return m_tiles; }
    std::int64_t distance(int cell, int tile) const override;
    std::int64_t maxDistance() const override { return 765 * std::int64_t{m_samples}; }
    void nearest(int cell, int k, std::vector<TileDistance>& out) const override;
    void below(int cell, const int* tiles, const std::int64_t* limits, int count, std::int64_t offset,
               std::vector<TileDistance>& out) const override;
    void distancesTo(int cell, int begin, int end, std::int64_t* out) const override;
    void pricedPass(int cell, int begin, int end, const PricedPass& pass, PricedTiles& out) const override;
    void pricedSample(int cell, int step, const PricedPass& pass, PricedTiles& out) const override;
    bool mirrored(int cell, int tile) const override;
    bool skipsGroups() const override { return m_hasBlocks && m_blocks.skipsGroups(); }
    void tileKeys(int tile, std::int64_t* keys) const override { sumKeys(faceAt(tile, 0), m_stride, keys); }
    std::unique_ptr<PairDistance> grouped(std::vector<int>& order) const override;

private:
    std::int64_t bounded(const std::uint8_t* cell, int tile, std::int64_t bound) const;
    const std::uint8_t* cellAt(int c) const { return m_cellData.data() + static_cast<std::size_t>(c) * m_stride; }
    const std::uint8_t* faceAt(int t, int face) const {
        return m_tileData.data() + (static_cast<std::size_t>(t) * m_faces + face) * m_stride;
    }

    int m_cells = 0;
    int m_tiles = 0;
    int m_samples = 0;
    int m_faces = 1;   // 2 with mirrored tiles
    int m_stride = 0;  // bytes per padded sample set, a multiple of 16
    std::vector<std::uint8_t> m_cellData;
    std::vector<std::uint8_t> m_tileData;
    bool m_hasBlocks = false;  // the priced pass runs on m_blocks
    RgbTileBlocks m_blocks;
};

}  // namespace tx
