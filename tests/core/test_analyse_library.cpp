// The library colour analysis: the fitted line and score, the bar graph, and the
// job end to end on small libraries.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "TestUtil.h"
#include "library/AnalyseLibrary.h"
#include "library/LibraryAnalysis.h"
#include "support/PictureFile.h"

using namespace tx;

namespace {

QString makeLibrary(const QTemporaryDir& dir, const std::vector<Colour>& colours) {
    const QString folder = dir.path() + "/Lib/";
    QDir().mkpath(folder);
    for (std::size_t k = 0; k < colours.size(); ++k)
        EXPECT_TRUE(saveBmp(Picture(8, 8, colours[k]), folder + QString::number(k + 1) + ".bmp"));
    return folder;
}

struct Analysis {
    txtest::RecordingHost host;
    Task task{host};
    void analyse(const AnalyseLibraryJob& job) {
        task.guard().arm();
        task.setRunning(true);
        AnalyseLibrary(task, job);
    }
};

}  // namespace

TEST(LibraryAnalysis, FitsTheExamples) {
    const BrightnessFit even = fitBrightness({0, 255, 510, 765});
    EXPECT_DOUBLE_EQ(even.b, 255);
    EXPECT_DOUBLE_EQ(even.meanY, 382.5);
    EXPECT_DOUBLE_EQ(even.a, -127.5);
    EXPECT_DOUBLE_EQ(even.top, 892.5);
    EXPECT_EQ(even.percent, 84);  // 116 reflected

    const BrightnessFit flat = fitBrightness({382, 382, 382, 382});
    EXPECT_EQ(flat.b, 0);
    EXPECT_EQ(flat.percent, 49);

    // One tile: no slope (sxx = 0), the score is the mean alone.
    const BrightnessFit one = fitBrightness({500});
    EXPECT_EQ(one.sxx, 0);
    EXPECT_EQ(one.b, 0);
    EXPECT_EQ(one.percent, 65);

    EXPECT_EQ(scoreText(87), "87%");
}

TEST(LibraryAnalysis, RoundsHalvesToEven) {
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(2.5000001), 3);
    EXPECT_EQ(roundHalfEven(-1.5), -2);
}

TEST(LibraryAnalysis, DrawsLibraryAndIdealBars) {
    const std::vector<std::int32_t> sums{0, 255, 510, 765};
    const Picture g = drawAnalysisGraph(sums, 8, 10);
    ASSERT_EQ(g.width(), 8);
    ASSERT_EQ(g.height(), 10);
    // Column 6: rank Int(6 / 8 * 3) = 2, v = 510, y = CInt(10 - 6.67) = 3: rows 4..9 red.
    EXPECT_EQ(g.pixel(6, 3), kGraphBackground);
    for (int y = 4; y < 10; ++y) EXPECT_EQ(g.pixel(6, y), kGraphLibrary) << y;
    // Column 7, the ideal at rank 2: y = CInt(1 / 3 * 10) = 3.
    EXPECT_EQ(g.pixel(7, 3), kGraphBackground);
    for (int y = 4; y < 10; ++y) EXPECT_EQ(g.pixel(7, y), kGraphIdeal) << y;
    // Columns 0 and 1: the darkest tile (v = 0) and the ideal's bottom: nothing drawn.
    for (int y = 0; y < 10; ++y) {
        EXPECT_EQ(g.pixel(0, y), kGraphBackground);
        EXPECT_EQ(g.pixel(1, y), kGraphBackground);
    }
}

TEST(LibraryAnalysis, OneTileGraphHasFullIdealBars) {
    const Picture g = drawAnalysisGraph({0}, 6, 10);
    for (int x = 1; x < 6; x += 2)
        for (int y = 1; y < 10; ++y) EXPECT_EQ(g.pixel(x, y), kGraphIdeal) << x << "," << y;
    EXPECT_EQ(g.pixel(0, 5), kGraphBackground);
}

