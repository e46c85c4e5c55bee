// Even tile use: the flow solution against a dense assignment on small random
// problems, the caps, candidates that start infeasible, cancel, and the repair
// of the minimal distance.
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <random>

#include "mosaic/EvenTileUse.h"
#include "mosaic/EvenUseAuction.h"
#include "mosaic/LabColour.h"
#include "mosaic/LabPairDistance.h"
#include "mosaic/MirroredTiles.h"
#include "mosaic/RgbPairDistance.h"
#include "support/Parallel.h"

using namespace tx;

namespace {

std::vector<std::uint8_t> randomSamples(std::mt19937& rng, int count, int samples, int lo = 0, int hi = 255) {
    std::uniform_int_distribution<int> v(lo, hi);
    std::vector<std::uint8_t> out(static_cast<std::size_t>(count) * samples * 3);
    for (auto& b : out) b = static_cast<std::uint8_t>(v(rng));
    return out;
}

// The least total cost under the caps by the Hungarian method on a square
// matrix: one column per allowed use of a tile, one row per cell, and dummy
// rows that may only take the uses beyond a tile's lower cap.
std::int64_t denseOptimum(const PairDistance& cost, const UseCaps& caps) {
    const int n = cost.cellCount();
    std::vector<int> slotTile;
    std::vector<char> mandatory;
    for (int t = 0; t < cost.tileCount(); ++t)
        for (int u = 0; u < caps.upper[static_cast<std::size_t>(t)]; ++u) {
            slotTile.push_back(t);
            mandatory.push_back(u < caps.lower[static_cast<std::size_t>(t)]);
        }
    const int s = static_cast<int>(slotTile.size());
    const std::int64_t inf = std::int64_t{1} << 40;
    auto a = [&](int row, int col) -> std::int64_t {
        if (row < n) return cost.distance(row, slotTile[static_cast<std::size_t>(col)]);
        return mandatory[static_cast<std::size_t>(col)] ? inf : 0;
    };
    std::vector<std::int64_t> u(s + 1, 0), v(s + 1, 0);
    std::vector<int> p(s + 1, 0), way(s + 1, 0);
    for (int i = 1; i <= s; ++i) {
        p[0] = i;
        int j0 = 0;
        std::vector<std::int64_t> minv(s + 1, std::numeric_limits<std::int64_t>::max());
        std::vector<char> used(s + 1, 0);
        do {
            used[j0] = 1;
            const int i0 = p[j0];
            std::int64_t delta = std::numeric_limits<std::int64_t>::max();
            int j1 = 0;
            for (int j = 1; j <= s; ++j)
                if (!used[j]) {
                    const std::int64_t cur = a(i0 - 1, j - 1) - u[i0] - v[j];
                    if (cur < minv[j]) minv[j] = cur, way[j] = j0;
                    if (minv[j] < delta) delta = minv[j], j1 = j;
                }
            for (int j = 0; j <= s; ++j)
                if (used[j]) u[p[j]] += delta, v[j] -= delta;
                else minv[j] -= delta;
            j0 = j1;
        } while (p[j0] != 0);
        do {
            const int j1 = way[j0];
            p[j0] = p[j1];
            j0 = j1;
        } while (j0);
    }
    std::int64_t total = 0;
    for (int j = 1; j <= s; ++j) total += a(p[j] - 1, j - 1);
    return total;
}

void expectCapsHeld(const std::vector<int>& tileOf, const UseCaps& caps) {
    std::vector<int> uses(caps.upper.size(), 0);
    for (int t : tileOf) {
        ASSERT_GE(t, 0);
        ASSERT_LT(t, static_cast<int>(uses.size()));
        ++uses[static_cast<std::size_t>(t)];
    }
    for (std::size_t t = 0; t < uses.size(); ++t) {
        EXPECT_GE(uses[t], caps.lower[t]) << "tile " << t;
        EXPECT_LE(uses[t], caps.upper[t]) << "tile " << t;
    }
}

std::int64_t totalCost(const PairDistance& cost, const std::vector<int>& tileOf) {
    std::int64_t sum = 0;
    for (int c = 0; c < static_cast<int>(tileOf.size()); ++c) sum += cost.distance(c, tileOf[static_cast<std::size_t>(c)]);
    return sum;
}

// The job the cancel cases stop: 3000 random cells over 300 tiles, every tile
// before repeats.
RgbPairDistance cancelJob(UseCaps& caps) {
    std::mt19937 rng(5);
    const int cells = 3000, tiles = 300, samples = 9;
    const auto cs = randomSamples(rng, cells, samples), ts = randomSamples(rng, tiles, samples);
    EXPECT_TRUE(useCaps({EvenUseMode::EveryTile, 1}, cells, tiles, caps).isEmpty());
    return RgbPairDistance(cs.data(), cells, ts.data(), tiles, samples);
}

}  // namespace

