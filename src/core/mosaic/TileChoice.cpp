#include "mosaic/TileChoice.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "mosaic/CandidateBatches.h"
#include "mosaic/SourcePreparation.h"
#include "mosaic/SquareSet.h"
#include "support/FileHelpers.h"
#include "support/Parallel.h"

namespace tx {

namespace {

bool keepGoing(const TileChoiceHooks& hooks) { return !hooks.running || hooks.running(); }
bool afterCell(const TileChoiceHooks& hooks, int x, int y) { return !hooks.cellDone || hooks.cellDone(x, y); }

// Visits the cells in the order of the choice: the order table, or row by row.
struct CellOrder {
    const TileChoiceInput& in;
    std::int64_t count() const { return static_cast<std::int64_t>(in.cellsX) * in.cellsY; }
    void at(std::int64_t k, int& x, int& y) const {
        if (in.order) {
            const OrderRecord& r = (*in.order)[static_cast<std::size_t>(k)];
            x = r.x;
            y = r.y;
        } else {
            x = static_cast<int>(k % in.cellsX);
            y = static_cast<int>(k / in.cellsX);
        }
    }
};

bool validInput(const TileChoiceInput& in, const Plan& plan) {
    if (!in.scan || !in.tiles || in.cellsX <= 0 || in.cellsY <= 0 || in.matrX <= 0 || in.matrY <= 0) return false;
    if (in.tileCount <= 0 || in.tileCount > 32767 || in.tileCount > in.tiles->tiles) return false;
    if (in.tiles->matrX != in.matrX || in.tiles->matrY != in.matrY) return false;
    if (plan.cellsX() != in.cellsX || plan.cellsY() != in.cellsY) return false;
    if (in.order) {
        if (static_cast<std::int64_t>(in.order->size()) != static_cast<std::int64_t>(in.cellsX) * in.cellsY)
            return false;
        for (const OrderRecord& r : *in.order)
            if (r.x < 0 || r.x >= in.cellsX || r.y < 0 || r.y >= in.cellsY) return false;
    }
    return true;
}

// MaxDistance: 765 for every sample, the largest distance there can be.
std::uint32_t maxDistanceOf(int matrX, int matrY) { return 765u * static_cast<std::uint32_t>(matrX * matrY); }

// Channel sums of a cell or tile over all its samples. The distance is never
// below the distance of the sums: sum |a - b| >= |sum a - sum b| per channel.
struct Sums {
    std::int32_t r = 0, g = 0, b = 0;
};

Sums sumsOf(const std::uint8_t* bytes, int samples) {
    Sums s;
    for (int k = 0; k < samples; ++k) {
        s.r += bytes[3 * k];
        s.g += bytes[3 * k + 1];
        s.b += bytes[3 * k + 2];
    }
    return s;
}

// The tiles in a grid of buckets over their channel sums, each tile padded to a
// whole number of 16-byte vectors (padding is 0 in tiles and cells alike, so it
// adds no distance). A search visits the buckets nearest to the cell first and
// skips every bucket and tile whose sums alone are already too far.
class TileIndex {
public:
    int samples = 0;
    int stride = 0;  // bytes of a tile rounded up to 16
    int vectors = 0;
    int count = 0;

    TileIndex(const TileColourTable& table, int tileCount, int matrX, int matrY) {
        samples = matrX * matrY;
        const int bytes = samples * 3;
        stride = (bytes + 15) / 16 * 16;
        vectors = stride / 16;
        count = tileCount;
        m_grid = std::clamp(static_cast<int>(std::cbrt(tileCount / 4.0)), 1, kMostGrid);
        const std::int32_t top = 255 * samples;
        m_lo.assign(static_cast<std::size_t>(m_grid), top + 1);
        m_hi.assign(static_cast<std::size_t>(m_grid), -1);
        for (std::int32_t v = 0; v <= top; ++v) {
            const int i = slot(v);
            m_lo[static_cast<std::size_t>(i)] = std::min(m_lo[static_cast<std::size_t>(i)], v);
            m_hi[static_cast<std::size_t>(i)] = std::max(m_hi[static_cast<std::size_t>(i)], v);
        }

        const int buckets = m_grid * m_grid * m_grid;
        std::vector<std::pair<int, int>> order;  // (bucket, tile)
        order.reserve(static_cast<std::size_t>(tileCount));
        for (int t = 1; t <= tileCount; ++t) {
            const Sums s = sumsOf(table.tile(t), samples);
            order.emplace_back((slot(s.r) * m_grid + slot(s.g)) * m_grid + slot(s.b), t);
        }
        std::sort(order.begin(), order.end());
        m_start.assign(static_cast<std::size_t>(buckets) + 1, 0);
        m_data.assign(static_cast<std::size_t>(stride) * tileCount + 16, 0);
        for (int p = 0; p < tileCount; ++p) {
            const auto [bucket, t] = order[static_cast<std::size_t>(p)];
            ++m_start[static_cast<std::size_t>(bucket) + 1];
            std::memcpy(m_data.data() + static_cast<std::size_t>(p) * stride, table.tile(t), bytes);
            m_sums.push_back(sumsOf(table.tile(t), samples));
            m_tileAt.push_back(static_cast<std::int16_t>(t));
        }
        for (int k = 0; k < buckets; ++k) m_start[static_cast<std::size_t>(k) + 1] += m_start[static_cast<std::size_t>(k)];
    }

