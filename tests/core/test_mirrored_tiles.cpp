// Mirrored tiles: derived samples, the tile flipped on the page, and a tile and
// its mirror kept apart as one tile.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "TestUtil.h"
#include "library/ColourDatabase.h"
#include "mosaic/MatchingChoice.h"
#include "mosaic/MirroredTiles.h"
#include "mosaic/PageAssembly.h"
#include "support/FileHelpers.h"
#include "support/PictureFile.h"
#include <QDir>
#include <QTemporaryDir>

using namespace tx;

namespace {

Picture flipped(const Picture& p) {
    Picture out = p;
    flipColumns(out);
    return out;
}

// A tile that is plainly not symmetric: a smooth ramp across with a dark block
// at the left and some texture.
Picture lopsidedTile(int w, int h, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> noise(-6, 6);
    Picture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int ramp = 255 * x / (w - 1);
            const bool block = x < w / 4 && y > h / 3;
            p.setPixel(x, y, rgb(block ? 10 : ramp, std::clamp(128 + noise(rng), 0, 255), block ? 200 : 255 - ramp));
        }
    return p;
}

// The database keeps one pixel of each 2 x 2 block of its blurred half-size
// picture (the lower right), so its measure is not symmetric: reversed columns
// are the mirrored picture's samples taken a quarter sample to the left, not
// the very bytes a measure of the flipped picture gives. They must be close to
// those and far from the unmirrored samples.
TEST(MirroredTiles, SamplesAreTheColumnsReversedAndMatchTheMirroredPicture) {
    const std::uint8_t samples[2 * 3 * 3] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
    std::uint8_t out[18];
    mirrorSamples(samples, 3, 2, out);
    const std::uint8_t expected[18] = {7, 8, 9, 4, 5, 6, 1, 2, 3, 16, 17, 18, 13, 14, 15, 10, 11, 12};
    EXPECT_EQ(0, std::memcmp(out, expected, 18));

    struct Case {
        int w, h, mx, my;
        bool grey, filter;
    };
    const Case cases[] = {{64, 48, 3, 3, false, true}, {64, 64, 5, 5, false, false}, {90, 60, 4, 2, true, true},
                          {120, 80, 12, 12, false, true}};
    for (const Case& c : cases) {
        const Picture tile = lopsidedTile(c.w, c.h, static_cast<unsigned>(c.w * c.mx));
        const int n = c.mx * c.my * 3;
        std::vector<std::uint8_t> original(n), mirroredPicture(n), derived(n);
        measureTile(tile, c.mx, c.my, c.grey, c.filter, original.data());
        measureTile(flipped(tile), c.mx, c.my, c.grey, c.filter, mirroredPicture.data());
        mirrorSamples(original.data(), c.mx, c.my, derived.data());
        double fromDerived = 0, fromOriginal = 0;
        for (int k = 0; k < n; ++k) {
            fromDerived += std::abs(derived[k] - mirroredPicture[k]);
            fromOriginal += std::abs(original[k] - mirroredPicture[k]);
        }
        EXPECT_LT(fromDerived, 0.3 * fromOriginal) << c.w << "x" << c.h << " at " << c.mx << "x" << c.my;
    }
}

TEST(MirroredTiles, PageHoldsTheFlippedPixels) {
    QTemporaryDir dir;
    const QString folder = QDir(dir.path()).filePath("lib") + "/";
    QDir().mkpath(folder);
    Picture tile(8, 8, rgb(200, 0, 0));
    tile.fillRect({4, 0, 4, 8}, rgb(0, 0, 160));  // red left, blue right
    tile.setPixel(0, 0, rgb(0, 255, 0));           // and a green corner top left
    ASSERT_TRUE(saveBmp(tile, folder + "1.bmp"));

    MosaicJob job;
    job.cellsX = 3, job.cellsY = 1, job.tileWidth = job.tileHeight = 8;
    job.targetPath = QDir(dir.path()).filePath("m.bmp");
    Plan plan(3, 1);
    MirrorPlan mirrored(3, 1);
    OrderTable table;
    for (int x = 0; x < 3; ++x) {
        plan.set(x, 0, 1);
        table.push_back(OrderRecord{1, x, 0});
    }
    mirrored.set(1, 0, true);
    const Picture cells(3, 1, rgb(10, 20, 30));

    txtest::RecordingHost host;
    Task task(host);
    task.setRunning(true);
    PageInput in;
    in.job = &job, in.libraryFolder = folder, in.tiles = QStringList{"1.bmp"};
    in.plan = &plan, in.mirrored = &mirrored, in.pageTable = &table, in.cellImage = &cells;
    in.maxTilesX = 10, in.maxTilesY = 10;
    ASSERT_TRUE(assemblePages(task, in));
    Picture page;
    ASSERT_TRUE(loadPicture(job.targetPath, page));
    ASSERT_EQ(page.width(), 24);
    for (int x = 0; x < 3; ++x) {
        Picture expected = tile;
        if (x == 1) flipColumns(expected);
        for (int yy = 0; yy < 8; ++yy)
            for (int xx = 0; xx < 8; ++xx)
                ASSERT_EQ(page.pixel(x * 8 + xx, yy), expected.pixel(xx, yy)) << "cell " << x << " at " << xx << "," << yy;
    }
    EXPECT_EQ(page.pixel(8 + 7, 0), rgb(0, 255, 0));
}