TEST(EvenTileUse, RefusesCapsThatCannotFill) {
    struct Row {
        EvenUse use;
        int cells, tiles;
        bool refused;
        int lower, upper;  // of every tile when accepted
    } rows[] = {
        {{EvenUseMode::EveryTile, 1}, 10, 3, false, 3, 4},
        {{EvenUseMode::EveryTile, 1}, 9, 3, false, 3, 3},
        {{EvenUseMode::EveryTile, 1}, 3, 10, false, 0, 1},
        {{EvenUseMode::MaxUses, 2}, 20, 10, false, 0, 2},
        {{EvenUseMode::MaxUses, 2}, 21, 10, true, 0, 0},
        {{EvenUseMode::MaxUses, 0}, 1, 10, true, 0, 0},
    };
    for (const Row& r : rows) {
        UseCaps caps;
        const QString why = useCaps(r.use, r.cells, r.tiles, caps);
        EXPECT_EQ(!why.isEmpty(), r.refused) << r.cells << " cells, " << r.tiles << " tiles";
        if (r.refused) continue;
        EXPECT_EQ(caps.lower, std::vector<int>(static_cast<std::size_t>(r.tiles), r.lower));
        EXPECT_EQ(caps.upper, std::vector<int>(static_cast<std::size_t>(r.tiles), r.upper));
    }
}

TEST(EvenTileUse, NearestAndBelowAgreeWithTheDistance) {
    std::mt19937 rng(7);
    const int cells = 5, tiles = 40, samples = 9;
    const auto cs = randomSamples(rng, cells, samples), ts = randomSamples(rng, tiles, samples);
    const RgbPairDistance cost(cs.data(), cells, ts.data(), tiles, samples);
    for (int c = 0; c < cells; ++c) {
        std::vector<TileDistance> all;
        for (int t = 0; t < tiles; ++t) {
            std::int64_t d = 0;
            for (int k = 0; k < samples * 3; ++k) d += std::abs(int(cs[c * samples * 3 + k]) - int(ts[t * samples * 3 + k]));
            ASSERT_EQ(cost.distance(c, t), d);
            all.push_back({d, t});
        }
        std::sort(all.begin(), all.end());
        std::vector<TileDistance> near;
        cost.nearest(c, 6, near);
        ASSERT_EQ(near.size(), 6u);
        for (int i = 0; i < 6; ++i) EXPECT_EQ(near[i].tile, all[i].tile);

        // below: every tile i with d < limit[i] - offset, limits falling.
        std::vector<int> order;
        std::vector<std::int64_t> limits;
        for (int t = 0; t < tiles; ++t) order.push_back(t), limits.push_back(5000 - 100 * t);
        std::vector<TileDistance> out;
        cost.below(c, order.data(), limits.data(), tiles, 1000, out);
        std::size_t expected = 0;
        for (int t = 0; t < tiles; ++t) expected += cost.distance(c, t) < limits[t] - 1000;
        EXPECT_EQ(out.size(), expected);
        for (const TileDistance& td : out) EXPECT_LT(td.distance, limits[static_cast<std::size_t>(td.tile)] - 1000);
    }
}

