#pragma once
// The perceptual measure for even tile use: the sum over the matrX x matrY
// samples of the CIE76 colour difference in CIELAB, in whole units of 1/256 of
// a difference so that the flow network has integer costs. The sum is taken in
// float, four samples at a time, in one fixed order, so a bounded pass that
// stops early never changes a distance it reports.
//
// With mirrored tiles a tile's distance is its nearer face's, as in RgbPairDistance.

#include <cstdint>
#include <vector>

#include "library/ColourDatabase.h"
#include "mosaic/EvenTileUse.h"
#include "support/Picture.h"

namespace tx {

inline constexpr int kLabUnitsPerDeltaE = 256;

class LabPairDistance final : public PairDistance {
public:
    // As RgbPairDistance: sRGB samples, converted here.
    LabPairDistance(const std::uint8_t* cellSamples, int cells, const std::uint8_t* tileSamples, int tiles, int samples,
                    int mirrorColumns = 0);
    static LabPairDistance fromScan(const Picture& scan, int cellsX, int cellsY, const TileColourTable& table,
                                    int tileCount, bool mirror = false);

    int cellCount() const override { return m_cells; }
    int tileCount() const override { return m_tiles; }
    std::int64_t distance(int cell, int tile) const override;
    std::int64_t maxDistance() const override;
    void nearest(int cell, int k, std::vector<TileDistance>& out) const override;
    void below(int cell, const int* tiles, const std::int64_t* limits, int count, std::int64_t offset,
               std::vector<TileDistance>& out) const override;
    void distancesTo(int cell, int begin, int end, std::int64_t* out) const override;
    bool mirrored(int cell, int tile) const override;

private:
    std::int64_t faceDistance(const float* cell, const float* face, std::int64_t bound) const;
    std::int64_t bounded(const float* cell, int tile, std::int64_t bound) const;
    const float* cellAt(int c) const { return m_cellData.data() + static_cast<std::size_t>(c) * m_stride; }
    const float* faceAt(int t, int face) const {
        return m_tileData.data() + (static_cast<std::size_t>(t) * m_faces + face) * m_stride;
    }

    int m_cells = 0;
    int m_tiles = 0;
    int m_samples = 0;
    int m_faces = 1;
    int m_blocks = 0;  // of four samples: L[4], a[4], b[4]
    int m_stride = 0;  // floats per sample set, 12 a block
    std::vector<float> m_cellData;
    std::vector<float> m_tileData;
};

}  // namespace tx
