#include <gtest/gtest.h>

#include "mosaic/MosaicOptions.h"

using namespace tx;

TEST(MosaicOptions, ProposesCellsAcrossFromTheProportions) {
    EXPECT_EQ(proposedCellsX(500, 500), 60);
    EXPECT_EQ(proposedCellsX(800, 600), 69);   // sqrt(4800) = 69.28
    EXPECT_EQ(proposedCellsX(600, 800), 52);   // sqrt(2700) = 51.96
    EXPECT_EQ(proposedCellsX(2000, 500), 120);
    EXPECT_EQ(proposedCellsX(0, 500), 0);
    EXPECT_EQ(proposedCellsX(500, 0), 0);
}

TEST(MosaicOptions, CellsDownFollowTheLinkRule) {
    // (800 / 40) / (600 / 15) = 0.5
    EXPECT_EQ(linkedCellsY(80, 800, 600, 40, 15), 160);
    // square tiles: the source's proportions
    EXPECT_EQ(linkedCellsY(69, 800, 600, 32, 32), 51);
    EXPECT_EQ(linkedCellsY(60, 500, 500, 64, 64), 60);
    // without the link: Int(CellsX / (width / height))
    EXPECT_EQ(linkedCellsY(80, 800, 400, 40, 15, false), 40);
    EXPECT_EQ(linkedCellsY(0, 800, 600, 32, 32), 0);
    EXPECT_EQ(linkedCellsY(10, 800, 600, 0, 32), 0);
    EXPECT_EQ(linkedCellsY(30000, 100, 10000, 32, 32), 0);  // beyond 16 bits: no valid size
}