// Random problems with random caps, few candidates so that pricing has work.
TEST(EvenTileUse, TotalCostEqualsTheDenseOptimum) {
    std::mt19937 rng(42);
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        const int cells = std::uniform_int_distribution<int>(5, 40)(rng);
        const int tiles = std::uniform_int_distribution<int>(2, 30)(rng);
        const int samples = std::uniform_int_distribution<int>(1, 4)(rng);
        const auto cs = randomSamples(rng, cells, samples), ts = randomSamples(rng, tiles, samples);
        const RgbPairDistance cost(cs.data(), cells, ts.data(), tiles, samples);
        UseCaps caps;
        switch (round % 3) {
        case 0: ASSERT_TRUE(useCaps({EvenUseMode::EveryTile, 1}, cells, tiles, caps).isEmpty()); break;
        case 1: ASSERT_TRUE(useCaps({EvenUseMode::MaxUses, (cells + tiles - 1) / tiles + round % 2}, cells, tiles, caps).isEmpty()); break;
        default: {
            // Random lower and upper caps that still admit an assignment.
            caps.lower.assign(static_cast<std::size_t>(tiles), 0);
            caps.upper.assign(static_cast<std::size_t>(tiles), 0);
            int lowerSum = 0, upperSum = 0;
            for (int t = 0; t < tiles; ++t) {
                caps.upper[t] = std::uniform_int_distribution<int>(0, 4)(rng);
                caps.lower[t] = std::uniform_int_distribution<int>(0, caps.upper[t])(rng) / 2;
                upperSum += caps.upper[t], lowerSum += caps.lower[t];
            }
            for (int t = 0; upperSum < cells; t = (t + 1) % tiles) ++caps.upper[t], ++upperSum;
            for (int t = 0; lowerSum > cells; t = (t + 1) % tiles)
                if (caps.lower[t] > 0) --caps.lower[t], --lowerSum;
        }
        }
        EvenUseOptions options;
        options.candidates = 1 + round % 3;
        options.addedPerRound = 1 + round % 2;
        // Both solvers: the auction (default) and the network simplex rounds.
        if (round % 4 == 3) options.solver = EvenUseSolver::FlowRounds;
        std::vector<int> tileOf;
        EvenUseStats stats;
        ASSERT_TRUE(solveEvenUse(cost, caps, options, tileOf, stats));
        ASSERT_EQ(static_cast<int>(tileOf.size()), cells);
        expectCapsHeld(tileOf, caps);
        EXPECT_EQ(totalCost(cost, tileOf), denseOptimum(cost, caps));
        EXPECT_EQ(stats.cost, stats.optimumCost);
        EXPECT_EQ(stats.cost, totalCost(cost, tileOf));
    }
}

// Every cell is near one tile; the other tiles are nobody's first choice, yet
// each must be used: one candidate per cell cannot meet the caps at first.
TEST(EvenTileUse, SolvesCandidatesThatStartInfeasible) {
    std::mt19937 rng(3);
    const int cells = 24, tiles = 6, samples = 3;
    auto cs = randomSamples(rng, cells, samples, 0, 20);
    auto ts = randomSamples(rng, tiles, samples, 200, 255);
    std::fill(ts.begin(), ts.begin() + samples * 3, std::uint8_t{10});
    const RgbPairDistance cost(cs.data(), cells, ts.data(), tiles, samples);
    UseCaps caps;
    ASSERT_TRUE(useCaps({EvenUseMode::EveryTile, 1}, cells, tiles, caps).isEmpty());
    EvenUseOptions options;
    options.candidates = 1;
    std::vector<int> tileOf;
    EvenUseStats stats;
    ASSERT_TRUE(solveEvenUse(cost, caps, options, tileOf, stats));
    expectCapsHeld(tileOf, caps);
    EXPECT_GT(stats.rounds, 1);
    EXPECT_EQ(totalCost(cost, tileOf), denseOptimum(cost, caps));
}

