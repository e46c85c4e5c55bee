// Damaged colour databases, made by mutating real ones: the reader never crashes,
// and a lookup either uses the file as it reads or measures the tiles again.
#include <gtest/gtest.h>

#include <random>

#include "TestUtil.h"
#include "library/ColourDatabase.h"
#include "library/TileLibrary.h"

namespace {

using txtest::readFile;
using txtest::writeFile;

constexpr int kMx = 2, kMy = 2;

// One random change of a kind a damaged or hostile file shows.
QByteArray mutate(QByteArray d, std::mt19937& g) {
    const auto pick = [&](qsizetype n) { return n <= 0 ? qsizetype{0} : static_cast<qsizetype>(g() % n); };
    static const char* const numbers[] = {"99999999999999999999", "-5", "256", "+7", "4294967296", "32768",
                                          "2147483648", "1e3", " 12", "0x1F", "", "007"};
    static const char* const separators[] = {"\r", "\n", "\r\n", "\n\r", "\r\r", "\n\n", "\r\n\r\n"};
    const int rounds = 1 + static_cast<int>(g() % 3);
    for (int r = 0; r < rounds; ++r) {
        switch (g() % 8) {
        case 0:  // truncated
            d.truncate(pick(d.size() + 1));
            break;
        case 1:  // bytes flipped
            for (int k = 0; k < 4 && !d.isEmpty(); ++k) d[pick(d.size())] = static_cast<char>(g());
            break;
        case 2:  // a strange number somewhere
            d.insert(pick(d.size() + 1), numbers[g() % std::size(numbers)]);
            break;
        case 3: {  // the count replaced
            const qsizetype end = d.indexOf('\r');
            d.replace(0, end < 0 ? d.size() : end, numbers[g() % std::size(numbers)]);
            break;
        }
        case 4: {  // one separator spelt otherwise
            const qsizetype at = d.indexOf('\r', pick(d.size()));
            if (at >= 0) d.replace(at, 1, separators[g() % std::size(separators)]);
            break;
        }
        case 5:  // every line end spelt otherwise
            d.replace("\r\n", separators[g() % std::size(separators)]);
            break;
        case 6: {  // a piece repeated
            const qsizetype at = pick(d.size());
            d.insert(pick(d.size() + 1), d.mid(at, pick(40)));
            break;
        }
        default:  // a piece removed
            d.remove(pick(d.size()), pick(20));
            break;
        }
    }
    return d;
}

struct FuzzLibrary {
    QTemporaryDir dir;
    QString folder() const { return dir.path() + "/"; }
    QString path() const { return tx::databasePath(folder(), kMx, kMy); }
    QByteArray good;
    tx::TileColourTable goodTable;

    FuzzLibrary() {
        txtest::makeLibrary(folder(), {txtest::noise(12, 10, 1), txtest::noise(9, 14, 2), txtest::noise(16, 16, 3)});
        EXPECT_TRUE(load(false).second);
        good = readFile(path());
        goodTable = table;
    }
    // Returns the statuses and the result of a lookup of all three tiles.
    std::pair<QStringList, bool> load(bool force) {
        tx::ColourDatabaseRequest r;
        r.libraryFolder = folder();
        r.tiles = tx::tileList(folder());
        r.tileCount = 3;
        r.matrX = kMx;
        r.matrY = kMy;
        r.force = force;
        txtest::RecordingHost host;
        tx::Task task(host);
        task.setRunning(true);
        const bool ok = tx::LoadColourDatabase(task, r, table);
        return {host.statuses, ok};
    }
    tx::TileColourTable table;
};

TEST(DatabaseFuzz, ParserNeverCrashesAndReportsACountOrDamage) {
    FuzzLibrary lib;
    ASSERT_FALSE(lib.good.isEmpty());
    std::mt19937 g(20240611);
    int accepted = 0;
    for (int i = 0; i < 3000; ++i) {
        const QByteArray data = mutate(lib.good, g);
        for (int tiles : {0, 2, 3, 5}) {
            tx::TileColourTable table;
            table.reset(tiles, kMx, kMy);
            const int count = tx::parseColourDatabase(data, table);
            ASSERT_GE(count, -1);
            ASSERT_LE(count, tx::kMaxDatabaseTiles);
            ASSERT_EQ(table.values.size(), static_cast<std::size_t>(tiles) * kMx * kMy * 3);
            if (count >= 0) {
                ++accepted;
                // Every value of an accepted file is counted: 12 per tile.
                ASSERT_LE(data.size(), tx::maxColourDatabaseSize(count, kMx, kMy));
            }
        }
    }
    EXPECT_GT(accepted, 0);  // the mutations also make spellings the reader accepts
}

TEST(DatabaseFuzz, LookupUsesTheFileOrMeasuresAgain) {
    FuzzLibrary lib;
    std::mt19937 g(7);
    int used = 0, rebuilt = 0;
    for (int i = 0; i < 60; ++i) {
        const QByteArray data = mutate(lib.good, g);
        writeFile(lib.path(), data);
        const auto [statuses, ok] = lib.load(false);
        ASSERT_TRUE(ok);
        if (statuses.filter("Creating color database").isEmpty()) {
            // Used as it reads: the table is what the parser makes of the bytes.
            ++used;
            ASSERT_EQ(statuses.last(), "Database found...");
            tx::TileColourTable expected;
            expected.reset(3, kMx, kMy);
            ASSERT_GE(tx::parseColourDatabase(data, expected), 3);
            ASSERT_EQ(lib.table.values, expected.values);
            ASSERT_EQ(readFile(lib.path()), data);
        } else {
            ++rebuilt;
            ASSERT_EQ(statuses.last(), "Saving database...");
            ASSERT_EQ(lib.table.values, lib.goodTable.values);
            ASSERT_EQ(readFile(lib.path()), lib.good);
        }
    }
    EXPECT_GT(used, 0);
    EXPECT_GT(rebuilt, 0);
}

}  // namespace
