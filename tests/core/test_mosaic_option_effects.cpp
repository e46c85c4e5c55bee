// Mosaic options changing the result, shown on tiny hand-checkable cases: flat 8 x 8
// tiles, sources whose cells are flat, plans written out by hand. The options that
// act on the source and the page are checked through the command line.
//
// Two facts make the hand computation possible:
// - A flat tile measures as its own colour, and a uniform source gives every
//   sample exactly its colour (blur and stretching keep flat areas flat).
// - With a 1 x 1 matrix a cell's sample is the blurred pixel (2x + 1, 2y + 1) of the
//   source stretched to twice the cells: 9/16 its own colour, 7/16 from the cells to
//   its right and below. When every cell and every tile is a corner of the RGB cube
//   (each channel 0 or 255), each channel stays within 7/16 * 255 = 112 of its own
//   value, so the cell's own corner is the nearest tile and passes the threshold.
#include <gtest/gtest.h>

#include "TestUtil.h"
#include "mosaic/MosaicJob.h"
#include "mosaic/MosaicObserver.h"

using namespace tx;

namespace {

const Colour kBlack = rgb(0, 0, 0), kWhite = rgb(255, 255, 255), kRed = rgb(255, 0, 0), kGreen = rgb(0, 255, 0),
             kBlue = rgb(0, 0, 255), kYellow = rgb(255, 255, 0), kCyan = rgb(0, 255, 255),
             kMagenta = rgb(255, 0, 255);
// Tile t is corners[t - 1].
const std::vector<Colour> kCorners = {kBlack, kWhite, kRed, kGreen, kBlue, kYellow, kCyan, kMagenta};

using Rows = std::vector<std::vector<int>>;

struct Seen : MosaicObserver {
    void planChosen(const Plan& p, const QStringList&) override { plan = p; }
    Plan plan;
};

class OptionEffects : public ::testing::Test {
protected:
    void SetUp() override {
        job.fixedLimits = MachineLimits{5000, 5000};
        job.cellsX = 4, job.cellsY = 3;
        job.tileWidth = job.tileHeight = 8;
        job.matrX = job.matrY = 1;
        job.distance = 0;
        job.smart = false;
        job.alpha = 0;
        job.targetPath = path("out.bmp");
        useColours(kCorners);
        // 4 x 3 cells of 4 x 4 pixels each.
        useSource(pattern({{kBlack, kWhite, kRed, kGreen}, {kBlue, kYellow, kCyan, kMagenta}, {kRed, kBlack, kWhite, kBlue}}));
    }

    QString path(const QString& name) const { return QDir(dir.path()).filePath(name); }

    static Picture pattern(const std::vector<std::vector<Colour>>& cells, int cellPixels = 4) {
        Picture p(static_cast<int>(cells[0].size()) * cellPixels, static_cast<int>(cells.size()) * cellPixels);
        for (std::size_t y = 0; y < cells.size(); ++y)
            for (std::size_t x = 0; x < cells[y].size(); ++x)
                p.fillRect({static_cast<int>(x) * cellPixels, static_cast<int>(y) * cellPixels, cellPixels, cellPixels},
                           cells[y][x]);
        return p;
    }

    // A fresh library folder for each call, so no database is shared by accident.
    void useLibrary(const std::vector<Picture>& tiles) {
        job.libraryFolder = txtest::makeLibrary(path(QString("lib%1").arg(++libraries)), tiles);
    }
    void useColours(const std::vector<Colour>& colours) { useLibrary(txtest::flatTiles(colours)); }
    void useSource(const Picture& p) { ASSERT_TRUE(saveBmp(p, job.sourcePath = path("source.bmp"))); }

    // Runs the job; the plan lands in `seen`.
    void run() {
        txtest::RecordingHost host;
        Task task(host);
        txtest::start(task);
        seen = Seen();
        const JobResult r = CreateMosaic(task, job, &seen);
        ASSERT_EQ(r.outcome, JobOutcome::Completed) << host.messages.join("|").toStdString();
    }
    Rows plan() const {
        Rows rows;
        for (int y = 0; y < seen.plan.cellsY(); ++y) {
            rows.emplace_back();
            for (int x = 0; x < seen.plan.cellsX(); ++x) rows.back().push_back(seen.plan.at(x, y));
        }
        return rows;
    }
    Picture page() const {
        Picture p;
        EXPECT_TRUE(loadPicture(job.targetPath, p));
        return p;
    }
    // The colour values of the database file for the job's matrix, in file order.
    std::vector<int> database() const {
        const QString name = QString("%1x%2.txt").arg(job.matrX).arg(job.matrY);
        const QList<QByteArray> fields = txtest::readFile(job.libraryFolder + name).replace("\r\n", "\r").split('\r');
        std::vector<int> values;
        for (qsizetype k = 1; k < fields.size(); ++k)
            if (!fields[k].isEmpty()) values.push_back(fields[k].toInt());
        return values;
    }

    QTemporaryDir dir;
    MosaicJob job;
    Seen seen;
    int libraries = 0;
};

TEST_F(OptionEffects, BaseOptionsGiveEachCellItsOwnCornerAndPlaceItFlat) {
    run();
    EXPECT_EQ(plan(), (Rows{{1, 2, 3, 4}, {5, 6, 7, 8}, {3, 1, 2, 5}}));
    const Picture p = page();
    ASSERT_EQ(QSize(p.width(), p.height()), QSize(32, 24));
    // Alpha 0: every pixel of a cell is its tile's colour.
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 32; ++x) ASSERT_EQ(p.pixel(x, y), kCorners[seen.plan.at(x / 8, y / 8) - 1]) << x << "," << y;
}

