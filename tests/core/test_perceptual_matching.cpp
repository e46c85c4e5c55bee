// Perceptual matching: the Lab conversion against published values, hand-checked
// cases where the measures disagree, and the pruned choice against the plain loop.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "mosaic/LabColour.h"
#include "mosaic/MatchingChoice.h"
#include "support/FileHelpers.h"

using namespace tx;

namespace {

TEST(LabColour, MatchesPublishedValues) {
    // sRGB, D65 (the values of the usual Lindbloom / EasyRGB calculators).
    struct Case {
        int r, g, b;
        double L, a, bb;
    };
    const Case cases[] = {
        {255, 255, 255, 100.0, 0.0, 0.0},          {0, 0, 0, 0.0, 0.0, 0.0},
        {255, 0, 0, 53.2408, 80.0925, 67.2032},    {0, 255, 0, 87.7347, -86.1827, 83.1793},
        {0, 0, 255, 32.2970, 79.1875, -107.8602},  {128, 128, 128, 53.5850, 0.0, 0.0},
        {119, 119, 119, 50.0344, 0.0, 0.0},        {50, 50, 50, 20.7878, 0.0, 0.0},
        {200, 200, 200, 80.6041, 0.0, 0.0},
    };
    for (const Case& c : cases) {
        const Lab lab = labFromSrgb(std::uint8_t(c.r), std::uint8_t(c.g), std::uint8_t(c.b));
        EXPECT_NEAR(lab.L, c.L, 0.002) << c.r << "," << c.g << "," << c.b;
        EXPECT_NEAR(lab.a, c.a, 0.002) << c.r << "," << c.g << "," << c.b;
        EXPECT_NEAR(lab.b, c.bb, 0.002) << c.r << "," << c.g << "," << c.b;
    }
    EXPECT_NEAR(deltaE76(labFromSrgb(0, 0, 0), labFromSrgb(255, 255, 255)), 100.0, 1e-4);
}

TileColourTable tilesOf(const std::vector<std::array<int, 3>>& colours) {
    TileColourTable t;
    t.reset(static_cast<int>(colours.size()), 1, 1);
    for (int n = 1; n <= t.tiles; ++n)
        for (int c = 0; c < 3; ++c) t.cell(n, 0, 0)[c] = static_cast<std::uint8_t>(colours[n - 1][c]);
    return t;
}

TEST(PerceptualChoice, PicksTheTileThatLooksCloserWhereRgbDoesNot) {
    // Cell, then tiles 1 and 2: RGB city-block and CIE76 distances, worked out by hand.
    struct Case {
        Colour cell;
        std::array<int, 3> one, two;
        int rgbChoice, labChoice;
    };
    const Case cases[] = {
        // Blue: 1 is 115 away in RGB (dE 51.2), 2 is 120 (dE 23.0): the darker blue only looks close.
        {rgb(0, 0, 255), {0, 0, 140}, {60, 60, 255}, 1, 2},
        // Grey: the bluish grey is 40 away (dE 23.1), the lighter grey 66 (dE 8.5).
        {rgb(128, 128, 128), {128, 128, 168}, {150, 150, 150}, 1, 2},
        // Both measures agree on a plain near match.
        {rgb(10, 200, 10), {12, 198, 10}, {60, 160, 60}, 1, 1},
    };
    for (const Case& c : cases) {
        const Picture scan(1, 1, c.cell);
        const TileColourTable tiles = tilesOf({c.one, c.two});
        TileChoiceInput in;
        in.scan = &scan, in.tiles = &tiles, in.tileCount = 2, in.cellsX = 1, in.cellsY = 1;
        for (bool perceptual : {false, true}) {
            Plan plan(1, 1), reference(1, 1);
            ASSERT_TRUE(chooseTilesMatching(in, MatchingOptions{perceptual, false}, plan, nullptr));
            ASSERT_TRUE(chooseTilesMatchingReference(in, MatchingOptions{perceptual, false}, reference, nullptr));
            EXPECT_EQ(plan.at(0, 0), perceptual ? c.labChoice : c.rgbChoice) << perceptual;
            EXPECT_EQ(reference, plan);
        }
    }
}

TEST(PerceptualChoice, RgbThresholdStaysOutOfTheLabPass) {
    // The only tile differs by 200 in red: RGB's first pass rejects it and the
    // narrowed pass takes it anyway; Lab compares it at once. Both end on tile 1,
    // but RGB with distance 0 has no narrower pass and draws at random from 1..1.
    const Picture scan(2, 1, rgb(0, 0, 0));
    const TileColourTable tiles = tilesOf({{200, 0, 0}});
    TileChoiceInput in;
    in.scan = &scan, in.tiles = &tiles, in.tileCount = 1, in.cellsX = 2, in.cellsY = 1, in.distance = 1;
    for (bool perceptual : {false, true}) {
        Plan plan(2, 1);
        ASSERT_TRUE(chooseTilesMatching(in, MatchingOptions{perceptual, false}, plan, nullptr));
        EXPECT_EQ(plan.at(0, 0), 1);
        EXPECT_EQ(plan.at(1, 0), 1);
    }
}

// Random scans and libraries with many near and equal colours (ties), in both
// measures, with and without mirrors, row by row and in a shuffled order.
struct RandomCase {
    Picture scan;
    TileColourTable tiles;
    OrderTable order;
    TileChoiceInput in;
};

RandomCase randomCase(std::mt19937& rng, int mx, int my, int cellsX, int cellsY, int tileCount, int distance, bool shuffled) {
    RandomCase c;
    std::uniform_int_distribution<int> palette(0, 5), jitter(-3, 3), any(0, 255), coin(0, 3);
    auto channel = [&] { return coin(rng) == 0 ? any(rng) : std::clamp(palette(rng) * 50 + jitter(rng), 0, 255); };
    c.scan = Picture(cellsX * mx, cellsY * my);
    for (int y = 0; y < c.scan.height(); ++y)
        for (int x = 0; x < c.scan.width(); ++x) c.scan.setPixel(x, y, rgb(channel(), channel(), channel()));
    c.tiles.reset(tileCount, mx, my);
    for (int t = 1; t <= tileCount; ++t)
        for (int k = 0; k < mx * my * 3; ++k) c.tiles.values[(t - 1) * mx * my * 3 + k] = static_cast<std::uint8_t>(channel());
    // Some exact duplicates and some tiles equal to their own mirror.
    if (tileCount > 2) std::memcpy(c.tiles.cell(tileCount, 0, 0), c.tiles.tile(1), mx * my * 3);
    if (tileCount > 3)
        for (int y = 0; y < my; ++y)
            for (int x = 0; x < mx; ++x) std::memcpy(c.tiles.cell(2, mx - 1 - x, y), c.tiles.cell(2, x, y), 3);
    if (shuffled) {
        for (int y = 0; y < cellsY; ++y)
            for (int x = 0; x < cellsX; ++x) c.order.push_back({0, x, y});
        std::shuffle(c.order.begin(), c.order.end(), rng);
    }
    c.in.scan = &c.scan, c.in.tiles = &c.tiles, c.in.tileCount = tileCount;
    c.in.cellsX = cellsX, c.in.cellsY = cellsY, c.in.matrX = mx, c.in.matrY = my, c.in.distance = distance;
    c.in.order = shuffled ? &c.order : nullptr;
    return c;
}

TEST(MatchingChoice, PruningNeverChangesTheWinner) {
    std::mt19937 rng(19);
    const std::array<int, 2> matrices[] = {{1, 1}, {3, 3}, {2, 3}, {5, 5}, {7, 2}};
    int cases = 0;
    for (auto [mx, my] : matrices)
        for (int distance : {0, 1, 3})
            for (int tileCount : {1, 3, 12, 70, 400})
                for (int options = 0; options < 4; ++options) {
                    const MatchingOptions o{(options & 1) != 0, (options & 2) != 0};
                    RandomCase c = randomCase(rng, mx, my, 9, 7, tileCount, distance, (cases++ & 1) != 0);
                    Plan reference(9, 7);
                    MirrorPlan referenceMirrors(9, 7);
                    seedRandom(5);
                    ASSERT_TRUE(chooseTilesMatchingReference(c.in, o, reference, &referenceMirrors));
                    for (int kept : {0, 1, 3}) {
                        TileChoiceInput tuned = c.in;
                        tuned.keptCandidates = kept;
                        Plan fast(9, 7);
                        MirrorPlan mirrors(9, 7);
                        seedRandom(5);
                        ASSERT_TRUE(chooseTilesMatching(tuned, o, fast, &mirrors));
                        const std::string what = std::to_string(mx) + "x" + std::to_string(my) + " d" +
                                                 std::to_string(distance) + " n" + std::to_string(tileCount) + " lab " +
                                                 std::to_string(o.perceptual) + " mirror " + std::to_string(o.mirror) +
                                                 " kept " + std::to_string(kept);
                        EXPECT_EQ(fast, reference) << what;
                        for (int y = 0; y < 7; ++y)
                            for (int x = 0; x < 9; ++x) EXPECT_EQ(mirrors.at(x, y), referenceMirrors.at(x, y)) << what;
                    }
                }
}

TEST(MatchingChoice, RgbWithoutMirrorsIsTheSpecifiedChoice) {
    std::mt19937 rng(7);
    for (int distance : {0, 2})
        for (int tileCount : {4, 40}) {
            RandomCase c = randomCase(rng, 3, 3, 10, 8, tileCount, distance, distance == 2);
            Plan specified(10, 8), matched(10, 8);
            seedRandom(3);
            ASSERT_TRUE(chooseTilesReference(c.in, specified));
            seedRandom(3);
            ASSERT_TRUE(chooseTilesMatching(c.in, MatchingOptions{}, matched, nullptr));
            EXPECT_EQ(matched, specified) << distance << " " << tileCount;
        }
}

}  // namespace
