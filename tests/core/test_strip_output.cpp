#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <random>

#include "TestUtil.h"
#include "mosaic/PageAssembly.h"
#include "mosaic/TileCache.h"
#include "support/BmpStripWriter.h"
#include "support/DibSection.h"
#include "support/Effects.h"
#include "support/JpegBridge.h"
#include "support/JpegStripWriter.h"
#include "support/PictureFile.h"
#include "support/PngStripWriter.h"

using namespace tx;

namespace {

Picture noise(int w, int h, unsigned seed) {
    Picture p(w, h);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            // Smooth gradients with some noise: realistic for the encoder, not flat.
            p.setPixel(x, y, rgb((x * 7 + static_cast<int>(rng() % 40)) & 0xFF, (y * 5) & 0xFF, (x + y + static_cast<int>(rng() % 9)) & 0xFF));
    return p;
}

// Feeds the picture to the writer in strips of the given heights (the last takes the rest).
bool writeInStrips(StripWriter& w, const Picture& p, int stripHeight) {
    if (!w.begin(p.width(), p.height())) return false;
    for (int y = 0; y < p.height(); y += stripHeight) {
        const int h = std::min(stripHeight, p.height() - y);
        Picture strip(p.width(), h);
        blit(strip, 0, 0, p, 0, y, p.width(), h);
        if (!w.write(strip)) return false;
    }
    return w.finish();
}

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TEST(StripWriters, StreamedFilesEqualTheWholePictureEncoders) {
    QTemporaryDir dir;
    struct Case {
        int w, h, strip, quality;
    } cases[] = {{37, 23, 8, 90}, {64, 64, 64, 75}, {101, 50, 7, 97}, {1, 1, 1, 90}, {300, 17, 16, 100}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << " x " << c.h << " in strips of " << c.strip << ", q " << c.quality);
        const Picture p = noise(c.w, c.h, static_cast<unsigned>(c.w * 31 + c.h));

        // JPEG: byte for byte the JPEG bridge's file, so the page decodes to the same picture.
        cDIBSection dib;
        dib.CreateFromPicture(p);
        const QString whole = dir.filePath("whole.jpg"), streamed = dir.filePath("streamed.jpg");
        ASSERT_TRUE(SaveJpegFile(dib, whole, c.quality));
        JpegStripWriter jpeg(streamed, c.quality);
        ASSERT_TRUE(writeInStrips(jpeg, p, c.strip)) << jpeg.error().toStdString();
        EXPECT_EQ(bytesOf(whole), bytesOf(streamed));

        // BMP: the same file as saveBmp.
        ASSERT_TRUE(saveBmp(p, dir.filePath("whole.bmp")));
        BmpStripWriter bmp(dir.filePath("streamed.bmp"));
        ASSERT_TRUE(writeInStrips(bmp, p, c.strip)) << bmp.error().toStdString();
        EXPECT_EQ(bytesOf(dir.filePath("whole.bmp")), bytesOf(dir.filePath("streamed.bmp")));

        // PNG: lossless, the same pixels as the BMP.
        PngStripWriter png(dir.filePath("streamed.png"));
        ASSERT_TRUE(writeInStrips(png, p, c.strip)) << png.error().toStdString();
        Picture fromPng, fromBmp;
        ASSERT_TRUE(loadPicture(dir.filePath("streamed.png"), fromPng));
        ASSERT_TRUE(loadPicture(dir.filePath("streamed.bmp"), fromBmp));
        EXPECT_TRUE(fromPng == p);
        EXPECT_TRUE(fromBmp == p);
    }
}

TEST(StripWriters, UnfinishedOrFailedWritesLeaveNothingBehind) {
    QTemporaryDir dir;
    const Picture p = noise(20, 20, 3);
    Picture half(20, 10);
    blit(half, 0, 0, p);
    for (int kind = 0; kind < 3; ++kind) {
        SCOPED_TRACE(kind);
        const QString path = dir.filePath(kind == 0 ? "a.jpg" : kind == 1 ? "a.bmp" : "a.png");
        std::unique_ptr<StripWriter> w;
        if (kind == 0) w = std::make_unique<JpegStripWriter>(path, 90);
        if (kind == 1) w = std::make_unique<BmpStripWriter>(path);
        if (kind == 2) w = std::make_unique<PngStripWriter>(path);
        ASSERT_TRUE(w->begin(20, 20));
        ASSERT_TRUE(w->write(half));
        EXPECT_FALSE(w->write(p));  // more rows than the picture has
        EXPECT_FALSE(w->finish());
        w.reset();
        EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    }
    // A folder where the file should go: refused at once, with a reason.
    QDir().mkpath(dir.filePath("taken.png"));
    PngStripWriter png(dir.filePath("taken.png"));
    EXPECT_FALSE(png.begin(4, 4));
    EXPECT_FALSE(png.error().isEmpty());
}