TEST(AnalyseLibraryJob, ScoresAnEvenLibrary) {
    QTemporaryDir dir;
    const QString folder =
        makeLibrary(dir, {rgb(0, 0, 0), rgb(255, 0, 0), rgb(255, 255, 0), rgb(255, 255, 255)});
    Analysis run;
    run.host.graphSize = QSize(40, 20);
    run.analyse({folder, false, false, true});
    EXPECT_EQ(run.host.score, "84%");
    EXPECT_EQ(run.host.graph.width(), 40);
    EXPECT_EQ(run.host.graph.height(), 20);
    EXPECT_EQ(run.host.graph.pixel(38, 19), kGraphLibrary);  // brightest tile, full height
    EXPECT_TRUE(run.host.closed);
    EXPECT_TRUE(run.host.statuses.contains("Analysing Library..."));
    EXPECT_EQ(run.host.lastMaximum, 3);
    EXPECT_TRUE(QFile::exists(folder + "1x1.txt"));
    EXPECT_FALSE(run.task.running());
}

TEST(AnalyseLibraryJob, FlatLibraryAndUpdateDatabase) {
    QTemporaryDir dir;
    const Colour c = rgb(127, 127, 128);
    const QString folder = makeLibrary(dir, {c, c, c, c});
    {
        Analysis run;
        run.analyse({folder, false, false, true});
        EXPECT_EQ(run.host.score, "49%");
    }
    // A database that claims an even library is used as it stands...
    QFile f(folder + "1x1.txt");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("4\r\n0\r0\r0\r\n255\r0\r0\r\n255\r255\r0\r\n255\r255\r255\r\n");
    f.close();
    {
        Analysis run;
        run.analyse({folder, false, false, true});
        EXPECT_EQ(run.host.score, "84%");
    }
    // ...until "Update Database" measures the tiles again.
    {
        Analysis run;
        run.analyse({folder, true, false, true});
        EXPECT_EQ(run.host.score, "49%");
    }
}

TEST(AnalyseLibraryJob, OneTileAndEmptyLibrary) {
    QTemporaryDir dir;
    {
        const QString folder = makeLibrary(dir, {rgb(200, 100, 0)});
        Analysis run;
        run.analyse({folder, false, false, true});
        EXPECT_EQ(run.host.score, "39%");  // Int(300 / 765 x 100)
        EXPECT_EQ(run.host.graph.pixel(1, 1), kGraphIdeal);
    }
    {
        QTemporaryDir empty;
        Analysis run;
        run.analyse({empty.path() + "/", false, false, true});
        EXPECT_TRUE(run.host.score.isEmpty());
        EXPECT_TRUE(run.host.graph.isEmpty());
        EXPECT_FALSE(QFile::exists(empty.path() + "/1x1.txt"));
    }
}

namespace {
// Cancels the job once the graph has reached the given rank.
class CancellingHost : public txtest::RecordingHost {
public:
    void progressChanged(int value, int maximum) override {
        RecordingHost::progressChanged(value, maximum);
        if (task && drawing && value >= cancelAt) task->cancel();
    }
    void statusChanged(const QString& text) override {
        RecordingHost::statusChanged(text);
        drawing = text == "Analysing Library...";
    }
    Task* task = nullptr;
    bool drawing = false;
    int cancelAt = 1;
};
}  // namespace

TEST(AnalyseLibraryJob, CancelWhileDrawingKeepsScoreAndPartialGraph) {
    QTemporaryDir dir;
    std::vector<Colour> colours;
    for (int k = 0; k < 6; ++k) colours.push_back(rgb(k * 50, k * 50, k * 50));
    const QString folder = makeLibrary(dir, colours);
    CancellingHost host;
    host.graphSize = QSize(100, 50);
    host.cancelAt = 2;
    Task task(host);
    host.task = &task;
    task.guard().arm();
    task.setRunning(true);
    AnalyseLibrary(task, {folder, false, false, true});
    EXPECT_FALSE(host.score.isEmpty());
    ASSERT_EQ(host.graph.width(), 100);
    EXPECT_EQ(host.graph.pixel(98, 49), kGraphBackground);  // never drawn
    EXPECT_FALSE(host.closed);
}
