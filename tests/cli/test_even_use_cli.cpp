// Even tile use from the command line: the caps reach the plan, refusals are clear.
#include <gtest/gtest.h>

#include <map>

#include "TestUtil.h"

using namespace tx;
using txtest::CliResult;

namespace {

class EvenUseCli : public txtest::CliHome {
protected:
    void SetUp() override {
        skipMachineTest();
        // Black, white and mid grey; the source is white, so the greedy choice takes white alone.
        txtest::makeLibrary(path("Tiles/grey"), txtest::flatTiles({rgb(0, 0, 0), rgb(255, 255, 255), rgb(128, 128, 128)}));
        EXPECT_TRUE(saveBmp(Picture(16, 12, rgb(255, 255, 255)), path("white.bmp")));
    }
    CliResult mosaic(const QStringList& extra) {
        return run(QStringList{"mosaic", "--source", path("white.bmp"), "--library", "grey", "--out", path("m.bmp"),
                               "--tile-size", "8x8", "--cells", "4x3", "--matrix", "1x1", "--distance", "0", "--plan",
                               path("plan.csv"), "--quiet"} +
                   extra);
    }
    // Uses of each tile number in the plan.
    std::map<int, int> uses() const {
        std::map<int, int> count;
        const QStringList rows = QString::fromUtf8(txtest::readFile(path("plan.csv"))).split('\n', Qt::SkipEmptyParts);
        for (qsizetype k = 1; k < rows.size(); ++k) ++count[rows[k].split(',').value(2).toInt()];
        return count;
    }
};

TEST_F(EvenUseCli, CapsShapeThePlan) {
    struct Row {
        QStringList options;
        std::map<int, int> uses;
    } rows[] = {
        {{}, {{2, 12}}},
        {{"--every-tile"}, {{1, 4}, {2, 4}, {3, 4}}},
        {{"--max-uses", "5"}, {{1, 2}, {2, 5}, {3, 5}}},
        {{"--max-uses", "12"}, {{2, 12}}},
        // The matching options keep the caps; mirrors count as their tiles.
        {{"--every-tile", "--perceptual"}, {{1, 4}, {2, 4}, {3, 4}}},
        {{"--max-uses", "5", "--mirror"}, {{1, 2}, {2, 5}, {3, 5}}},
        {{"--max-uses", "5", "--perceptual", "--mirror"}, {{1, 2}, {2, 5}, {3, 5}}},
    };
    for (const Row& r : rows) {
        const CliResult result = mosaic(r.options);
        ASSERT_EQ(result.code, 0) << r.options.join(' ').toStdString() << ": " << result.err.toStdString();
        EXPECT_EQ(uses(), r.uses) << r.options.join(' ').toStdString();
        EXPECT_EQ(txtest::readFile(path("plan.csv")).startsWith("x,y,tile,file,mirrored\n"), r.options.contains("--mirror"));
    }
}

TEST_F(EvenUseCli, RefusesWhatCannotWork) {
    struct Row {
        QStringList options;
        int code;
        const char* says;
    } rows[] = {
        {{"--max-uses", "3"}, 1, "3 tiles used at most 3 times cannot fill 12 cells."},
        {{"--max-uses", "0"}, 2, "--max-uses"},
        {{"--every-tile", "--smart"}, 2, "--linear and --smart"},
        {{"--max-uses", "4", "--linear"}, 2, "--linear and --smart"},
        {{"--every-tile", "--max-uses", "4"}, 2, "either --every-tile or --max-uses"},
    };
    for (const Row& r : rows) {
        const CliResult result = mosaic(r.options);
        EXPECT_EQ(result.code, r.code) << r.options.join(' ').toStdString();
        EXPECT_TRUE(result.err.contains(QString::fromUtf8(r.says))) << result.err.toStdString();
        EXPECT_FALSE(QFile::exists(path("m.bmp")));
    }
}

}  // namespace