namespace {

constexpr Colour kCellColour = rgb(200, 40, 90);

// A library of tiles of different sizes and content, a 7 x 5 plan over it.
struct StripFixture {
    QTemporaryDir dir;
    QString folder;
    QStringList tiles;
    MosaicJob job;
    Plan plan;
    OrderTable table;
    Picture cells;

    StripFixture() {
        folder = dir.filePath("lib") + "/";
        QDir().mkpath(folder);
        for (int t = 1; t <= 6; ++t) {
            const QString name = QString::number(t) + (t % 2 ? ".bmp" : ".jpg");
            const Picture p = noise(6 + 3 * t, 5 + 2 * t, static_cast<unsigned>(t));
            if (t % 2) {
                EXPECT_TRUE(saveBmp(p, folder + name));
            } else {
                cDIBSection dib;
                dib.CreateFromPicture(p);
                EXPECT_TRUE(SaveJpegFile(dib, folder + name, 90));
            }
            tiles << name;
        }
        job.cellsX = 7, job.cellsY = 5, job.tileWidth = 9, job.tileHeight = 7;
        plan = Plan(7, 5);
        cells = Picture(7, 5);
        std::mt19937 rng(5);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x) {
                plan.set(x, y, static_cast<std::int16_t>(1 + rng() % 6));
                table.push_back(OrderRecord{plan.at(x, y), x, y});
                cells.setPixel(x, y, x == y ? kCellColour : rgb(x * 30, y * 40, 77));
            }
        SortTable(table);
    }

    // The whole mosaic drawn cell by cell, the way a whole page was assembled.
    Picture reference(int alpha) const {
        Picture all(7 * 9, 5 * 7);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x) {
                Picture cell;
                EXPECT_TRUE(prepareTile(folder + tiles[plan.at(x, y) - 1], 9, 7, job.greyscale, cell));
                if (alpha > 0) {
                    const Picture patch(9, 7, cells.pixel(x, y));
                    FoxAlphaBlend(cell, 0, 0, 9, 7, patch, 0, 0, alpha);
                }
                blit(all, x * 9, y * 7, cell);
            }
        return all;
    }

    PageInput input(int maxX, int maxY, int alpha) const {
        PageInput in;
        in.job = &job, in.libraryFolder = folder, in.tiles = tiles;
        in.plan = &plan, in.pageTable = &table, in.cellImage = &cells;
        in.maxTilesX = maxX, in.maxTilesY = maxY, in.alpha = alpha;
        return in;
    }
};

}  // namespace

TEST(StripRenderer, PagesEqualTheMosaicDrawnWhole) {
    struct Case {
        const char* target;
        int maxX, maxY;  // tiles per page: 3 x 2 leaves a partial last column and row of pages
        bool grey;
        int alpha;
    } cases[] = {
        {"m.bmp", 3, 2, false, 0}, {"m.bmp", 3, 2, true, 0},   {"m.png", 3, 2, false, 128},
        {"m.png", 4, 4, true, 200}, {"m.bmp", 100, 100, false, 60}, {"m.png", 100, 100, true, 255},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.target << " " << c.maxX << "x" << c.maxY << " grey " << c.grey
                                        << " alpha " << c.alpha);
        StripFixture f;
        f.job.greyscale = c.grey;
        const QString out = f.dir.filePath("out");
        QDir().mkpath(out);
        f.job.targetPath = out + "/" + c.target;
        txtest::RecordingHost host;
        Task task(host);
        task.setRunning(true);
        ASSERT_TRUE(assemblePages(task, f.input(c.maxX, c.maxY, c.alpha)));
        EXPECT_EQ(host.lastValue, 35);

        const Picture whole = f.reference(c.alpha);
        const PageSplit sx = splitPages(7, c.maxX), sy = splitPages(5, c.maxY);
        const QStringList saved = task.result().filesWritten;
        ASSERT_EQ(saved.size(), sx.pages * sy.pages);
        int k = 0;
        for (int py = 0; py < sy.pages; ++py)
            for (int px = 0; px < sx.pages; ++px, ++k) {
                Picture page;
                ASSERT_TRUE(loadPicture(saved[k], page));
                const int w = sx.cells[px] * 9, h = sy.cells[py] * 7;
                Picture expected(w, h);
                blit(expected, 0, 0, whole, px * sx.perPage * 9, py * sy.perPage * 7, w, h);
                EXPECT_TRUE(page == expected) << "page " << px + 1 << "-" << py + 1;
            }
    }
}

TEST(StripRenderer, CancelMidPageLeavesNothingBehind) {
    for (const char* target : {"m.jpg", "m.bmp", "m.png"}) {
        SCOPED_TRACE(target);
        StripFixture f;
        const QString out = f.dir.filePath("out");
        QDir().mkpath(out);
        f.job.targetPath = out + "/" + target;
        txtest::CancellingHost host;
        Task task(host);
        host.task = &task;
        host.when = [](const QString&, int value) { return value == 15; };  // in the third strip
        task.setRunning(true);
        EXPECT_FALSE(assemblePages(task, f.input(100, 100, 0)));
        EXPECT_TRUE(QDir(out).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }
}