    const std::uint8_t* tile(int position) const { return m_data.data() + static_cast<std::size_t>(position) * stride; }
    int tileAt(int position) const { return m_tileAt[static_cast<std::size_t>(position)]; }

    // Calls visit(position, bound) for every tile that may lie within `bound`
    // of the cell and within the threshold in every channel sum; visit may lower
    // `bound`. Tiles whose sums alone are further than `bound` are skipped.
    template <class Visit>
    void search(const Sums& c, std::uint32_t& bound, Visit&& visit) const {
        const std::int32_t channelLimit = kRejectThreshold * samples;
        std::int32_t dist[3][kMostGrid];
        int order[3][kMostGrid];
        const std::int32_t value[3] = {c.r, c.g, c.b};
        for (int a = 0; a < 3; ++a) {
            for (int i = 0; i < m_grid; ++i) {
                dist[a][i] = std::max({0, m_lo[static_cast<std::size_t>(i)] - value[a], value[a] - m_hi[static_cast<std::size_t>(i)]});
                order[a][i] = i;
            }
            // Nearest buckets first along each axis (a handful of entries).
            for (int i = 1; i < m_grid; ++i)
                for (int j = i; j > 0 && dist[a][order[a][j]] < dist[a][order[a][j - 1]]; --j)
                    std::swap(order[a][j], order[a][j - 1]);
        }
        auto over = [&](std::int64_t lowerBound) { return lowerBound > static_cast<std::int64_t>(bound); };
        for (int ia = 0; ia < m_grid; ++ia) {
            const int i = order[0][ia];
            const std::int32_t d0 = dist[0][i];
            if (d0 > channelLimit || over(d0)) break;
            for (int ja = 0; ja < m_grid; ++ja) {
                const int j = order[1][ja];
                const std::int32_t d1 = dist[1][j];
                if (d1 > channelLimit || over(std::int64_t(d0) + d1)) break;
                for (int ka = 0; ka < m_grid; ++ka) {
                    const int k = order[2][ka];
                    const std::int32_t d2 = dist[2][k];
                    if (d2 > channelLimit || over(std::int64_t(d0) + d1 + d2)) break;
                    const std::size_t bucket = (static_cast<std::size_t>(i) * m_grid + j) * m_grid + k;
                    for (int p = m_start[bucket]; p < m_start[bucket + 1]; ++p) {
                        const Sums& s = m_sums[static_cast<std::size_t>(p)];
                        const std::int32_t dr = std::abs(c.r - s.r), dg = std::abs(c.g - s.g), db = std::abs(c.b - s.b);
                        if (dr > channelLimit || dg > channelLimit || db > channelLimit) continue;
                        if (over(std::int64_t(dr) + dg + db)) continue;
                        visit(p, bound);
                    }
                }
            }
        }
    }

private:
    static constexpr int kMostGrid = 16;
    int slot(std::int32_t v) const {
        return static_cast<int>(static_cast<std::int64_t>(v) * m_grid / (255 * static_cast<std::int64_t>(samples) + 1));
    }

