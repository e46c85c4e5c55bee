#include "mosaic/MatchingChoice.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "mosaic/CandidateBatches.h"
#include "mosaic/LabColour.h"
#include "mosaic/SourcePreparation.h"
#include "mosaic/SquareSet.h"
#include "support/FileHelpers.h"
#include "support/Parallel.h"

namespace tx {

namespace {

constexpr float kNoBound = std::numeric_limits<float>::infinity();

bool keepGoing(const TileChoiceHooks& hooks) { return !hooks.running || hooks.running(); }
bool afterCell(const TileChoiceHooks& hooks, int x, int y) { return !hooks.cellDone || hooks.cellDone(x, y); }

bool validInput(const TileChoiceInput& in, const Plan& plan, const MirrorPlan* mirrored) {
    if (!in.scan || !in.tiles || in.cellsX <= 0 || in.cellsY <= 0 || in.matrX <= 0 || in.matrY <= 0) return false;
    if (in.tileCount <= 0 || in.tileCount > 32767 || in.tileCount > in.tiles->tiles) return false;
    if (in.tiles->matrX != in.matrX || in.tiles->matrY != in.matrY) return false;
    if (plan.cellsX() != in.cellsX || plan.cellsY() != in.cellsY) return false;
    if (mirrored && (mirrored->cellsX() != in.cellsX || mirrored->cellsY() != in.cellsY)) return false;
    if (in.order) {
        if (static_cast<std::int64_t>(in.order->size()) != static_cast<std::int64_t>(in.cellsX) * in.cellsY)
            return false;
        for (const OrderRecord& r : *in.order)
            if (r.x < 0 || r.x >= in.cellsX || r.y < 0 || r.y >= in.cellsY) return false;
    }
    return true;
}

void cellAt(const TileChoiceInput& in, std::int64_t k, int& x, int& y) {
    if (in.order) {
        const OrderRecord& r = (*in.order)[static_cast<std::size_t>(k)];
        x = r.x;
        y = r.y;
    } else {
        x = static_cast<int>(k % in.cellsX);
        y = static_cast<int>(k / in.cellsX);
    }
}

// Samples as floats, one plane per channel (R, G, B or L, a, b), each padded with
// zeros to a multiple of 4 samples so that four samples go in one vector; the
// padding is zero in cells and tiles alike and adds nothing to a distance.
struct Layout {
    int samples = 0;
    int padded = 0;
    bool perceptual = false;
    int floats() const { return 3 * padded; }
};

void toPlanes(const Layout& l, const std::uint8_t* rgb, float* out) {
    std::fill(out, out + l.floats(), 0.0f);
    for (int k = 0; k < l.samples; ++k) {
        const std::uint8_t* p = rgb + 3 * k;
        if (l.perceptual) {
            const Lab c = labFromSrgb(p[0], p[1], p[2]);
            out[k] = c.L;
            out[l.padded + k] = c.a;
            out[2 * l.padded + k] = c.b;
        } else {
            out[k] = p[0];
            out[l.padded + k] = p[1];
            out[2 * l.padded + k] = p[2];
        }
    }
}

// Sum of each plane, for the lower bound.
void planeSums(const Layout& l, const float* planes, double* sums) {
    for (int c = 0; c < 3; ++c) {
        double s = 0;
        for (int k = 0; k < l.samples; ++k) s += planes[c * l.padded + k];
        sums[c] = s;
    }
}

// A lower bound of the distance of two sample sets from the (non-negative)
// differences of their channel sums: the norm is convex, so sum |c_k - t_k| >=
// |sum c_k - sum t_k| (Euclidean in Lab, city-block in RGB), and a smaller
// difference per channel gives a smaller bound. Shrunk a little so that float
// rounding of the distance cannot fall below it.
float boundOf(bool perceptual, double d0, double d1, double d2) {
    const double d = perceptual ? std::sqrt(d0 * d0 + d1 * d1 + d2 * d2) : d0 + d1 + d2;
    return static_cast<float>(d * (1 - 1e-4) - 1e-3);
}

float lowerBound(bool perceptual, const double* a, const double* b) {
    return boundOf(perceptual, std::abs(a[0] - b[0]), std::abs(a[1] - b[1]), std::abs(a[2] - b[2]));
}

// Every tile, and with mirrors every tile's mirror right after it: variant v is
// tile v + 1, or with mirrors tile v / 2 + 1, mirrored when v is odd.
struct Variants {
    Layout layout;
    bool mirror = false;
    int count = 0;
    std::vector<float> planes;
    std::vector<double> sums;
    // The variants in a grid of buckets over their channel sums, so that a search
    // can skip every bucket whose range of sums is already too far from the cell's.
    static constexpr int kMostGrid = 16;
    int grid = 1;
    double low[3] = {0, 0, 0}, step[3] = {1, 1, 1};
    std::vector<int> bucketStart;  // first position of each bucket in byBucket
    std::vector<int> byBucket;     // variants by bucket, then by number

