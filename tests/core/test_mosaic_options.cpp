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
    EXPECT_EQ(linkedCellsY(1, 800, 600, 32, 32), 0);        // one cell across a landscape: none down
}

TEST(MosaicOptions, CellsAcrossFollowCellsDown) {
    struct Case { int cellsY; double sw, sh; int tw, th; bool link; int want; };
    const Case cases[] = {
        {30, 800, 400, 32, 32, false, 60},   // Int(30 * 2)
        {160, 800, 600, 40, 15, true, 80},   // Int(160 * 0.5)
        {51, 800, 600, 32, 32, true, 68},
        {40, 600, 800, 32, 32, true, 30},
        {0, 800, 600, 32, 32, true, 0},
        {20000, 10000, 100, 32, 32, true, 0},  // beyond 16 bits
    };
    for (const Case& c : cases)
        EXPECT_EQ(linkedCellsX(c.cellsY, c.sw, c.sh, c.tw, c.th, c.link), c.want) << c.cellsY << " down";
}

TEST(MosaicOptions, OutputSizeInEachUnit) {
    // 70 x 50 cells of 32 x 32
    auto px = outputSize(70, 50, 32, 32, SizeUnit::Pixels, 300);
    EXPECT_EQ(px.width, 2240.0);
    EXPECT_EQ(px.height, 1600.0);
    auto in = outputSize(70, 50, 32, 32, SizeUnit::Inch, 300);
    ASSERT_TRUE(in.width && in.height);
    EXPECT_EQ(numberText(*in.width), "7.46666666666667");
    EXPECT_EQ(numberText(*in.height), "5.33333333333333");
    auto cm = outputSize(70, 50, 32, 32, SizeUnit::Cm, 300);
    ASSERT_TRUE(cm.width);
    EXPECT_DOUBLE_EQ(*cm.width, *in.width * 2.54);
    EXPECT_EQ(numberText(*cm.width), "18.9653333333333");

    // Whole pixels round half to even into 16 bits; beyond 16 bits the field keeps its value.
    EXPECT_EQ(outputSize(3, 1, 2.5, 1, SizeUnit::Pixels, 300).width, 8.0);  // 7.5 -> 8
    EXPECT_EQ(outputSize(5, 1, 2.5, 1, SizeUnit::Pixels, 300).width, 12.0);  // 12.5 -> 12
    EXPECT_FALSE(outputSize(200, 10, 200, 32, SizeUnit::Pixels, 300).width);
    EXPECT_TRUE(outputSize(200, 10, 200, 32, SizeUnit::Pixels, 300).height);
    EXPECT_FALSE(outputSize(70, 50, 32, 32, SizeUnit::Inch, 0).width);
}

TEST(MosaicOptions, TileSizeFromOutputRoundsDown) {
    struct Case { double total, cells; SizeUnit unit; double dpi; double want; };
    const Case cases[] = {
        {3000, 70, SizeUnit::Pixels, 300, 42},             // 42.86
        {2142.85714285714, 50, SizeUnit::Pixels, 300, 42},
        {7.46666666666667, 70, SizeUnit::Inch, 300, 32},   // back from the inch total shown
        {10, 100, SizeUnit::Inch, 300, 30},
        {2.54, 10, SizeUnit::Cm, 300, 30},
        {50, 1, SizeUnit::Cm, 100, 1968},                  // 5000 / 2.54 = 1968.5
    };
    for (const Case& c : cases) {
        const auto s = tileSizeFromOutput(c.total, c.total, c.cells, c.cells, c.unit, c.dpi);
        ASSERT_TRUE(s.width) << c.total;
        EXPECT_EQ(*s.width, c.want) << c.total;
    }
    EXPECT_FALSE(tileSizeFromOutput(100, 100, 0, 10, SizeUnit::Pixels, 300).width);
    EXPECT_TRUE(tileSizeFromOutput(100, 100, 0, 10, SizeUnit::Pixels, 300).height);
}

