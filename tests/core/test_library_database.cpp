// The tile list of a library and its colour database: file format, lookup rules,
// status sequence, cancel and the parallel build.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <functional>
#include <random>

#include "TestUtil.h"
#include "library/ColourDatabase.h"
#include "library/TileLibrary.h"
#include "support/DibSection.h"
#include "support/JpegBridge.h"
#include "support/Parallel.h"
#include "support/PictureFile.h"

namespace {

using tx::Picture;

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& data) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

void saveSolid(const QString& path, int w, int h, tx::Colour c) {
    ASSERT_TRUE(tx::saveBmp(Picture(w, h, c), path));
}

Picture noise(int w, int h, unsigned seed) {
    Picture p(w, h);
    std::mt19937 g(seed);
    for (std::size_t k = 0; k < p.byteCount(); ++k) p.bits()[k] = static_cast<std::uint8_t>(g());
    return p;
}

// A host that can cancel the task when a condition on the reports is met.
class CancellingHost : public txtest::RecordingHost {
public:
    tx::Task* task = nullptr;
    std::function<bool(int)> cancelAtValue;
    void progressChanged(int value, int maximum) override {
        RecordingHost::progressChanged(value, maximum);
        if (task && cancelAtValue && cancelAtValue(value)) task->cancel();
    }
};

struct Library {
    QTemporaryDir dir;
    QString folder() const { return dir.path() + "/"; }

    tx::ColourDatabaseRequest request(int mx, int my) const {
        tx::ColourDatabaseRequest r;
        r.libraryFolder = folder();
        r.tiles = tx::tileList(folder());
        r.tileCount = static_cast<int>(r.tiles.size());
        r.matrX = mx;
        r.matrY = my;
        return r;
    }
};

bool load(txtest::RecordingHost& host, const tx::ColourDatabaseRequest& r, tx::TileColourTable& table) {
    tx::Task task(host);
    task.setRunning(true);
    return tx::LoadColourDatabase(task, r, table);
}

TEST(TileLibrary, ListSortsByNameIgnoringCaseAndTakesOnlyTiles) {
    QTemporaryDir dir;
    const QString f = dir.path() + "/";
    for (const char* name : {"2.bmp", "10.bmp", "1.bmp", "b.JPEG", "A.Jpg", "x.gif", "3x3.txt", "y.jpe"})
        writeAll(f + name, "x");
    QDir(f).mkdir("sub.bmp");
    EXPECT_EQ(tx::tileList(f), QStringList({"1.bmp", "10.bmp", "2.bmp", "A.Jpg", "b.JPEG"}));
}

TEST(TileLibrary, InfoGivesCountSizeAndFormat) {
    QTemporaryDir dir;
    const QString f = dir.path() + "/";
    EXPECT_EQ(tx::libraryInfo(f).tileCount, 0);
    EXPECT_TRUE(tx::libraryInfo(f).format.isEmpty());

    tx::cDIBSection dib;
    dib.CreateFromPicture(Picture(40, 30, tx::rgb(1, 2, 3)));
    ASSERT_TRUE(tx::SaveJpegFile(dib, f + "1.JPEG", 90));
    QFile::copy(f + "1.JPEG", f + "2.Jpg");
    tx::LibraryInfo info = tx::libraryInfo(f);
    EXPECT_EQ(info.tileCount, 2);
    EXPECT_EQ(info.tileWidth, 40);
    EXPECT_EQ(info.tileHeight, 30);
    EXPECT_EQ(info.format, "jpg");

    saveSolid(f + "3.bmp", 40, 30, 0);
    EXPECT_EQ(tx::libraryInfo(f).format, "mixed");
    QFile::remove(f + "1.JPEG");
    QFile::remove(f + "2.Jpg");
    EXPECT_EQ(tx::libraryInfo(f).format, "bmp");
}

TEST(TileLibrary, DatabasePathsAndDeletion) {
    QTemporaryDir dir;
    const QString f = dir.path();
    EXPECT_EQ(tx::databasePath(f, 3, 3), f + "/3x3.txt");
    EXPECT_EQ(tx::databasePath(f + "/", 1, 1), f + "/1x1.txt");
    EXPECT_EQ(tx::databasePath(f, 2, 3), f + "/2x3.txt");
    for (const char* name : {"3x3.txt", "12x1.txt", "notes.txt", "1.bmp"}) writeAll(f + "/" + name, "x");
    EXPECT_EQ(tx::databaseFiles(f), QStringList({"12x1.txt", "3x3.txt"}));
    tx::deleteColourDatabases(f);
    EXPECT_TRUE(tx::databaseFiles(f).isEmpty());
    EXPECT_TRUE(QFile::exists(f + "/notes.txt"));
    EXPECT_TRUE(QFile::exists(f + "/1.bmp"));
}