TEST(MirroredTiles, ATileAndItsMirrorAreOneTileForTheDistance) {
    // Tile 1 is red|blue; cell 2 is blue|red, which the mirror of tile 1 matches
    // exactly. Tile 2 is a plain middle colour.
    const Colour red = rgb(160, 60, 60), blue = rgb(60, 60, 160);
    Picture scan(4, 1);
    scan.setPixel(0, 0, red), scan.setPixel(1, 0, blue), scan.setPixel(2, 0, blue), scan.setPixel(3, 0, red);
    TileColourTable tiles;
    tiles.reset(2, 2, 1);
    const std::uint8_t values[] = {160, 60, 60, 60, 60, 160, 110, 60, 110, 110, 60, 110};
    std::memcpy(tiles.values.data(), values, sizeof values);
    TileChoiceInput in;
    in.scan = &scan, in.tiles = &tiles, in.tileCount = 2, in.cellsX = 2, in.cellsY = 1, in.matrX = 2, in.matrY = 1;
    struct Case {
        int distance;
        bool perceptual;
        int second;
        bool secondMirrored;
    };
    for (const Case& c : {Case{0, false, 1, true}, Case{1, false, 2, false}, Case{0, true, 1, true}, Case{1, true, 2, false}}) {
        in.distance = c.distance;
        Plan plan(2, 1);
        MirrorPlan mirrored(2, 1);
        ASSERT_TRUE(chooseTilesMatching(in, MatchingOptions{c.perceptual, true}, plan, &mirrored));
        EXPECT_EQ(plan.at(0, 0), 1);
        EXPECT_FALSE(mirrored.at(0, 0));
        EXPECT_EQ(plan.at(1, 0), c.second) << c.distance << " " << c.perceptual;
        EXPECT_EQ(mirrored.at(1, 0), c.secondMirrored) << c.distance << " " << c.perceptual;
    }

    // Many cells and few tiles: still no tile twice within the square, mirrored or not.
    std::mt19937 rng(4);
    std::uniform_int_distribution<int> channel(60, 180);
    const int mx = 3, my = 2, cx = 14, cy = 10, distance = 2, count = 26;
    Picture big(cx * mx, cy * my);
    for (int y = 0; y < big.height(); ++y)
        for (int x = 0; x < big.width(); ++x) big.setPixel(x, y, rgb(channel(rng), channel(rng), channel(rng)));
    TileColourTable library;
    library.reset(count, mx, my);
    for (auto& v : library.values) v = static_cast<std::uint8_t>(channel(rng));
    TileChoiceInput many;
    many.scan = &big, many.tiles = &library, many.tileCount = count, many.cellsX = cx, many.cellsY = cy;
    many.matrX = mx, many.matrY = my, many.distance = distance;
    for (bool perceptual : {false, true}) {
        Plan plan(cx, cy);
        MirrorPlan mirrored(cx, cy);
        ASSERT_TRUE(chooseTilesMatching(many, MatchingOptions{perceptual, true}, plan, &mirrored));
        EXPECT_GT(mirrored.count(), 0);
        for (int y = 0; y < cy; ++y)
            for (int x = 0; x < cx; ++x)
                for (int yy = std::max(0, y - distance); yy <= std::min(cy - 1, y + distance); ++yy)
                    for (int xx = std::max(0, x - distance); xx <= std::min(cx - 1, x + distance); ++xx)
                        if (xx != x || yy != y) {
                            EXPECT_NE(plan.at(x, y), plan.at(xx, yy)) << x << "," << y;
                        }
    }
}

}  // namespace
