// End to end: tesselix-cli mosaic and demo as a child process, on a tiny library
// made here, with a private home and settings file.
#include <QDateTime>
#include <gtest/gtest.h>

#include "TestUtil.h"
#include "library/TileLibrary.h"

using namespace tx;
using txtest::CliResult;
using txtest::sizeOf;

namespace {

class MosaicCli : public txtest::TinyMosaicHome {
protected:
    CliResult mosaic(const QStringList& extra) {
        return run(QStringList{"mosaic", "--source", source, "--library", "tiny", "--quiet"} + extra);
    }
    QStringList lines(const QString& name) const {
        return QString::fromUtf8(txtest::readFile(path(name))).split('\n', Qt::SkipEmptyParts);
    }
};

TEST_F(MosaicCli, WritesTheMosaicItsPlanAndItsWorkingPictures) {
    const QString out = path("m.jpg");
    const CliResult r = mosaic({"--out", out, "--cells", "10x8", "--plan", path("plan.csv"), "--work-dir", path("work")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.trimmed(), out);
    EXPECT_EQ(sizeOf(out), QSize(80, 64));

    const QStringList plan = lines("plan.csv");
    ASSERT_EQ(plan.size(), 1 + 80);
    EXPECT_EQ(plan[0].trimmed(), "x,y,tile,file");
    const QStringList tiles = tileList(library);
    for (int k = 0; k < 80; ++k) {
        const QStringList f = plan[k + 1].trimmed().split(',');
        ASSERT_EQ(f.size(), 4) << plan[k + 1].toStdString();
        EXPECT_EQ(f[0].toInt(), k % 10);
        EXPECT_EQ(f[1].toInt(), k / 10);
        const int tile = f[2].toInt();
        ASSERT_TRUE(tile >= 1 && tile <= 20);
        EXPECT_EQ(f[3], tiles[tile - 1]);
    }

    EXPECT_FALSE(sizeOf(path("work/scan.bmp")).isEmpty());
    EXPECT_EQ(sizeOf(path("work/cells.bmp")), QSize(10, 8));
    const QStringList order = lines("work/order.csv");  // smart rendering is the default
    ASSERT_EQ(order.size(), 1 + 80);
    EXPECT_EQ(order[0].trimmed(), "key,x,y");
}

TEST_F(MosaicCli, DefaultsToTheWizardsProposalAndWritesBmp) {
    // 40 x 30: sqrt(4/3 * 3600) = 69.28 -> 69 across; 8 x 8 tiles link 69 / (4/3) -> 51 down.
    const QString out = path("m.bmp");
    const CliResult r = mosaic({"--out", out, "--linear", "--tiles", "12"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(sizeOf(out), QSize(69 * 8, 51 * 8));
    const CliResult across = mosaic({"--out", out, "--cells-x", "20", "--tile-size", "4x6"});
    ASSERT_EQ(across.code, 0) << across.err.toStdString();
    EXPECT_EQ(sizeOf(out), QSize(20 * 4, 15 * 6));
}

TEST_F(MosaicCli, CutsABigMosaicIntoPages) {
    ASSERT_EQ(run({"settings", "MaxWidth", "40"}).code, 0);
    ASSERT_EQ(run({"settings", "MaxHeight", "40"}).code, 0);
    // 5 tiles a page: 10 across as 3, 3, 4; 8 down as 4, 4.
    const CliResult r = mosaic({"--out", path("m.jpg"), "--cells", "10x8", "--matrix", "1x1"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QStringList expected;
    for (const char* n : {"m1-1", "m2-1", "m3-1", "m1-2", "m2-2", "m3-2"}) expected << path(QString(n) + ".jpg");
    EXPECT_EQ(r.out.split('\n', Qt::SkipEmptyParts), expected);
    EXPECT_EQ(sizeOf(path("m1-1.jpg")), QSize(24, 32));
    EXPECT_EQ(sizeOf(path("m3-2.jpg")), QSize(32, 32));
    EXPECT_FALSE(QFileInfo::exists(path("m.jpg")));
}

// --out NAME.html: the page, its description and its folder, or, without a viewer,
// the message and no files.
TEST_F(MosaicCli, WritesAZoomablePageOrSaysItsViewerIsMissing) {
    QDir().mkpath(path("viewer"));
    txtest::writeFile(path("viewer/openseadragon.min.js"));
    txtest::writeFile(path("viewer/LICENSE.txt"));
    qputenv("TESSELIX_VIEWER", path("viewer").toUtf8());
    const CliResult r = mosaic({"--out", path("z.html"), "--cells", "10x8"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.trimmed(), path("z.html"));
    EXPECT_TRUE(QFile::exists(path("z.dzi")));
    EXPECT_EQ(sizeOf(path("z_files/7/0_0.jpg")), QSize(80, 64));  // 2^7 = 128 >= 80
    EXPECT_TRUE(QFile::exists(path("z_files/openseadragon/LICENSE.txt")));

    qputenv("TESSELIX_VIEWER", path("nothing-here").toUtf8());
    const CliResult missing = mosaic({"--out", path("y.html"), "--cells", "10x8"});
    qunsetenv("TESSELIX_VIEWER");
    EXPECT_EQ(missing.code, 1);
    EXPECT_TRUE(missing.err.contains("its viewer (OpenSeadragon) is missing")) << missing.err.toStdString();
    EXPECT_FALSE(QFile::exists(path("y.html")));
    EXPECT_FALSE(QFile::exists(path("y_files")));
}

TEST_F(MosaicCli, RefusesBadUsageAndUnreadableSources) {
    const QString out = path("m.jpg");
    const QList<QStringList> bad{
        {"--cells", "10x8"},  // no --out
        {"--out", out, "--blend", "101"},
        {"--out", out, "--distance", "-1"},
        {"--out", out, "--cells", "10x8", "--cells-x", "10"},
        {"--out", out, "--linear", "--smart"},
        {"--out", path("m.gif")},
        {"--out", path("missing/m.jpg")},
        {"--out", out, "--frobnicate"},
        {"--out", out, "extra"},
    };
    for (const QStringList& args : bad) {
        const CliResult r = mosaic(args);
        EXPECT_EQ(r.code, 2) << args.join(' ').toStdString();
        EXPECT_FALSE(r.err.isEmpty());
    }
    // The wizard's rule and message for the file format.
    for (const char* name : {"m.tif", "m.gif", "m"}) {
        const CliResult r = mosaic({"--out", path(name)});
        EXPECT_EQ(r.code, 2) << name;
        EXPECT_TRUE(r.err.contains("Please name a .jpg, .jpeg, .bmp, .png or .html file.")) << r.err.toStdString();
    }
    for (const char* name : {"../tiny", "nope", ""})
        EXPECT_EQ(run({"mosaic", "--source", source, "--library", name, "--out", out}).code, 2) << name;

    txtest::writeFile(path("junk.jpg"), "not a picture at all");
    for (const QString& src : {path("junk.jpg"), path("absent.bmp")}) {
        const CliResult r = run({"mosaic", "--source", src, "--library", "tiny", "--out", out});
        EXPECT_EQ(r.code, 1);
        EXPECT_TRUE(r.err.contains("Please select a valid source image.")) << r.err.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(out));
}

TEST_F(MosaicCli, RefusesOptionValuesWithTheWizardsTexts) {
    const QString out = path("m.jpg");
    struct Case { QStringList args; const char* text; };
    const QList<Case> cases{
        {{"--cells-x", "1"}, "Please select a valid pixel size."},  // 1 across a landscape: 0 down
        {{"--cells", "0x10"}, "Please select a valid pixel size."},
        {{"--cells", "182x181"}, "Please select a valid pixel size."},
        {{"--cells", "tenx8"}, "Please select a valid pixel size."},
        {{"--matrix", "0x3"}, "Please select a value between 1 and 12."},
        {{"--matrix", "3x13"}, "Please select a value between 1 and 12."},
        {{"--tile-size", "0x8"}, "Please select a valid pixel size."},
        {{"--tiles", "0"}, "Please select a valid number of tiles."},
        {{"--tiles", "21"}, "Please select a valid number of tiles."},
    };
    for (const Case& c : cases) {
        const CliResult r = mosaic(QStringList{"--out", out} + c.args);
        EXPECT_EQ(r.code, 2) << c.args.join(' ').toStdString();
        EXPECT_EQ(r.err.trimmed(), c.text) << c.args.join(' ').toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(out));
}

TEST_F(MosaicCli, DemoDrawsItsLibraryOnceAndRendersIt) {
    const QString out = path("demo.jpg");
    const CliResult r = run({"demo", "--out", out, "--quiet"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.trimmed(), out);
    EXPECT_FALSE(sizeOf(out).isEmpty());
    const QString demo = path("Tiles/Demo/");
    EXPECT_EQ(tileList(demo).size(), 320);
    EXPECT_EQ(sizeOf(demo + "1.jpg"), QSize(64, 64));
    EXPECT_EQ(sizeOf(path("demo/demo-source.jpg")), QSize(1200, 900));
    EXPECT_FALSE(QFileInfo::exists(path("Tiles/.Demo-partial")));

    const QDateTime made = QFileInfo(demo + "1.jpg").lastModified();
    const CliResult again = run({"demo", "--quiet"});
    ASSERT_EQ(again.code, 0) << again.err.toStdString();
    EXPECT_EQ(again.out.trimmed(), path("demo/demo-mosaic.jpg"));
    EXPECT_EQ(QFileInfo(demo + "1.jpg").lastModified(), made);
}

}  // namespace