TEST(ColourDatabase, BuildWritesTheExactFormat) {
    Library lib;
    saveSolid(lib.folder() + "1.bmp", 16, 16, tx::rgb(128, 128, 128));
    saveSolid(lib.folder() + "2.bmp", 16, 16, tx::rgb(255, 0, 0));
    for (bool filter : {true, false}) {
        auto r = lib.request(1, 1);
        r.filter = filter;
        r.force = true;
        txtest::RecordingHost host;
        tx::TileColourTable table;
        ASSERT_TRUE(load(host, r, table));
        EXPECT_EQ(readAll(lib.folder() + "1x1.txt"), QByteArray("2\r\n128\r128\r128\r\n255\r0\r0\r\n"));
        EXPECT_EQ(table.cell(2, 0, 0)[0], 255);
        EXPECT_EQ(table.cell(2, 0, 0)[1], 0);
    }
}

TEST(ColourDatabase, TwoByThreeMatrixOrderAndStatusSequence) {
    Library lib;
    // Tile 1: six blocks of distinct primaries, 2 across and 3 down.
    const tx::Colour blocks[3][2] = {{tx::rgb(250, 0, 0), tx::rgb(0, 250, 0)},
                                     {tx::rgb(0, 0, 250), tx::rgb(250, 250, 0)},
                                     {tx::rgb(0, 250, 250), tx::rgb(250, 0, 250)}};
    Picture tile(40, 60);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 2; ++x) tile.fillRect({x * 20, y * 20, 20, 20}, blocks[y][x]);
    ASSERT_TRUE(tx::saveBmp(tile, lib.folder() + "1.bmp"));
    for (int t = 2; t <= 5; ++t) ASSERT_TRUE(tx::saveBmp(noise(24, 24, t), lib.folder() + QString::number(t) + ".bmp"));

    txtest::RecordingHost host;
    tx::TileColourTable table;
    ASSERT_TRUE(load(host, lib.request(2, 3), table));

    const QByteArray file = readAll(lib.folder() + "2x3.txt");
    const QList<QByteArray> lines = file.split('\n');
    ASSERT_EQ(lines.size(), 32);  // 31 lines, each ending in CR LF
    EXPECT_TRUE(lines.last().isEmpty());
    EXPECT_EQ(lines[0], "5\r");
    EXPECT_EQ(file, tx::formatColourDatabase(table));
    // Line 2 is tile 1, row 0, column 0; line 3 tile 1, row 0, column 1: the
    // strongest channel of each cell is that of its block.
    const auto dominant = [](const QByteArray& line) {
        const QList<QByteArray> v = line.chopped(1).split('\r');
        int best = 0;
        for (int c = 1; c < 3; ++c)
            if (v[c].toInt() > v[best].toInt()) best = c;
        return best;
    };
    EXPECT_EQ(dominant(lines[1]), 0);
    EXPECT_EQ(dominant(lines[2]), 1);
    EXPECT_EQ(dominant(lines[3]), 2);

    // Every tile's record is what measuring it alone gives.
    for (int t = 1; t <= 5; ++t) {
        Picture p;
        ASSERT_TRUE(tx::loadPicture(lib.folder() + tx::tileList(lib.folder())[t - 1], p, nullptr, {8, 12}));
        std::uint8_t expected[18];
        tx::measureTile(p, 2, 3, false, true, expected);
        EXPECT_EQ(0, std::memcmp(expected, table.tile(t), 18)) << t;
    }

    QStringList want = {"Looking for database...", "No database found..."};
    for (int k = 2; k <= 6; ++k) want << QString("Creating color database (%1/5)...").arg(k);
    want << "Saving database...";
    EXPECT_EQ(host.statuses, want);
    EXPECT_EQ(host.lastMaximum, 5);
    EXPECT_EQ(host.lastValue, 5);
    for (std::size_t k = 1; k < host.values.size(); ++k) EXPECT_LE(host.values[k - 1], host.values[k]);
    EXPECT_EQ(host.timeTexts.size(), 1 + 4);  // cleared once, then one estimate after each later tile
}

