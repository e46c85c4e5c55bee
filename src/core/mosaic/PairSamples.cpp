#include "mosaic/PairSamples.h"

#include <cstring>

#include "mosaic/MirroredTiles.h"
#include "mosaic/SourcePreparation.h"

namespace tx {

std::vector<std::uint8_t> scanCellSamples(const Picture& scan, int cellsX, int cellsY, int matrX, int matrY) {
    const std::size_t bytes = static_cast<std::size_t>(matrX) * matrY * 3;
    std::vector<std::uint8_t> cells(static_cast<std::size_t>(cellsX) * cellsY * bytes);
    for (int y = 0; y < cellsY; ++y)
        for (int x = 0; x < cellsX; ++x)
            sampleCell(scan, x, y, matrX, matrY, cells.data() + (static_cast<std::size_t>(y) * cellsX + x) * bytes);
    return cells;
}

std::vector<std::uint8_t> tileVariants(const std::uint8_t* tileSamples, int tiles, int samples, int mirrorColumns) {
    const std::size_t bytes = static_cast<std::size_t>(samples) * 3;
    if (mirrorColumns <= 0) return std::vector<std::uint8_t>(tileSamples, tileSamples + bytes * tiles);
    std::vector<std::uint8_t> out(bytes * tiles * 2);
    for (int t = 0; t < tiles; ++t) {
        std::uint8_t* original = out.data() + bytes * 2 * t;
        std::memcpy(original, tileSamples + bytes * t, bytes);
        mirrorSamples(original, mirrorColumns, samples / mirrorColumns, original + bytes);
    }
    return out;
}

}  // namespace tx
