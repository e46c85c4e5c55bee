// Library creation: the crop arithmetic, numbering, formats, status sequence,
// unreadable sources, cancel and the tile number limit.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>

#include "TestUtil.h"
#include "library/CreateLibrary.h"
#include "library/CropGeometry.h"
#include "library/TileLibrary.h"
#include "support/DibSection.h"
#include "support/JpegBridge.h"
#include "support/Parallel.h"
#include "support/PictureFile.h"
#include "support/Registry.h"

namespace {

using tx::CropRegion;
using tx::Picture;

CropRegion crop(int sW, int sH, int tw, int th, int margin, int anchor) {
    return tx::cropRegion(sW, sH, tw, th, margin, tx::cropAnchor(anchor));
}

void expectRegion(const CropRegion& r, int x, int y, int w, int h) {
    EXPECT_FALSE(r.whole);
    EXPECT_EQ(r.x, x);
    EXPECT_EQ(r.y, y);
    EXPECT_EQ(r.w, w);
    EXPECT_EQ(r.h, h);
}

TEST(CropGeometry, AnchorsRowByRow) {
    EXPECT_EQ(tx::cropAnchor(0).ax, 0.0f);
    EXPECT_EQ(tx::cropAnchor(5).ax, 1.0f);
    EXPECT_EQ(tx::cropAnchor(5).ay, 0.5f);
    EXPECT_EQ(tx::cropAnchor(7).ax, 0.5f);
    EXPECT_EQ(tx::cropAnchor(7).ay, 1.0f);
    EXPECT_EQ(tx::cropAnchor(-1).ax, 0.0f);  // none selected
    EXPECT_EQ(tx::cropAnchor(-1).ay, 0.0f);
}

TEST(CropGeometry, ExamplesOfTheCropRule) {
    expectRegion(crop(640, 480, 32, 32, 0, 4), 80, 0, 480, 480);   // the middle square
    expectRegion(crop(640, 480, 32, 32, 0, 0), 0, 0, 480, 480);    // the left square
    expectRegion(crop(640, 480, 32, 32, 0, 2), 160, 0, 480, 480);  // the right square
    expectRegion(crop(300, 400, 32, 32, 0, 4), 0, 56, 300, 288);   // taller: 300 x 288
    expectRegion(crop(300, 400, 32, 32, 0, 8), 0, 112, 300, 288);
    // A margin comes off both sides' multiples.
    expectRegion(crop(640, 480, 32, 32, 10, 4), 85, 5, 470, 470);
    // Equal proportions: the whole picture less the margin.
    expectRegion(crop(640, 480, 40, 30, 0, 4), 0, 0, 640, 480);
    expectRegion(crop(640, 480, 40, 30, 20, 8), 20, 20, 620, 460);
}

TEST(CropGeometry, TileSizePlusMarginIsDrawnWhole) {
    const CropRegion r = crop(36, 28, 32, 24, 4, 4);
    EXPECT_TRUE(r.whole);
    EXPECT_EQ(r.w, 36);
    EXPECT_EQ(r.h, 28);
    EXPECT_TRUE(crop(32, 32, 32, 32, 0, 0).whole);
}

TEST(CropGeometry, SmallPicturesGetTheLargestRegionThatFits) {
    // 50 x 40 for a 64 x 64 tile: Int(40 / 64) = 0 would give an empty region.
    expectRegion(crop(50, 40, 64, 64, 0, 4), 5, 0, 40, 40);
    expectRegion(crop(100, 30, 32, 32, 0, 2), 70, 0, 30, 30);
    expectRegion(crop(20, 90, 64, 32, 0, 4), 0, 40, 20, 10);
    // The margin is larger than the picture: the whole picture is used.
    expectRegion(crop(8, 8, 32, 32, 20, 4), 0, 0, 8, 8);
    // Same proportions but smaller than the tile: used whole and scaled up.
    expectRegion(crop(16, 16, 32, 32, 0, 4), 0, 0, 16, 16);
}

// ---- the job

struct Fixture {
    QTemporaryDir src;
    QTemporaryDir lib;
    QString srcFolder() const { return src.path() + "/"; }
    QString libFolder() const { return lib.path() + "/"; }

