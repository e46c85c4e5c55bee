// The auction's priced pass (RGB with its vector blocks, Lab through the
// distances) against the same pass worked out tile by tile from distance().
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <random>

#include "mosaic/LabPairDistance.h"
#include "mosaic/RgbPairDistance.h"

using namespace tx;

namespace {

struct Kept {
    std::int64_t value;
    std::int64_t distance;
    int tile;
    bool operator==(const Kept&) const = default;
};

struct Pass {
    std::vector<Kept> kept;
    std::int64_t above = kNoValue;
    int aboveTile = -1;
};

Pass reference(const PairDistance& cost, int cell, const std::vector<int>& tiles, const PricedPass& pass) {
    Pass r;
    for (int t : tiles) {
        const std::int64_t d = cost.distance(cell, t);
        const std::int64_t v = d * pass.scale + pass.price[t];
        if (v <= pass.cap) r.kept.push_back({v, d, t});
        else if (v < r.above) r.above = v, r.aboveTile = t;
    }
    return r;
}

Pass of(const PricedTiles& out) {
    Pass r;
    for (int i = 0; i < out.count; ++i)
        r.kept.push_back({out.value[static_cast<std::size_t>(i)], PricedTiles::distanceOf(out.distanceTile[static_cast<std::size_t>(i)]),
                          PricedTiles::tileOf(out.distanceTile[static_cast<std::size_t>(i)])});
    r.above = out.above, r.aboveTile = out.aboveTile;
    return r;
}

void expectSame(const Pass& got, const Pass& want) {
    ASSERT_EQ(got.kept.size(), want.kept.size());
    for (std::size_t i = 0; i < got.kept.size(); ++i) EXPECT_EQ(got.kept[i], want.kept[i]) << "kept " << i;
    EXPECT_EQ(got.above, want.above);
    EXPECT_EQ(got.aboveTile, want.aboveTile);
}

std::vector<std::uint8_t> randomSamples(std::mt19937& rng, int count, int samples) {
    std::uniform_int_distribution<int> v(0, 255);
    std::vector<std::uint8_t> out(static_cast<std::size_t>(count) * samples * 3);
    for (auto& b : out) b = static_cast<std::uint8_t>(v(rng));
    return out;
}

}  // namespace

TEST(PricedPass, KeepsTheTilesUnderTheCapAndFindsTheLeastAbove) {
    struct Measure {
        bool lab;
        bool mirror;
        int matrX, matrY;  // 1x1 is one vector, 3x3 two, 5x4 four (a sample set of 60 bytes)
    };
    const Measure measures[] = {{false, false, 3, 3}, {false, true, 3, 3}, {false, false, 1, 1},
                                {false, true, 5, 4},  {true, false, 3, 3}, {true, true, 3, 3}};
    std::mt19937 rng(5);
    for (const Measure& m : measures) {
        SCOPED_TRACE(std::string(m.lab ? "Lab " : "RGB ") + std::to_string(m.matrX) + "x" + std::to_string(m.matrY) +
                     (m.mirror ? " mirrored" : ""));
        const int cells = 3, tiles = 43, samples = m.matrX * m.matrY;
        const auto cs = randomSamples(rng, cells, samples), ts = randomSamples(rng, tiles, samples);
        std::unique_ptr<PairDistance> cost;
        if (m.lab) cost = std::make_unique<LabPairDistance>(cs.data(), cells, ts.data(), tiles, samples, m.mirror ? m.matrX : 0);
        else cost = std::make_unique<RgbPairDistance>(cs.data(), cells, ts.data(), tiles, samples, m.mirror ? m.matrX : 0);
        // Prices with ties on purpose, and tiles without uses.
        std::vector<std::int64_t> price(tiles);
        for (int t = 0; t < tiles; ++t) price[t] = t % 7 == 5 ? kNoValue : (t % 3) * 1000;
        for (int c = 0; c < cells; ++c) {
            std::vector<std::int64_t> values;
            for (int t = 0; t < tiles; ++t)
                if (price[t] < kNoValue) values.push_back(cost->distance(c, t) * 31 + price[t]);
            std::sort(values.begin(), values.end());
            const std::int64_t caps[] = {-1, values[values.size() / 4], values[values.size() / 2], kNoValue - 1};
            // Runs that start and end inside blocks of four, within one block, and empty.
            const std::pair<int, int> runs[] = {{0, tiles}, {1, tiles - 2}, {5, 7}, {8, 12}, {9, 9}};
            for (const std::int64_t cap : caps)
                for (const auto& [begin, end] : runs) {
                    SCOPED_TRACE("cell " + std::to_string(c) + " cap " + std::to_string(cap) + " tiles " +
                                 std::to_string(begin) + ".." + std::to_string(end));
                    const PricedPass pass{31, price.data(), cap};
                    std::vector<int> run;
                    for (int t = begin; t < end; ++t) run.push_back(t);
                    PricedTiles out;
                    out.reset(tiles);
                    cost->pricedPass(c, begin, end, pass, out);
                    expectSame(of(out), reference(*cost, c, run, pass));
                }
            // Two passes append, and the least above is over both.
            PricedTiles both;
            both.reset(tiles);
            const PricedPass pass{31, price.data(), values[values.size() / 3]};
            cost->pricedPass(c, 0, 20, pass, both);
            cost->pricedPass(c, 20, tiles, pass, both);
            std::vector<int> all(tiles);
            for (int t = 0; t < tiles; ++t) all[t] = t;
            expectSame(of(both), reference(*cost, c, all, pass));
            // The sample: every step-th whole block of four.
            std::vector<int> sampled;
            for (int t = 0; t + 4 <= tiles; t += 3 * 4)
                for (int i = 0; i < 4; ++i) sampled.push_back(t + i);
            PricedTiles sample;
            sample.reset(tiles);
            cost->pricedSample(c, 3, pass, sample);
            expectSame(of(sample), reference(*cost, c, sampled, pass));
        }
    }
}

