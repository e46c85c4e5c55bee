// The tile list of a library and its colour database: file format, lookup rules,
// status sequence, cancel and the parallel build.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <cstring>
#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "TestUtil.h"
#include "library/ColourDatabase.h"
#include "library/TileLibrary.h"
#include "support/DibSection.h"
#include "support/JpegBridge.h"
#include "support/Parallel.h"

namespace {

using tx::Picture;
using txtest::noise;
using txtest::readFile;
using txtest::writeFile;

struct Library {
    QTemporaryDir dir;
    QString folder() const { return dir.path() + "/"; }
    QByteArray database(int mx = 1, int my = 1) const { return readFile(tx::databasePath(folder(), mx, my)); }

    // Flat 8 x 8 tiles 1.bmp, 2.bmp, ...
    void flat(const std::vector<tx::Colour>& colours) { txtest::makeLibrary(folder(), txtest::flatTiles(colours)); }

    tx::ColourDatabaseRequest request(int mx, int my, bool force = false) const {
        tx::ColourDatabaseRequest r;
        r.libraryFolder = folder();
        r.tiles = tx::tileList(folder());
        r.tileCount = static_cast<int>(r.tiles.size());
        r.matrX = mx;
        r.matrY = my;
        r.force = force;
        return r;
    }
    // Loads (or builds) the database; the host sees the reports.
    bool load(txtest::RecordingHost& host, const tx::ColourDatabaseRequest& r) {
        tx::Task task(host);
        task.setRunning(true);
        return tx::LoadColourDatabase(task, r, table);
    }
    tx::TileColourTable table;
};

TEST(TileLibrary, ListSortsByNameIgnoringCaseAndTakesOnlyTiles) {
    QTemporaryDir dir;
    const QString f = dir.path() + "/";
    for (const char* name : {"2.bmp", "10.bmp", "1.bmp", "b.JPEG", "A.Jpg", "x.gif", "3x3.txt", "y.jpe"}) writeFile(f + name);
    QDir(f).mkdir("sub.bmp");
    EXPECT_EQ(tx::tileList(f), QStringList({"1.bmp", "10.bmp", "2.bmp", "A.Jpg", "b.JPEG"}));
}

TEST(TileLibrary, InfoGivesCountSizeAndFormat) {
    QTemporaryDir dir;
    const QString f = dir.path() + "/";
    const auto info = [&] {
        const tx::LibraryInfo i = tx::libraryInfo(f);
        return QString("%1 %2x%3 %4").arg(i.tileCount).arg(i.tileWidth).arg(i.tileHeight).arg(i.format);
    };
    EXPECT_TRUE(info().startsWith("0 ")) << info().toStdString();
    EXPECT_TRUE(info().endsWith(" ")) << info().toStdString();  // no format

    tx::cDIBSection dib;
    dib.CreateFromPicture(Picture(40, 30, tx::rgb(1, 2, 3)));
    ASSERT_TRUE(tx::SaveJpegFile(dib, f + "1.JPEG", 90));
    QFile::copy(f + "1.JPEG", f + "2.Jpg");
    EXPECT_EQ(info(), "2 40x30 jpg");
    ASSERT_TRUE(tx::saveBmp(Picture(40, 30), f + "3.bmp"));
    EXPECT_EQ(info(), "3 40x30 mixed");
    QFile::remove(f + "1.JPEG");
    QFile::remove(f + "2.Jpg");
    EXPECT_EQ(info(), "1 40x30 bmp");

    // A damaged first tile does not decide the size: the first one that decodes does.
    ASSERT_TRUE(tx::saveBmp(Picture(24, 18), f + "1.bmp"));
    QByteArray header = readFile(f + "1.bmp");
    header[18] = '\xff';  // width field 32767: the pixels no longer fit the file
    header[19] = '\x7f';
    writeFile(f + "1.bmp", header);
    EXPECT_EQ(info(), "2 40x30 bmp");
    writeFile(f + "3.bmp", header);
    EXPECT_EQ(info(), "2 0x0 bmp");
}

TEST(TileLibrary, DatabasePathsAndDeletion) {
    QTemporaryDir dir;
    const QString f = dir.path();
    EXPECT_EQ(tx::databasePath(f, 3, 3), f + "/3x3.txt");
    EXPECT_EQ(tx::databasePath(f + "/", 2, 3), f + "/2x3.txt");
    for (const char* name : {"3x3.txt", "12x1.txt", "notes.txt", "1.bmp", "3x3.txt.build", "notes.txt.build"})
        writeFile(f + "/" + name);
    EXPECT_EQ(tx::databaseFiles(f), QStringList({"12x1.txt", "3x3.txt"}));
    tx::deleteColourDatabases(f);  // and the records of how they were built
    EXPECT_TRUE(tx::databaseFiles(f).isEmpty());
    EXPECT_EQ(QDir(f).entryList(QDir::Files), QStringList({"1.bmp", "notes.txt", "notes.txt.build"}));
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
    txtest::makeLibrary(lib.folder(), {tile, noise(24, 24, 2), noise(24, 24, 3), noise(24, 24, 4), noise(24, 24, 5)});

    txtest::RecordingHost host;
    ASSERT_TRUE(lib.load(host, lib.request(2, 3)));
    const QByteArray file = lib.database(2, 3);
    const QList<QByteArray> lines = file.split('\n');
    ASSERT_EQ(lines.size(), 32);  // 31 lines, each ending in CR LF
    EXPECT_TRUE(lines.last().isEmpty());
    EXPECT_EQ(lines[0], "5\r");
    EXPECT_EQ(file, tx::formatColourDatabase(lib.table));
    // Lines 2, 3, 4 are tile 1's row 0 column 0, row 0 column 1, row 1 column 0:
    // the strongest channel of each cell is that of its block.
    for (int line = 1; line <= 3; ++line) {
        const QList<QByteArray> v = lines[line].chopped(1).split('\r');
        int best = 0;
        for (int c = 1; c < 3; ++c)
            if (v[c].toInt() > v[best].toInt()) best = c;
        EXPECT_EQ(best, line - 1) << line;
    }
    QStringList want = {"Looking for database...", "No database found..."};
    for (int k = 2; k <= 6; ++k) want << QString("Creating color database (%1/5)...").arg(k);
    want << "Saving database...";
    EXPECT_EQ(host.statuses, want);
    EXPECT_EQ(host.lastMaximum, 5);
    EXPECT_EQ(host.lastValue, 5);
    EXPECT_TRUE(std::is_sorted(host.values.begin(), host.values.end()));
    EXPECT_EQ(host.timeTexts.size(), 1 + 4);  // cleared once, then one estimate after each later tile
}

TEST(ColourDatabase, LargerCountIsUsedSmallerCountOrForceRebuilds) {
    Library lib;
    lib.flat({tx::rgb(1, 1, 1), tx::rgb(2, 2, 2), tx::rgb(3, 3, 3), tx::rgb(4, 4, 4), tx::rgb(5, 5, 5)});
    QByteArray seven = "7\r\n";
    for (int t = 1; t <= 7; ++t) seven += QByteArray::number(t * 10) + "\r1\r2\r\n";
    writeFile(lib.folder() + "1x1.txt", seven);
    txtest::RecordingHost host;
    ASSERT_TRUE(lib.load(host, lib.request(1, 1)));
    EXPECT_EQ(host.statuses, QStringList({"Looking for database...", "Database found..."}));
    for (int t = 1; t <= 5; ++t) EXPECT_EQ(lib.table.cell(t, 0, 0)[0], t * 10);
    EXPECT_EQ(lib.database(), seven);

    // 2 records for 3 tiles: rebuilt for 3.
    writeFile(lib.folder() + "1x1.txt", "2\r\n9\r9\r9\r\n9\r9\r9\r\n");
    auto r = lib.request(1, 1);
    r.tileCount = 3;
    txtest::RecordingHost host2;
    ASSERT_TRUE(lib.load(host2, r));
    EXPECT_EQ(host2.statuses.mid(0, 4), QStringList({"Looking for database...", "Database found...",
                                                     "Library has been changed...", "Creating color database (2/3)..."}));
    EXPECT_EQ(lib.database(), "3\r\n1\r1\r1\r\n2\r2\r2\r\n3\r3\r3\r\n");

    // Forced: a valid file is replaced.
    txtest::RecordingHost host3;
    ASSERT_TRUE(lib.load(host3, lib.request(1, 1, true)));
    EXPECT_EQ(host3.statuses.mid(0, 2), QStringList({"Looking for database...", "Ignoring existing database..."}));
    EXPECT_TRUE(lib.database().startsWith("5\r\n1\r1\r1\r\n"));
}

TEST(ColourDatabase, DamagedFilesAreRebuiltNeverReadAsZeros) {
    Library lib;
    lib.flat({tx::rgb(7, 8, 9), tx::rgb(1, 2, 3)});
    const QByteArray good = "2\r\n7\r8\r9\r\n1\r2\r3\r\n";
    const char* damaged[] = {
        "",                                        // empty
        "two\r\n7\r8\r9\r\n1\r2\r3\r\n",           // count not a number
        "-2\r\n7\r8\r9\r\n1\r2\r3\r\n",            // signed
        "2\r\n7\r8\r9\r\n1\r2\r\n",                // ends early
        "2\r\n7\r8\r9\r\n1\r256\r3\r\n",           // out of range
        "2\r\n7\r8\r9\r\n1\rx\r3\r\n",             // not a number
        "2\r\n7\r\r9\r\n1\r2\r3\r\n",              // empty field
        "2\r\n7\r8\r9\r\n1\r2\r3\r\n4\r5\r6\r\n",  // more records than counted
    };
    for (const char* content : damaged) {
        writeFile(lib.folder() + "1x1.txt", content);
        txtest::RecordingHost host;
        ASSERT_TRUE(lib.load(host, lib.request(1, 1)));
        EXPECT_EQ(host.statuses.mid(0, 2), QStringList({"Looking for database...", "No database found..."})) << content;
        EXPECT_EQ(lib.database(), good) << content;
        EXPECT_EQ(lib.table.cell(2, 0, 0)[2], 3);
    }
    // The reader's separators: lone CR, lone LF and CR LF all end a field.
    writeFile(lib.folder() + "1x1.txt", "2\n7\r8\n9\r\n1\r2\r3");
    txtest::RecordingHost host;
    ASSERT_TRUE(lib.load(host, lib.request(1, 1)));
    EXPECT_EQ(host.statuses.last(), "Database found...");
    EXPECT_EQ(lib.table.cell(1, 0, 0)[2], 9);
    EXPECT_EQ(lib.table.cell(2, 0, 0)[2], 3);

    // An unreadable tile is measured as black and the build goes on.
    writeFile(lib.folder() + "0.jpg", "not a picture");
    txtest::RecordingHost host2;
    ASSERT_TRUE(lib.load(host2, lib.request(1, 1, true)));
    EXPECT_EQ(lib.database(), "3\r\n0\r0\r0\r\n7\r8\r9\r\n1\r2\r3\r\n");
}

TEST(ColourDatabase, GreyscaleGivesEqualTriples) {
    Library lib;
    txtest::makeLibrary(lib.folder(), {noise(30, 20, 1), noise(30, 20, 2), noise(30, 20, 3)});
    for (bool filter : {true, false}) {
        auto r = lib.request(4, 3, true);
        r.greyscale = true;
        r.filter = filter;
        txtest::RecordingHost host;
        ASSERT_TRUE(lib.load(host, r));
        for (std::size_t k = 0; k < lib.table.values.size(); k += 3) {
            EXPECT_EQ(lib.table.values[k], lib.table.values[k + 1]);
            EXPECT_EQ(lib.table.values[k], lib.table.values[k + 2]);
        }
    }
}

TEST(ColourDatabase, CancelLeavesNoFile) {
    Library lib;
    lib.flat({tx::rgb(1, 1, 1), tx::rgb(2, 2, 2), tx::rgb(3, 3, 3), tx::rgb(4, 4, 4), tx::rgb(5, 5, 5)});
    for (bool oldFile : {false, true}) {
        if (oldFile) {
            writeFile(lib.folder() + "3x3.txt", "1\r\n");  // short: rebuilt, then cancelled
            writeFile(lib.folder() + "3x3.txt.build", "grey=0\nfilter=1\nsha1=0\n");
        }
        txtest::CancellingHost host;
        tx::Task task(host);
        host.task = &task;
        host.when = [](const QString&, int value) { return value == 2; };
        task.setRunning(true);
        EXPECT_FALSE(tx::LoadColourDatabase(task, lib.request(3, 3), lib.table));
        EXPECT_FALSE(QFile::exists(lib.folder() + "3x3.txt"));
        EXPECT_FALSE(QFile::exists(lib.folder() + "3x3.txt.build"));
        EXPECT_EQ(host.statuses.last(), "Creating color database (3/5)...");
        EXPECT_FALSE(host.statuses.contains("Saving database..."));
    }
}

TEST(ColourDatabase, ParallelBuildEqualsSequentialBuild) {
    Library lib;
    // Enough tiles for several batches, in sizes that make the decoder scale.
    std::vector<Picture> tiles;
    for (int t = 1; t <= 150; ++t) tiles.push_back(noise(20 + t % 37, 16 + t % 23, t));
    txtest::makeLibrary(lib.folder(), tiles);
    QByteArray files[2];
    for (int run = 0; run < 2; ++run) {
        tx::setWorkerCount(run == 0 ? 1 : 4);
        txtest::RecordingHost host;
        ASSERT_TRUE(lib.load(host, lib.request(3, 2, true)));
        files[run] = lib.database(3, 2);
        EXPECT_TRUE(std::is_sorted(host.values.begin(), host.values.end()));
        const QStringList creating = host.statuses.filter("Creating color database");
        ASSERT_EQ(creating.size(), 150);
        EXPECT_EQ(creating.first(), "Creating color database (2/150)...");
        EXPECT_EQ(creating.last(), "Creating color database (151/150)...");
    }
    tx::setWorkerCount(0);
    EXPECT_FALSE(files[0].isEmpty());
    EXPECT_EQ(files[0], files[1]);
}

// Each tile measured alone, from its full decode.
std::vector<std::uint8_t> measuredAlone(const QString& folder, int mx, int my, bool grey = false, bool filter = true) {
    const QStringList tiles = tx::tileList(folder);
    const std::size_t per = static_cast<std::size_t>(mx) * my * 3;
    std::vector<std::uint8_t> out(tiles.size() * per);
    for (qsizetype t = 0; t < tiles.size(); ++t) {
        Picture p;
        EXPECT_TRUE(tx::loadPicture(folder + tiles[t], p));
        tx::measureTile(p, mx, my, grey, filter, out.data() + t * per);
    }
    return out;
}

TEST(ColourDatabase, JpegTilesGiveTheValuesOfTheirFullDecode) {
    Library lib;
    // Sizes whose reduced decodes are rounded up by the decoder (75 / 4, 150 / 8).
    const QSize sizes[] = {{64, 64}, {100, 75}, {200, 150}, {37, 29}};
    tx::cDIBSection dib;
    for (int k = 0; k < 4; ++k) {
        Picture p = txtest::gradient(sizes[k].width(), sizes[k].height());
        const Picture n = noise(p.width(), p.height(), k);
        for (std::size_t b = 0; b < p.byteCount(); b += 7) p.bits()[b] = n.bits()[b];
        dib.CreateFromPicture(p);
        ASSERT_TRUE(tx::SaveJpegFile(dib, lib.folder() + QString::number(k + 1) + ".jpg", 90));
    }
    for (auto [mx, my] : {std::pair{3, 3}, {5, 4}, {1, 1}}) {
        txtest::RecordingHost host;
        ASSERT_TRUE(lib.load(host, lib.request(mx, my, true)));
        EXPECT_EQ(lib.table.values, measuredAlone(lib.folder(), mx, my)) << mx << "x" << my;
    }
}

TEST(ColourDatabase, RebuiltWhenBuiltForAnotherKindOfJob) {
    Library lib;
    txtest::makeLibrary(lib.folder(), {noise(24, 24, 1), noise(24, 24, 2), noise(24, 24, 3)});
    struct Step {
        bool grey, filter;
        const char* status;  // second status of the lookup
        const char* what;
    };
    const Step steps[] = {
        {true, true, "No database found...", "first build, in grey"},
        {false, true, "Ignoring existing database...", "a colour job does not take the grey one"},
        {false, true, "Database found...", "the colour one is kept"},
        {false, false, "Ignoring existing database...", "nor without the filter"},
        {false, false, "Database found...", "which is kept"},
    };
    for (const Step& step : steps) {
        auto r = lib.request(3, 3);
        r.greyscale = step.grey;
        r.filter = step.filter;
        txtest::RecordingHost host;
        ASSERT_TRUE(lib.load(host, r));
        EXPECT_EQ(host.statuses.value(1), step.status) << step.what;
        EXPECT_EQ(lib.table.values, measuredAlone(lib.folder(), 3, 3, step.grey, step.filter)) << step.what;
        // The database itself keeps its format; the record lies beside it.
        EXPECT_EQ(lib.database(3, 3), tx::formatColourDatabase(lib.table)) << step.what;
        EXPECT_TRUE(QFile::exists(lib.folder() + "3x3.txt.build"));
    }

    const auto secondStatus = [&](bool grey) {
        auto r = lib.request(3, 3);
        r.greyscale = grey;
        txtest::RecordingHost host;
        EXPECT_TRUE(lib.load(host, r));
        return host.statuses.value(1);
    };
    // A database without a record (older libraries) is used for any job.
    QFile::remove(lib.folder() + "3x3.txt.build");
    EXPECT_EQ(secondStatus(true), "Database found...");
    EXPECT_EQ(lib.table.values, measuredAlone(lib.folder(), 3, 3, false, false));
    // A record that does not describe the file beside it (another program rewrote it)
    // says nothing about it.
    auto grey = lib.request(3, 3, true);
    grey.greyscale = true;
    txtest::RecordingHost host;
    ASSERT_TRUE(lib.load(host, grey));
    tx::TileColourTable other;
    other.reset(3, 3, 3);
    std::fill(other.values.begin(), other.values.end(), std::uint8_t{7});
    writeFile(lib.folder() + "3x3.txt", tx::formatColourDatabase(other));
    EXPECT_EQ(secondStatus(false), "Database found...");
    EXPECT_EQ(lib.table.values, other.values);
}

TEST(ColourDatabase, SizeLimitOfTheFile) {
    Library lib;
    lib.flat({tx::rgb(7, 8, 9), tx::rgb(1, 2, 3)});
    const QString path = lib.folder() + "1x1.txt";
    // The longest valid spelling: nine count digits and CR LF after every value.
    const QByteArray longest = "000000002\r\n255\r\n255\r\n255\r\n255\r\n255\r\n255\r\n";
    EXPECT_EQ(tx::maxColourDatabaseSize(2, 1, 1), longest.size());
    for (const QByteArray& content : {longest, longest + "\r\n"}) {
        writeFile(path, content);
        txtest::RecordingHost host;
        ASSERT_TRUE(lib.load(host, lib.request(1, 1)));
        const bool used = content == longest;
        EXPECT_EQ(host.statuses.value(1), used ? "Database found..." : "No database found...");
        EXPECT_EQ(lib.table.cell(2, 0, 0)[2], used ? 255 : 3);
    }

    // A counted file of 2 GB is refused by its size (a sparse file: nothing to read
    // but zeros); so is a count above what 16 bits hold.
    for (const QByteArray& head : {QByteArray("2\r\n7\r8\r9\r\n1\r2\r3\r\n"), QByteArray("32768\r\n")}) {
        writeFile(path, head);
        if (head.startsWith("2")) {
            QFile f(path);
            ASSERT_TRUE(f.resize(qint64{2} << 30));
        } else {
            QByteArray full = head;
            for (int k = 0; k < 32768; ++k) full += "0\r0\r0\r\n";
            writeFile(path, full);
        }
        txtest::RecordingHost host;
        ASSERT_TRUE(lib.load(host, lib.request(1, 1)));
        EXPECT_EQ(host.statuses.value(1), "No database found...");
        EXPECT_EQ(lib.database(), "2\r\n7\r8\r9\r\n1\r2\r3\r\n");
    }
}

#ifdef Q_OS_UNIX
TEST(ColourDatabase, OnlyARegularFileIsADatabase) {
    const QByteArray good = "2\r\n7\r8\r9\r\n1\r2\r3\r\n";
    QTemporaryDir elsewhere;
    const QString victim = elsewhere.path() + "/victim.txt";
    enum Kind { Fifo, Link, DanglingLink, Folder };
    for (Kind kind : {Fifo, Link, DanglingLink, Folder}) {
        for (bool force : {false, true}) {
            Library lib;
            lib.flat({tx::rgb(7, 8, 9), tx::rgb(1, 2, 3)});
            const QString path = lib.folder() + "1x1.txt";
            int fifo = -1;
            switch (kind) {
            case Fifo:
                ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
                // Both ends held here: no open can block, and anything written stays readable.
                fifo = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NONBLOCK);
                ASSERT_GE(fifo, 0);
                break;
            case Link:
                writeFile(victim, "2\r\n9\r9\r9\r\n9\r9\r9\r\n");  // even a valid database
                ASSERT_TRUE(QFile::link(victim, path));
                break;
            case DanglingLink:
                QFile::remove(victim);
                ASSERT_TRUE(QFile::link(victim, path));
                break;
            case Folder:
                ASSERT_TRUE(QDir().mkdir(path));
                break;
            }
            const std::string what = std::to_string(kind) + (force ? " forced" : "");
            txtest::RecordingHost host;
            ASSERT_TRUE(lib.load(host, lib.request(1, 1, force))) << what;
            EXPECT_EQ(host.statuses.value(1).toStdString(), "No database found...") << what;
            EXPECT_EQ(lib.table.cell(2, 0, 0)[2], 3) << what;
            const QFileInfo entry(path);
            if (kind == Folder) {
                EXPECT_TRUE(entry.isDir()) << what;
                continue;
            }
            // Replaced by a real file; nothing written through the old entry.
            EXPECT_FALSE(entry.isSymLink()) << what;
            EXPECT_TRUE(entry.isFile()) << what;
            EXPECT_EQ(lib.database(), good) << what;
            if (kind == Link) {
                EXPECT_EQ(readFile(victim), "2\r\n9\r9\r9\r\n9\r9\r9\r\n") << what;
            }
            if (kind == DanglingLink) {
                EXPECT_FALSE(QFile::exists(victim)) << what;
            }
            if (fifo >= 0) {
                char byte;
                EXPECT_EQ(::read(fifo, &byte, 1), -1) << what;  // empty (EAGAIN)
                ::close(fifo);
            }
        }
    }
    QFile::remove(victim);
}
#endif

}  // namespace