    Variants(const TileChoiceInput& in, const MatchingOptions& options) {
        layout.samples = in.matrX * in.matrY;
        layout.padded = (layout.samples + 3) / 4 * 4;
        layout.perceptual = options.perceptual;
        mirror = options.mirror;
        count = in.tileCount * (mirror ? 2 : 1);
        planes.resize(static_cast<std::size_t>(count) * layout.floats());
        sums.resize(static_cast<std::size_t>(count) * 3);
        parallelFor(count, 256, [&](std::int64_t from, std::int64_t to) {
            std::vector<std::uint8_t> flippedSamples(static_cast<std::size_t>(layout.samples) * 3);
            for (std::int64_t v = from; v < to; ++v) {
                const std::uint8_t* samples = in.tiles->tile(tileOf(static_cast<int>(v)));
                if (mirroredOf(static_cast<int>(v))) {
                    mirrorSamples(samples, in.matrX, in.matrY, flippedSamples.data());
                    samples = flippedSamples.data();
                }
                toPlanes(layout, samples, at(static_cast<int>(v)));
                planeSums(layout, at(static_cast<int>(v)), sums.data() + 3 * v);
            }
        });
        buildGrid();
    }
    void buildGrid() {
        grid = std::clamp(static_cast<int>(std::cbrt(count / 4.0)), 1, kMostGrid);
        for (int c = 0; c < 3; ++c) {
            double lo = sumOf(0)[c], hi = lo;
            for (int v = 1; v < count; ++v) lo = std::min(lo, sumOf(v)[c]), hi = std::max(hi, sumOf(v)[c]);
            low[c] = lo;
            step[c] = hi > lo ? (hi - lo) / grid : 1;
        }
        std::vector<int> bucket(static_cast<std::size_t>(count));
        bucketStart.assign(static_cast<std::size_t>(grid) * grid * grid + 1, 0);
        for (int v = 0; v < count; ++v) {
            const double* sv = sumOf(v);
            bucket[static_cast<std::size_t>(v)] = (slot(0, sv[0]) * grid + slot(1, sv[1])) * grid + slot(2, sv[2]);
            ++bucketStart[static_cast<std::size_t>(bucket[static_cast<std::size_t>(v)]) + 1];
        }
        for (std::size_t b = 1; b < bucketStart.size(); ++b) bucketStart[b] += bucketStart[b - 1];
        byBucket.resize(static_cast<std::size_t>(count));
        std::vector<int> fill(bucketStart.begin(), bucketStart.end() - 1);
        for (int v = 0; v < count; ++v) {
            int& next = fill[static_cast<std::size_t>(bucket[static_cast<std::size_t>(v)])];
            byBucket[static_cast<std::size_t>(next++)] = v;
        }
    }
    int slot(int c, double sum) const {
        return std::clamp(static_cast<int>((sum - low[c]) / step[c]), 0, grid - 1);
    }
    // How far `sum` lies outside slot i of channel c (the outer slots reach to infinity).
    double gap(int c, int i, double sum) const {
        const double lo = i == 0 ? -std::numeric_limits<double>::infinity() : low[c] + i * step[c];
        const double hi = i == grid - 1 ? std::numeric_limits<double>::infinity() : low[c] + (i + 1) * step[c];
        return std::max({0.0, lo - sum, sum - hi});
    }
    int tileOf(int v) const { return mirror ? v / 2 + 1 : v + 1; }
    bool mirroredOf(int v) const { return mirror && (v & 1) != 0; }
    float* at(int v) { return planes.data() + static_cast<std::size_t>(v) * layout.floats(); }
    const float* at(int v) const { return planes.data() + static_cast<std::size_t>(v) * layout.floats(); }
    const double* sumOf(int v) const { return sums.data() + 3 * static_cast<std::size_t>(v); }
};

// The distance of a cell to a variant, or false when the first-pass threshold
// rejects it (RGB with `threshold`) or a running sum already exceeds `bound`.
// The sum is taken in the same order whatever the bound, so a bound never changes
// a distance that is returned.
inline bool distanceWithin(const Layout& l, const float* c, const float* t, bool threshold, float bound, float& out) {
    const int n = l.padded;
#if defined(__SSE2__)
    const __m128 absMask = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
    const __m128 limit = _mm_set1_ps(static_cast<float>(kRejectThreshold));
    __m128 acc = _mm_setzero_ps();
    auto total = [](__m128 v) {
        alignas(16) float f[4];
        _mm_store_ps(f, v);
        return (f[0] + f[1]) + (f[2] + f[3]);
    };
    for (int k = 0; k < n; k += 4) {
        const __m128 d0 = _mm_sub_ps(_mm_loadu_ps(c + k), _mm_loadu_ps(t + k));
        const __m128 d1 = _mm_sub_ps(_mm_loadu_ps(c + n + k), _mm_loadu_ps(t + n + k));
        const __m128 d2 = _mm_sub_ps(_mm_loadu_ps(c + 2 * n + k), _mm_loadu_ps(t + 2 * n + k));
        if (l.perceptual) {
            acc = _mm_add_ps(acc, _mm_sqrt_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(d0, d0), _mm_mul_ps(d1, d1)),
                                                         _mm_mul_ps(d2, d2))));
        } else {
            const __m128 a0 = _mm_and_ps(d0, absMask), a1 = _mm_and_ps(d1, absMask), a2 = _mm_and_ps(d2, absMask);
            if (threshold && _mm_movemask_ps(_mm_cmpgt_ps(_mm_max_ps(a0, _mm_max_ps(a1, a2)), limit)) != 0)
                return false;
            acc = _mm_add_ps(acc, _mm_add_ps(_mm_add_ps(a0, a1), a2));
        }
        if ((k & 12) == 12 && total(acc) > bound) return false;
    }
    out = total(acc);
    return out <= bound;
