// Source preparation, the order tables and the small pieces of the mosaic job.
#include <gtest/gtest.h>

#include "mosaic/MachineLimits.h"
#include "mosaic/MosaicJob.h"
#include "mosaic/OrderTables.h"
#include "mosaic/SourcePreparation.h"
#include "support/Effects.h"

using namespace tx;

namespace {

Picture testPhoto(int w, int h) {
    Picture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.setPixel(x, y, rgb((x * 37) % 256, (y * 53) % 256, ((x + y) * 11) % 256));
    return p;
}

TEST(SourcePreparation, PlainChainIsStretchBlurHalve) {
    const Picture photo = testPhoto(37, 23);
    const PreparedSource s = prepareSource(photo, 5, 4, 3, 2, {});
    ASSERT_EQ(s.scan.width(), 15);
    ASSERT_EQ(s.scan.height(), 8);
    ASSERT_EQ(s.cells.width(), 5);
    ASSERT_EQ(s.cells.height(), 4);
    Picture work = stretchPlain(photo, 30, 16);
    FoxBlur(work);
    EXPECT_EQ(s.scan, stretchPlain(work, 15, 8));
    Picture small = stretchPlain(photo, 10, 8);
    FoxBlur(small);
    EXPECT_EQ(s.cells, stretchPlain(small, 5, 4));
}

TEST(SourcePreparation, AdjustmentsApplyInOrder) {
    const Picture photo = testPhoto(20, 20);
    const PreparedSource s = prepareSource(photo, 4, 4, 2, 2, {30, 150, false});
    Picture work = stretchPlain(photo, 16, 16);
    FoxBlur(work);
    FoxBrightness(work, 30);
    FoxHSL(work, 1.5f);
    EXPECT_EQ(s.scan, stretchPlain(work, 8, 8));

    const PreparedSource grey = prepareSource(photo, 4, 4, 2, 2, {0, 100, true});
    std::uint8_t samples[2 * 2 * 3];
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            sampleCell(grey.scan, x, y, 2, 2, samples);
            for (int k = 0; k < 4; ++k) {
                EXPECT_EQ(samples[k * 3], samples[k * 3 + 1]);
                EXPECT_EQ(samples[k * 3], samples[k * 3 + 2]);
            }
        }
}

TEST(SourcePreparation, OneByOneMatrixScanEqualsTheCellImage) {
    const PreparedSource s = prepareSource(testPhoto(50, 31), 7, 5, 1, 1, {-20, 60, false});
    EXPECT_EQ(s.scan, s.cells);
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

TEST(OrderTables, DetailKeyPutsTheMostDetailedCellFirst) {
    Picture cells(3, 2, rgb(0, 0, 0));
    cells.setPixel(1, 1, rgb(255, 255, 255));  // differs fully from (0, 0)
    cells.setPixel(2, 0, rgb(40, 40, 40));     // row 0: counts as no detail
    const OrderTable t = buildDetailOrder(cells);
    ASSERT_EQ(t.size(), 6u);
    EXPECT_EQ(t[0].key, 0);
    EXPECT_EQ(t[0].x, 1);
    EXPECT_EQ(t[0].y, 1);
    // (2, 1) against (1, 0): black XOR black.
    for (std::size_t k = 1; k < t.size(); ++k) EXPECT_EQ(t[k].key, 255);
}

TEST(OrderTables, UniformSourceKeepsTheSortsOrderOfEqualKeys) {
    // Every key 255: the sentinel swap and the partition loop decide the order.
    const OrderTable t = buildDetailOrder(Picture(2, 2, rgb(90, 120, 30)));
    ASSERT_EQ(t.size(), 4u);
    const std::pair<int, int> expected[] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(t[k].key, 255);
        EXPECT_EQ(std::make_pair(t[k].x, t[k].y), expected[k]) << k;
    }
}

TEST(OrderTables, PageTableGroupsCellsByTile) {
    Plan three(3, 1);
    three.set(0, 0, 3);
    three.set(1, 0, 1);
    three.set(2, 0, 2);
    const OrderTable s = buildPageTable(three);
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0].key, 1);
    EXPECT_EQ(s[0].x, 1);
    EXPECT_EQ(s[1].key, 2);
    EXPECT_EQ(s[1].x, 2);
    EXPECT_EQ(s[2].key, 3);
    EXPECT_EQ(s[2].x, 0);

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