TEST(ColourDatabase, LargerCountIsUsedAndSmallerCountRebuilds) {
    Library lib;
    for (int t = 1; t <= 5; ++t) saveSolid(lib.folder() + QString::number(t) + ".bmp", 8, 8, tx::rgb(t, t, t));
    QByteArray seven = "7\r\n";
    for (int t = 1; t <= 7; ++t) seven += QByteArray::number(t * 10) + "\r1\r2\r\n";
    writeAll(lib.folder() + "1x1.txt", seven);

    txtest::RecordingHost host;
    tx::TileColourTable table;
    ASSERT_TRUE(load(host, lib.request(1, 1), table));
    EXPECT_EQ(host.statuses, QStringList({"Looking for database...", "Database found..."}));
    for (int t = 1; t <= 5; ++t) EXPECT_EQ(table.cell(t, 0, 0)[0], t * 10);
    EXPECT_EQ(readAll(lib.folder() + "1x1.txt"), seven);

    // 2 records for 3 tiles: rebuilt for 3.
    writeAll(lib.folder() + "1x1.txt", "2\r\n9\r9\r9\r\n9\r9\r9\r\n");
    auto r = lib.request(1, 1);
    r.tileCount = 3;
    txtest::RecordingHost host2;
    ASSERT_TRUE(load(host2, r, table));
    EXPECT_EQ(host2.statuses.mid(0, 4),
              QStringList({"Looking for database...", "Database found...", "Library has been changed...",
                           "Creating color database (2/3)..."}));
    EXPECT_EQ(readAll(lib.folder() + "1x1.txt"), "3\r\n1\r1\r1\r\n2\r2\r2\r\n3\r3\r3\r\n");
}

TEST(ColourDatabase, ForcedRebuildReplacesAValidFile) {
    Library lib;
    saveSolid(lib.folder() + "1.bmp", 8, 8, tx::rgb(7, 8, 9));
    writeAll(lib.folder() + "1x1.txt", "1\r\n1\r1\r1\r\n");
    auto r = lib.request(1, 1);
    r.force = true;
    txtest::RecordingHost host;
    tx::TileColourTable table;
    ASSERT_TRUE(load(host, r, table));
    EXPECT_EQ(host.statuses.mid(0, 2), QStringList({"Looking for database...", "Ignoring existing database..."}));
    EXPECT_EQ(readAll(lib.folder() + "1x1.txt"), "1\r\n7\r8\r9\r\n");
}

TEST(ColourDatabase, DamagedFilesAreRebuiltNeverReadAsZeros) {
    Library lib;
    saveSolid(lib.folder() + "1.bmp", 8, 8, tx::rgb(7, 8, 9));
    saveSolid(lib.folder() + "2.bmp", 8, 8, tx::rgb(1, 2, 3));
    const QByteArray good = "2\r\n7\r8\r9\r\n1\r2\r3\r\n";
    const char* damaged[] = {
        "",                                    // empty
        "two\r\n7\r8\r9\r\n1\r2\r3\r\n",       // count not a number
        "-2\r\n7\r8\r9\r\n1\r2\r3\r\n",        // signed
        "2\r\n7\r8\r9\r\n1\r2\r\n",            // ends early
        "2\r\n7\r8\r9\r\n1\r256\r3\r\n",       // out of range
        "2\r\n7\r8\r9\r\n1\rx\r3\r\n",         // not a number
        "2\r\n7\r\r9\r\n1\r2\r3\r\n",          // empty field
        "2\r\n7\r8\r9\r\n1\r2\r3\r\n4\r5\r6\r\n",  // more records than counted
    };
    for (const char* content : damaged) {
        writeAll(lib.folder() + "1x1.txt", content);
        txtest::RecordingHost host;
        tx::TileColourTable table;
        ASSERT_TRUE(load(host, lib.request(1, 1), table));
        EXPECT_EQ(host.statuses.mid(0, 2), QStringList({"Looking for database...", "No database found..."}))
            << content;
        EXPECT_EQ(readAll(lib.folder() + "1x1.txt"), good) << content;
        EXPECT_EQ(table.cell(2, 0, 0)[2], 3);
    }
    // The reader's separators: lone CR, lone LF and CR LF all end a field.
    writeAll(lib.folder() + "1x1.txt", "2\n7\r8\n9\r\n1\r2\r3");
    txtest::RecordingHost host;
    tx::TileColourTable table;
    ASSERT_TRUE(load(host, lib.request(1, 1), table));
    EXPECT_EQ(host.statuses.last(), "Database found...");
    EXPECT_EQ(table.cell(1, 0, 0)[2], 9);
    EXPECT_EQ(table.cell(2, 0, 0)[2], 3);
}