TEST(EvenTileUse, CancelLeavesTheAssignmentUntouched) {
    UseCaps caps;
    const RgbPairDistance cost = cancelJob(caps);
    ASSERT_FALSE(caps.upper.empty());
    for (int stopAfter : {0, 1, 3, 6}) {
        int polls = 0;
        EvenUseHooks hooks;
        hooks.running = [&] { return polls++ < stopAfter; };
        std::vector<int> tileOf{-7};
        EvenUseStats stats;
        EXPECT_FALSE(solveEvenUse(cost, caps, EvenUseOptions{}, tileOf, stats, hooks)) << stopAfter;
        EXPECT_EQ(tileOf, std::vector<int>{-7});
    }
}

// A stop asked for while cells bid ends the solve at the next poll: nothing is
// reported after it (the bidding would otherwise run all its phases first).
TEST(EvenTileUse, CancelWhileBiddingStopsAtOnce) {
    UseCaps caps;
    const RgbPairDistance cost = cancelJob(caps);
    ASSERT_FALSE(caps.upper.empty());
    // The stop is asked for at the first report of the bidding.
    bool stop = false;
    int reportsAfterStop = 0;
    EvenUseHooks hooks;
    hooks.running = [&] { return !stop; };
    hooks.progress = [&](int pass, int, int) {
        if (stop) ++reportsAfterStop;
        if (pass == 1) stop = true;
    };
    std::vector<int> tileOf{-7};
    EvenUseStats stats;
    EXPECT_FALSE(solveEvenUse(cost, caps, EvenUseOptions{}, tileOf, stats, hooks));
    EXPECT_TRUE(stop);
    EXPECT_EQ(reportsAfterStop, 0);
    EXPECT_EQ(tileOf, std::vector<int>{-7});
}

TEST(EvenTileUse, RepairSeparatesIdenticalTiles) {
    std::mt19937 rng(11);
    struct Row {
        int cellsX, cellsY, tiles, maxUses, distance;
        bool possible;
    } rows[] = {
        {12, 10, 40, 3, 2, true},   // room to spare
        {10, 10, 25, 4, 1, true},   // every tile before repeats, four uses each
        {8, 8, 16, 4, 1, true},
        {3, 3, 2, 5, 2, false},     // every cell sees every other
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.cellsX * 100 + r.tiles);
        const int cells = r.cellsX * r.cellsY, samples = 1;
        // Smooth colours: neighbours want the same tiles.
        std::vector<std::uint8_t> cs;
        for (int c = 0; c < cells; ++c)
            for (int k = 0; k < 3; ++k) cs.push_back(static_cast<std::uint8_t>((c % r.cellsX) * 8 + k));
        const auto ts = randomSamples(rng, r.tiles, samples, 0, 100);
        const RgbPairDistance cost(cs.data(), cells, ts.data(), r.tiles, samples);
        UseCaps caps;
        const EvenUse use = r.tiles * r.maxUses == cells ? EvenUse{EvenUseMode::EveryTile, 1} : EvenUse{EvenUseMode::MaxUses, r.maxUses};
        ASSERT_TRUE(useCaps(use, cells, r.tiles, caps).isEmpty());
        EvenUseOptions options;
        options.distance = r.distance;
        options.cellsX = r.cellsX;
        options.cellsY = r.cellsY;
        std::vector<int> tileOf;
        EvenUseStats stats;
        ASSERT_TRUE(solveEvenUse(cost, caps, options, tileOf, stats));
        expectCapsHeld(tileOf, caps);
        EXPECT_EQ(stats.unresolvedPairs, pairsWithinDistance(tileOf, r.cellsX, r.cellsY, r.distance));
        EXPECT_EQ(stats.cost, totalCost(cost, tileOf));
        EXPECT_GE(stats.cost, stats.optimumCost);
        if (r.possible) {
            EXPECT_EQ(stats.unresolvedPairs, 0);
            EXPECT_GT(stats.movedCells, 0);
        } else {
            EXPECT_GT(stats.unresolvedPairs, 0);
        }
    }
}