    int m_grid = 1;
    std::vector<std::int32_t> m_lo, m_hi;  // sum range of each grid slot
    std::vector<int> m_start;              // first position of each bucket
    std::vector<std::uint8_t> m_data;      // by position
    std::vector<Sums> m_sums;              // by position
    std::vector<std::int16_t> m_tileAt;    // tile number at each position
};

// First-pass candidates kept per cell.
constexpr int kKeptCandidates = 4;

// A candidate: distance in the high bits, tile number in the low 16, so that
// ordering keys orders by (distance, tile).
using Key = std::uint64_t;
constexpr Key makeKey(std::uint32_t d, int t) { return (static_cast<Key>(d) << 16) | static_cast<Key>(t); }
constexpr int keyTile(Key k) { return static_cast<int>(k & 0xFFFF); }
constexpr std::uint32_t keyDistance(Key k) { return static_cast<std::uint32_t>(k >> 16); }

// Distance of the padded cell to the padded tile, or false when a channel
// differs by more than the threshold or the running sum exceeds `bound`.
inline bool passingDistance(const std::uint8_t* cell, const std::uint8_t* tile, int vectors, std::uint32_t bound,
                            std::uint32_t& distance) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i limit = _mm_set1_epi8(static_cast<char>(kRejectThreshold));
    __m128i acc = zero;
    for (int v = 0; v < vectors; ++v) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cell) + v);
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(tile) + v);
        const __m128i diff = _mm_or_si128(_mm_subs_epu8(a, b), _mm_subs_epu8(b, a));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_subs_epu8(diff, limit), zero)) != 0xFFFF) return false;
        acc = _mm_add_epi64(acc, _mm_sad_epu8(a, b));
        if ((v & 3) == 3) {
            const std::uint32_t partial = static_cast<std::uint32_t>(_mm_cvtsi128_si32(acc)) +
                                          static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(acc, 8)));
            if (partial > bound) return false;
        }
    }
    distance = static_cast<std::uint32_t>(_mm_cvtsi128_si32(acc)) +
               static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(acc, 8)));
    return distance <= bound;
#else
    std::uint32_t sum = 0;
    for (int v = 0; v < vectors; ++v) {
        for (int k = 0; k < 16; ++k) {
            const int d = std::abs(int(cell[v * 16 + k]) - int(tile[v * 16 + k]));
            if (d > kRejectThreshold) return false;
            sum += static_cast<std::uint32_t>(d);
        }
        if (sum > bound) return false;
    }
    distance = sum;
    return true;
#endif
}

// Full distance without threshold or bound.
inline std::uint32_t fullDistance(const std::uint8_t* cell, const std::uint8_t* tile, int vectors) {
#if defined(__SSE2__)
    __m128i acc = _mm_setzero_si128();
    for (int v = 0; v < vectors; ++v) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cell) + v);
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(tile) + v);
        acc = _mm_add_epi64(acc, _mm_sad_epu8(a, b));
    }
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(acc)) +
           static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(acc, 8)));
#else
    std::uint32_t sum = 0;
    for (int k = 0; k < vectors * 16; ++k) sum += static_cast<std::uint32_t>(std::abs(int(cell[k]) - int(tile[k])));
    return sum;
#endif
}

// The first-pass candidates of one cell: the (up to) `limit` smallest keys
// (distance, tile) among the tiles within the threshold, sorted. Returns how many.
// `out` has room for 2 * limit keys: candidates are appended and cut back to the
// best `limit` whenever the room is full, which tightens the bound.
int collectCandidates(const std::uint8_t* cell, const TileIndex& index, int limit, Key* out) {
    // A tile within the threshold is at most this far; later the worst kept distance.
    std::uint32_t bound = static_cast<std::uint32_t>(3 * kRejectThreshold * index.samples);
    const int room = 2 * limit;
    int n = 0;
    Key worst = 0;
    index.search(sumsOf(cell, index.samples), bound, [&](int p, std::uint32_t& b) {
        std::uint32_t d = 0;
        if (!passingDistance(cell, index.tile(p), index.vectors, b, d)) return;
        const Key key = makeKey(d, index.tileAt(p));
        if (n < limit) {
            out[n++] = key;
            worst = std::max(worst, key);
            if (n == limit) b = keyDistance(worst);
        } else if (key < worst) {
            out[n++] = key;
            if (n == room) {
                std::nth_element(out, out + limit - 1, out + n);
                n = limit;
                worst = out[limit - 1];
                b = keyDistance(worst);
            }
        }
    });
    if (n > limit) {
        std::nth_element(out, out + limit - 1, out + n);
        n = limit;
    }
    std::sort(out, out + n);
    return n;
}

