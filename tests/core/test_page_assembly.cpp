#include <gtest/gtest.h>

#include <numeric>

#include "TestUtil.h"
#include "mosaic/PageAssembly.h"
#include "mosaic/TileCache.h"
#include "support/Effects.h"

using namespace tx;
using txtest::noise;

namespace {

TEST(PageSplit, CutsAsTheWizardPromises) {
    struct Case {
        int cells, max, perPage;
        std::vector<int> pages;
    };
    const Case cases[] = {
        {60, 100, 0, {60}},
        {40, 40, 0, {40}},
        {100, 40, 33, {33, 33, 34}},
        {10, 3, 2, {2, 2, 2, 4}},  // 2.5 rounds to 2
        {5, 4, 2, {2, 3}},
        {80, 40, 27, {27, 27, 26}},
        {6, 2, 2, {2, 2, 2}},  // 2, 2, 2, 0 before the empty page is dropped
        {10, 2, 2, {2, 2, 2, 2, 2}},
    };
    for (const Case& c : cases) {
        const PageSplit s = splitPages(c.cells, c.max);
        EXPECT_EQ(s.cells, c.pages) << c.cells << "/" << c.max;
        EXPECT_EQ(s.pages, static_cast<int>(c.pages.size())) << c.cells << "/" << c.max;
        EXPECT_EQ(s.perPage, c.perPage) << c.cells << "/" << c.max;
    }
    // Never a page without cells, never cells lost.
    for (int max = 2; max <= 12; ++max)
        for (int cells = 1; cells <= 300; ++cells) {
            const PageSplit p = splitPages(cells, max);
            EXPECT_EQ(std::accumulate(p.cells.begin(), p.cells.end(), 0), cells);
            EXPECT_EQ(std::count_if(p.cells.begin(), p.cells.end(), [](int c) { return c <= 0; }), 0) << cells << "/" << max;
            EXPECT_EQ(static_cast<int>(p.cells.size()), p.pages);
        }
}

TEST(PageFileName, NamesEveryPageByColumnAndRow) {
    EXPECT_EQ(pageFileName("/a/mosaic.jpg", 1, 1, false), "/a/mosaic.jpg");
    EXPECT_EQ(pageFileName("/a/mosaic.jpg", 1, 1, true), "/a/mosaic1-1.jpg");
    EXPECT_EQ(pageFileName("/a/mosaic.jpg", 2, 1, true), "/a/mosaic2-1.jpg");
    EXPECT_EQ(pageFileName("/a/mosaic.jpg", 1, 2, true), "/a/mosaic1-2.jpg");
    EXPECT_EQ(pageFileName("/a/mosaic.jpeg", 2, 3, true), "/a/mosaic2-3.jpeg");
    EXPECT_EQ(pageFileName("/a/m.JPEG", 1, 1, true), "/a/m1-1.JPEG");
    EXPECT_EQ(pageFileName("/a/m.BMP", 12, 3, true), "/a/m12-3.BMP");
}

// ---------------------------------------------------------------------------
// Assembly against a literal, one-cell-at-a-time rendition of the procedure.

struct Fixture {
    QTemporaryDir dir;
    QString folder;
    QStringList tiles, saved;
    MosaicJob job;
    txtest::RecordingHost host;
    Plan plan;
    OrderTable table;
    Picture cells;

    // Tiles: 1 broken, 2 at the tile size, 3 broken, 4 larger, 5 smaller; the plan
    // also names tile 6, which is not in the list.
    Fixture() {
        folder = QDir(dir.path()).filePath("lib") + "/";
        QDir().mkpath(folder);
        for (const char* broken : {"1.bmp", "3.bmp"}) txtest::writeFile(folder + broken, "BM this is not a bitmap");
        EXPECT_TRUE(saveBmp(noise(8, 8, 2), folder + "2.bmp"));
        EXPECT_TRUE(saveBmp(noise(12, 10, 4), folder + "4.bmp"));
        EXPECT_TRUE(saveBmp(noise(6, 6, 5), folder + "5.bmp"));
        tiles = QStringList{"1.bmp", "2.bmp", "3.bmp", "4.bmp", "5.bmp"};

        job.cellsX = 5, job.cellsY = 4, job.tileWidth = job.tileHeight = 8;
        job.targetPath = QDir(dir.path()).filePath("out/m.bmp");
        QDir().mkpath(QDir(dir.path()).filePath("out"));

        plan = Plan(5, 4);
        std::mt19937 rng(7);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x) {
                plan.set(x, y, static_cast<std::int16_t>(1 + rng() % 6));
                table.push_back(OrderRecord{plan.at(x, y), x, y});
            }
        SortTable(table);
        cells = noise(5, 4, 9);
    }

