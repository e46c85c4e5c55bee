#include "mosaic/PricedPass.h"

#include <algorithm>

#include "mosaic/EvenTileUse.h"

namespace tx {

void PairDistance::pricedPass(int cell, int begin, int end, const PricedPass& pass, PricedTiles& out) const {
    constexpr int kRun = 256;
    std::int64_t distances[kRun];
    for (int from = begin; from < end; from += kRun) {
        const int to = std::min(end, from + kRun);
        distancesTo(cell, from, to, distances);
        for (int t = from; t < to; ++t) {
            const std::int64_t d = distances[t - from];
            out.offer(t, d, d * pass.scale + pass.price[t], pass.cap);
        }
    }
}

void PairDistance::pricedSample(int cell, int step, const PricedPass& pass, PricedTiles& out) const {
    const int tiles = tileCount();
    for (int t = 0; t + kPricedBlock <= tiles; t += step * kPricedBlock) pricedPass(cell, t, t + kPricedBlock, pass, out);
}

}  // namespace tx
