// Library creation: the crop arithmetic, numbering, formats, status sequence,
// unreadable sources, cancel and the tile number limit.
#include <QMap>
#include <QPoint>
#include <gtest/gtest.h>

#include "TestUtil.h"
#include "library/CreateLibrary.h"
#include "library/CropGeometry.h"
#include "library/TileLibrary.h"
#include "support/DibSection.h"
#include "support/JpegBridge.h"
#include "support/Parallel.h"
#include "support/Registry.h"

namespace {

using tx::Picture;
using txtest::writeFile;

TEST(CropGeometry, ExamplesOfTheCropRule) {
    struct Case {
        int sW, sH, tw, th, margin, anchor;
        bool whole;
        int x, y, w, h;
    };
    const Case cases[] = {
        {640, 480, 32, 32, 0, 4, false, 80, 0, 480, 480},   // the middle square
        {640, 480, 32, 32, 0, 0, false, 0, 0, 480, 480},    // the left square
        {640, 480, 32, 32, 0, -1, false, 0, 0, 480, 480},   // no anchor selected: as the top left
        {640, 480, 32, 32, 0, 2, false, 160, 0, 480, 480},  // the right square
        {300, 400, 32, 32, 0, 4, false, 0, 56, 300, 288},   // taller: 300 x 288
        {300, 400, 32, 32, 0, 8, false, 0, 112, 300, 288},
        {300, 400, 32, 32, 0, 5, false, 0, 56, 300, 288},   // right middle
        {640, 480, 32, 32, 10, 4, false, 85, 5, 470, 470},  // a margin comes off both sides' multiples
        {640, 480, 40, 30, 0, 4, false, 0, 0, 640, 480},    // equal proportions: the whole picture...
        {640, 480, 40, 30, 20, 8, false, 20, 20, 620, 460}, // ...less the margin
        {36, 28, 32, 24, 4, 4, true, 0, 0, 36, 28},         // tile size plus margin: drawn whole
        // Small pictures get the largest region that fits, not Int(40 / 64) = 0.
        {50, 40, 64, 64, 0, 4, false, 5, 0, 40, 40},
        {100, 30, 32, 32, 0, 2, false, 70, 0, 30, 30},
        {20, 90, 64, 32, 0, 4, false, 0, 40, 20, 10},
        {8, 8, 32, 32, 20, 4, false, 0, 0, 8, 8},      // the margin is larger than the picture
        {16, 16, 32, 32, 0, 4, false, 0, 0, 16, 16},   // same proportions, smaller: scaled up
    };
    for (const Case& c : cases) {
        const tx::CropRegion r = tx::cropRegion(c.sW, c.sH, c.tw, c.th, c.margin, tx::cropAnchor(c.anchor));
        const QString what = QString("%1x%2 tile %3x%4 margin %5 anchor %6").arg(c.sW).arg(c.sH).arg(c.tw).arg(c.th).arg(c.margin).arg(c.anchor);
        EXPECT_EQ(r.whole, c.whole) << what.toStdString();
        EXPECT_EQ(QSize(r.w, r.h), QSize(c.w, c.h)) << what.toStdString();
        if (!c.whole) {
            EXPECT_EQ(QPoint(r.x, r.y), QPoint(c.x, c.y)) << what.toStdString();
        }
    }
    EXPECT_TRUE(tx::cropRegion(32, 32, 32, 32, 0, tx::cropAnchor(0)).whole);
}

// ---- the job

struct Fixture {
    QTemporaryDir src, lib;
    QString srcFolder() const { return src.path() + "/"; }
    QString libFolder() const { return lib.path() + "/"; }

