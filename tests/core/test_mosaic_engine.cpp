// CreateMosaic end to end on a tiny library: phase order, limits, refusals,
// cancel, and the command-line extras.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "TestUtil.h"
#include "mosaic/MosaicJob.h"
#include "support/PictureFile.h"
#include "support/Registry.h"

using namespace tx;

namespace {

const QString kMatrixMessage =
    "Your system can not handle the recognition matrix.\r\nPlease use a smaller matrix or less cells.";
const QString kTileMessage = "Your system can not handle tile size.\r\nPlease use smaller tiles.";

class MosaicEngine : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QDir(dir.path()).mkpath("lib");
        library = QDir(dir.path()).filePath("lib");
        const Colour colours[] = {rgb(200, 30, 30), rgb(30, 200, 30), rgb(30, 30, 200), rgb(220, 220, 220),
                                  rgb(20, 20, 20),  rgb(128, 128, 0)};
        for (int k = 0; k < 6; ++k) {
            Picture tile(8, 8, colours[k]);
            tile.fillRect({0, 0, 4, 4}, rgb(redOf(colours[k]) / 2, greenOf(colours[k]) / 2, 90));
            ASSERT_TRUE(saveBmp(tile, QDir(library).filePath(QString::number(k + 1) + ".bmp")));
        }
        Picture photo(40, 30);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) photo.setPixel(x, y, rgb(x * 6, y * 8, 255 - x * 3));
        source = QDir(dir.path()).filePath("photo.bmp");
        ASSERT_TRUE(saveBmp(photo, source));

        writeSetting("Check", "0");
        writeSetting("MaxWidth", "5000");
        writeSetting("MaxHeight", "5000");

        job.cellsX = 5;
        job.cellsY = 4;
        job.tileWidth = 8;
        job.tileHeight = 6;
        job.matrX = 2;
        job.matrY = 2;
        job.distance = 1;
        job.alpha = 0;
        job.sourcePath = source;
        job.targetPath = QDir(dir.path()).filePath("out.bmp");
        job.libraryFolder = library;
    }
    void TearDown() override { writeSetting("Check", "1"); }

    void run(txtest::RecordingHost& host) {
        Task task(host);
        run(task);
    }
    void run(Task& task) {
        task.guard().arm();
        task.setRunning(true);
        CreateMosaic(task, job);
    }

    QTemporaryDir dir;
    QString library, source;
    MosaicJob job;
};

// The statuses that are not the database's or a page's, in order.
QStringList phaseTexts(const QStringList& statuses) {
    QStringList out;
    for (const QString& s : statuses)
        if (!s.startsWith("Creating color database") && !s.contains("database") && !s.startsWith("Library"))
            out << s;
    return out;
}