namespace {

// The distance of one face, summed by the test in double: city-block in RGB,
// CIE76 in Lab (units of 1/256).
double faceReference(bool lab, const std::uint8_t* cell, const std::uint8_t* face, int samples) {
    double sum = 0;
    for (int k = 0; k < samples; ++k) {
        const std::uint8_t* c = cell + 3 * k;
        const std::uint8_t* t = face + 3 * k;
        if (lab)
            sum += deltaE76(labFromSrgb(c[0], c[1], c[2]), labFromSrgb(t[0], t[1], t[2])) * kLabUnitsPerDeltaE;
        else
            sum += std::abs(c[0] - t[0]) + std::abs(c[1] - t[1]) + std::abs(c[2] - t[2]);
    }
    return sum;
}

struct Measure {
    bool lab;
    bool mirror;
};

std::unique_ptr<PairDistance> makeMeasure(const Measure& m, const std::vector<std::uint8_t>& cs, int cells,
                                          const std::vector<std::uint8_t>& ts, int tiles, int matrX, int matrY) {
    const int columns = m.mirror ? matrX : 0;
    if (m.lab) return std::make_unique<LabPairDistance>(cs.data(), cells, ts.data(), tiles, matrX * matrY, columns);
    return std::make_unique<RgbPairDistance>(cs.data(), cells, ts.data(), tiles, matrX * matrY, columns);
}

const Measure kMeasures[] = {{false, true}, {true, false}, {true, true}};

}  // namespace

// Each measure's distance is the nearer face's, as summed by the test; the
// bounded searches give exactly what the distance says.
TEST(EvenTileUse, LabAndMirroredMeasuresAgreeWithTheirDefinition) {
    std::mt19937 rng(11);
    for (const Measure& m : kMeasures) {
        SCOPED_TRACE(std::string(m.lab ? "Lab" : "RGB") + (m.mirror ? " mirrored" : ""));
        const int cells = 6, tiles = 50, matrX = 5, matrY = 4, samples = matrX * matrY;
        const auto cs = randomSamples(rng, cells, samples), ts = randomSamples(rng, tiles, samples);
        const auto cost = makeMeasure(m, cs, cells, ts, tiles, matrX, matrY);
        for (int c = 0; c < cells; ++c) {
            const std::uint8_t* cell = cs.data() + c * samples * 3;
            std::vector<TileDistance> all;
            for (int t = 0; t < tiles; ++t) {
                const std::uint8_t* tile = ts.data() + t * samples * 3;
                std::vector<std::uint8_t> flipped(static_cast<std::size_t>(samples) * 3);
                mirrorSamples(tile, matrX, matrY, flipped.data());
                const double original = faceReference(m.lab, cell, tile, samples);
                const double mirrored = m.mirror ? faceReference(m.lab, cell, flipped.data(), samples) : original;
                const std::int64_t d = cost->distance(c, t);
                EXPECT_NEAR(double(d), std::min(original, mirrored), m.lab ? 2.0 : 0.0) << "tile " << t;
                if (!m.lab || std::abs(mirrored - original) > 4) {
                    EXPECT_EQ(cost->mirrored(c, t), mirrored < original) << "tile " << t;
                }
                all.push_back({d, t});
            }
            // The contiguous pass over a run of tiles gives the same distances.
            std::vector<std::int64_t> run(tiles - 5);
            cost->distancesTo(c, 3, tiles - 2, run.data());
            for (int t = 3; t < tiles - 2; ++t) EXPECT_EQ(run[static_cast<std::size_t>(t - 3)], all[static_cast<std::size_t>(t)].distance) << "tile " << t;
            std::sort(all.begin(), all.end());
            std::vector<TileDistance> near;
            cost->nearest(c, 7, near);
            ASSERT_EQ(near.size(), 7u);
            for (int i = 0; i < 7; ++i) EXPECT_EQ(near[i].tile, all[i].tile);

            std::vector<int> order;
            std::vector<std::int64_t> limits;
            const std::int64_t top = all.back().distance + 10;
            for (int t = 0; t < tiles; ++t) order.push_back(t), limits.push_back(top - top * t / tiles);
            const std::int64_t offset = all[tiles / 2].distance / 3;
            std::vector<TileDistance> out;
            cost->below(c, order.data(), limits.data(), tiles, offset, out);
            std::vector<TileDistance> expected;
            for (int t = 0; t < tiles; ++t)
                if (cost->distance(c, t) < limits[t] - offset) expected.push_back({cost->distance(c, t), t});
            ASSERT_EQ(out.size(), expected.size());
            for (std::size_t i = 0; i < out.size(); ++i) {
                EXPECT_EQ(out[i].tile, expected[i].tile);
                EXPECT_EQ(out[i].distance, expected[i].distance);
            }
        }
    }
}

