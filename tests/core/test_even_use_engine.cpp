// CreateMosaic with even tile use: the phase, the caps in the plan, refusal and cancel.
#include <gtest/gtest.h>

#include <map>

#include "TestUtil.h"
#include "mosaic/MosaicJob.h"
#include "mosaic/MosaicObserver.h"

using namespace tx;

namespace {

class EvenUseEngine : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<Picture> tiles;
        for (Colour c : {rgb(200, 30, 30), rgb(30, 200, 30), rgb(30, 30, 200), rgb(220, 220, 220), rgb(20, 20, 20)})
            tiles.emplace_back(8, 8, c);
        Picture photo(40, 30);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) photo.setPixel(x, y, rgb(x * 6, y * 8, 255 - x * 3));
        ASSERT_TRUE(saveBmp(photo, path("photo.bmp")));
        job.fixedLimits = MachineLimits{5000, 5000};
        job.cellsX = 6, job.cellsY = 4, job.tileWidth = 8, job.tileHeight = 6;
        job.matrX = job.matrY = 2, job.distance = 0, job.alpha = 0;
        job.sourcePath = path("photo.bmp");
        job.targetPath = path("out.bmp");
        job.libraryFolder = txtest::makeLibrary(path("lib"), tiles);
        job.evenUse = {EvenUseMode::EveryTile, 1};
    }
    QString path(const QString& name) const { return QDir(dir.path()).filePath(name); }
    JobResult run(Task& task) {
        txtest::start(task);
        return CreateMosaic(task, job, &seen);
    }

    struct Seen : MosaicObserver {
        void planChosen(const Plan& p, const QStringList&) override { plan = p; }
        void evenUseSolved(const EvenUseStats& s) override { stats = s; }
        void mirrorsChosen(const MirrorPlan& m) override { mirrored = m; }
        Plan plan;
        MirrorPlan mirrored;
        EvenUseStats stats;
    };

    QTemporaryDir dir;
    MosaicJob job;
    Seen seen;
};

TEST_F(EvenUseEngine, BalancesTheTilesAndWritesTheMosaic) {
    job.previewSize = QSize(120, 90);
    txtest::RecordingHost host;
    Task task(host);
    EXPECT_EQ(run(task).outcome, JobOutcome::Completed);
    EXPECT_TRUE(host.statuses.contains("Balancing tile use..."));
    EXPECT_FALSE(host.statuses.contains("Calculating mosaic..."));
    EXPECT_TRUE(QFile::exists(job.targetPath));
    std::map<int, int> uses;
    for (int y = 0; y < job.cellsY; ++y)
        for (int x = 0; x < job.cellsX; ++x) ++uses[seen.plan.at(x, y)];
    EXPECT_EQ(uses.size(), 5u);  // 24 cells, 5 tiles: each 4 or 5 times
    for (const auto& [tile, count] : uses) {
        EXPECT_GE(tile, 1);
        EXPECT_GE(count, 4);
        EXPECT_LE(count, 5);
    }
    EXPECT_GE(seen.stats.rounds, 1);
    EXPECT_EQ(seen.stats.cost, seen.stats.optimumCost);  // distance 0: nothing to repair
}

// Both matching options with even use: the caps count a tile and its mirror as
// one, and the mirrored cells are the ones the measure found nearer mirrored.
TEST_F(EvenUseEngine, CombinesWithPerceptualMatchingAndMirroredTiles) {
    for (const auto& [perceptual, mirror] : {std::pair{true, false}, std::pair{false, true}, std::pair{true, true}}) {
        SCOPED_TRACE(std::to_string(perceptual) + std::to_string(mirror));
        job.perceptual = perceptual;
        job.mirror = mirror;
        job.evenUse = {EvenUseMode::MaxUses, 5};
        seen = Seen();
        txtest::RecordingHost host;
        Task task(host);
        ASSERT_EQ(run(task).outcome, JobOutcome::Completed) << host.messages.join(' ').toStdString();
        std::map<int, int> uses;
        for (int y = 0; y < job.cellsY; ++y)
            for (int x = 0; x < job.cellsX; ++x) ++uses[seen.plan.at(x, y)];
        for (const auto& [tile, count] : uses) EXPECT_LE(count, 5) << "tile " << tile;
        EXPECT_EQ(seen.mirrored.empty(), !mirror);
        EXPECT_EQ(seen.stats.cost, seen.stats.optimumCost);
    }
}

TEST_F(EvenUseEngine, RefusesTooFewUses) {
    job.evenUse = {EvenUseMode::MaxUses, 4};  // 5 x 4 < 24
    txtest::RecordingHost host;
    Task task(host);
    EXPECT_EQ(run(task).outcome, JobOutcome::Stopped);
    ASSERT_EQ(host.messages.size(), 1);
    EXPECT_TRUE(host.messages.first().contains("5 tiles used at most 4 times cannot fill 24 cells."));
    EXPECT_FALSE(QFile::exists(job.targetPath));
}

TEST_F(EvenUseEngine, CancelWhileBalancingWritesNothing) {
    txtest::CancellingHost host;
    host.when = [](const QString& status, int) { return status == "Balancing tile use..."; };
    Task task(host);
    host.task = &task;
    EXPECT_EQ(run(task).outcome, JobOutcome::Cancelled);
    EXPECT_FALSE(QFile::exists(job.targetPath));
    EXPECT_EQ(seen.plan.cellsX(), 0);
}

}  // namespace