#else
    float lane[4] = {0, 0, 0, 0};
    auto total = [&] { return (lane[0] + lane[1]) + (lane[2] + lane[3]); };
    for (int k = 0; k < n; k += 4) {
        for (int q = 0; q < 4; ++q) {
            const float d0 = c[k + q] - t[k + q], d1 = c[n + k + q] - t[n + k + q], d2 = c[2 * n + k + q] - t[2 * n + k + q];
            if (l.perceptual) {
                lane[q] += std::sqrt(d0 * d0 + d1 * d1 + d2 * d2);
            } else {
                const float a0 = std::abs(d0), a1 = std::abs(d1), a2 = std::abs(d2);
                if (threshold && std::max({a0, a1, a2}) > static_cast<float>(kRejectThreshold)) return false;
                lane[q] += (a0 + a1) + a2;
            }
        }
        if ((k & 12) == 12 && total() > bound) return false;
    }
    out = total();
    return out <= bound;
#endif
}

// Ordered by distance, then by variant (tile number, the original first).
using Key = std::uint64_t;
Key makeKey(float d, int v) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &d, sizeof bits);  // non-negative floats order as their bits
    return (static_cast<Key>(bits) << 16) | static_cast<Key>(v);
}
int keyVariant(Key k) { return static_cast<int>(k & 0xFFFF); }
float keyDistance(Key k) {
    const auto bits = static_cast<std::uint32_t>(k >> 16);
    float d = 0;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}