TEST(EvenTileUse, LabAndMirroredMeasuresReachTheDenseOptimum) {
    std::mt19937 rng(5);
    for (int round = 0; round < 18; ++round) {
        const Measure& m = kMeasures[round % 3];
        SCOPED_TRACE(round);
        const int cells = std::uniform_int_distribution<int>(5, 30)(rng);
        const int tiles = std::uniform_int_distribution<int>(2, 20)(rng);
        const int matrX = 1 + round % 2, matrY = 2;
        const auto cs = randomSamples(rng, cells, matrX * matrY), ts = randomSamples(rng, tiles, matrX * matrY);
        const auto cost = makeMeasure(m, cs, cells, ts, tiles, matrX, matrY);
        UseCaps caps;
        const EvenUse use = round % 2 ? EvenUse{EvenUseMode::EveryTile, 1}
                                      : EvenUse{EvenUseMode::MaxUses, (cells + tiles - 1) / tiles + 1};
        ASSERT_TRUE(useCaps(use, cells, tiles, caps).isEmpty());
        EvenUseOptions options;
        options.candidates = 2;
        options.addedPerRound = 2;
        std::vector<int> tileOf;
        EvenUseStats stats;
        ASSERT_TRUE(solveEvenUse(*cost, caps, options, tileOf, stats));
        expectCapsHeld(tileOf, caps);
        EXPECT_EQ(totalCost(*cost, tileOf), denseOptimum(*cost, caps));
    }
}

// One blue cell (0, 0, 255), room for one tile: RGB prefers the darker blue
// (0, 0, 140) at 115 over (60, 60, 255) at 120; in CIELAB the blue is
// (32.30, 79.19, -107.86), the darker (14.91, 50.69, -69.04) at 51.20 and the
// lighter (40.26, 62.25, -94.55) at 22.97, so Lab takes the lighter.
TEST(EvenTileUse, LabCostPicksThePerceptuallyNearerTile) {
    const std::vector<std::uint8_t> cell = {0, 0, 255}, tiles = {0, 0, 140, 60, 60, 255};
    const RgbPairDistance rgbCost(cell.data(), 1, tiles.data(), 2, 1);
    const LabPairDistance labCost(cell.data(), 1, tiles.data(), 2, 1);
    EXPECT_EQ(rgbCost.distance(0, 0), 115);
    EXPECT_EQ(rgbCost.distance(0, 1), 120);
    EXPECT_NEAR(double(labCost.distance(0, 0)), 51.200 * kLabUnitsPerDeltaE, 1.0);
    EXPECT_NEAR(double(labCost.distance(0, 1)), 22.970 * kLabUnitsPerDeltaE, 1.0);
    UseCaps caps;
    ASSERT_TRUE(useCaps({EvenUseMode::EveryTile, 1}, 1, 2, caps).isEmpty());
    std::vector<int> tileOf;
    EvenUseStats stats;
    ASSERT_TRUE(solveEvenUse(rgbCost, caps, {}, tileOf, stats));
    EXPECT_EQ(tileOf, std::vector<int>{0});
    ASSERT_TRUE(solveEvenUse(labCost, caps, {}, tileOf, stats));
    EXPECT_EQ(tileOf, std::vector<int>{1});
}

