#include <gtest/gtest.h>

#include <numeric>

#include "TestUtil.h"
#include "mosaic/PageAssembly.h"
#include "mosaic/TileCache.h"

using namespace tx;

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
    for (auto [column, row, name] : {std::tuple{1, 1, "/a/m1-1.JPEG"}, {2, 1, "/a/m2-1.JPEG"}, {12, 3, "/a/m12-3.JPEG"}})
        EXPECT_EQ(pageFileName("/a/m.JPEG", column, row, true), name);
}

// ---------------------------------------------------------------------------
// Assembly of flat tiles on a fixed plan, so every cell's colour is known by hand.

const Colour kWhite = rgb(255, 255, 255), kRed = rgb(200, 0, 0), kGreen = rgb(0, 180, 0), kBlue = rgb(0, 0, 160);

struct Fixture {
    QTemporaryDir dir;
    QString folder;
    QStringList tiles, saved;
    MosaicJob job;
    txtest::RecordingHost host;
    Plan plan;
    OrderTable table;
    Picture cells;

    // Tiles: 1 white, 2 red (the tile size), 3 broken, 4 green and larger, 5 blue
    // and smaller; the plan also names tile 6, which is not in the list.
    Fixture() {
        folder = QDir(dir.path()).filePath("lib") + "/";
        QDir().mkpath(folder);
        EXPECT_TRUE(saveBmp(Picture(8, 8, kWhite), folder + "1.bmp"));
        EXPECT_TRUE(saveBmp(Picture(8, 8, kRed), folder + "2.bmp"));
        txtest::writeFile(folder + "3.bmp", "BM this is not a bitmap");
        EXPECT_TRUE(saveBmp(Picture(12, 10, kGreen), folder + "4.bmp"));
        EXPECT_TRUE(saveBmp(Picture(6, 6, kBlue), folder + "5.bmp"));
        tiles = QStringList{"1.bmp", "2.bmp", "3.bmp", "4.bmp", "5.bmp"};

        job.cellsX = 5, job.cellsY = 4, job.tileWidth = job.tileHeight = 8;
        job.targetPath = QDir(dir.path()).filePath("out/m.bmp");
        QDir().mkpath(QDir(dir.path()).filePath("out"));

        const int rows[4][5] = {{2, 4, 5, 1, 3}, {6, 2, 2, 4, 5}, {1, 5, 4, 3, 2}, {4, 4, 6, 2, 1}};
        plan = Plan(5, 4);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x) {
                plan.set(x, y, static_cast<std::int16_t>(rows[y][x]));
                table.push_back(OrderRecord{rows[y][x], x, y});
            }
        SortTable(table);
        cells = Picture(5, 4, rgb(10, 20, 30));
    }

    // Assembles pages on a running task and collects the files written.
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

    // The colour of every cell on the saved pages, read at each cell's centre.
    std::vector<std::vector<Colour>> placed(int maxX, int maxY) const {
        const PageSplit sx = splitPages(5, maxX), sy = splitPages(4, maxY);
        std::vector<std::vector<Colour>> out(4, std::vector<Colour>(5));
        int k = 0;
        for (int py = 0; py < sy.pages; ++py)
            for (int px = 0; px < sx.pages; ++px, ++k) {
                Picture page;
                EXPECT_TRUE(k < saved.size() && loadPicture(saved[k], page)) << "page " << k + 1;
                for (int y = 0; y < sy.cells[py]; ++y)
                    for (int x = 0; x < sx.cells[px]; ++x)
                        out[py * sy.perPage + y][px * sx.perPage + x] = page.pixel(x * 8 + 4, y * 8 + 4);
            }
        return out;
    }
};

TEST(Assembly, PlacesEachTileAndKeepsThePreviousTileForOneThatFails) {
    // One page: the cells come by tile, so broken 3 shows 2 (red) and missing 6
    // shows 5 (blue); 4 and 5 are resized and stay flat.
    const std::vector<std::vector<Colour>> onePage = {{kRed, kGreen, kBlue, kWhite, kRed},
                                                      {kBlue, kRed, kRed, kGreen, kBlue},
                                                      {kWhite, kBlue, kGreen, kRed, kRed},
                                                      {kGreen, kGreen, kBlue, kRed, kWhite}};
    // Pages of 2, 2, 1 columns and 2, 2 rows: the tile in hand carries over from page
    // to page. Page 1 (tiles 2 2 4 6): 6 keeps green. Page 3 (tiles 3 5) begins with
    // the blue that ended page 2. Page 5 (tiles 2 3 4 6): 3 keeps red, 6 green.
    const std::vector<std::vector<Colour>> sixPages = {{kRed, kGreen, kBlue, kWhite, kBlue},
                                                       {kGreen, kRed, kRed, kGreen, kBlue},
                                                       {kWhite, kBlue, kGreen, kRed, kRed},
                                                       {kGreen, kGreen, kGreen, kRed, kWhite}};
    struct Case {
        int maxX, maxY;
        std::size_t cacheBytes;
        const std::vector<std::vector<Colour>>& expected;
    };
    const Case cases[] = {{100, 100, 0, onePage}, {2, 3, 0, sixPages},
                          {2, 3, 2 * 8 * 8 * 3, sixPages}};  // room for 2 prepared tiles
    for (const Case& c : cases) {
        Fixture f;
        PageInput in = f.input(c.maxX, c.maxY, 0);
        in.tileCacheBytes = c.cacheBytes;
        ASSERT_TRUE(f.assemble(in));
        EXPECT_EQ(f.placed(c.maxX, c.maxY), c.expected) << c.maxX << " " << c.cacheBytes;
        EXPECT_TRUE(f.host.messages.isEmpty());
        EXPECT_EQ(f.host.lastValue, 20);
    }
    // Greyscale and colour correction reach every page.
    Fixture f;
    f.job.greyscale = true;
    ASSERT_TRUE(f.assemble(2, 3, 255));
    for (const auto& row : f.placed(2, 3))
        for (Colour c : row) EXPECT_EQ(c, rgb(10, 20, 30));
}

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
    EXPECT_EQ(got.pixel(4, 4), rgb((200 * 204 + 10 * 51 + 127) / 255, (20 * 51 + 127) / 255, (30 * 51 + 127) / 255));
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
    Picture page;
    ASSERT_TRUE(loadPicture(f.saved.front(), page));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(preview.pixel(2 + x * 4 + 1, 1 + y * 4 + 2), page.pixel(x * 8 + 4, y * 8 + 4));
    EXPECT_EQ(f.host.lastPreview.pixel(0, 0), rgb(9, 9, 9));  // outside the cells: untouched
}

TEST(TileCache, EvictsTheLeastRecentlyUsedAndRemembersFailures) {
    Fixture f;
    TileCache cache(f.folder, f.tiles, 8, 8, false, 2 * 8 * 8 * 3);
    EXPECT_EQ(cache.capacity(), 2);
    ASSERT_TRUE(cache.load({2, 4, 3, 9}));
    EXPECT_NE(cache.find(2), nullptr);
    EXPECT_NE(cache.find(4), nullptr);
    EXPECT_EQ(cache.find(3), nullptr);
    EXPECT_TRUE(cache.failed(3));
    EXPECT_TRUE(cache.failed(9));
    ASSERT_TRUE(cache.load({4}));
    ASSERT_TRUE(cache.load({5}));  // evicts the tile used least recently (2)
    EXPECT_EQ(cache.held(), 2);
    EXPECT_EQ(cache.find(2), nullptr);
    EXPECT_NE(cache.find(4), nullptr);
    EXPECT_FALSE(cache.load({3}, [] { return false; }));
}

}  // namespace