constexpr Key kNoKey = std::numeric_limits<Key>::max();

// One cell's samples in planes, with their sums.
struct CellSamples {
    std::vector<std::uint8_t> rgb;
    std::vector<float> planes;
    double sums[3] = {0, 0, 0};
    void load(const TileChoiceInput& in, const Layout& l, int x, int y) {
        rgb.resize(static_cast<std::size_t>(l.samples) * 3);
        planes.resize(static_cast<std::size_t>(l.floats()));
        sampleCell(*in.scan, x, y, in.matrX, in.matrY, rgb.data());
        toPlanes(l, rgb.data(), planes.data());
        planeSums(l, planes.data(), sums);
    }
};

// Visits the variants that may lie within the bound: the buckets nearest to the
// cell's sums first (they tighten the bound early), skipping every bucket whose
// range of sums, and every variant whose sums, are already too far.
// visit(v, bound) may lower the bound.
template <class Visit>
void visitVariants(const Variants& vs, const CellSamples& cell, float& bound, Visit&& visit) {
    const bool perceptual = vs.layout.perceptual;
    const int g = vs.grid;
    double gaps[3][Variants::kMostGrid];
    int order[3][Variants::kMostGrid];
    for (int c = 0; c < 3; ++c) {
        for (int i = 0; i < g; ++i) {
            gaps[c][i] = vs.gap(c, i, cell.sums[c]);
            order[c][i] = i;
        }
        for (int i = 1; i < g; ++i)
            for (int j = i; j > 0 && gaps[c][order[c][j]] < gaps[c][order[c][j - 1]]; --j)
                std::swap(order[c][j], order[c][j - 1]);
    }
    for (int ia = 0; ia < g; ++ia) {
        const int i = order[0][ia];
        if (boundOf(perceptual, gaps[0][i], 0, 0) > bound) break;
        for (int ja = 0; ja < g; ++ja) {
            const int j = order[1][ja];
            if (boundOf(perceptual, gaps[0][i], gaps[1][j], 0) > bound) break;
            for (int ka = 0; ka < g; ++ka) {
                const int k = order[2][ka];
                if (boundOf(perceptual, gaps[0][i], gaps[1][j], gaps[2][k]) > bound) break;
                const std::size_t bucket = (static_cast<std::size_t>(i) * g + j) * g + k;
                for (int p = vs.bucketStart[bucket]; p < vs.bucketStart[bucket + 1]; ++p) {
                    const int v = vs.byBucket[static_cast<std::size_t>(p)];
                    if (lowerBound(perceptual, cell.sums, vs.sumOf(v)) > bound) continue;
                    visit(v, bound);
                }
            }
        }
    }
}

// Keeps the `limit` smallest keys in `out` (room for 2 * limit), sorted; returns how many.
struct Kept {
    Key* out;
    int limit;
    int n = 0;
    Key worst = 0;
    // Adds a key; returns the distance bound for later variants.
    float add(Key key, float bound) {
        if (n < limit) {
            out[n++] = key;
            worst = std::max(worst, key);
            return n == limit ? keyDistance(worst) : bound;
        }
        if (key >= worst) return bound;
        out[n++] = key;
        if (n == 2 * limit) {
            std::nth_element(out, out + limit - 1, out + n);
            n = limit;
            worst = out[limit - 1];
        }
        return keyDistance(worst);
    }
    int finish() {
        if (n > limit) {
            std::nth_element(out, out + limit - 1, out + n);
            n = limit;
        }
        std::sort(out, out + n);
        return n;
    }
};

