// Source preparation, the order tables and the small pieces of the mosaic job.
#include <gtest/gtest.h>

#include <array>

#include "TestUtil.h"
#include "mosaic/MachineLimits.h"
#include "mosaic/MosaicJob.h"
#include "mosaic/OrderTables.h"
#include "mosaic/SourcePreparation.h"

using namespace tx;

namespace {

TEST(SourcePreparation, GreySamplesAndTheOneByOneMatrix) {
    const PreparedSource grey = prepareSource(txtest::gradient(37, 23), 4, 4, 2, 2, {0, 100, true});
    for (int y = 0; y < grey.scan.height(); ++y)
        for (int x = 0; x < grey.scan.width(); ++x) {
            const Colour c = grey.scan.pixel(x, y);
            EXPECT_TRUE(redOf(c) == greenOf(c) && greenOf(c) == blueOf(c)) << x << "," << y;
        }
    // A 1 x 1 matrix scans the cell image itself.
    const PreparedSource one = prepareSource(txtest::gradient(50, 31), 7, 5, 1, 1, {-20, 60, false});
    EXPECT_EQ(one.scan, one.cells);
}

TEST(SourcePreparation, SampleLayoutMatchesTheTileTable) {
    Picture scan(6, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) scan.setPixel(x, y, rgb(x, y, 100 + x * 10 + y));
    std::uint8_t s[3 * 2 * 3];
    sampleCell(scan, 1, 1, 3, 2, s);  // pixels x 3..5, y 2..3
    // Row j outer, column i inner, red green blue.
    const std::uint8_t expected[] = {3, 2, 132, 4, 2, 142, 5, 2, 152, 3, 3, 133, 4, 3, 143, 5, 3, 153};
    for (int k = 0; k < 18; ++k) EXPECT_EQ(s[k], expected[k]) << k;
}

std::vector<std::array<int, 3>> records(const OrderTable& t) {
    std::vector<std::array<int, 3>> out;
    for (const OrderRecord& r : t) out.push_back({r.key, r.x, r.y});
    return out;
}

TEST(OrderTables, DetailKeyPutsTheMostDetailedCellFirst) {
    Picture cells(3, 2, rgb(0, 0, 0));
    cells.setPixel(1, 1, rgb(255, 255, 255));  // differs fully from (0, 0)
    cells.setPixel(2, 0, rgb(40, 40, 40));     // row 0: counts as no detail
    const OrderTable t = buildDetailOrder(cells);
    ASSERT_EQ(t.size(), 6u);
    EXPECT_EQ(records(t)[0], (std::array<int, 3>{0, 1, 1}));
    // (2, 1) against (1, 0): black XOR black.
    for (std::size_t k = 1; k < t.size(); ++k) EXPECT_EQ(t[k].key, 255);
}

TEST(OrderTables, PageTableGroupsCellsByTile) {
    Plan three(3, 1);
    three.set(0, 0, 3);
    three.set(1, 0, 1);
    three.set(2, 0, 2);
    EXPECT_EQ(records(buildPageTable(three)), (std::vector<std::array<int, 3>>{{1, 1, 0}, {2, 2, 0}, {3, 0, 0}}));

    Plan plan(5, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) plan.set(x, y, static_cast<std::int16_t>(1 + (x * 7 + y * 3) % 4));
    const OrderTable t = buildPageTable(plan);
    ASSERT_EQ(t.size(), 20u);
    for (std::size_t k = 1; k < t.size(); ++k) EXPECT_LE(t[k - 1].key, t[k].key);
    for (const OrderRecord& r : t) EXPECT_EQ(r.key, plan.at(r.x, r.y));
}

TEST(MosaicJob, AlphaFromBlendRoundsHalfToEven) {
    EXPECT_EQ(alphaFromBlend(0), 0);
    EXPECT_EQ(alphaFromBlend(10), 26);   // 25.500000000000004
    EXPECT_EQ(alphaFromBlend(20), 51);
    EXPECT_EQ(alphaFromBlend(50), 128);  // 127.5 -> 128
    EXPECT_EQ(alphaFromBlend(70), 178);  // 178.5 -> 178
    EXPECT_EQ(alphaFromBlend(100), 255);
}

TEST(MachineLimits, LargestSquarePageInAQuarterOfTheMemory) {
    const std::uint64_t GiB = 1ull << 30;
    EXPECT_EQ(limitsForMemory(1 * GiB).maxWidth, 9000);  // sqrt(2^30 / 12) = 9459
    EXPECT_EQ(limitsForMemory(1 * GiB).maxHeight, 9000);
    EXPECT_EQ(limitsForMemory(4 * GiB).maxWidth, 18000);  // 18918
    EXPECT_EQ(limitsForMemory(0).maxWidth, 1000);
    // Never above what a Picture may hold, nor above 32000.
    EXPECT_EQ(limitsForMemory(1024 * GiB).maxWidth, 20000);
    const MachineLimits here = TestMachine();
    EXPECT_GE(here.maxWidth, 1000);
    EXPECT_LE(here.maxWidth, 32000);
    EXPECT_EQ(here.maxWidth % 1000, 0);
}

}  // namespace