// A scale above 32 bits goes past the vector pass's multiply: the pass still
// prices every tile exactly.
TEST(PricedPass, TakesScalesBeyondThirtyTwoBits) {
    std::mt19937 rng(9);
    const int tiles = 16, samples = 9;
    const auto cs = randomSamples(rng, 1, samples), ts = randomSamples(rng, tiles, samples);
    const RgbPairDistance cost(cs.data(), 1, ts.data(), tiles, samples);
    const std::vector<std::int64_t> price(tiles, 7);
    const PricedPass pass{(std::int64_t{1} << 33) + 3, price.data(), kNoValue - 1};
    PricedTiles out;
    out.reset(tiles);
    cost.pricedPass(0, 0, tiles, pass, out);
    std::vector<int> all(tiles);
    for (int t = 0; t < tiles; ++t) all[t] = t;
    expectSame(of(out), reference(cost, 0, all, pass));
}

// Equal values above the cap: the least above is the lowest tile, whichever
// lane of the vector pass it falls in.
TEST(PricedPass, TiesAboveTheCapGoToTheLowestTile) {
    std::mt19937 rng(3);
    const int tiles = 24, samples = 9;
    const auto cs = randomSamples(rng, 1, samples), one = randomSamples(rng, 1, samples);
    std::vector<std::uint8_t> ts;
    for (int t = 0; t < tiles; ++t) ts.insert(ts.end(), one.begin(), one.end());
    const RgbPairDistance cost(cs.data(), 1, ts.data(), tiles, samples, 3);
    const std::vector<std::int64_t> price(tiles, 5);
    for (const int begin : {0, 1, 2, 3, 6}) {
        PricedTiles out;
        out.reset(tiles);
        cost.pricedPass(0, begin, tiles, PricedPass{7, price.data(), -1}, out);
        EXPECT_EQ(out.count, 0);
        EXPECT_EQ(out.aboveTile, begin);
        // Dearer tiles before the run's cheapest do not hide it.
        std::vector<std::int64_t> rising(price);
        for (int t = 0; t < tiles; ++t) rising[t] = t < 13 ? 100 : 5;
        out.reset(tiles);
        cost.pricedPass(0, begin, tiles, PricedPass{7, rising.data(), -1}, out);
        EXPECT_EQ(out.aboveTile, 13) << "from " << begin;
    }
}