// A 2 x 1 matrix: tile 0 is black|white, tile 1 red|red. Three cells show
// white|black (tile 0 mirrored fits them exactly), one red. Every tile twice: a
// tile and its mirror count as one, so only two white|black cells get tile 0,
// both mirrored, and the third takes red at 255 + 510. With a minimal distance
// of 1 along the row the two copies of each tile must not touch.
TEST(EvenTileUse, MirrorsShareTheirTilesCapsAndSquare) {
    const std::uint8_t wb[] = {255, 255, 255, 0, 0, 0}, red[] = {255, 0, 0, 255, 0, 0};
    std::vector<std::uint8_t> cells;
    for (const std::uint8_t* c : {wb, wb, red, wb}) cells.insert(cells.end(), c, c + 6);
    const std::vector<std::uint8_t> tiles = {0, 0, 0, 255, 255, 255, 255, 0, 0, 255, 0, 0};
    const RgbPairDistance cost(cells.data(), 4, tiles.data(), 2, 2, 2);
    const RgbPairDistance plain(cells.data(), 4, tiles.data(), 2, 2);
    EXPECT_EQ(cost.distance(0, 0), 0);
    EXPECT_TRUE(cost.mirrored(0, 0));
    EXPECT_EQ(plain.distance(0, 0), 6 * 255);
    EXPECT_FALSE(cost.mirrored(2, 1));  // the same both ways: the original
    UseCaps caps;
    ASSERT_TRUE(useCaps({EvenUseMode::EveryTile, 1}, 4, 2, caps).isEmpty());
    for (int distance : {0, 1}) {
        SCOPED_TRACE(distance);
        EvenUseOptions options;
        options.distance = distance;
        options.cellsX = 4;
        options.cellsY = 1;
        std::vector<int> tileOf;
        EvenUseStats stats;
        ASSERT_TRUE(solveEvenUse(cost, caps, options, tileOf, stats));
        expectCapsHeld(tileOf, caps);
        EXPECT_EQ(stats.optimumCost, 765);
        EXPECT_EQ(stats.cost, 765);
        EXPECT_EQ(stats.unresolvedPairs, 0);
        EXPECT_EQ(pairsWithinDistance(tileOf, 4, 1, distance), 0);
        EXPECT_EQ(tileOf[2], 1);
        for (int c = 0; c < 4; ++c) EXPECT_EQ(cost.mirrored(c, tileOf[c]), tileOf[c] == 0) << "cell " << c;
        if (distance == 1) {
            EXPECT_EQ(tileOf, (std::vector<int>{1, 0, 1, 0}));
        }
    }
}

// All cells alike and one tile in view each: every cell's list goes stale as
// the prices of the near tiles rise, so cells must look at all tiles again.
TEST(EvenTileUse, CellsLookAgainWhenTheirTilesGetDear) {
    const int cells = 12, tiles = 15;
    std::vector<std::uint8_t> cs(cells * 3, 100), ts;
    for (int t = 0; t < tiles; ++t) ts.insert(ts.end(), {static_cast<std::uint8_t>(100 + 7 * t), 100, 100});
    const RgbPairDistance cost(cs.data(), cells, ts.data(), tiles, 1);
    UseCaps caps;
    ASSERT_TRUE(useCaps({EvenUseMode::MaxUses, 1}, cells, tiles, caps).isEmpty());
    EvenUseOptions options;
    options.candidates = 1;
    std::vector<int> tileOf;
    EvenUseStats stats;
    ASSERT_TRUE(solveEvenUse(cost, caps, options, tileOf, stats));
    expectCapsHeld(tileOf, caps);
    EXPECT_EQ(totalCost(cost, tileOf), 7 * (cells - 1) * cells / 2);
    EXPECT_GT(stats.looks, 0);
}