// The first pass's best `limit` variants of a cell, sorted.
int collectCandidates(const Variants& vs, const CellSamples& cell, bool threshold, float start, int limit, Key* out) {
    Kept kept{out, limit};
    float bound = start;
    visitVariants(vs, cell, bound, [&](int v, float& b) {
        float d = 0;
        if (distanceWithin(vs.layout, cell.planes.data(), vs.at(v), threshold, b, d)) b = kept.add(makeKey(d, v), b);
    });
    return kept.finish();
}

// The best first-pass variant whose tile `excluded` does not rule out, or kNoKey.
template <class Excluded>
Key bestPassing(const Variants& vs, const CellSamples& cell, bool threshold, float start, Excluded&& excluded) {
    Key best = kNoKey;
    float bound = start;
    visitVariants(vs, cell, bound, [&](int v, float& b) {
        if (excluded(vs.tileOf(v))) return;
        float d = 0;
        if (!distanceWithin(vs.layout, cell.planes.data(), vs.at(v), threshold, b, d)) return;
        const Key key = makeKey(d, v);
        if (key < best) {
            best = key;
            b = d;
        }
    });
    return best;
}

// The largest possible distance, which no accepted tile reaches: 765 for every
// sample in RGB; in Lab every distance is accepted.
float maxDistanceOf(const Layout& l) {
    return l.perceptual ? kNoBound : 765.0f * static_cast<float>(l.samples);
}

// Largest distance of a tile that passes the RGB threshold: the first pass's start bound.
float firstPassBound(const Layout& l) {
    return l.perceptual ? kNoBound : 3.0f * kRejectThreshold * static_cast<float>(l.samples);
}

constexpr int kKeptCandidates = 4;

}  // namespace

bool chooseTilesMatchingReference(const TileChoiceInput& in, const MatchingOptions& options, Plan& plan,
                                  MirrorPlan* mirrored, const TileChoiceHooks& hooks) {
    if (!validInput(in, plan, mirrored)) return false;
    const Variants vs(in, options);
    const Layout& l = vs.layout;
    const float maxDistance = maxDistanceOf(l);
    auto inSquare = [&](int x, int y, int r, int t) {
        for (int yy = std::max(0, y - r); yy <= std::min(in.cellsY, y + r); ++yy)
            for (int xx = std::max(0, x - r); xx <= std::min(in.cellsX, x + r); ++xx)
                if (plan.at(xx, yy) == t) return true;
        return false;
    };
    CellSamples cell;
    const std::int64_t cells = static_cast<std::int64_t>(in.cellsX) * in.cellsY;
    for (std::int64_t k = 0; k < cells; ++k) {
        int x = 0, y = 0;
        cellAt(in, k, x, y);
        cell.load(in, l, x, y);
        int tile = 1;
        bool flip = false;
        float bestDistance = maxDistance;
        int radius = in.distance;
        for (;;) {
            const bool threshold = !l.perceptual && radius == in.distance;
            for (int v = 0; v < vs.count; ++v) {
                float d = 0;
                if (!distanceWithin(l, cell.planes.data(), vs.at(v), threshold, kNoBound, d)) continue;
                if (d < bestDistance) {
                    if (radius > 0 && inSquare(x, y, radius, vs.tileOf(v))) continue;
                    bestDistance = d;
                    tile = vs.tileOf(v);
                    flip = vs.mirroredOf(v);
                }
            }
            if (bestDistance != maxDistance) break;
            --radius;
            if (radius < 0) {
                tile = RandomInt(1, in.tileCount);
                flip = false;
                break;
            }
        }
        plan.set(x, y, static_cast<std::int16_t>(tile));
        if (mirrored) mirrored->set(x, y, flip);
        if (!afterCell(hooks, x, y) || !keepGoing(hooks)) return false;
    }
    return true;
}