    tx::CreateLibraryJob job(const QStringList& entries, bool jpeg = false) const {
        tx::CreateLibraryJob j;
        j.sourceFolder = srcFolder();
        j.sourceEntries = entries;
        j.targetFolder = libFolder();
        j.tileWidth = 16;
        j.tileHeight = 12;
        j.format = jpeg ? tx::TileFormat::Jpeg : tx::TileFormat::Bmp;
        return j;
    }
    // Source pictures p00.bmp, p01.bmp, ...; `make(k)` draws picture k, an empty one writes a broken file.
    QStringList sources(int count, const std::function<Picture(int)>& make) const {
        QStringList entries;
        for (int k = 0; k < count; ++k) {
            entries << QString("p%1.bmp").arg(k, 2, 10, QChar('0'));
            const Picture p = make(k);
            if (p.isEmpty()) {
                writeFile(srcFolder() + entries.last(), "broken");
            } else {
                EXPECT_TRUE(tx::saveBmp(p, srcFolder() + entries.last()));
            }
        }
        return entries;
    }
};

Picture loadTile(const QString& path) {
    Picture p;
    EXPECT_TRUE(tx::loadPicture(path, p)) << path.toStdString();
    return p;
}

tx::JobResult run(txtest::RecordingHost& host, const tx::CreateLibraryJob& job, tx::Task* own = nullptr) {
    tx::Task task(host);
    tx::Task& t = own ? *own : task;
    txtest::start(t);
    return tx::CreateLibrary(t, job);
}

TEST(CreateLibrary, NumbersSkipTakenNamesAndStatusFollowsTheSources) {
    Fixture fx;
    const QStringList entries = fx.sources(5, [](int k) { return Picture(64, 48, tx::rgb(10 * k, 0, 0)); });
    for (const char* taken : {"1.bmp", "2.jpg", "4.JPEG", "6.gif"}) writeFile(fx.libFolder() + taken);  // 6.gif is no tile

    txtest::RecordingHost host;
    run(host, fx.job(entries));
    QStringList want = {"Creating tiles..."};
    for (int k = 1; k <= 5; ++k) want << QString("Creating tiles (%1/5)...").arg(k);
    want << "Complete...";
    EXPECT_EQ(host.statuses, want);
    EXPECT_EQ(host.buttons, QStringList({"&Cancel", "&Finished"}));
    EXPECT_EQ(host.lastMaximum, 4);
    EXPECT_EQ(host.lastValue, 4);
    EXPECT_TRUE(host.messages.isEmpty());
    // Numbering follows the source order: tile 3 from p00 (black), 8 from p04.
    for (int n : {3, 5, 6, 7, 8}) {
        const Picture tile = loadTile(fx.libFolder() + QString::number(n) + ".bmp");
        EXPECT_EQ(QSize(tile.width(), tile.height()), QSize(16, 12)) << n;
        if (n == 3 || n == 8) {
            EXPECT_EQ(tx::redOf(tile.pixel(8, 6)), n == 3 ? 0 : 40);
        }
    }
}

TEST(CreateLibrary, JpegTilesUseTheQualitySetting) {
    Fixture fx;
    tx::cDIBSection dib;
    dib.CreateFromPicture(Picture(320, 240, tx::rgb(200, 100, 50)));
    ASSERT_TRUE(tx::SaveJpegFile(dib, fx.srcFolder() + "a.JPG", 90));
    ASSERT_TRUE(tx::saveBmp(Picture(30, 40, tx::rgb(0, 0, 255)), fx.srcFolder() + "b.bmp"));
    auto job = fx.job({"a.JPG", "b.bmp"}, true);
    job.jpegQuality = 40;
    txtest::RecordingHost host;
    run(host, job);
    EXPECT_EQ(tx::tileList(fx.libFolder()), QStringList({"1.jpg", "2.jpg"}));
    const Picture tile = loadTile(fx.libFolder() + "1.jpg");
    EXPECT_EQ(QSize(tile.width(), tile.height()), QSize(16, 12));
    EXPECT_NEAR(tx::redOf(tile.pixel(8, 6)), 200, 8);
    EXPECT_EQ(tx::libraryInfo(fx.libFolder()).format, "jpg");
}

TEST(CreateLibrary, TheAnchorChoosesThePartOfThePicture) {
    Fixture fx;
    // Left quarter red, the rest green: the right square (anchor 2) holds no red.
    Picture p(640, 480, tx::rgb(0, 255, 0));
    p.fillRect({0, 0, 160, 480}, tx::rgb(255, 0, 0));
    ASSERT_TRUE(tx::saveBmp(p, fx.srcFolder() + "p.bmp"));
    for (int anchor : {2, 0}) {
        QTemporaryDir out;
        auto job = fx.job({"p.bmp"});
        job.targetFolder = out.path();
        job.tileWidth = job.tileHeight = 32;
        job.anchor = static_cast<tx::CropPosition>(anchor);
        txtest::RecordingHost host;
        run(host, job);
        const Picture tile = loadTile(out.path() + "/1.bmp");
        EXPECT_EQ(tile == Picture(32, 32, tx::rgb(0, 255, 0)), anchor == 2);
        EXPECT_EQ(tile.pixel(0, 16), anchor == 0 ? tx::rgb(255, 0, 0) : tx::rgb(0, 255, 0));
        EXPECT_EQ(tile.pixel(31, 16), tx::rgb(0, 255, 0));
    }
}

TEST(CreateLibrary, PictureOfTileSizePlusMarginIsDrawnWhole) {
    QTemporaryDir dir;
    struct Case {
        int margin;
        bool averaged;  // only a margin as large as the tile is averaged
    };
    for (const Case c : {Case{0, false}, Case{2, false}, Case{15, false}, Case{40, true}}) {
        const Picture source = txtest::noise(32 + c.margin, 24 + c.margin, static_cast<unsigned>(c.margin));
        const QString path = dir.path() + QString("/m%1.bmp").arg(c.margin);
        ASSERT_TRUE(tx::saveBmp(source, path));
        const Picture tile = tx::makeTile(path, 32, 24, c.margin, tx::cropAnchor(4));
        const Picture expected = c.averaged ? tx::stretchHalftone(source, 32, 24) : tx::stretchPlain(source, 32, 24);
        EXPECT_EQ(tile, expected) << c.margin;
        if (c.margin == 0) {
            EXPECT_EQ(tile, source);
        }
    }
}

TEST(CreateLibrary, UnreadablePicturesAreSkippedAndCounted) {
    Fixture fx;
    writeFile(fx.srcFolder() + "broken.jpg", "not a picture at all");
    writeFile(fx.srcFolder() + "empty.gif", "");
    ASSERT_TRUE(tx::saveBmp(Picture(20, 20, tx::rgb(1, 2, 3)), fx.srcFolder() + "ok.bmp"));
    txtest::RecordingHost host;
    const tx::JobResult result = run(host, fx.job({"broken.jpg", "ok.bmp", "empty.gif"}));
    EXPECT_EQ(tx::tileList(fx.libFolder()), QStringList({"1.bmp"}));  // no number used by the broken ones
    // The summary names each picture and why it could not be read.
    EXPECT_EQ(result.outcome, tx::JobOutcome::CompletedWithProblems);
    EXPECT_EQ(result.problems, QStringList({"broken.jpg: not a picture", "empty.gif: empty file"}));
    EXPECT_EQ(result.filesWritten, QStringList{fx.libFolder() + "1.bmp"});
    EXPECT_EQ(host.statuses.mid(host.statuses.size() - 2),
              QStringList({"Creating tiles (3/3)...", "Complete... (2 pictures could not be read)"}));
    EXPECT_EQ(host.buttons.last(), "&Finished");

    txtest::RecordingHost host2;
    run(host2, fx.job({"broken.jpg", "ok.bmp"}));
    EXPECT_EQ(host2.statuses.last(), "Complete... (1 picture could not be read)");
}

TEST(CreateLibrary, CancelKeepsTheTilesWrittenSoFar) {
    Fixture fx;
    const QStringList entries = fx.sources(30, [](int k) { return Picture(40, 30, tx::rgb(k, k, k)); });
    txtest::CancellingHost host;
    tx::Task task(host);
    host.task = &task;
    host.when = [](const QString&, int value) { return value == 3; };
    run(host, fx.job(entries), &task);
    EXPECT_EQ(tx::tileList(fx.libFolder()).size(), 4);  // images 0..3 were saved
    EXPECT_FALSE(host.statuses.contains("Complete..."));
    EXPECT_EQ(host.statuses.last(), "Creating tiles (3/30)...");
}

TEST(CreateLibrary, ParallelJobNumbersLikeTheSequentialOne) {
    Fixture fx;
    const QStringList entries = fx.sources(24, [](int k) {
        return k % 7 == 3 ? Picture() : Picture(50 + k, 40 + 2 * k, tx::rgb(k * 10, 255 - k, k));
    });
    QMap<QString, QByteArray> results[2];
    for (int r = 0; r < 2; ++r) {
        QTemporaryDir out;
        writeFile(out.path() + "/2.bmp");
        auto job = fx.job(entries);
        job.targetFolder = out.path();
        tx::setWorkerCount(r == 0 ? 1 : 3);
        txtest::RecordingHost host;
        run(host, job);
        for (const QString& f : QDir(out.path()).entryList(QDir::Files)) results[r][f] = txtest::readFile(out.path() + "/" + f);
    }
    tx::setWorkerCount(0);
    EXPECT_EQ(results[0].size(), 1 + 24 - 3);
    EXPECT_EQ(results[0], results[1]);
}

TEST(CreateLibrary, StopsWithAMessageWhenTheNumbersRunOut) {
    Fixture fx;
    for (int n = 1; n <= 32766; ++n) writeFile(fx.libFolder() + QString::number(n) + ".bmp", "");
    const QStringList entries = fx.sources(2, [](int) { return Picture(16, 12); });
    txtest::RecordingHost host;
    run(host, fx.job(entries));
    EXPECT_TRUE(QFile::exists(fx.libFolder() + "32767.bmp"));
    EXPECT_FALSE(QFile::exists(fx.libFolder() + "32768.bmp"));
    ASSERT_EQ(host.messages.size(), 1);
    EXPECT_TRUE(host.messages.first().contains("32767"));
    EXPECT_FALSE(host.statuses.contains("Complete..."));
    EXPECT_TRUE(host.buttons.endsWith("&Cancel"));
}

}  // namespace