// The totals are shown with 15 significant digits and read back from the fields:
// the tile size must come back as it was, also through "Keep proportions".
TEST(MosaicOptions, TileSizeSurvivesARoundTripThroughTheShownTotals) {
    auto shown = [](const std::optional<double>& v) { return numberValue(numberText(v.value())).value(); };
    struct Case { int cellsX, cellsY; SizeUnit unit; double dpi; };
    const Case cases[] = {
        {181, 135, SizeUnit::Inch, 72.5}, {181, 135, SizeUnit::Cm, 72.5}, {70, 50, SizeUnit::Inch, 300},
        {97, 61, SizeUnit::Cm, 300},      {13, 7, SizeUnit::Inch, 33.3},  {250, 120, SizeUnit::Cm, 96},
        {3, 100, SizeUnit::Pixels, 300},
    };
    for (const Case& c : cases)
        for (int tw = 1; tw <= 300; ++tw) {
            const int th = tw * 3 / 4 + 1;
            const SizeInUnit total = outputSize(c.cellsX, c.cellsY, tw, th, c.unit, c.dpi);
            const double w = shown(total.width);
            const SizeInUnit tile = tileSizeFromOutput(w, shown(total.height), c.cellsX, c.cellsY, c.unit, c.dpi);
            const std::string what = "cells " + std::to_string(c.cellsX) + " dpi " + std::to_string(c.dpi) +
                                     " tile " + std::to_string(tw) + "x" + std::to_string(th);
            ASSERT_EQ(tile.width, double(tw)) << what;
            ASSERT_EQ(tile.height, double(th)) << what;
            // "Keep proportions" recomputes the height from the shown width.
            const auto h = outputHeightForWidth(w, c.cellsX, c.cellsY, tw, th);
            ASSERT_EQ(tileSizeFromOutput(w, shown(h), c.cellsX, c.cellsY, c.unit, c.dpi).height, double(th)) << what;
        }
}

TEST(MosaicOptions, ProportionsOfTilesAndTotals) {
    // Output tile: the other side with the library tile's proportions, rounded down.
    EXPECT_EQ(tileHeightForWidth(40, 40, 30), 30.0);
    EXPECT_EQ(tileHeightForWidth(50, 40, 30), 37.0);  // 37.5
    EXPECT_EQ(tileWidthForHeight(37, 40, 30), 49.0);  // 49.33
    EXPECT_EQ(tileWidthForHeight(30, 40, 30), 40.0);
    EXPECT_FALSE(tileHeightForWidth(40, 40, 0));
    EXPECT_FALSE(tileHeightForWidth(40, 0, 30));

    // Total: 3000 wide with 70 x 50 cells of 32 x 32 keeps 2240 : 1600, unrounded.
    const auto h = outputHeightForWidth(3000, 70, 50, 32, 32);
    ASSERT_TRUE(h);
    EXPECT_EQ(numberText(*h), "2142.85714285714");
    const auto w = outputWidthForHeight(1600, 70, 50, 32, 32);
    EXPECT_EQ(w, 2240.0);
    EXPECT_FALSE(outputHeightForWidth(3000, 0, 50, 32, 32));
    EXPECT_FALSE(outputWidthForHeight(3000, 70, 0, 32, 32));
}

TEST(MosaicOptions, TypedNumbers) {
    struct Case { const char* text; std::optional<int> want; };
    const Case cases[] = {
        {"12", 12}, {" 7 ", 7}, {"2.5", 2}, {"3.5", 4}, {"-0.5", 0}, {"32767", 32767}, {"32767.5", std::nullopt},
        {"-32768", -32768}, {"-32769", std::nullopt}, {"", std::nullopt}, {"abc", std::nullopt},
        {"12px", std::nullopt}, {"inf", std::nullopt}, {"nan", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(asInteger(QString(c.text)), c.want) << c.text;
    EXPECT_EQ(numberText(2240), "2240");
    EXPECT_EQ(numberText(-0.0), "0");
    EXPECT_EQ(numberText(1.0 / 3.0), "0.333333333333333");
}

TEST(MosaicOptions, MatrixClampAndPreviewButton) {
    EXPECT_EQ(clampMatrixSteps(20), 12);
    EXPECT_EQ(clampMatrixSteps(0), 1);
    EXPECT_EQ(clampMatrixSteps(7), 7);
    EXPECT_EQ(previewButtonState(std::nullopt, 10, true), PreviewButton::Disable);
    EXPECT_EQ(previewButtonState(10, 0, true), PreviewButton::Disable);
    EXPECT_EQ(previewButtonState(10, 10, false), PreviewButton::Keep);
    EXPECT_EQ(previewButtonState(10, 10, true), PreviewButton::Enable);
}