bool chooseTilesMatching(const TileChoiceInput& in, const MatchingOptions& options, Plan& plan, MirrorPlan* mirrored,
                         const TileChoiceHooks& hooks) {
    if (!validInput(in, plan, mirrored)) return false;
    const Variants vs(in, options);
    const Layout& l = vs.layout;
    const float maxDistance = maxDistanceOf(l);
    const bool threshold = !l.perceptual;
    const float start = firstPassBound(l);

    // The square excludes at most (2r + 1)^2 - 1 tiles, each with its mirror: with
    // that many candidates kept one always survives. Keep a few and search again,
    // knowing the square, for the rare cell whose kept candidates are all excluded.
    const std::int64_t side = 2 * static_cast<std::int64_t>(std::max(0, in.distance)) + 1;
    const int enough = static_cast<int>(std::min<std::int64_t>(side * side * (vs.mirror ? 2 : 1), vs.count));
    const int limit = std::min(enough, in.keptCandidates > 0 ? in.keptCandidates : kKeptCandidates);
    const std::int64_t batch = std::clamp<std::int64_t>((1 << 20) / limit, 16, 512);
    const std::int64_t cells = static_cast<std::int64_t>(in.cellsX) * in.cellsY;

    SquareSet square(in.tileCount);
    CellSamples cell;
    std::vector<float> distances;

    // A cell whose first pass accepts nothing: the narrower squares without the
    // threshold, then a random tile. Returns a variant, or -1 for the random tile.
    auto relax = [&](int x, int y) {
        cell.load(in, l, x, y);
        distances.resize(static_cast<std::size_t>(vs.count));
        for (int v = 0; v < vs.count; ++v)
            distanceWithin(l, cell.planes.data(), vs.at(v), false, kNoBound, distances[static_cast<std::size_t>(v)]);
        for (int r = in.distance - 1; r >= 0; --r) {
            if (r > 0) square.gather(plan, x, y, r);
            Key best = kNoKey;
            for (int v = 0; v < vs.count; ++v) {
                const float d = distances[static_cast<std::size_t>(v)];
                if (!(d < maxDistance)) continue;
                const Key key = makeKey(d, v);
                if (key < best && (r == 0 || !square.contains(vs.tileOf(v)))) best = key;
            }
            if (best != kNoKey) return keyVariant(best);
        }
        return -1;
    };

    // Each worker loads samples into buffers of its own.
    auto makeCollector = [&] {
        return [&, sample = CellSamples()](std::int64_t k, Key* out) mutable {
            int x = 0, y = 0;
            cellAt(in, k, x, y);
            sample.load(in, l, x, y);
            return collectCandidates(vs, sample, threshold, start, limit, out);
        };
    };

    auto walk = [&](const CandidateBatch& b) {
        for (std::int64_t i = 0; i < b.size; ++i) {
            int x = 0, y = 0;
            cellAt(in, b.first + i, x, y);
            const Key* list = b.keysOf(i);
            const int count = b.countOf(i);
            int chosen = -1;
            if (in.distance > 0 && count > 0) square.gather(plan, x, y, in.distance);
            for (int c = 0; c < count; ++c) {
                const int v = keyVariant(list[c]);
                if (in.distance == 0 || !square.contains(vs.tileOf(v))) {
                    chosen = v;
                    break;
                }
            }
            if (chosen < 0 && count == limit && limit < enough) {
                cell.load(in, l, x, y);
                const Key best = bestPassing(vs, cell, threshold, start, [&](int t) { return square.contains(t); });
                if (best != kNoKey) chosen = keyVariant(best);
            }
            if (chosen < 0) chosen = relax(x, y);
            const int tile = chosen < 0 ? RandomInt(1, in.tileCount) : vs.tileOf(chosen);
            plan.set(x, y, static_cast<std::int16_t>(tile));
            if (mirrored) mirrored->set(x, y, chosen >= 0 && vs.mirroredOf(chosen));
            if (!afterCell(hooks, x, y) || !keepGoing(hooks)) return false;
        }
        return true;
    };

    return runCandidateBatches(cells, batch, limit * 2, makeCollector, walk, [&] { return keepGoing(hooks); });
}

}  // namespace tx
