#include "mosaic/TileGroupOrder.h"

#include <algorithm>
#include <numeric>

namespace tx {

namespace {

struct Splitter {
    const std::uint8_t* samples;
    int step, bytes, groupSize;

    int byteOf(int tile, int i) const { return samples[static_cast<std::size_t>(tile) * step + i]; }

    void split(int* begin, int* end) const {
        const int n = static_cast<int>(end - begin);
        if (n <= groupSize) return;
        // The byte with the largest variance over this part.
        int widest = 0;
        double most = -1;
        for (int i = 0; i < bytes; ++i) {
            double sum = 0, squares = 0;
            for (const int* t = begin; t != end; ++t) {
                const double v = byteOf(*t, i);
                sum += v, squares += v * v;
            }
            const double variance = squares - sum * sum / n;
            if (variance > most) most = variance, widest = i;
        }
        const int groups = (n + groupSize - 1) / groupSize;
        int* mid = begin + (groups / 2) * groupSize;
        std::nth_element(begin, mid, end, [&](int a, int b) {
            const int va = byteOf(a, widest), vb = byteOf(b, widest);
            return va != vb ? va < vb : a < b;
        });
        split(begin, mid);
        split(mid, end);
    }
};

}  // namespace

std::vector<int> groupedTileOrder(const std::uint8_t* samples, int tiles, int step, int bytes, int groupSize) {
    std::vector<int> order(static_cast<std::size_t>(std::max(0, tiles)));
    std::iota(order.begin(), order.end(), 0);
    if (groupSize > 0 && tiles > 0) Splitter{samples, step, bytes, groupSize}.split(order.data(), order.data() + tiles);
    return order;
}

}  // namespace tx