    tx::CreateLibraryJob job(const QStringList& entries, bool jpeg = false) const {
        tx::CreateLibraryJob j;
        j.sourceFolder = srcFolder();
        j.sourceEntries = entries;
        j.targetFolder = libFolder();
        j.tileWidth = 16;
        j.tileHeight = 12;
        j.jpeg = jpeg;
        return j;
    }
};

void touch(const QString& path, const QByteArray& data = "x") {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

void saveJpeg(const Picture& p, const QString& path) {
    tx::cDIBSection dib;
    dib.CreateFromPicture(p);
    ASSERT_TRUE(tx::SaveJpegFile(dib, path, 90));
}

void run(txtest::RecordingHost& host, const tx::CreateLibraryJob& job,
         std::function<void(tx::Task&)> prepare = {}) {
    tx::Task task(host);
    task.guard().arm();
    task.setRunning(true);
    if (prepare) prepare(task);
    tx::CreateLibrary(task, job);
}

TEST(CreateLibrary, NumbersSkipTakenNamesAndStatusFollowsTheSources) {
    Fixture fx;
    QStringList entries;
    for (int k = 0; k < 5; ++k) {
        const QString name = QString("p%1.bmp").arg(k);
        ASSERT_TRUE(tx::saveBmp(Picture(64, 48, tx::rgb(10 * k, 0, 0)), fx.srcFolder() + name));
        entries << name;
    }
    touch(fx.libFolder() + "1.bmp");
    touch(fx.libFolder() + "2.jpg");
    touch(fx.libFolder() + "4.JPEG");
    touch(fx.libFolder() + "6.gif");  // not a tile name: 6 is free

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
    for (int n : {3, 5, 6, 7, 8}) {
        Picture tile;
        ASSERT_TRUE(tx::loadPicture(fx.libFolder() + QString::number(n) + ".bmp", tile)) << n;
        EXPECT_EQ(tile.width(), 16);
        EXPECT_EQ(tile.height(), 12);
    }
    // Numbering follows the source order: tile 3 from p0 (black), 8 from p4.
    Picture first, last;
    ASSERT_TRUE(tx::loadPicture(fx.libFolder() + "3.bmp", first));
    ASSERT_TRUE(tx::loadPicture(fx.libFolder() + "8.bmp", last));
    EXPECT_EQ(tx::redOf(first.pixel(8, 6)), 0);
    EXPECT_EQ(tx::redOf(last.pixel(8, 6)), 40);
}

TEST(CreateLibrary, JpegTilesUseTheQualitySetting) {
    Fixture fx;
    saveJpeg(Picture(320, 240, tx::rgb(200, 100, 50)), fx.srcFolder() + "a.JPG");
    ASSERT_TRUE(tx::saveBmp(Picture(30, 40, tx::rgb(0, 0, 255)), fx.srcFolder() + "b.bmp"));
    tx::writeSetting("JPGQuality", "40");
    txtest::RecordingHost host;
    run(host, fx.job({"a.JPG", "b.bmp"}, true));
    tx::writeSetting("JPGQuality", "90");
    EXPECT_EQ(tx::tileList(fx.libFolder()), QStringList({"1.jpg", "2.jpg"}));
    Picture tile;
    ASSERT_TRUE(tx::loadPicture(fx.libFolder() + "1.jpg", tile));
    EXPECT_EQ(tile.width(), 16);
    EXPECT_EQ(tile.height(), 12);
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
        job.anchor = anchor;
        txtest::RecordingHost host;
        run(host, job);
        Picture tile;
        ASSERT_TRUE(tx::loadPicture(out.path() + "/1.bmp", tile));
        if (anchor == 2) {
            for (int y = 0; y < 32; ++y)
                for (int x = 0; x < 32; ++x) ASSERT_EQ(tile.pixel(x, y), tx::rgb(0, 255, 0));
        } else {
            EXPECT_EQ(tile.pixel(0, 16), tx::rgb(255, 0, 0));
            EXPECT_EQ(tile.pixel(31, 16), tx::rgb(0, 255, 0));
        }
    }
}

TEST(CreateLibrary, UnreadablePicturesAreSkippedAndCounted) {
    Fixture fx;
    touch(fx.srcFolder() + "broken.jpg", "not a picture at all");
    touch(fx.srcFolder() + "empty.gif", "");
    ASSERT_TRUE(tx::saveBmp(Picture(20, 20, tx::rgb(1, 2, 3)), fx.srcFolder() + "ok.bmp"));
    txtest::RecordingHost host;
    run(host, fx.job({"broken.jpg", "ok.bmp", "empty.gif"}));
    EXPECT_EQ(tx::tileList(fx.libFolder()), QStringList({"1.bmp"}));  // no number used by the broken ones
    EXPECT_EQ(host.statuses.last(), "Complete... (2 pictures could not be read)");
    EXPECT_EQ(host.statuses.at(host.statuses.size() - 2), "Creating tiles (3/3)...");
    EXPECT_EQ(host.buttons.last(), "&Finished");

    txtest::RecordingHost host2;
    run(host2, fx.job({"broken.jpg", "ok.bmp"}));
    EXPECT_EQ(host2.statuses.last(), "Complete... (1 picture could not be read)");
}

TEST(CreateLibrary, CancelKeepsTheTilesWrittenSoFar) {
    Fixture fx;
    QStringList entries;
    for (int k = 0; k < 30; ++k) {
        const QString name = QString("p%1.bmp").arg(k, 2, 10, QChar('0'));
        ASSERT_TRUE(tx::saveBmp(Picture(40, 30, tx::rgb(k, k, k)), fx.srcFolder() + name));
        entries << name;
    }
    struct Host : txtest::RecordingHost {
        tx::Task* task = nullptr;
        void progressChanged(int value, int maximum) override {
            RecordingHost::progressChanged(value, maximum);
            if (task && value == 3) task->cancel();
        }
    } host;
    run(host, fx.job(entries), [&](tx::Task& t) { host.task = &t; });
    EXPECT_EQ(tx::tileList(fx.libFolder()).size(), 4);  // images 0..3 were saved
    EXPECT_FALSE(host.statuses.contains("Complete..."));
    EXPECT_EQ(host.statuses.last(), "Creating tiles (3/30)...");
}

TEST(CreateLibrary, ParallelJobNumbersLikeTheSequentialOne) {
    Fixture fx;
    QStringList entries;
    for (int k = 0; k < 24; ++k) {
        const QString name = QString("p%1.bmp").arg(k, 2, 10, QChar('0'));
        if (k % 7 == 3)
            touch(fx.srcFolder() + name, "broken");
        else
            ASSERT_TRUE(tx::saveBmp(Picture(50 + k, 40 + 2 * k, tx::rgb(k * 10, 255 - k, k)), fx.srcFolder() + name));
        entries << name;
    }
    QMap<QString, QByteArray> results[2];
    for (int r = 0; r < 2; ++r) {
        QTemporaryDir out;
        touch(out.path() + "/2.bmp");
        auto job = fx.job(entries);
        job.targetFolder = out.path();
        tx::setWorkerCount(r == 0 ? 1 : 3);
        txtest::RecordingHost host;
        run(host, job);
        for (const QString& f : QDir(out.path()).entryList(QDir::Files)) {
            QFile file(out.path() + "/" + f);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            results[r][f] = file.readAll();
        }
    }
    tx::setWorkerCount(0);
    EXPECT_EQ(results[0].size(), 1 + 24 - 3);
    EXPECT_EQ(results[0], results[1]);
}

TEST(CreateLibrary, StopsWithAMessageWhenTheNumbersRunOut) {
    Fixture fx;
    for (int n = 1; n <= 32766; ++n) touch(fx.libFolder() + QString::number(n) + ".bmp", "");
    for (const char* name : {"a.bmp", "b.bmp"})
        ASSERT_TRUE(tx::saveBmp(Picture(16, 12, 0), fx.srcFolder() + name));
    txtest::RecordingHost host;
    run(host, fx.job({"a.bmp", "b.bmp"}));
    EXPECT_TRUE(QFile::exists(fx.libFolder() + "32767.bmp"));
    EXPECT_FALSE(QFile::exists(fx.libFolder() + "32768.bmp"));
    ASSERT_EQ(host.messages.size(), 1);
    EXPECT_TRUE(host.messages.first().contains("32767"));
    EXPECT_FALSE(host.statuses.contains("Complete..."));
    EXPECT_TRUE(host.buttons.endsWith("&Cancel"));
}

}  // namespace
