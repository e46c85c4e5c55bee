#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <random>

#include "TestUtil.h"
#include "mosaic/PageAssembly.h"
#include "mosaic/TileCache.h"
#include "support/Effects.h"
#include "support/PictureFile.h"

using namespace tx;

namespace {

std::vector<int> cellsOf(int cells, int max) { return splitPages(cells, max).cells; }

TEST(PageSplit, CutsAsTheWizardPromises) {
    EXPECT_EQ(cellsOf(60, 100), (std::vector<int>{60}));
    EXPECT_EQ(splitPages(60, 100).perPage, 0);
    EXPECT_EQ(cellsOf(40, 40), (std::vector<int>{40}));
    EXPECT_EQ(cellsOf(100, 40), (std::vector<int>{33, 33, 34}));
    EXPECT_EQ(splitPages(100, 40).perPage, 33);
    EXPECT_EQ(cellsOf(10, 3), (std::vector<int>{2, 2, 2, 4}));  // 2.5 rounds to 2
    EXPECT_EQ(cellsOf(5, 4), (std::vector<int>{2, 3}));
    EXPECT_EQ(cellsOf(80, 40), (std::vector<int>{27, 27, 26}));
}

TEST(PageSplit, DropsAPageLeftWithoutCells) {
    const PageSplit s = splitPages(6, 2);  // 2, 2, 2, 0 before the drop
    EXPECT_EQ(s.pages, 3);
    EXPECT_EQ(s.cells, (std::vector<int>{2, 2, 2}));
    EXPECT_EQ(cellsOf(10, 2), (std::vector<int>{2, 2, 2, 2, 2}));
    // Never a page without cells, never cells lost.
    for (int max = 2; max <= 12; ++max)
        for (int cells = 1; cells <= 300; ++cells) {
            const PageSplit p = splitPages(cells, max);
            int sum = 0;
            for (int c : p.cells) {
                EXPECT_GT(c, 0) << cells << "/" << max;
                sum += c;
            }
            EXPECT_EQ(sum, cells);
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
    EXPECT_EQ(pageFileName("/a/m.Jpeg", 1, 1, true), "/a/m1-1.Jpeg");
    EXPECT_EQ(pageFileName("/a/m.BMP", 12, 3, true), "/a/m12-3.BMP");
}

// ---------------------------------------------------------------------------
// Assembly against a literal, one-cell-at-a-time rendition of the procedure.

Picture noise(int w, int h, unsigned seed) {
    std::mt19937 rng(seed);
    Picture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.setPixel(x, y, rng() & 0xFFFFFF);
    return p;
}

struct Fixture {
    QTemporaryDir dir;
    QString folder;
    QStringList tiles;
    MosaicJob job;
    Plan plan;
    OrderTable table;
    Picture cells;

    // Tiles: 1 broken, 2 at the tile size, 3 broken, 4 larger, 5 smaller; the plan
    // also names tile 6, which is not in the list.
    Fixture(int cellsX = 5, int cellsY = 4) {
        folder = QDir(dir.path()).filePath("lib") + "/";
        QDir().mkpath(folder);
        QFile broken(folder + "1.bmp");
        broken.open(QIODevice::WriteOnly);
        broken.write("BM this is not a bitmap");
        broken.close();
        QFile::copy(folder + "1.bmp", folder + "3.bmp");
        saveBmp(noise(8, 8, 2), folder + "2.bmp");
        saveBmp(noise(12, 10, 4), folder + "4.bmp");
        saveBmp(noise(6, 6, 5), folder + "5.bmp");
        tiles = QStringList{"1.bmp", "2.bmp", "3.bmp", "4.bmp", "5.bmp"};

        job.cellsX = cellsX;
        job.cellsY = cellsY;
        job.tileWidth = 8;
        job.tileHeight = 8;
        job.targetPath = QDir(dir.path()).filePath("out/m.bmp");
        QDir().mkpath(QDir(dir.path()).filePath("out"));

        plan = Plan(cellsX, cellsY);
        std::mt19937 rng(7);
        for (int y = 0; y < cellsY; ++y)
            for (int x = 0; x < cellsX; ++x) {
                plan.set(x, y, static_cast<std::int16_t>(1 + rng() % 6));
                table.push_back(OrderRecord{plan.at(x, y), x, y});
            }
        SortTable(table);
        cells = noise(cellsX, cellsY, 9);
    }

    PageInput input(int maxX, int maxY, int alpha) const {
        PageInput in;
        in.job = &job;
        in.libraryFolder = folder;
        in.tiles = tiles;
        in.plan = &plan;
        in.pageTable = &table;
        in.cellImage = &cells;
        in.maxTilesX = maxX;
        in.maxTilesY = maxY;
        in.alpha = alpha;
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
    QStringList saved;
    f.job.pageSaved = [&](const QString& name) { saved << name; };
    txtest::RecordingHost host;
    Task task(host);
    task.setRunning(true);
    PageInput in = f.input(v.maxX, v.maxY, v.alpha);
    in.tileCacheBytes = v.cacheBytes;
    ASSERT_TRUE(assemblePages(task, in));

    const std::vector<Picture> expected = f.reference(v.maxX, v.maxY, v.alpha);
    ASSERT_EQ(saved.size(), static_cast<qsizetype>(expected.size()));
    for (std::size_t k = 0; k < expected.size(); ++k) {
        Picture got;
        ASSERT_TRUE(loadPicture(saved[k], got)) << saved[k].toStdString();
        EXPECT_TRUE(got == expected[k]) << "page " << k + 1;
    }
    EXPECT_TRUE(host.messages.isEmpty());
    EXPECT_EQ(host.lastValue, 20);
    EXPECT_EQ(host.lastMaximum, 20);
}

INSTANTIATE_TEST_SUITE_P(Variants, AssemblyMatches,
                         ::testing::Values(Variant{false, 0, 100, 100, 0}, Variant{true, 0, 100, 100, 0},
                                           Variant{false, 128, 100, 100, 0}, Variant{true, 255, 100, 100, 0},
                                           Variant{false, 51, 2, 3, 0},
                                           // room for 2 prepared tiles: batches and evictions
                                           Variant{true, 51, 2, 3, 2 * 8 * 8 * 3}));

TEST(Assembly, ReportsPagesInOrderWithTheirTexts) {
    Fixture f;
    QStringList saved;
    f.job.pageSaved = [&](const QString& name) { saved << QFileInfo(name).fileName(); };
    txtest::RecordingHost host;
    Task task(host);
    task.setRunning(true);
    ASSERT_TRUE(assemblePages(task, f.input(2, 3, 0)));  // 2, 2, 1 columns; 2, 2 rows
    EXPECT_EQ(saved, (QStringList{"m1-1.bmp", "m2-1.bmp", "m3-1.bmp", "m1-2.bmp", "m2-2.bmp", "m3-2.bmp"}));
    QStringList expected{"Preparing page(s)..."};
    for (int n = 1; n <= 6; ++n)
        expected << QString("Creating mosaic (Page %1/6)...").arg(n) << QString("Saving mosaic (Page %1/6)...").arg(n);
    EXPECT_EQ(host.statuses, expected);
    Picture last;
    ASSERT_TRUE(loadPicture(QFileInfo(f.job.targetPath).path() + "/m3-2.bmp", last));
    EXPECT_EQ(last.width(), 8);
    EXPECT_EQ(last.height(), 16);
    // Progress counts every cell once, one step at a time.
    ASSERT_FALSE(host.values.empty());
    EXPECT_EQ(host.values.front(), 0);
    for (std::size_t k = 1; k < host.values.size(); ++k) {
        EXPECT_GE(host.values[k], host.values[k - 1]);
        EXPECT_LE(host.values[k], host.values[k - 1] + 1);
    }
    EXPECT_EQ(host.values.back(), 20);
}

TEST(Assembly, JpegTargetWritesJpegPages) {
    Fixture f;
    f.job.targetPath = QFileInfo(f.job.targetPath).path() + "/m.JPEG";
    QStringList saved;
    f.job.pageSaved = [&](const QString& name) { saved << name; };
    txtest::RecordingHost host;
    Task task(host);
    task.setRunning(true);
    ASSERT_TRUE(assemblePages(task, f.input(3, 100, 51)));  // columns 2, 3
    ASSERT_EQ(saved.size(), 2);
    EXPECT_TRUE(saved[0].endsWith("/m1-1.JPEG"));
    int w = 0, h = 0;
    ASSERT_TRUE(pictureSize(saved[1], w, h));
    EXPECT_EQ(w, 24);
    EXPECT_EQ(h, 32);
    QFile file(saved[0]);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(2) == QByteArray("\xFF\xD8", 2));
    EXPECT_TRUE(host.messages.isEmpty());
}

TEST(Assembly, ABmpPageThatCannotBeSavedSaysSoOnce) {
    Fixture f;
    f.job.targetPath = QDir(f.dir.path()).filePath("missing/m.bmp");
    txtest::RecordingHost host;
    Task task(host);
    task.setRunning(true);
    EXPECT_TRUE(assemblePages(task, f.input(100, 100, 0)));
    EXPECT_EQ(host.messages, QStringList{"Error saving to Bmp. The image is probably too big."});
    EXPECT_EQ(host.icons.front(), MessageIcon::Information);
    EXPECT_FALSE(QFileInfo::exists(f.job.targetPath + ".bmp"));
}

TEST(Assembly, AJpegPageThatCannotBeSavedFallsBackToBmp) {
    Fixture f;
    f.job.targetPath = QDir(f.dir.path()).filePath("missing/m.jpg");
    txtest::RecordingHost host;
    Task task(host);
    task.setRunning(true);
    EXPECT_TRUE(assemblePages(task, f.input(3, 100, 0)));  // two pages, each reports both
    EXPECT_EQ(host.messages, (QStringList{"Error saving to Jpg. Trying to save to Bmp instead.",
                                          "Error saving to Bmp. The image is probably too big.",
                                          "Error saving to Jpg. Trying to save to Bmp instead.",
                                          "Error saving to Bmp. The image is probably too big."}));
}

TEST(Assembly, AJpegPageFallsBackToTheSamePictureAsBmp) {
    Fixture f;
    f.job.targetPath = QFileInfo(f.job.targetPath).path() + "/m.jpg";
    QDir().mkpath(f.job.targetPath);  // a folder in the way of the JPEG file
    QStringList saved;
    f.job.pageSaved = [&](const QString& name) { saved << name; };
    txtest::RecordingHost host;
    Task task(host);
    task.setRunning(true);
    ASSERT_TRUE(assemblePages(task, f.input(100, 100, 51)));
    EXPECT_EQ(host.messages, QStringList{"Error saving to Jpg. Trying to save to Bmp instead."});
    ASSERT_EQ(saved, QStringList{f.job.targetPath + ".bmp"});
    Picture got;
    ASSERT_TRUE(loadPicture(saved[0], got));
    EXPECT_TRUE(got == f.reference(100, 100, 51).front());
}

TEST(Assembly, ReplacesAnExistingPage) {
    Fixture f;
    saveBmp(Picture(3, 3, rgb(1, 2, 3)), f.job.targetPath);
    txtest::RecordingHost host;
    Task task(host);
    task.setRunning(true);
    ASSERT_TRUE(assemblePages(task, f.input(100, 100, 0)));
    Picture got;
    ASSERT_TRUE(loadPicture(f.job.targetPath, got));
    EXPECT_TRUE(got == f.reference(100, 100, 0).front());
}

class CancellingHost : public txtest::RecordingHost {
public:
    Task* task = nullptr;
    QString cancelAt;
    void statusChanged(const QString& text) override {
        RecordingHost::statusChanged(text);
        if (text == cancelAt) task->cancel();
    }
};

TEST(Assembly, CancelKeepsSavedPagesAndWritesNothingMore) {
    Fixture f;
    CancellingHost host;
    Task task(host);
    host.task = &task;
    host.cancelAt = "Creating mosaic (Page 2/6)...";
    task.setRunning(true);
    EXPECT_FALSE(assemblePages(task, f.input(2, 3, 0)));
    const QString out = QFileInfo(f.job.targetPath).path();
    EXPECT_TRUE(QFileInfo::exists(out + "/m1-1.bmp"));
    EXPECT_FALSE(QFileInfo::exists(out + "/m2-1.bmp"));
    EXPECT_EQ(host.statuses.last(), "Creating mosaic (Page 2/6)...");
    EXPECT_EQ(QDir(out).entryList(QDir::Files), QStringList{"m1-1.bmp"});  // no temporary left behind
}

TEST(Assembly, PreviewShowsThePlacedTiles) {
    Fixture f;
    txtest::RecordingHost host;
    Task task(host);
    task.setRunning(true);
    Picture preview(2 + 5 * 4, 1 + 4 * 4, rgb(9, 9, 9));
    PageInput in = f.input(100, 100, 51);
    in.preview = &preview;
    in.layout = PreviewLayout{4, 4, 2, 1};
    ASSERT_TRUE(assemblePages(task, in));
    EXPECT_GE(host.previewCount, 1);
    const Picture page = f.reference(100, 100, 51).front();
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            const Picture small = stretchHalftone(page, Rect{x * 8, y * 8, 8, 8}, 4, 4);
            EXPECT_EQ(preview.pixel(2 + x * 4 + 1, 1 + y * 4 + 2), small.pixel(1, 2));
        }
    EXPECT_EQ(host.lastPreview.pixel(0, 0), rgb(9, 9, 9));  // outside the cells: untouched
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
    // A tile of the right size is used as it is.
    Picture original, prepared;
    ASSERT_TRUE(loadPicture(f.folder + "2.bmp", original));
    ASSERT_TRUE(prepareTile(f.folder + "2.bmp", 8, 8, false, prepared));
    EXPECT_TRUE(prepared == original);
    EXPECT_FALSE(cache.load({3}, [] { return false; }));
}

}  // namespace