// The best tile within the threshold that `excluded` does not rule out, or 0.
template <class Excluded>
int bestPassing(const std::uint8_t* cell, const TileIndex& index, Excluded&& excluded) {
    std::uint32_t bound = static_cast<std::uint32_t>(3 * kRejectThreshold * index.samples);
    Key best = std::numeric_limits<Key>::max();
    index.search(sumsOf(cell, index.samples), bound, [&](int p, std::uint32_t& b) {
        const int t = index.tileAt(p);
        if (excluded(t)) return;
        std::uint32_t d = 0;
        if (!passingDistance(cell, index.tile(p), index.vectors, b, d)) return;
        const Key key = makeKey(d, t);
        if (key < best) {
            best = key;
            b = d;
        }
    });
    return best == std::numeric_limits<Key>::max() ? 0 : keyTile(best);
}

}  // namespace

bool chooseTilesReference(const TileChoiceInput& in, Plan& plan, const TileChoiceHooks& hooks) {
    if (!validInput(in, plan)) return false;
    const int mx = in.matrX, my = in.matrY;
    double maxDistance = 0;
    for (int s = 0; s < mx * my; ++s) maxDistance += 765;
    std::vector<std::uint8_t> cell(static_cast<std::size_t>(mx) * my * 3);

    auto inSquare = [&](int x, int y, int r, int t) {
        for (int yy = std::max(0, y - r); yy <= std::min(in.cellsY, y + r); ++yy)
            for (int xx = std::max(0, x - r); xx <= std::min(in.cellsX, x + r); ++xx)
                if (plan.at(xx, yy) == t) return true;
        return false;
    };

    const CellOrder order{in};
    for (std::int64_t k = 0; k < order.count(); ++k) {
        int x = 0, y = 0;
        order.at(k, x, y);
        sampleCell(*in.scan, x, y, mx, my, cell.data());
        int bestTile = 1;
        double bestDistance = maxDistance;
        int radius = in.distance;
        for (;;) {
            for (int t = 1; t <= in.tileCount; ++t) {
                double current = 0;
                bool rejected = false;
                for (int i = 0; i < mx && !rejected; ++i)
                    for (int j = 0; j < my; ++j) {
                        const std::uint8_t* a = in.tiles->cell(t, i, j);
                        const std::uint8_t* b = cell.data() + (static_cast<std::size_t>(j) * mx + i) * 3;
                        const int dr = std::abs(a[0] - b[0]);
                        const int dg = std::abs(a[1] - b[1]);
                        const int db = std::abs(a[2] - b[2]);
                        if (radius == in.distance &&
                            (dr > kRejectThreshold || dg > kRejectThreshold || db > kRejectThreshold)) {
                            rejected = true;
                            break;
                        }
                        current += dr + dg + db;
                    }
                if (rejected) continue;
                if (current < bestDistance) {
                    if (radius > 0 && inSquare(x, y, radius, t)) continue;
                    bestDistance = current;
                    bestTile = t;
                }
            }
            if (bestDistance != maxDistance) break;
            --radius;
            if (radius < 0) {
                bestTile = RandomInt(1, in.tileCount);
                break;
            }
        }
        plan.set(x, y, static_cast<std::int16_t>(bestTile));
        if (!afterCell(hooks, x, y) || !keepGoing(hooks)) return false;
    }
    return true;
}