TEST_F(OptionEffects, CellsSetThePlanSize) {
    // 8 x 6 cells: the source is exactly twice the cells, so each pattern cell
    // becomes 2 x 2 cells of the same tile.
    job.cellsX = 8, job.cellsY = 6;
    run();
    const Rows base = {{1, 2, 3, 4}, {5, 6, 7, 8}, {3, 1, 2, 5}};
    Rows doubled(6, std::vector<int>(8));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) doubled[y][x] = base[y / 2][x / 2];
    EXPECT_EQ(plan(), doubled);
    EXPECT_EQ(txtest::sizeOf(job.targetPath), QSize(64, 48));
}

TEST_F(OptionEffects, TilesUsedLimitsThePlanToTheFirstTiles) {
    // Only black (1) and white (2): those cells keep them; every other corner is more
    // than 120 off in some channel from both, so it gets a random one of the two.
    job.number = 2;
    run();
    const Rows p = plan();
    EXPECT_EQ(p[0][0], 1);
    EXPECT_EQ(p[0][1], 2);
    EXPECT_EQ(p[2][1], 1);
    EXPECT_EQ(p[2][2], 2);
    for (const auto& row : p)
        for (int t : row) EXPECT_TRUE(t == 1 || t == 2) << t;
}

TEST_F(OptionEffects, MatrixSeesQuartersThatTheAverageHides) {
    // Tile 1: left half black, right half white. Tile 2: flat grey 160. Source: one
    // cell of flat grey 191.
    // 1 x 1: the tile is halved to 2 x 2 [0 255], blurred ((0 + 2 * 255 + 255) / 4 =
    //   191.25) and pixel 1 taken: 191, the cell exactly; tile 2 is 31 * 3 away.
    // 2 x 2: the tile measures 64 and 255 across ((0 + 0 + 255) / 4 = 63.75); 191 - 64
    //   = 127 is beyond the threshold, so the flat tile wins.
    Picture split(8, 8, kBlack);
    split.fillRect({4, 0, 4, 8}, kWhite);
    useLibrary(std::vector<Picture>{split, Picture(8, 8, rgb(160, 160, 160))});
    useSource(Picture(8, 8, rgb(191, 191, 191)));
    job.cellsX = job.cellsY = 1;
    run();
    EXPECT_EQ(plan(), (Rows{{1}}));
    EXPECT_EQ(database(), (std::vector<int>{191, 191, 191, 160, 160, 160}));
    job.matrX = job.matrY = 2;
    run();
    EXPECT_EQ(plan(), (Rows{{2}}));
    EXPECT_EQ(database(), (std::vector<int>{64, 64, 64, 255, 255, 255, 64, 64, 64, 255, 255, 255,  // tile 1 rows 0, 1
                                            160, 160, 160, 160, 160, 160, 160, 160, 160, 160, 160, 160}));
}

TEST_F(OptionEffects, FilterChangesTheMeasuredTileColours) {
    // 4 x 4 matrix on an 8 x 8 tile split at x = 4. Without the filter the tile is
    // blurred at 8 x 8 and every other pixel taken: columns 0, (0 + 0 + 255) / 4 =
    // 64, 255, 255. The filter first grows it to 16 x 16 (bilinear, which softens
    // the edge) and averages back, so columns 1 and 2 end up near 72 and 247.
    Picture split(8, 8, kBlack);
    split.fillRect({4, 0, 4, 8}, kWhite);
    useSource(Picture(8, 8, kWhite));
    job.cellsX = job.cellsY = 1;
    job.matrX = job.matrY = 4;
    auto firstRow = [&] {
        const std::vector<int> v = database();
        EXPECT_EQ(v.size(), 48u);
        std::vector<int> reds;
        for (int i = 0; i < 4 && v.size() >= 12; ++i) reds.push_back(v[3 * i]);
        return reds;
    };
    job.filter = false;
    useLibrary(std::vector<Picture>{split});
    run();
    EXPECT_EQ(firstRow(), (std::vector<int>{0, 64, 255, 255}));
    job.filter = true;
    useLibrary(std::vector<Picture>{split});
    run();
    const std::vector<int> filtered = firstRow();
    ASSERT_EQ(filtered.size(), 4u);
    EXPECT_EQ(filtered[0], 0);
    EXPECT_NEAR(filtered[1], 72, 1);
    EXPECT_NEAR(filtered[2], 247, 1);
    EXPECT_EQ(filtered[3], 255);
}

TEST_F(OptionEffects, ForcedDatabaseIgnoresAStaleFile) {
    // A database that swaps black and white: the black cells take tile 2 from it.
    useColours({kBlack, kWhite});
    useSource(pattern({{kBlack, kWhite}}));
    job.cellsX = 2, job.cellsY = 1;
    txtest::writeFile(job.libraryFolder + "1x1.txt", "2\r\n255\r255\r255\r\n0\r0\r0\r\n");
    run();
    EXPECT_EQ(plan(), (Rows{{2, 1}}));
    job.forceNewDatabase = true;
    run();
    EXPECT_EQ(plan(), (Rows{{1, 2}}));
    EXPECT_EQ(database(), (std::vector<int>{0, 0, 0, 255, 255, 255}));
}

}  // namespace
