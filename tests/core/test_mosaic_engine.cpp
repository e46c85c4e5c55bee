// CreateMosaic end to end on a tiny library: phase order, limits, refusals,
// cancel, and the command-line extras.
#include <gtest/gtest.h>

#include <algorithm>

#include "TestUtil.h"
#include "mosaic/MosaicJob.h"
#include "mosaic/MosaicObserver.h"

using namespace tx;

namespace {

const QString kMatrixMessage =
    "Your system can not handle the recognition matrix.\r\nPlease use a smaller matrix or less cells.";
const QString kTileMessage = "Your system can not handle tile size.\r\nPlease use smaller tiles.";

class MosaicEngine : public ::testing::Test {
protected:
    void SetUp() override {
        // Six tiles, each a colour with a darker, bluish top-left quarter.
        std::vector<Picture> tiles;
        for (Colour c : {rgb(200, 30, 30), rgb(30, 200, 30), rgb(30, 30, 200), rgb(220, 220, 220), rgb(20, 20, 20),
                         rgb(128, 128, 0)}) {
            tiles.emplace_back(8, 8, c);
            tiles.back().fillRect({0, 0, 4, 4}, rgb(redOf(c) / 2, greenOf(c) / 2, 90));
        }
        library = txtest::makeLibrary(path("lib"), tiles);
        Picture photo(40, 30);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) photo.setPixel(x, y, rgb(x * 6, y * 8, 255 - x * 3));
        ASSERT_TRUE(saveBmp(photo, source = path("photo.bmp")));

        job.fixedLimits = MachineLimits{5000, 5000};
        job.cellsX = 5, job.cellsY = 4, job.tileWidth = 8, job.tileHeight = 6;
        job.matrX = job.matrY = 2, job.distance = 1, job.alpha = 0;
        job.sourcePath = source;
        job.targetPath = path("out.bmp");
        job.libraryFolder = library;
    }

    QString path(const QString& name) const { return QDir(dir.path()).filePath(name); }
    void run(txtest::RecordingHost& host) {
        Task task(host);
        run(task);
    }
    JobResult run(Task& task, MosaicObserver* observer = nullptr) {
        txtest::start(task);
        return CreateMosaic(task, job, observer);
    }

    QTemporaryDir dir;
    QString library, source;
    MosaicJob job;
};

// The statuses that are not the database's or the machine test's, in order.
QStringList phaseTexts(const QStringList& statuses) {
    QStringList out;
    for (const QString& s : statuses)
        if (!s.contains("database") && !s.startsWith("Library") && s != "Testing machine...") out << s;
    return out;
}

// Keeps what the engine shows an observer.
struct Observed : MosaicObserver {
    void sourcePrepared(const Picture& s, const Picture& c, const OrderTable* o) override {
        scan = s, cells = c, order = o ? *o : OrderTable();
    }
    void planChosen(const Plan& p, const QStringList& t) override { plan = p, tiles = t; }
    Picture scan, cells;
    OrderTable order;
    Plan plan;
    QStringList tiles;
};

TEST_F(MosaicEngine, RunsEveryPhaseInOrderAndWritesTheMosaic) {
    job.previewSize = QSize(120, 90);
    txtest::RecordingHost host;
    Observed seen;
    Task task(host);
    task.setPreviewWanted(true);
    const JobResult result = run(task, &seen);
    EXPECT_EQ(result.outcome, JobOutcome::Completed);
    EXPECT_EQ(result.filesWritten, QStringList{job.targetPath});

    EXPECT_TRUE(host.messages.isEmpty()) << host.messages.join("|").toStdString();
    EXPECT_EQ(phaseTexts(host.statuses),
              (QStringList{"Creating source image...", "Calculating mosaic...", "Preparing smart table...",
                           "Preparing page(s)...", "Creating mosaic (Page 1/1)...", "Saving mosaic (Page 1/1)...",
                           "Complete..."}));
    EXPECT_EQ(host.statuses.first(), "Looking for database...");
    EXPECT_EQ(host.buttons.first(), "&Cancel");
    EXPECT_EQ(host.buttons.last(), "&Finished");
    EXPECT_GT(host.previewCount, 0);
    EXPECT_EQ(host.lastPreview.width(), 120);
    EXPECT_EQ(txtest::sizeOf(job.targetPath), QSize(5 * 8, 4 * 6));
    // What the observer saw (the files made of it are checked through the CLI).
    EXPECT_EQ(QSize(seen.scan.width(), seen.scan.height()), QSize(10, 8));
    EXPECT_EQ(QSize(seen.cells.width(), seen.cells.height()), QSize(5, 4));
    EXPECT_EQ(seen.order.size(), 20u);
    EXPECT_EQ(seen.plan.cellsX(), 5);
    EXPECT_EQ(seen.tiles.size(), 6);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_GE(seen.plan.at(x, y), 1);
}