// Enough tiles that a look is split between threads, and cells alike enough
// that they outbid each other over many tiles: the same optimum as the flow
// solver, with short lists and with long ones.
TEST(EvenTileUse, LooksSplitBetweenThreadsKeepTheOptimum) {
    setWorkerCount(2);
    std::mt19937 rng(5);
    const int cells = 3000, tiles = 4500, samples = 1;
    // Cells over a third of the colours, so that nearly all tiles there are taken.
    const auto cs = randomSamples(rng, cells, samples, 0, 170), ts = randomSamples(rng, tiles, samples);
    const RgbPairDistance cost(cs.data(), cells, ts.data(), tiles, samples);
    UseCaps caps;
    ASSERT_TRUE(useCaps({EvenUseMode::MaxUses, 1}, cells, tiles, caps).isEmpty());
    EvenUseOptions flow;
    flow.solver = EvenUseSolver::FlowRounds;
    std::vector<int> reference;
    EvenUseStats stats;
    ASSERT_TRUE(solveEvenUse(cost, caps, flow, reference, stats));
    const std::int64_t optimum = totalCost(cost, reference);
    for (int list : {4, 64}) {
        SCOPED_TRACE(list);
        EvenUseOptions options;
        options.candidates = list;
        std::vector<int> tileOf;
        ASSERT_TRUE(solveEvenUse(cost, caps, options, tileOf, stats));
        expectCapsHeld(tileOf, caps);
        EXPECT_EQ(totalCost(cost, tileOf), optimum);
        EXPECT_GT(stats.looks, 0);
    }
    // Without the cells' floors of tile groups (too many cells and groups for
    // the memory allowed), the groups' own bounds alone skip.
    std::vector<int> order;
    const std::unique_ptr<PairDistance> grouped = cost.grouped(order);
    if (grouped) {
        AuctionOptions noFloors;
        noFloors.floorBytes = 0;
        std::vector<int> tileOf;
        AuctionStats auction;
        ASSERT_TRUE(auctionAssignment(*grouped, caps, noFloors, tileOf, auction, {}));
        for (int& t : tileOf) t = order[static_cast<std::size_t>(t)];
        expectCapsHeld(tileOf, caps);
        EXPECT_EQ(totalCost(cost, tileOf), optimum);
    }
    setWorkerCount(0);
}

// Refined prices end the bidding phases early, at the optimum the full run of
// phases reaches: every tile before repeats (no spare bidders beyond the lower
// caps' rounding) and at most 2 uses (many spare bidders).
TEST(EvenTileUse, RefinedPricesEndTheBiddingEarly) {
    std::mt19937 rng(8);
    const int cells = 2500, samples = 9;
    for (const auto& [tiles, use] : {std::pair{300, EvenUse{EvenUseMode::EveryTile, 1}},
                                     std::pair{1600, EvenUse{EvenUseMode::MaxUses, 2}}}) {
        SCOPED_TRACE(tiles);
        const auto cs = randomSamples(rng, cells, samples, 0, 170), ts = randomSamples(rng, tiles, samples);
        const RgbPairDistance cost(cs.data(), cells, ts.data(), tiles, samples);
        UseCaps caps;
        ASSERT_TRUE(useCaps(use, cells, tiles, caps).isEmpty());
        AuctionOptions full;
        full.refine = false;
        std::vector<int> reference, tileOf;
        AuctionStats fullStats, stats;
        ASSERT_TRUE(auctionAssignment(cost, caps, full, reference, fullStats, {}));
        ASSERT_TRUE(auctionAssignment(cost, caps, AuctionOptions{}, tileOf, stats, {}));
        expectCapsHeld(tileOf, caps);
        EXPECT_EQ(totalCost(cost, tileOf), totalCost(cost, reference));
        EXPECT_EQ(fullStats.refinements, 0);
        EXPECT_EQ(stats.refinements, 1);
        EXPECT_LT(stats.phases, fullStats.phases);
    }
}