    // Assembles pages on a running task; pageSaved collects the file names.
    bool assemble(const PageInput& in) {
        Task task(host);
        task.setRunning(true);
        task.setPreviewWanted(true);
        PreviewFeed feed(task);
        PageInput withFeed = in;
        withFeed.previewFeed = &feed;
        const bool ok = assemblePages(task, withFeed);
        saved = task.result().filesWritten;
        return ok;
    }
    bool assemble(int maxX, int maxY, int alpha) { return assemble(input(maxX, maxY, alpha)); }

    PageInput input(int maxX, int maxY, int alpha) const {
        PageInput in;
        in.job = &job, in.libraryFolder = folder, in.tiles = tiles;
        in.plan = &plan, in.pageTable = &table, in.cellImage = &cells;
        in.maxTilesX = maxX, in.maxTilesY = maxY, in.alpha = alpha;
        return in;
    }

    // Every page as the sequential procedure paints it, in page order.
    std::vector<Picture> reference(int maxX, int maxY, int alpha) const {
        const int tw = job.tileWidth, th = job.tileHeight;
        const PageSplit sx = splitPages(job.cellsX, maxX), sy = splitPages(job.cellsY, maxY);
        std::vector<Picture> pages;
        int lastTile = 0;
        Picture tempimg2;
        for (int py = 1; py <= sy.pages; ++py)
            for (int px = 1; px <= sx.pages; ++px) {
                Picture page(tw * sx.cells[px - 1], th * sy.cells[py - 1]);
                const int x0 = (px - 1) * sx.perPage, x1 = x0 + sx.cells[px - 1] - 1;
                const int y0 = (py - 1) * sy.perPage, y1 = y0 + sy.cells[py - 1] - 1;
                for (const OrderRecord& r : table) {
                    if (r.x < x0 || r.x > x1 || r.y < y0 || r.y > y1) continue;
                    if (r.key != lastTile) {
                        lastTile = r.key;
                        Picture loaded;
                        if (r.key >= 1 && r.key <= tiles.size() && loadPicture(folder + tiles[r.key - 1], loaded))
                            tempimg2 = loaded;
                        if (!tempimg2.isEmpty() && (tempimg2.width() != tw || tempimg2.height() != th)) {
                            Picture tempimg1 = stretchPlain(tempimg2, 2 * tw, 2 * th);
                            FoxBlur(tempimg1);
                            tempimg2 = stretchPlain(tempimg1, tw, th);
                        }
                    }
                    const Colour colour = cells.pixel(r.x, r.y);
                    Picture tempimg1 = tempimg2.isEmpty() ? Picture(tw, th, colour) : tempimg2;
                    if (job.greyscale) FoxHSL(tempimg1, 0.0f);
                    if (alpha > 0) {
                        Picture farbinfo(tw + 2, th + 2, colour);
                        FoxAlphaBlend(tempimg1, 0, 0, tw, th, farbinfo, 0, 0, alpha);
                    }
                    blit(page, (r.x - x0) * tw, (r.y - y0) * th, tempimg1);
                }
                pages.push_back(page);
            }
        return pages;
    }
};

struct Variant {
    bool grey;
    int alpha;
    int maxX, maxY;
    std::size_t cacheBytes;
};

class AssemblyMatches : public ::testing::TestWithParam<Variant> {};