TEST_F(MosaicEngine, RunsEveryPhaseInOrderAndWritesTheMosaic) {
    job.planPath = QDir(dir.path()).filePath("plan.csv");
    job.workDir = QDir(dir.path()).filePath("work");
    txtest::RecordingHost host;
    host.preview = QSize(120, 90);
    run(host);

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

    int w = 0, h = 0;
    ASSERT_TRUE(pictureSize(job.targetPath, w, h));
    EXPECT_EQ(w, 5 * 8);
    EXPECT_EQ(h, 4 * 6);

    QFile plan(job.planPath);
    ASSERT_TRUE(plan.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = plan.readAll().trimmed().split('\n');
    ASSERT_EQ(lines.size(), 1 + 20);
    EXPECT_EQ(lines[0], "x,y,tile,file");
    EXPECT_TRUE(lines[1].startsWith("0,0,"));
    EXPECT_TRUE(lines[2].startsWith("1,0,"));
    EXPECT_TRUE(lines[20].startsWith("4,3,"));
    const QList<QByteArray> first = lines[1].split(',');
    EXPECT_EQ(first[3], first[2] + ".bmp");  // tiles 1..6 are 1.bmp..6.bmp

    Picture scan;
    ASSERT_TRUE(loadPicture(QDir(job.workDir).filePath("scan.bmp"), scan));
    EXPECT_EQ(scan.width(), 10);
    EXPECT_EQ(scan.height(), 8);
    EXPECT_TRUE(QFile::exists(QDir(job.workDir).filePath("cells.bmp")));
    QFile order(QDir(job.workDir).filePath("order.csv"));
    ASSERT_TRUE(order.open(QIODevice::ReadOnly));
    EXPECT_EQ(order.readAll().trimmed().split('\n').size(), 21);
}

TEST_F(MosaicEngine, CountsEveryCellWithTheTimeEstimate) {
    job.smart = false;
    txtest::RecordingHost host;
    run(host);
    ASSERT_EQ(host.statuses.last(), "Complete...");
    // The tile choice counts 1..20 of 20; then the page phase starts from 0 again.
    auto it = std::find(host.values.begin(), host.values.end(), 20);
    ASSERT_NE(it, host.values.end());
    for (int k = 1; k <= 20; ++k) EXPECT_NE(std::find(host.values.begin(), host.values.end(), k), host.values.end());
    EXPECT_TRUE(std::any_of(host.timeTexts.begin(), host.timeTexts.end(),
                            [](const QString& t) { return t.startsWith("Time left: "); }));
}

TEST_F(MosaicEngine, MeasuresTheMachineWhenCheckIsOn) {
    writeSetting("Check", "1");
    txtest::RecordingHost host;
    run(host);
    ASSERT_FALSE(host.statuses.isEmpty());
    EXPECT_EQ(host.statuses.first(), "Testing machine...");
    EXPECT_EQ(host.statuses.last(), "Complete...");
}

TEST_F(MosaicEngine, ScanMatrixLimit) {
    // 5000 pixels: 100 cells of matrix 25 need exactly 5000 and pass; 101 fail.
    job.libraryFolder = QDir(dir.path()).filePath("nothing-here");  // stops right after the check
    job.cellsY = 1;
    job.matrX = 25;
    job.matrY = 1;
    job.cellsX = 100;
    txtest::RecordingHost pass;
    run(pass);
    ASSERT_EQ(pass.messages.size(), 1);
    EXPECT_NE(pass.messages[0], kMatrixMessage);

    job.cellsX = 101;
    txtest::RecordingHost fail;
    run(fail);
    ASSERT_EQ(fail.messages.size(), 1);
    EXPECT_EQ(fail.messages[0], kMatrixMessage);
    EXPECT_EQ(fail.icons[0], MessageIcon::Critical);
    EXPECT_FALSE(fail.statuses.contains("Complete..."));
    EXPECT_EQ(fail.buttons.last(), "&Cancel");
}

TEST_F(MosaicEngine, TileSizeLimit) {
    job.cellsX = 2;
    job.cellsY = 1;
    job.tileHeight = 8;
    job.tileWidth = 2501;
    txtest::RecordingHost fail;
    run(fail);
    ASSERT_EQ(fail.messages.size(), 1);
    EXPECT_EQ(fail.messages[0], kTileMessage);
    EXPECT_TRUE(fail.statuses.contains("Preparing smart table..."));
    EXPECT_FALSE(fail.statuses.contains("Preparing page(s)..."));
    EXPECT_FALSE(QFile::exists(job.targetPath));

    job.tileWidth = 2500;  // 5000 / 2500 = 2 tiles a page
    txtest::RecordingHost pass;
    run(pass);
    EXPECT_TRUE(pass.messages.isEmpty());
    int w = 0, h = 0;
    ASSERT_TRUE(pictureSize(job.targetPath, w, h));
    EXPECT_EQ(w, 5000);
    EXPECT_EQ(h, 8);
}

TEST_F(MosaicEngine, RefusesWhatItCannotMake) {
    QFile bad(QDir(dir.path()).filePath("broken.jpg"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not a picture at all");
    bad.close();
    job.sourcePath = bad.fileName();
    txtest::RecordingHost host;
    run(host);
    ASSERT_EQ(host.messages.size(), 1);
    EXPECT_EQ(host.messages[0], "Please select a valid source image.");
    EXPECT_EQ(host.icons[0], MessageIcon::Information);
    EXPECT_FALSE(QFile::exists(QDir(library).filePath("2x2.txt")));  // no database built for nothing
    EXPECT_FALSE(QFile::exists(job.targetPath));

    job.sourcePath = source;
    job.libraryFolder = QDir(dir.path()).filePath("empty");
    QDir(dir.path()).mkpath("empty");
    txtest::RecordingHost empty;
    run(empty);
    ASSERT_EQ(empty.messages.size(), 1);
    EXPECT_TRUE(empty.messages[0].contains("no tiles"));

    job.libraryFolder = library;
    job.cellsX = 200;
    job.cellsY = 164;  // 32800 cells
    txtest::RecordingHost many;
    run(many);
    ASSERT_EQ(many.messages.size(), 1);
    EXPECT_TRUE(many.messages[0].contains("32767"));
    EXPECT_TRUE(many.statuses.isEmpty());
}

TEST_F(MosaicEngine, PictureBeyondMemoryStopsWithAMessage) {
    // Within stored limits of 32767 pixels, but a 30000 x 30000 working picture
    // is more than a picture may hold.
    writeSetting("MaxWidth", "32767");
    writeSetting("MaxHeight", "32767");
    job.cellsX = job.cellsY = 100;
    job.matrX = job.matrY = 150;
    txtest::RecordingHost host;
    run(host);
    ASSERT_EQ(host.messages.size(), 1);
    EXPECT_TRUE(host.messages[0].startsWith("There is not enough memory")) << host.messages[0].toStdString();
    EXPECT_EQ(host.icons[0], MessageIcon::Critical);
    EXPECT_FALSE(QFile::exists(job.targetPath));
}

TEST_F(MosaicEngine, RunsOnlyOncePerDispatch) {
    txtest::RecordingHost host;
    Task task(host);
    run(task);
    const int statuses = host.statuses.size();
    CreateMosaic(task, job);  // the guard is taken
    EXPECT_EQ(host.statuses.size(), statuses);
}

// Cancels when the tile choice has decided a few cells.
class CancellingHost : public txtest::RecordingHost {
public:
    void statusChanged(const QString& text) override {
        RecordingHost::statusChanged(text);
        calculating = text == "Calculating mosaic...";
    }
    void progressChanged(int value, int maximum) override {
        RecordingHost::progressChanged(value, maximum);
        if (calculating && value == 3 && task) task->cancel();
    }
    Task* task = nullptr;
    bool calculating = false;
};

TEST_F(MosaicEngine, CancelDuringTheTileChoiceWritesNothing) {
    job.planPath = QDir(dir.path()).filePath("plan.csv");
    CancellingHost host;
    Task task(host);
    host.task = &task;
    run(task);
    EXPECT_FALSE(task.running());
    EXPECT_EQ(host.statuses.last(), "Calculating mosaic...");
    EXPECT_EQ(host.lastValue, 3);
    EXPECT_FALSE(QFile::exists(job.targetPath));
    EXPECT_FALSE(QFile::exists(job.planPath));
    EXPECT_TRUE(host.messages.isEmpty());
}

}  // namespace