TEST(ColourDatabase, GreyscaleGivesEqualTriples) {
    Library lib;
    for (int t = 1; t <= 3; ++t) ASSERT_TRUE(tx::saveBmp(noise(30, 20, t), lib.folder() + QString::number(t) + ".bmp"));
    for (bool filter : {true, false}) {
        auto r = lib.request(4, 3);
        r.greyscale = true;
        r.filter = filter;
        r.force = true;
        txtest::RecordingHost host;
        tx::TileColourTable table;
        ASSERT_TRUE(load(host, r, table));
        for (std::size_t k = 0; k < table.values.size(); k += 3) {
            EXPECT_EQ(table.values[k], table.values[k + 1]);
            EXPECT_EQ(table.values[k], table.values[k + 2]);
        }
    }
}

TEST(ColourDatabase, UnreadableTileIsBlackAndTheBuildGoesOn) {
    Library lib;
    writeAll(lib.folder() + "1.jpg", "not a picture");
    saveSolid(lib.folder() + "2.bmp", 8, 8, tx::rgb(40, 50, 60));
    txtest::RecordingHost host;
    tx::TileColourTable table;
    ASSERT_TRUE(load(host, lib.request(1, 1), table));
    EXPECT_EQ(readAll(lib.folder() + "1x1.txt"), "2\r\n0\r0\r0\r\n40\r50\r60\r\n");
}

TEST(ColourDatabase, CancelLeavesNoFile) {
    Library lib;
    for (int t = 1; t <= 5; ++t) saveSolid(lib.folder() + QString::number(t) + ".bmp", 8, 8, tx::rgb(t, t, t));
    for (bool oldFile : {false, true}) {
        if (oldFile) writeAll(lib.folder() + "3x3.txt", "1\r\n");  // short: rebuilt, then cancelled
        CancellingHost host;
        tx::Task task(host);
        host.task = &task;
        host.cancelAtValue = [](int v) { return v == 2; };
        task.setRunning(true);
        tx::TileColourTable table;
        EXPECT_FALSE(tx::LoadColourDatabase(task, lib.request(3, 3), table));
        EXPECT_FALSE(QFile::exists(lib.folder() + "3x3.txt"));
        EXPECT_EQ(host.statuses.last(), "Creating color database (3/5)...");
        EXPECT_FALSE(host.statuses.contains("Saving database..."));
    }
}

TEST(ColourDatabase, ParallelBuildEqualsSequentialBuild) {
    Library lib;
    // Enough tiles for several batches, in sizes that make the decoder scale.
    for (int t = 1; t <= 150; ++t) {
        Picture p = noise(20 + t % 37, 16 + t % 23, t);
        ASSERT_TRUE(tx::saveBmp(p, lib.folder() + QString::number(t) + ".bmp"));
    }
    QByteArray files[2];
    for (int run = 0; run < 2; ++run) {
        tx::setWorkerCount(run == 0 ? 1 : 4);
        auto r = lib.request(3, 2);
        r.force = true;
        CancellingHost host;
        tx::TileColourTable table;
        ASSERT_TRUE(load(host, r, table));
        files[run] = readAll(lib.folder() + "3x2.txt");
        for (std::size_t k = 1; k < host.values.size(); ++k) ASSERT_LE(host.values[k - 1], host.values[k]);
        QStringList creating = host.statuses.filter("Creating color database");
        ASSERT_EQ(creating.size(), 150);
        EXPECT_EQ(creating.first(), "Creating color database (2/150)...");
        EXPECT_EQ(creating.last(), "Creating color database (151/150)...");
    }
    tx::setWorkerCount(0);
    EXPECT_FALSE(files[0].isEmpty());
    EXPECT_EQ(files[0], files[1]);
}

}  // namespace
