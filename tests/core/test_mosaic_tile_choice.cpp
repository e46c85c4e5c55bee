// The tile choice: hand-made cases pinning the rules, and the fast path against
// the plain sequential loop on many random cases.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <random>

#include "mosaic/MatchingChoice.h"
#include "mosaic/TileChoice.h"
#include "support/FileHelpers.h"

using namespace tx;

namespace {

// A scan image whose cells are all one flat colour (matrX x matrY samples each).
Picture flatScan(int cellsX, int cellsY, int mx, int my, Colour colour) { return Picture(cellsX * mx, cellsY * my, colour); }

TileColourTable flatTiles(const std::vector<Colour>& colours, int mx = 1, int my = 1) {
    TileColourTable t;
    t.reset(static_cast<int>(colours.size()), mx, my);
    for (int n = 1; n <= t.tiles; ++n)
        for (int y = 0; y < my; ++y)
            for (int x = 0; x < mx; ++x) std::memcpy(t.cell(n, x, y), Picture(1, 1, colours[n - 1]).bits(), 3);
    return t;
}

struct Case {
    Picture scan;
    TileColourTable tiles;
    TileChoiceInput in;
    OrderTable order;

    Case(int cx, int cy, int mx, int my, int distance, Picture s, TileColourTable t)
        : scan(std::move(s)), tiles(std::move(t)) {
        in.scan = &scan, in.tiles = &tiles, in.tileCount = tiles.tiles;
        in.cellsX = cx, in.cellsY = cy, in.matrX = mx, in.matrY = my, in.distance = distance;
    }
    void useOrder(OrderTable o) {
        order = std::move(o);
        in.order = &order;
    }
    // Runs both implementations from the same random seed; they must agree, also
    // when the fast path keeps so few candidates that it must search again.
    Plan run(std::uint64_t seed = 1) {
        Plan reference(in.cellsX, in.cellsY);
        seedRandom(seed);
        EXPECT_TRUE(chooseTilesReference(in, reference));
        for (int kept : {0, 1, 3}) {
            Plan fast(in.cellsX, in.cellsY);
            TileChoiceInput tuned = in;
            tuned.keptCandidates = kept;
            seedRandom(seed);
            EXPECT_TRUE(chooseTiles(tuned, fast));
            EXPECT_EQ(fast, reference) << "kept " << kept;
        }
        return reference;
    }
};

std::vector<int> row(const Plan& p, int y) {
    std::vector<int> r;
    for (int x = 0; x < p.cellsX(); ++x) r.push_back(p.at(x, y));
    return r;
}

// An order that visits `first` first and then every other cell row by row.
OrderTable orderStartingWith(int cx, int cy, std::vector<std::pair<int, int>> first) {
    OrderTable o;
    for (auto [x, y] : first) o.push_back({0, x, y});
    for (int y = 0; y < cy; ++y)
        for (int x = 0; x < cx; ++x) {
            bool listed = false;
            for (auto [fx, fy] : first) listed |= (fx == x && fy == y);
            if (!listed) o.push_back({0, x, y});
        }
    return o;
}

// Cells x 1 row of a flat scan at matrix 1 x 1.
Case flatRow(int cells, int distance, Colour scan, const std::vector<Colour>& tiles) {
    return Case(cells, 1, 1, 1, distance, flatScan(cells, 1, 1, 1, scan), flatTiles(tiles));
}

TEST(TileChoice, ThresholdAndTiesPickTheRightTile) {
    // Tiles 2 and 3 are equally close (distance 20), tile 1 further away: the lower number wins.
    EXPECT_EQ(row(flatRow(2, 0, rgb(100, 100, 100), {rgb(150, 100, 100), rgb(110, 110, 100), rgb(100, 110, 110)}).run(), 0),
              (std::vector<int>{2, 2}));
    // The first pass rejects a tile with one channel more than 120 off, however close in
    // sum (121 against 300); exactly 120 passes.
    EXPECT_EQ(flatRow(1, 0, 0, {rgb(121, 0, 0), rgb(100, 100, 100)}).run().at(0, 0), 2);
    EXPECT_EQ(flatRow(1, 0, 0, {rgb(100, 100, 100), rgb(0, 120, 0)}).run().at(0, 0), 2);
    // Distance 1 with a single tile repeats it.
    Case one(3, 2, 1, 1, 1, flatScan(3, 2, 1, 1, rgb(10, 20, 30)), flatTiles({rgb(10, 20, 30)}));
    const Plan p = one.run();
    EXPECT_EQ(row(p, 0), (std::vector<int>{1, 1, 1}));
    EXPECT_EQ(row(p, 1), (std::vector<int>{1, 1, 1}));
}

TEST(TileChoice, RandomTileOnlyWhenNothingFits) {
    // Distance 0, every tile beyond the threshold: a random tile although tile 2
    // is clearly the closest.
    const std::vector<Colour> far = {rgb(250, 250, 250), rgb(0, 0, 130), rgb(200, 0, 0)};
    const Plan p = flatRow(6, 0, 0, far).run(42);
    seedRandom(42);
    for (int x = 0; x < 6; ++x) EXPECT_EQ(p.at(x, 0), RandomInt(1, 3));

    // Distance 1: the second pass (radius 0, no square) drops the threshold and
    // takes tile 2 everywhere. Distance 2: the radius-1 pass keeps neighbours apart.
    EXPECT_EQ(row(flatRow(6, 1, 0, far).run(), 0), (std::vector<int>{2, 2, 2, 2, 2, 2}));
    EXPECT_EQ(row(flatRow(6, 2, 0, far).run(), 0), (std::vector<int>{2, 3, 2, 3, 2, 3}));

    // Every tile at the largest possible distance: random at any radius.
    Case hopeless(3, 1, 2, 2, 2, flatScan(3, 1, 2, 2, 0), flatTiles({rgb(255, 255, 255), rgb(255, 255, 255)}, 2, 2));
    const Plan h = hopeless.run(7);
    seedRandom(7);
    for (int x = 0; x < 3; ++x) EXPECT_EQ(h.at(x, 0), RandomInt(1, 2));
}

TEST(TileChoice, DistanceThreeSquareAndStepwiseNarrowing) {
    // Tile 1 matches exactly; tile 2 is close; tile 3 is beyond the threshold.
    const int n = 20;
    const Picture scan = flatScan(n, n, 1, 1, rgb(50, 50, 50));
    const TileColourTable tiles = flatTiles({rgb(50, 50, 50), rgb(55, 55, 55), rgb(200, 50, 50)});
    // Cells on and next to the square's border, and one inside.
    const int probes[] = {5, 6, 7, 10, 13, 14};
    for (int y : probes)
        for (int x : probes) {
            if (x == 10 && y == 10) continue;
            Case c(n, n, 1, 1, 3, scan, tiles);
            c.useOrder(orderStartingWith(n, n, {{10, 10}, {x, y}}));
            const bool inside = x >= 7 && x <= 13 && y >= 7 && y <= 13;
            EXPECT_EQ(c.run().at(x, y), inside ? 2 : 1) << x << "," << y;
        }

    // With only tiles 1 and 3: the first pass fails inside the square; radius 2
    // still sees (10, 10) from (12, 12) and takes tile 3, but not from (13, 13).
    const TileColourTable two = flatTiles({rgb(50, 50, 50), rgb(200, 50, 50)});
    Case near(n, n, 1, 1, 3, scan, two);
    near.useOrder(orderStartingWith(n, n, {{10, 10}, {12, 12}}));
    EXPECT_EQ(near.run().at(12, 12), 2);
    Case far(n, n, 1, 1, 3, scan, two);
    far.useOrder(orderStartingWith(n, n, {{10, 10}, {13, 13}}));
    EXPECT_EQ(far.run().at(13, 13), 1);
}

TEST(TileChoice, SquareIsCutAtTheEdges) {
    // One row of four cells, distance 1: the square of the last cell reaches the
    // extra column CellsX, which holds 0.
    EXPECT_EQ(row(flatRow(4, 1, 0, {0, rgb(5, 5, 5)}).run(), 0), (std::vector<int>{1, 2, 1, 2}));

    // A distance far larger than the mosaic: every cell sees every other.
    Case big(3, 3, 1, 1, 5, flatScan(3, 3, 1, 1, 0), flatTiles({0, rgb(3, 3, 3), rgb(6, 6, 6)}));
    const Plan p = big.run();
    EXPECT_EQ(row(p, 0), (std::vector<int>{1, 2, 3}));
    // (0, 1): radius 1 square is x 0..1, y 0..2 -> holds 1 and 2, so tile 3.
    EXPECT_EQ(p.at(0, 1), 3);
}

// Random libraries with duplicates, near ties, and colours far from the source,
// so that every rule (threshold, ties, square, relaxation, random) is exercised.
TEST(TileChoice, FastPathEqualsTheSequentialLoop) {
    std::mt19937 rng(12345);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const int levels[] = {0, 40, 90, 130, 170, 220, 255};
    int cases = 0;
    for (int round = 0; round < 160; ++round) {
        const int mx = pick(1, 3), my = pick(1, 3);
        const int cx = pick(1, 16), cy = pick(1, 12);
        const int distance = pick(0, 4);
        const int tileCount = round % 4 == 0 ? pick(1, 4) : pick(1, 60);
        const bool coarse = round % 2 == 0;  // few distinct values: many exact ties
        auto channel = [&] { return coarse ? levels[pick(0, 6)] : pick(0, 255); };

        TileColourTable tiles;
        tiles.reset(tileCount, mx, my);
        for (int t = 1; t <= tileCount; ++t) {
            if (t > 1 && pick(0, 4) == 0) {  // a duplicate of an earlier tile
                const int src = pick(1, t - 1);
                std::copy(tiles.tile(src), tiles.tile(src) + mx * my * 3, tiles.cell(t, 0, 0));
                continue;
            }
            const int base[3] = {channel(), channel(), channel()};
            for (int j = 0; j < my; ++j)
                for (int i = 0; i < mx; ++i)
                    for (int ch = 0; ch < 3; ++ch)
                        tiles.cell(t, i, j)[ch] =
                            static_cast<std::uint8_t>(std::clamp(base[ch] + (coarse ? 0 : pick(-30, 30)), 0, 255));
        }
        Picture scan(cx * mx, cy * my);
        for (int y = 0; y < scan.height(); ++y)
            for (int x = 0; x < scan.width(); ++x) scan.setPixel(x, y, rgb(channel(), channel(), channel()));

        Case c(cx, cy, mx, my, distance, scan, tiles);
        if (round % 3 != 0) {
            OrderTable o;
            for (int y = 0; y < cy; ++y)
                for (int x = 0; x < cx; ++x) o.push_back({pick(0, 255), x, y});
            std::shuffle(o.begin(), o.end(), rng);
            c.useOrder(o);
        }
        c.run(static_cast<std::uint64_t>(round) + 1);
        if (::testing::Test::HasFailure()) {
            ADD_FAILURE() << "round " << round << ": " << cx << "x" << cy << " cells, matrix " << mx << "x" << my
                          << ", distance " << distance << ", " << tileCount << " tiles";
            return;
        }
        ++cases;
    }
    EXPECT_EQ(cases, 160);
}

TEST(TileChoice, FastPathEqualsTheSequentialLoopOnALargerMosaic) {
    // Many cells over several batches, a library where most tiles pass the
    // threshold and the square excludes many of them.
    std::mt19937 rng(99);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const int mx = 2, my = 2, cx = 60, cy = 45;
    TileColourTable tiles;
    tiles.reset(300, mx, my);
    for (auto& v : tiles.values) v = static_cast<std::uint8_t>(pick(60, 190));
    Picture scan(cx * mx, cy * my);
    for (int y = 0; y < scan.height(); ++y)
        for (int x = 0; x < scan.width(); ++x) {
            const int g = 60 + (x + y) % 130;
            scan.setPixel(x, y, rgb(g, pick(0, 255), 255 - g));
        }
    for (int distance : {0, 2, 4}) {
        Case c(cx, cy, mx, my, distance, scan, tiles);
        c.run(5);
        OrderTable o;
        for (int y = 0; y < cy; ++y)
            for (int x = 0; x < cx; ++x) o.push_back({0, x, y});
        std::shuffle(o.begin(), o.end(), rng);
        c.useOrder(o);
        c.run(6);
    }
}

// A stop inside a batch, at a batch's end or at the last cell: the choice says it
// stopped, the cells visited so far are the full choice's, the rest stay empty.
TEST(TileChoice, FastChoicesStopWhereTheHooksSay) {
    std::mt19937 rng(7);
    const int mx = 2, my = 2, cx = 60, cy = 45, cells = cx * cy;  // several batches
    TileColourTable tiles;
    tiles.reset(200, mx, my);
    for (auto& v : tiles.values) v = static_cast<std::uint8_t>(std::uniform_int_distribution<int>(40, 210)(rng));
    Picture scan(cx * mx, cy * my);
    for (int y = 0; y < scan.height(); ++y)
        for (int x = 0; x < scan.width(); ++x) scan.setPixel(x, y, rgb((x * 7) % 256, (y * 11) % 256, (x * y) % 256));
    Case c(cx, cy, mx, my, 3, scan, tiles);
    OrderTable order;
    for (int y = 0; y < cy; ++y)
        for (int x = 0; x < cx; ++x) order.push_back({0, x, y});
    std::shuffle(order.begin(), order.end(), rng);
    c.useOrder(order);

    using Choose = std::function<bool(Plan&, const TileChoiceHooks&)>;
    const Choose choosers[] = {
        [&](Plan& p, const TileChoiceHooks& h) { return chooseTiles(c.in, p, h); },
        [&](Plan& p, const TileChoiceHooks& h) {
            MirrorPlan m(cx, cy);
            return chooseTilesMatching(c.in, MatchingOptions{true, true}, p, &m, h);
        },
    };
    for (std::size_t k = 0; k < std::size(choosers); ++k) {
        Plan full(cx, cy);
        seedRandom(3);
        ASSERT_TRUE(choosers[k](full, {}));
        for (int stopAfter : {0, 1, 511, 512, 1024, 1500, cells}) {
            Plan plan(cx, cy);
            int decided = 0;
            TileChoiceHooks hooks;
            hooks.running = [&] { return stopAfter > 0; };
            hooks.cellDone = [&](int, int) { return ++decided < stopAfter; };
            seedRandom(3);
            EXPECT_FALSE(choosers[k](plan, hooks)) << k << " " << stopAfter;
            EXPECT_EQ(decided, stopAfter) << k;
            for (int i = 0; i < cells; ++i) {
                const OrderRecord& r = order[static_cast<std::size_t>(i)];
                ASSERT_EQ(plan.at(r.x, r.y), i < stopAfter ? full.at(r.x, r.y) : 0) << k << " " << stopAfter << " " << i;
            }
        }
    }
}

std::array<int, 4> layout(const PreviewLayout& l) { return {l.cellWidth, l.cellHeight, l.offsetX, l.offsetY}; }

TEST(Preview, WideMosaicGetsFullWidthCellsCentredVertically) {
    Picture preview(200, 100);
    const PreviewLayout l = PreparePreview(preview, 10, 2, 32, 32);
    EXPECT_EQ(layout(l), (std::array<int, 4>{20, 20, 0, 30}));  // 200 / 5 / 2 high
    EXPECT_EQ(preview.pixel(5, 50), rgb(0, 0, 0));   // the line between the two rows
    EXPECT_EQ(preview.pixel(20, 40), rgb(0, 0, 0));  // a column line
    EXPECT_EQ(preview.pixel(5, 40), kPreviewBackground);
    EXPECT_EQ(preview.pixel(5, 10), kPreviewBackground);  // above the grid

    drawPreviewCell(preview, l, 1, 1, rgb(1, 2, 3));
    EXPECT_EQ(preview.pixel(20, 50), rgb(1, 2, 3));
    EXPECT_EQ(preview.pixel(39, 69), rgb(1, 2, 3));
    EXPECT_EQ(preview.pixel(40, 50), rgb(0, 0, 0));

    Picture tall(100, 100);
    const PreviewLayout t = PreparePreview(tall, 2, 10, 32, 32);
    EXPECT_EQ(layout(t), (std::array<int, 4>{10, 10, 40, 0}));  // 100 * 0.2 / 2 wide
}

}  // namespace