bool chooseTiles(const TileChoiceInput& in, Plan& plan, const TileChoiceHooks& hooks) {
    if (!validInput(in, plan)) return false;
    const int mx = in.matrX, my = in.matrY;
    const std::uint32_t maxDistance = maxDistanceOf(mx, my);
    const TileIndex tiles(*in.tiles, in.tileCount, mx, my);

    // The square holds at most (2r + 1)^2 - 1 other tiles, so with that many
    // candidates kept one of them always survives the square check. Usually far
    // fewer are excluded: keep a few, and search again (knowing the square) for
    // the rare cell whose kept candidates are all excluded.
    const std::int64_t side = 2 * static_cast<std::int64_t>(std::max(0, in.distance)) + 1;
    const int enough = static_cast<int>(std::min<std::int64_t>(side * side, in.tileCount));
    const int limit = std::min(enough, in.keptCandidates > 0 ? in.keptCandidates : kKeptCandidates);
    const std::int64_t batch = std::clamp<std::int64_t>((1 << 21) / limit, 16, 1024);

    const CellOrder order{in};
    const std::int64_t cells = order.count();
    std::vector<std::uint8_t> cell(static_cast<std::size_t>(tiles.stride) + 16, 0);
    std::vector<std::uint32_t> distances;
    SquareSet square(in.tileCount);

    // A cell whose first pass accepts nothing: the narrower squares without the
    // threshold, then a random tile.
    auto relax = [&](int x, int y) {
        sampleCell(*in.scan, x, y, mx, my, cell.data());
        distances.resize(static_cast<std::size_t>(in.tileCount) + 1);
        for (int p = 0; p < in.tileCount; ++p)
            distances[static_cast<std::size_t>(tiles.tileAt(p))] =
                fullDistance(cell.data(), tiles.tile(p), tiles.vectors);
        for (int r = in.distance - 1; r >= 0; --r) {
            if (r > 0) square.gather(plan, x, y, r);
            Key best = makeKey(maxDistance, 0);
            for (int t = 1; t <= in.tileCount; ++t) {
                const Key key = makeKey(distances[t], t);
                if (key < best && (r == 0 || !square.contains(t))) best = key;
            }
            if (keyDistance(best) < maxDistance) return keyTile(best);
        }
        return RandomInt(1, in.tileCount);
    };

    // Each worker samples into a buffer of its own.
    auto makeCollector = [&] {
        return [&, sample = std::vector<std::uint8_t>(static_cast<std::size_t>(tiles.stride) + 16, 0)](
                   std::int64_t k, Key* out) mutable {
            int x = 0, y = 0;
            order.at(k, x, y);
            sampleCell(*in.scan, x, y, mx, my, sample.data());
            return collectCandidates(sample.data(), tiles, limit, out);
        };
    };

    // Decides the cells of a batch in order against Plan.
    auto walk = [&](const CandidateBatch& b) {
        for (std::int64_t i = 0; i < b.size; ++i) {
            int x = 0, y = 0;
            order.at(b.first + i, x, y);
            const Key* list = b.keysOf(i);
            const int count = b.countOf(i);
            int chosen = 0;
            if (in.distance > 0 && count > 0) square.gather(plan, x, y, in.distance);
            for (int c = 0; c < count; ++c) {
                const int t = keyTile(list[c]);
                if (in.distance == 0 || !square.contains(t)) {
                    chosen = t;
                    break;
                }
            }
            if (chosen == 0 && count == limit && limit < enough) {
                sampleCell(*in.scan, x, y, mx, my, cell.data());
                chosen = bestPassing(cell.data(), tiles, [&](int t) { return square.contains(t); });
            }
            if (chosen == 0) chosen = relax(x, y);
            plan.set(x, y, static_cast<std::int16_t>(chosen));
            if (!afterCell(hooks, x, y) || !keepGoing(hooks)) return false;
        }
        return true;
    };

    return runCandidateBatches(cells, batch, limit * 2, makeCollector, walk, [&] { return keepGoing(hooks); });
}

PreviewLayout PreparePreview(Picture& preview, int cellsAcross, int cellsDown, int tileWidth, int tileHeight) {
    PreviewLayout l;
    const int W = preview.width();
    const int H = preview.height();
    preview.fill(kPreviewBackground);
    if (W <= 0 || H <= 0 || cellsAcross <= 0 || cellsDown <= 0 || tileWidth <= 0 || tileHeight <= 0) return l;
    const int C = cellsAcross, R = cellsDown;
    l.cellWidth = W / C;
    l.cellHeight = H / R;
    const double q = (double(C) * tileWidth) / (double(R) * tileHeight);
    const double p = double(W) / double(H);
    if (q < p)
        l.cellWidth = static_cast<int>(std::floor(H * q / C));
    else if (q > p)
        l.cellHeight = static_cast<int>(std::floor(W / q / R));
    if (l.cellWidth == 0) l.cellWidth = 1;
    if (l.cellHeight == 0) l.cellHeight = 1;
    l.offsetX = static_cast<int>(std::floor((W - double(l.cellWidth) * C) / 2));
    l.offsetY = static_cast<int>(std::floor((H - double(l.cellHeight) * R) / 2));
    const Colour black = rgb(0, 0, 0);
    for (int r = 1; r <= R - 1; ++r) {
        const int y = l.offsetY + r * l.cellHeight;
        preview.drawLine(l.offsetX, y, l.offsetX + C * l.cellWidth, y, black);
    }
    for (int c = 1; c <= C - 1; ++c) {
        const int x = l.offsetX + c * l.cellWidth;
        preview.drawLine(x, l.offsetY, x, l.offsetY + R * l.cellHeight, black);
    }
    return l;
}

void drawPreviewCell(Picture& preview, const PreviewLayout& layout, int x, int y, Colour colour) {
    preview.fillRect({layout.offsetX + x * layout.cellWidth, layout.offsetY + y * layout.cellHeight, layout.cellWidth,
                      layout.cellHeight},
                     colour);
}

}  // namespace tx
