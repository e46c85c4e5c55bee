// The mosaic options reach the engine through the command line: each one changes
// the --plan output, the page or the colour database as it should.
#include <gtest/gtest.h>

#include "TestUtil.h"

using namespace tx;
using txtest::CliResult;

namespace {

using Tiles = std::vector<int>;  // the plan's tile numbers, row by row

class MosaicCliOptions : public txtest::CliHome {
protected:
    void SetUp() override { skipMachineTest(); }

    void library(const QString& name, const std::vector<Picture>& tiles) { txtest::makeLibrary(path("Tiles/" + name), tiles); }
    void library(const QString& name, const std::vector<Colour>& colours) { library(name, txtest::flatTiles(colours)); }
    QString source(const QString& name, const Picture& p) {
        const QString file = path(name + ".bmp");
        EXPECT_TRUE(saveBmp(p, file));
        return file;
    }

    // 4 x 3 cells, 1 x 1 matrix, 8 x 8 tiles, distance 0, no colour correction, unless `extra` says otherwise.
    CliResult mosaic(const QString& lib, const QString& src, const QStringList& extra, const QString& out = "m.bmp") {
        QStringList args{"mosaic", "--source", src, "--library", lib, "--out", path(out), "--tile-size", "8x8",
                         "--plan", path("plan.csv"), "--quiet"};
        for (const auto& [option, value] : {std::pair{"--cells", "4x3"}, {"--matrix", "1x1"}, {"--blend", "0"}, {"--distance", "0"}})
            if (!extra.contains(option)) args << option << value;
        return run(args + extra);
    }
    Tiles plan(const QString& lib, const QString& src, const QStringList& extra) {
        const CliResult r = mosaic(lib, src, extra);
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        Tiles tiles;
        const QStringList rows = QString::fromUtf8(txtest::readFile(path("plan.csv"))).split('\n', Qt::SkipEmptyParts);
        for (qsizetype k = 1; k < rows.size(); ++k) tiles.push_back(rows[k].split(',').value(2).toInt());
        return tiles;
    }
    Picture page(const QString& out = "m.bmp") const {
        Picture p;
        EXPECT_TRUE(loadPicture(path(out), p));
        return p;
    }
};

const Tiles kAllOne(12, 1), kAllTwo(12, 2);

TEST_F(MosaicCliOptions, GreyMakesThePageGrey) {
    library("corners", std::vector<Colour>{rgb(0, 0, 0), rgb(255, 255, 255), rgb(255, 0, 0), rgb(0, 255, 0), rgb(0, 0, 255)});
    Picture colours(16, 12, rgb(255, 0, 0));
    colours.fillRect({8, 0, 8, 12}, rgb(0, 0, 255));
    const QString src = source("colours", colours);
    auto greyPixels = [&](const QStringList& extra) {
        const CliResult r = mosaic("corners", src, extra);
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        const Picture p = page();
        int grey = 0;
        for (int y = 0; y < p.height(); ++y)
            for (int x = 0; x < p.width(); ++x) {
                const Colour c = p.pixel(x, y);
                grey += redOf(c) == greenOf(c) && greenOf(c) == blueOf(c);
            }
        EXPECT_EQ(p.width() * p.height(), 32 * 24);
        return grey;
    };
    EXPECT_EQ(greyPixels({}), 0);  // red and blue tiles
    EXPECT_EQ(greyPixels({"--grey", "--force-db", "--blend", "20"}), 32 * 24);
}

TEST_F(MosaicCliOptions, NoFilterChangesTheMeasuredColours) {
    // A tile split at x = 4 measured with a 4 x 4 matrix: the filter grows it to
    // 16 x 16 first, which softens the edge and changes the samples beside it.
    Picture split(8, 8, rgb(0, 0, 0));
    split.fillRect({4, 0, 4, 8}, rgb(255, 255, 255));
    library("split", std::vector<Picture>{split});
    const QString src = source("white", Picture(8, 8, rgb(255, 255, 255)));
    auto database = [&](const QStringList& extra) {
        const CliResult r = mosaic("split", src, QStringList{"--cells", "1x1", "--matrix", "4x4", "--force-db"} + extra);
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        return txtest::readFile(path("Tiles/split/4x4.txt"));
    };
    const QByteArray filtered = database({});
    const QByteArray plain = database({"--no-filter"});
    // Row 0 without the filter: 0, 64, 255, 255.
    EXPECT_TRUE(plain.startsWith("1\r\n0\r0\r0\r\n64\r64\r64\r\n255\r255\r255\r\n255\r255\r255\r\n")) << plain.toStdString();
    EXPECT_NE(filtered, plain);
    EXPECT_EQ(database({"--filter"}), filtered);
}

TEST_F(MosaicCliOptions, DistanceAndRenderingOrderChangeThePlan) {
    // Grey source 100 and tiles 100, 110, ..., 140: only the square keeps tile 1 away.
    library("steps", std::vector<Colour>{rgb(100, 100, 100), rgb(110, 110, 110), rgb(120, 120, 120),
                                         rgb(130, 130, 130), rgb(140, 140, 140)});
    const QString src = source("grey", Picture(16, 12, rgb(100, 100, 100)));
    EXPECT_EQ(plan("steps", src, {"--distance", "0", "--linear"}), kAllOne);
    EXPECT_EQ(plan("steps", src, {"--distance", "1", "--linear"}), (Tiles{1, 2, 1, 2, 3, 4, 3, 4, 1, 2, 1, 2}));
    // Smart: every key is equal, so the cells come in the sort's order of ties.
    EXPECT_EQ(plan("steps", src, {"--distance", "1", "--smart"}), (Tiles{1, 2, 4, 2, 3, 5, 3, 1, 1, 2, 4, 2}));
    EXPECT_EQ(plan("steps", src, {"--distance", "1"}), (Tiles{1, 2, 4, 2, 3, 5, 3, 1, 1, 2, 4, 2}));
}

TEST_F(MosaicCliOptions, SaturationAndBrightnessChangeTheSource) {
    // (200, 60, 60) at saturation 0 is grey 102; grey 40 at brightness 100 is white.
    library("sat", std::vector<Colour>{rgb(200, 60, 60), rgb(102, 102, 102)});
    const QString red = source("red", Picture(16, 12, rgb(200, 60, 60)));
    EXPECT_EQ(plan("sat", red, {}), kAllOne);
    EXPECT_EQ(plan("sat", red, {"--saturation", "0"}), kAllTwo);

    library("bright", std::vector<Colour>{rgb(40, 40, 40), rgb(255, 255, 255)});
    const QString dark = source("dark", Picture(16, 12, rgb(40, 40, 40)));
    EXPECT_EQ(plan("bright", dark, {}), kAllOne);
    EXPECT_EQ(plan("bright", dark, {"--brightness", "100"}), kAllTwo);
}

TEST_F(MosaicCliOptions, BlendMovesThePageTowardsTheSource) {
    library("one", std::vector<Colour>{rgb(100, 150, 90)});
    const QString src = source("warm", Picture(16, 12, rgb(200, 100, 50)));
    struct Case {
        const char* blend;
        Colour pixel;
    };
    // Alpha 128 for 50: ((200, 100, 50) * 128 + (100, 150, 90) * 127 + 127) / 255.
    for (const Case& c : {Case{"0", rgb(100, 150, 90)}, Case{"50", rgb(150, 125, 70)}, Case{"100", rgb(200, 100, 50)}}) {
        const CliResult r = mosaic("one", src, {"--blend", c.blend});
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(page().pixel(12, 20), c.pixel) << c.blend;
    }
}

TEST_F(MosaicCliOptions, PerceptualAndMirrorReachTheEngine) {
    // Blue: the darker blue is nearer in RGB, the lighter one looks nearer.
    library("blues", std::vector<Colour>{rgb(0, 0, 140), rgb(60, 60, 255)});
    const QString blue = source("blue", Picture(40, 30, rgb(0, 0, 255)));
    EXPECT_EQ(plan("blues", blue, {}), Tiles(12, 1));
    EXPECT_EQ(plan("blues", blue, {"--perceptual"}), Tiles(12, 2));

    // Tile 1 is red | blue, the source's cells blue | red: the mirror fits.
    Picture halves(8, 8, rgb(180, 40, 40));
    halves.fillRect({4, 0, 4, 8}, rgb(40, 40, 180));
    library("halves", std::vector<Picture>{halves, Picture(8, 8, rgb(110, 40, 110))});
    Picture cells(40, 30, rgb(40, 40, 180));
    for (int x = 5; x < 40; x += 10) cells.fillRect({x, 0, 5, 30}, rgb(180, 40, 40));
    const QString src = source("flipped", cells);
    const CliResult r = mosaic("halves", src, {"--matrix", "2x1", "--mirror"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QStringList rows = QString::fromUtf8(txtest::readFile(path("plan.csv"))).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 13);
    EXPECT_EQ(rows[0], "x,y,tile,file,mirrored");
    for (qsizetype k = 1; k < rows.size(); ++k) {
        const QStringList fields = rows[k].split(',');
        EXPECT_EQ(fields.size(), 5) << rows[k].toStdString();
        EXPECT_EQ(fields.value(2), "1") << rows[k].toStdString();
        EXPECT_EQ(fields.value(4), "1") << rows[k].toStdString();
    }
    Picture page;
    ASSERT_TRUE(loadPicture(path("m.bmp"), page));
    EXPECT_EQ(page.pixel(1, 1), rgb(40, 40, 180));
    EXPECT_EQ(page.pixel(6, 1), rgb(180, 40, 40));
    // Without the option the plan keeps its four columns.
    EXPECT_EQ(plan("halves", src, {"--matrix", "2x1"}).size(), 12u);
    EXPECT_EQ(QString::fromUtf8(txtest::readFile(path("plan.csv"))).section('\n', 0, 0), "x,y,tile,file");
}

}  // namespace