TEST_P(AssemblyMatches, TheSequentialProcedure) {
    const Variant v = GetParam();
    Fixture f;
    f.job.greyscale = v.grey;
    PageInput in = f.input(v.maxX, v.maxY, v.alpha);
    in.tileCacheBytes = v.cacheBytes;
    ASSERT_TRUE(f.assemble(in));

    const std::vector<Picture> expected = f.reference(v.maxX, v.maxY, v.alpha);
    ASSERT_EQ(f.saved.size(), static_cast<qsizetype>(expected.size()));
    for (std::size_t k = 0; k < expected.size(); ++k) {
        Picture got;
        ASSERT_TRUE(loadPicture(f.saved[k], got)) << f.saved[k].toStdString();
        EXPECT_TRUE(got == expected[k]) << "page " << k + 1;
    }
    EXPECT_TRUE(f.host.messages.isEmpty());
    EXPECT_EQ(f.host.lastValue, 20);
    EXPECT_EQ(f.host.lastMaximum, 20);
}

INSTANTIATE_TEST_SUITE_P(Variants, AssemblyMatches,
                         ::testing::Values(Variant{false, 0, 100, 100, 0}, Variant{true, 0, 100, 100, 0},
                                           Variant{false, 128, 100, 100, 0}, Variant{true, 255, 100, 100, 0},
                                           Variant{false, 51, 2, 3, 0},
                                           // room for 2 prepared tiles: batches and evictions
                                           Variant{true, 51, 2, 3, 2 * 8 * 8 * 3}));

TEST(Assembly, ReportsPagesInOrderWithTheirTexts) {
    Fixture f;
    saveBmp(Picture(3, 3, rgb(1, 2, 3)), QDir(f.dir.path()).filePath("out/m1-1.bmp"));  // replaced
    ASSERT_TRUE(f.assemble(2, 3, 0));  // 2, 2, 1 columns; 2, 2 rows
    QStringList names;
    for (const QString& s : f.saved) names << QFileInfo(s).fileName();
    EXPECT_EQ(names, (QStringList{"m1-1.bmp", "m2-1.bmp", "m3-1.bmp", "m1-2.bmp", "m2-2.bmp", "m3-2.bmp"}));
    QStringList expected{"Preparing page(s)..."};
    for (int n = 1; n <= 6; ++n)
        expected << QString("Creating mosaic (Page %1/6)...").arg(n) << QString("Saving mosaic (Page %1/6)...").arg(n);
    EXPECT_EQ(f.host.statuses, expected);
    EXPECT_EQ(txtest::sizeOf(f.saved.last()), QSize(8, 16));
    EXPECT_EQ(txtest::sizeOf(f.saved.first()), QSize(16, 16));
    // Progress counts every cell once, one step at a time.
    const std::vector<int>& values = f.host.values;
    ASSERT_FALSE(values.empty());
    EXPECT_EQ(values.front(), 0);
    for (std::size_t k = 1; k < values.size(); ++k) {
        EXPECT_GE(values[k], values[k - 1]);
        EXPECT_LE(values[k], values[k - 1] + 1);
    }
    EXPECT_EQ(values.back(), 20);
}

TEST(Assembly, JpegTargetWritesJpegPages) {
    Fixture f;
    f.job.targetPath = QFileInfo(f.job.targetPath).path() + "/m.JPEG";
    ASSERT_TRUE(f.assemble(3, 100, 51));  // columns 2, 3
    ASSERT_EQ(f.saved.size(), 2);
    EXPECT_TRUE(f.saved[0].endsWith("/m1-1.JPEG"));
    EXPECT_EQ(txtest::sizeOf(f.saved[1]), QSize(24, 32));
    EXPECT_TRUE(txtest::readFile(f.saved[0]).startsWith(QByteArray("\xFF\xD8", 2)));
    EXPECT_TRUE(f.host.messages.isEmpty());
}

