// The library colour analysis: the fitted line and score, the bar graph, and the
// job end to end on small libraries.
#include <gtest/gtest.h>

#include "TestUtil.h"
#include "library/AnalyseLibrary.h"
#include "library/LibraryAnalysis.h"

using namespace tx;

namespace {

struct Analysis {
    txtest::RecordingHost host;
    Task task{host};
    explicit Analysis(const QString& folder, bool update = false) {
        txtest::start(task);
        AnalyseLibrary(task, {folder, update, false, true});
    }
};

QString library(const QTemporaryDir& dir, const std::vector<Colour>& colours) {
    return txtest::makeLibrary(dir.path() + "/Lib", txtest::flatTiles(colours));
}

}  // namespace

TEST(LibraryAnalysis, FitsTheExamples) {
    const BrightnessFit even = fitBrightness({0, 255, 510, 765});
    EXPECT_DOUBLE_EQ(even.b, 255);
    EXPECT_DOUBLE_EQ(even.meanY, 382.5);
    EXPECT_DOUBLE_EQ(even.a, -127.5);
    EXPECT_DOUBLE_EQ(even.top, 892.5);
    EXPECT_EQ(even.percent, 84);  // 116 reflected
    EXPECT_EQ(fitBrightness({382, 382, 382, 382}).percent, 49);
    // One tile: no slope (sxx = 0), the score is the mean alone.
    EXPECT_EQ(fitBrightness({500}).percent, 65);

    for (auto [v, r] : {std::pair{0.5, 0}, {1.5, 2}, {2.5, 2}, {2.5000001, 3}, {-1.5, -2}}) EXPECT_EQ(roundHalfEven(v), r) << v;
}

TEST(LibraryAnalysis, DrawsLibraryAndIdealBars) {
    const Picture g = drawAnalysisGraph({0, 255, 510, 765}, 8, 10);
    ASSERT_EQ(QSize(g.width(), g.height()), QSize(8, 10));
    // Column 6: rank Int(6 / 8 * 3) = 2, v = 510, y = CInt(10 - 6.67) = 3: rows 4..9 red.
    // Column 7, the ideal at rank 2: y = CInt(1 / 3 * 10) = 3. Columns 0 and 1: the
    // darkest tile (v = 0) and the ideal's bottom: nothing drawn.
    for (int y = 0; y < 10; ++y) {
        EXPECT_EQ(g.pixel(6, y), y < 4 ? kGraphBackground : kGraphLibrary) << y;
        EXPECT_EQ(g.pixel(7, y), y < 4 ? kGraphBackground : kGraphIdeal) << y;
        EXPECT_EQ(g.pixel(0, y), kGraphBackground);
        EXPECT_EQ(g.pixel(1, y), kGraphBackground);
    }
    // One tile: full ideal bars.
    const Picture one = drawAnalysisGraph({0}, 6, 10);
    for (int x = 1; x < 6; x += 2)
        for (int y = 1; y < 10; ++y) EXPECT_EQ(one.pixel(x, y), kGraphIdeal) << x << "," << y;
    EXPECT_EQ(one.pixel(0, 5), kGraphBackground);
}

TEST(AnalyseLibraryJob, ScoresAnEvenLibrary) {
    QTemporaryDir dir;
    const QString folder = library(dir, {rgb(0, 0, 0), rgb(255, 0, 0), rgb(255, 255, 0), rgb(255, 255, 255)});
    txtest::RecordingHost host;
    Task task(host);
    txtest::start(task);
    EXPECT_EQ(AnalyseLibrary(task, {folder, false, false, true, QSize(40, 20)}).outcome, tx::JobOutcome::Completed);
    EXPECT_EQ(host.score, "84%");
    EXPECT_EQ(QSize(host.graph.width(), host.graph.height()), QSize(40, 20));
    EXPECT_EQ(host.graph.pixel(38, 19), kGraphLibrary);  // brightest tile, full height
    EXPECT_TRUE(host.closed);
    EXPECT_TRUE(host.statuses.contains("Analysing Library..."));
    EXPECT_EQ(host.lastMaximum, 3);
    EXPECT_TRUE(QFile::exists(folder + "1x1.txt"));
    EXPECT_FALSE(task.running());
}

TEST(AnalyseLibraryJob, FlatLibraryAndUpdateDatabase) {
    QTemporaryDir dir;
    const Colour c = rgb(127, 127, 128);
    const QString folder = library(dir, {c, c, c, c});
    EXPECT_EQ(Analysis(folder).host.score, "49%");
    // A database that claims an even library is used as it stands...
    txtest::writeFile(folder + "1x1.txt", "4\r\n0\r0\r0\r\n255\r0\r0\r\n255\r255\r0\r\n255\r255\r255\r\n");
    EXPECT_EQ(Analysis(folder).host.score, "84%");
    // ...until "Update Database" measures the tiles again.
    EXPECT_EQ(Analysis(folder, true).host.score, "49%");
}

TEST(AnalyseLibraryJob, OneTileAndEmptyLibrary) {
    QTemporaryDir dir, empty;
    const Analysis one(library(dir, {rgb(200, 100, 0)}));
    EXPECT_EQ(one.host.score, "39%");  // Int(300 / 765 x 100)
    EXPECT_EQ(one.host.graph.pixel(1, 1), kGraphIdeal);

    const Analysis none(empty.path() + "/");
    EXPECT_TRUE(none.host.score.isEmpty());
    EXPECT_TRUE(none.host.graph.isEmpty());
    EXPECT_FALSE(QFile::exists(empty.path() + "/1x1.txt"));
}

TEST(AnalyseLibraryJob, CancelWhileDrawingKeepsScoreAndPartialGraph) {
    QTemporaryDir dir;
    std::vector<Colour> colours;
    for (int k = 0; k < 6; ++k) colours.push_back(rgb(k * 50, k * 50, k * 50));
    const QString folder = library(dir, colours);
    txtest::CancellingHost host;
    host.when = [](const QString& status, int value) { return status == "Analysing Library..." && value >= 2; };
    Task task(host);
    host.task = &task;
    txtest::start(task);
    EXPECT_EQ(AnalyseLibrary(task, {folder, false, false, true, QSize(100, 50)}).outcome, tx::JobOutcome::Cancelled);
    EXPECT_FALSE(host.score.isEmpty());
    ASSERT_EQ(host.graph.width(), 100);
    EXPECT_EQ(host.graph.pixel(98, 49), kGraphBackground);  // never drawn
    EXPECT_FALSE(host.closed);
}