// A grouped measure's pass given its groups' bounds and the cell's floors:
// the same tiles kept as the plain pass, a least above that no tile is below
// and that is above the cap, and floors no group's values go below, also
// after prices rose and with floors from the pass before.
TEST(PricedPass, SkippedGroupsHideNothingAndFloorsStayTrue) {
    std::mt19937 rng(11);
    // Neither a whole number of groups nor of blocks of four.
    const int cells = 4, tiles = 1001, samples = 9, scale = 29;
    for (const bool mirror : {false, true}) {
        SCOPED_TRACE(mirror ? "mirrored" : "plain");
        // Dark cells, and half the tiles brighter in every sample: for those the
        // distance is the difference of the sums, so the keys' bounds are tight.
        std::vector<std::uint8_t> cs(cells * samples * 3), ts = randomSamples(rng, tiles, samples);
        for (auto& b : cs) b = static_cast<std::uint8_t>(rng() % 100);
        for (int t = 0; t < tiles; t += 2)
            for (int i = 0; i < samples * 3; ++i) ts[t * samples * 3 + i] = static_cast<std::uint8_t>(100 + rng() % 156);
        // A quarter close around a few pictures, in groups with small boxes.
        const auto centres = randomSamples(rng, 5, samples);
        for (int t = 1; t < tiles; t += 4)
            for (int i = 0; i < samples * 3; ++i)
                ts[t * samples * 3 + i] = static_cast<std::uint8_t>(std::min<unsigned>(255, centres[(t / 4) % 5 * samples * 3 + i] + rng() % 4));
        const RgbPairDistance plain(cs.data(), cells, ts.data(), tiles, samples, mirror ? 3 : 0);
        std::vector<int> order;
        const std::unique_ptr<PairDistance> grouped = plain.grouped(order);
        if (!grouped) GTEST_SKIP() << "no vector pass on this machine";
        ASSERT_TRUE(grouped->skipsGroups());
        std::vector<int> sorted(order);
        std::sort(sorted.begin(), sorted.end());
        for (int t = 0; t < tiles; ++t) ASSERT_EQ(sorted[t], t);
        for (int t = 0; t < tiles; t += 97) ASSERT_EQ(grouped->distance(1, t), plain.distance(1, order[t]));

        const int groups = (tiles + kPricedGroup - 1) / kPricedGroup;
        std::vector<std::int64_t> price(tiles, 0), groupPrice(groups), groupKeys(groups * kGroupKeys);
        auto boundGroups = [&] {
            std::fill(groupPrice.begin(), groupPrice.end(), kNoValue);
            std::fill(groupKeys.begin(), groupKeys.end(), std::numeric_limits<std::int64_t>::max());
            for (int t = 0; t < tiles; ++t) {
                const int g = t / kPricedGroup;
                std::int64_t keys[kGroupKeys];
                grouped->tileKeys(t, keys);
                groupPrice[g] = std::min(groupPrice[g], price[t]);
                for (int k = 0; k < kGroupKeys; ++k)
                    groupKeys[g * kGroupKeys + k] = std::min(groupKeys[g * kGroupKeys + k], price[t] + scale * keys[k]);
            }
        };
        std::vector<int> all(tiles);
        for (int t = 0; t < tiles; ++t) all[t] = t;
        for (int c = 0; c < cells; ++c) {
            std::vector<std::uint32_t> floor(groups, 0);
            std::fill(price.begin(), price.end(), 0);
            for (int round = 0; round < 3; ++round) {
                SCOPED_TRACE("cell " + std::to_string(c) + " round " + std::to_string(round));
                boundGroups();
                std::vector<std::int64_t> values;
                for (int t = 0; t < tiles; ++t) values.push_back(grouped->distance(c, t) * scale + price[t]);
                std::vector<std::int64_t> rising(values);
                std::sort(rising.begin(), rising.end());
                const int shift = c % 3;
                const PricedPass pass{scale, price.data(), rising[40 + 100 * round], groupPrice.data(), groupKeys.data(),
                                      floor.data(), shift};
                PricedTiles out;
                out.reset(tiles);
                grouped->pricedPass(c, 0, tiles, pass, out);
                const Pass want = reference(*grouped, c, all, pass), got = of(out);
                ASSERT_EQ(got.kept.size(), want.kept.size());
                for (std::size_t i = 0; i < got.kept.size(); ++i) EXPECT_EQ(got.kept[i], want.kept[i]) << "kept " << i;
                EXPECT_GT(got.above, pass.cap);
                EXPECT_LE(got.above, want.above);
                if (got.aboveTile >= 0) {
                    EXPECT_EQ(got.above, want.above);
                }
                for (int g = 0; g < groups; ++g) {
                    const std::int64_t least = *std::min_element(values.begin() + g * kPricedGroup,
                                                                 values.begin() + std::min(tiles, (g + 1) * kPricedGroup));
                    const std::int64_t below = std::int64_t{floor[g]} << shift;
                    EXPECT_LE(below, least) << "group " << g;
                    // A whole group with nothing under the cap has its floor above it.
                    if (g < groups - 1 && least > pass.cap) {
                        EXPECT_GT(below, pass.cap) << "group " << g;
                    }
                }
                // Prices rise, the dearest tiles most.
                for (int t = 0; t < tiles; ++t) price[t] += (values[t] % 5) * 40 + round;
            }
        }
    }
}