TEST(Assembly, APageThatCannotBeSavedSaysSo) {
    const QString jpgFailed = "Error saving to Jpg. Trying to save to Bmp instead.";
    const QString bmpFailed = "Error saving to Bmp. The image is probably too big.";
    struct Case {
        QString target;
        int maxX;
        QStringList messages;
    };
    const Case cases[] = {
        {"missing/m.bmp", 100, {bmpFailed}},
        {"missing/m.jpg", 3, {jpgFailed, bmpFailed, jpgFailed, bmpFailed}},  // two pages, each reports both
    };
    for (const Case& c : cases) {
        Fixture f;
        f.job.targetPath = QDir(f.dir.path()).filePath(c.target);
        EXPECT_TRUE(f.assemble(c.maxX, 100, 0));
        EXPECT_EQ(f.host.messages, c.messages);
        EXPECT_EQ(f.host.icons.front(), MessageIcon::Information);
        EXPECT_TRUE(f.saved.isEmpty());
    }

    // A folder in the way of the JPEG file: the same picture goes to a BMP.
    Fixture f;
    f.job.targetPath = QFileInfo(f.job.targetPath).path() + "/m.jpg";
    QDir().mkpath(f.job.targetPath);
    ASSERT_TRUE(f.assemble(100, 100, 51));
    EXPECT_EQ(f.host.messages, QStringList{jpgFailed});
    ASSERT_EQ(f.saved, QStringList{f.job.targetPath + ".bmp"});
    Picture got;
    ASSERT_TRUE(loadPicture(f.saved[0], got));
    EXPECT_TRUE(got == f.reference(100, 100, 51).front());
}

TEST(Assembly, CancelKeepsSavedPagesAndWritesNothingMore) {
    Fixture f;
    txtest::CancellingHost host;
    Task task(host);
    host.task = &task;
    host.when = [](const QString& status, int value) { return value < 0 && status == "Creating mosaic (Page 2/6)..."; };
    task.setRunning(true);
    EXPECT_FALSE(assemblePages(task, f.input(2, 3, 0)));
    const QString out = QFileInfo(f.job.targetPath).path();
    EXPECT_EQ(host.statuses.last(), "Creating mosaic (Page 2/6)...");
    EXPECT_EQ(QDir(out).entryList(QDir::Files), QStringList{"m1-1.bmp"});  // no temporary left behind
}

TEST(Assembly, PreviewShowsThePlacedTiles) {
    Fixture f;
    Picture preview(2 + 5 * 4, 1 + 4 * 4, rgb(9, 9, 9));
    PageInput in = f.input(100, 100, 51);
    in.preview = &preview;
    in.layout = PreviewLayout{4, 4, 2, 1};
    ASSERT_TRUE(f.assemble(in));
    EXPECT_GE(f.host.previewCount, 1);
    const Picture page = f.reference(100, 100, 51).front();
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            const Picture small = stretchHalftone(page, Rect{x * 8, y * 8, 8, 8}, 4, 4);
            EXPECT_EQ(preview.pixel(2 + x * 4 + 1, 1 + y * 4 + 2), small.pixel(1, 2));
        }
    EXPECT_EQ(f.host.lastPreview.pixel(0, 0), rgb(9, 9, 9));  // outside the cells: untouched
}

TEST(TileCache, PreparesEachTileOnceAndRemembersFailures) {
    Fixture f;
    TileCache cache(f.folder, f.tiles, 8, 8, false, 2 * 8 * 8 * 3);
    EXPECT_EQ(cache.capacity(), 2);
    ASSERT_TRUE(cache.load({2, 4, 1, 9}));
    EXPECT_NE(cache.find(2), nullptr);
    EXPECT_NE(cache.find(4), nullptr);
    EXPECT_EQ(cache.find(1), nullptr);
    EXPECT_TRUE(cache.failed(1));
    EXPECT_TRUE(cache.failed(9));
    EXPECT_EQ(cache.decodeCount(), 2);
    ASSERT_TRUE(cache.load({2}));
    ASSERT_TRUE(cache.load({4}));
    EXPECT_EQ(cache.decodeCount(), 2);
    ASSERT_TRUE(cache.load({5}));  // evicts the tile used least recently (2)
    EXPECT_EQ(cache.held(), 2);
    EXPECT_EQ(cache.find(2), nullptr);
    EXPECT_NE(cache.find(4), nullptr);
    EXPECT_FALSE(cache.load({3}, [] { return false; }));
}

}  // namespace