// The preview follows "Show &Preview" while the job runs: nothing is sent while it
// is off, and switching it on mid-job sends the current state at once.
TEST_F(MosaicEngine, PreviewFollowsTheCheckBoxDuringTheJob) {
    job.previewSize = QSize(120, 90);
    job.smart = false;  // cells in row order: progress k means cells 0..k-1 are chosen
    txtest::CancellingHost off;  // never cancels: only watches
    Task quiet(off);
    EXPECT_EQ(run(quiet).outcome, JobOutcome::Completed);
    EXPECT_EQ(off.previewCount, 0);

    // Each preview with the progress at the moment it came.
    struct Watcher : txtest::CancellingHost {
        std::vector<std::pair<int, Picture>> previews;
        void previewChanged(const Picture& p) override {
            CancellingHost::previewChanged(p);
            previews.emplace_back(lastValue, p);
        }
    };
    // Wanted from the start: the first preview is the empty frame.
    Watcher always;
    Task shown(always);
    shown.setPreviewWanted(true);
    EXPECT_EQ(run(shown).outcome, JobOutcome::Completed);
    ASSERT_FALSE(always.previews.empty());
    const Picture emptyFrame = always.previews.front().second;

    // On, off and on again a moment later: the second switch shows the state at once,
    // with the ten cells chosen so far, not only at the end of the phase.
    Watcher host;
    Task task(host);
    host.when = [&](const QString& status, int value) {
        if (status != "Calculating mosaic...") return false;
        if (value == 2 || value == 10) task.setPreviewWanted(true);
        if (value == 4) task.setPreviewWanted(false);
        return false;
    };
    host.task = &task;
    EXPECT_EQ(run(task).outcome, JobOutcome::Completed);
    const auto atSwitch = std::find_if(host.previews.begin(), host.previews.end(),
                                       [](const auto& p) { return p.first >= 10; });
    ASSERT_NE(atSwitch, host.previews.end());
    EXPECT_EQ(atSwitch->first, 10);
    int changed = 0;
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 120; ++x) changed += atSwitch->second.pixel(x, y) != emptyFrame.pixel(x, y);
    // Ten (of twenty) cells drawn: far more than the one cell drawn after the switch.
    EXPECT_GT(changed, 120 * 90 / 20 * 8);
}

TEST_F(MosaicEngine, MeasuresTheMachineAndCountsEveryCell) {
    job.fixedLimits.reset();
    job.smart = false;
    txtest::RecordingHost host;
    run(host);
    ASSERT_FALSE(host.statuses.isEmpty());
    EXPECT_EQ(host.statuses.first(), "Testing machine...");
    ASSERT_EQ(host.statuses.last(), "Complete...");
    // The tile choice counts 1..20 of 20; then the page phase starts from 0 again.
    for (int k = 1; k <= 20; ++k) EXPECT_NE(std::find(host.values.begin(), host.values.end(), k), host.values.end());
    EXPECT_TRUE(std::any_of(host.timeTexts.begin(), host.timeTexts.end(),
                            [](const QString& t) { return t.startsWith("Time left: "); }));
}

TEST_F(MosaicEngine, LimitsRefuseJustPastTheEdge) {
    struct Case {
        int cellsX, matrX, tileWidth;
        QString message;
    };
    // A limit of 5000 pixels: 100 cells of matrix 25 need exactly 5000 for the scan,
    // 5000 / 2500 = 2 tiles fit a page.
    const Case cases[] = {{100, 25, 8, ""}, {101, 25, 8, kMatrixMessage}, {2, 2, 2500, ""}, {2, 2, 2501, kTileMessage}};
    for (const Case& c : cases) {
        job.cellsX = c.cellsX, job.cellsY = 1, job.matrX = c.matrX, job.matrY = 1, job.tileWidth = c.tileWidth;
        QFile::remove(job.targetPath);
        txtest::RecordingHost host;
        run(host);
        const std::string what = QString("%1 cells, matrix %2, tile %3").arg(c.cellsX).arg(c.matrX).arg(c.tileWidth).toStdString();
        if (c.message.isEmpty()) {
            EXPECT_TRUE(host.messages.isEmpty()) << what;
            EXPECT_EQ(txtest::sizeOf(job.targetPath), QSize(c.cellsX * c.tileWidth, 6)) << what;
        } else {
            EXPECT_EQ(host.messages, QStringList{c.message}) << what;
            EXPECT_EQ(host.icons, std::vector<MessageIcon>{MessageIcon::Critical}) << what;
            // Refused before the colour database is read and the mosaic calculated.
            EXPECT_TRUE(phaseTexts(host.statuses).isEmpty()) << host.statuses.join("|").toStdString();
            EXPECT_FALSE(host.statuses.contains("Looking for database...")) << what;
            EXPECT_EQ(host.buttons.last(), "&Cancel") << what;
            EXPECT_FALSE(QFile::exists(job.targetPath)) << what;
        }
    }
}

TEST_F(MosaicEngine, RefusesWhatItCannotMake) {
    txtest::writeFile(path("broken.jpg"), "not a picture at all");
    job.sourcePath = path("broken.jpg");
    txtest::RecordingHost host;
    run(host);
    EXPECT_EQ(host.messages, QStringList{"Please select a valid source image."});
    EXPECT_EQ(host.icons[0], MessageIcon::Information);
    EXPECT_FALSE(QFile::exists(library + "2x2.txt"));  // no database built for nothing
    EXPECT_FALSE(QFile::exists(job.targetPath));

    job.sourcePath = source;
    job.libraryFolder = path("empty");
    QDir().mkpath(job.libraryFolder);
    txtest::RecordingHost empty;
    run(empty);
    EXPECT_EQ(empty.messages, QStringList{"Please select a valid tile library."});

    job.libraryFolder = library;
    job.cellsX = 200;
    job.cellsY = 164;  // 32800 cells
    txtest::RecordingHost many;
    run(many);
    EXPECT_EQ(many.messages, QStringList{"Please select a valid pixel size."});
    EXPECT_TRUE(many.statuses.isEmpty());

    // Within stored limits of 32767 pixels, but a 30000 x 30000 working picture is
    // more than a picture may hold.
    job.fixedLimits = MachineLimits{32767, 32767};
    job.cellsX = job.cellsY = 100;
    job.matrX = job.matrY = 150;
    txtest::RecordingHost memory;
    run(memory);
    ASSERT_EQ(memory.messages.size(), 1);
    EXPECT_TRUE(memory.messages[0].startsWith("There is not enough memory")) << memory.messages[0].toStdString();
    EXPECT_EQ(memory.icons[0], MessageIcon::Critical);
    EXPECT_FALSE(QFile::exists(job.targetPath));
}

// A mosaic is written only in the format its name says.
TEST_F(MosaicEngine, RefusesATargetItCannotWriteBeforeAnyWork) {
    for (const char* name : {"out.tif", "out.gif", "out"}) {
        job.targetPath = path(name);
        txtest::RecordingHost host;
        run(host);
        ASSERT_EQ(host.messages.size(), 1) << name;
        EXPECT_TRUE(host.messages[0].contains(".jpg, .jpeg, .bmp, .png or .html")) << host.messages[0].toStdString();
        EXPECT_TRUE(host.statuses.isEmpty()) << name;
        EXPECT_FALSE(QFile::exists(job.targetPath)) << name;
    }
}

TEST_F(MosaicEngine, RunsOnlyOncePerDispatch) {
    txtest::RecordingHost host;
    Task task(host);
    run(task);
    const int statuses = host.statuses.size();
    CreateMosaic(task, job);  // the guard is taken
    EXPECT_EQ(host.statuses.size(), statuses);
}

TEST_F(MosaicEngine, CancelDuringTheTileChoiceWritesNothing) {
    txtest::CancellingHost host;
    Observed seen;
    host.when = [](const QString& status, int value) { return status == "Calculating mosaic..." && value == 3; };
    Task task(host);
    host.task = &task;
    EXPECT_EQ(run(task, &seen).outcome, JobOutcome::Cancelled);
    EXPECT_FALSE(task.running());
    EXPECT_EQ(host.statuses.last(), "Calculating mosaic...");
    EXPECT_EQ(host.lastValue, 3);
    EXPECT_FALSE(QFile::exists(job.targetPath));
    EXPECT_EQ(seen.plan.cellsX(), 0);  // no plan was handed out
    EXPECT_TRUE(host.messages.isEmpty());
}

}  // namespace
