// Zoomable output: the page's embedded data, and the engine writing NAME.html,
// NAME.dzi and NAME_files/ whole or not at all.
#include <gtest/gtest.h>

#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include "TestUtil.h"
#include "mosaic/MosaicJob.h"
#include "mosaic/MosaicObserver.h"
#include "mosaic/ZoomViewer.h"
#include "mosaic/ZoomablePage.h"
#include "support/DeepZoomGeometry.h"

using namespace tx;

namespace {

QJsonObject embeddedData(const QByteArray& html) {
    const QRegularExpression re(R"(<script type="application/json" id="mosaic">(.*?)</script>)");
    const auto m = re.match(QString::fromUtf8(html));
    if (!m.hasMatch()) return {};
    return QJsonDocument::fromJson(m.captured(1).toUtf8()).object();
}

TEST(ZoomablePage, NamesItsFilesAfterThePage) {
    struct Case {
        const char* html;
        const char* files;
        const char* dzi;
    } cases[] = {
        {"/a/m.html", "/a/m_files", "/a/m.dzi"},
        {"/a.b/My Mosaic.HTML", "/a.b/My Mosaic_files", "/a.b/My Mosaic.dzi"},
        {"x.y.html", "x.y_files", "x.y.dzi"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(zoomableFilesFolder(c.html), c.files);
        EXPECT_EQ(zoomableDziPath(c.html), c.dzi);
    }
}

TEST(ZoomablePage, EmbedsThePyramidAndThePlanSafely) {
    ZoomableCells cells;
    cells.across = 3, cells.down = 2, cells.cellWidth = 64, cells.cellHeight = 48;
    // Names that would end the script element or break out of an attribute.
    cells.names = {"</script><b>x.jpg", "a\"b&c.jpg", "ü 2.jpg"};
    cells.tileOfCell = {0, 1, 2, -1, 2, 0};
    cells.mirrored = {false, true, false, false, false, false};
    const QByteArray html = zoomablePageHtml("/out/<Tom> & #1.html", 192, 96, cells);

    EXPECT_EQ(html.count("</script>"), 3) << "only the three script elements close";
    EXPECT_TRUE(html.contains("<title>&lt;Tom&gt; &amp; #1</title>"));
    // The folder beside the page, as a relative URL: "#" and spaces encoded.
    EXPECT_TRUE(html.contains("src=\"%3CTom%3E%20%26%20%231_files/openseadragon/openseadragon.min.js\""));

    const QJsonObject data = embeddedData(html);
    ASSERT_FALSE(data.isEmpty());
    const QJsonObject image = data["image"].toObject()["Image"].toObject();
    EXPECT_EQ(image["Url"].toString(), "%3CTom%3E%20%26%20%231_files/");
    EXPECT_EQ(image["TileSize"].toString(), "254");
    EXPECT_EQ(image["Overlap"].toString(), "1");
    EXPECT_EQ(image["Format"].toString(), "jpg");
    EXPECT_EQ(image["Size"].toObject()["Width"].toString(), "192");
    EXPECT_EQ(image["Size"].toObject()["Height"].toString(), "96");
    const QJsonObject c = data["cells"].toObject();
    EXPECT_EQ(c["across"].toInt(), 3);
    EXPECT_EQ(c["down"].toInt(), 2);
    EXPECT_EQ(c["width"].toInt(), 64);
    EXPECT_EQ(c["height"].toInt(), 48);
    QStringList names;
    for (const auto& v : data["names"].toArray()) names << v.toString();
    EXPECT_EQ(names, cells.names);
    std::vector<int> plan, mirrored;
    for (const auto& v : data["plan"].toArray()) plan.push_back(v.toInt());
    for (const auto& v : data["mirrored"].toArray()) mirrored.push_back(v.toInt());
    EXPECT_EQ(plan, cells.tileOfCell);
    EXPECT_EQ(mirrored, (std::vector<int>{0, 1, 0, 0, 0, 0}));
}

TEST(ZoomViewer, AnOverrideIsTheOnlyPlaceLookedAt) {
    EXPECT_EQ(zoomViewerCandidates("", "/opt/tx/bin/"),
              (QStringList{"/opt/tx/bin/openseadragon/", "/opt/tx/share/tesselix/openseadragon/"}));
    EXPECT_EQ(zoomViewerCandidates("/v/osd", "/opt/tx/bin/"), QStringList{"/v/osd/"});
}

// Everything below a folder, relative, sorted.
QStringList entriesBelow(const QString& folder) {
    QStringList out;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) out << QDir(folder).relativeFilePath(it.next());
    out.sort();
    return out;
}

class ZoomableEngine : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<Picture> tiles;
        for (Colour c : {rgb(200, 30, 30), rgb(30, 200, 30), rgb(30, 30, 200), rgb(220, 220, 220), rgb(20, 20, 20)}) {
            tiles.emplace_back(8, 8, c);
            tiles.back().fillRect({0, 0, 4, 4}, rgb(redOf(c) / 2, greenOf(c) / 2, 90));
        }
        library = txtest::makeLibrary(path("lib"), tiles);
        ASSERT_TRUE(saveBmp(txtest::gradient(40, 30), path("photo.bmp")));
        // A stand-in viewer, so the tests need no network.
        QDir().mkpath(path("viewer/images"));
        txtest::writeFile(path("viewer/openseadragon.min.js"), "window.OpenSeadragon = null;");
        txtest::writeFile(path("viewer/LICENSE.txt"), "licence");
        txtest::writeFile(path("viewer/images/zoomin.png"), "png");
        qputenv("TESSELIX_VIEWER", path("viewer").toUtf8());

        job.fixedLimits = MachineLimits{5000, 5000};
        job.cellsX = 5, job.cellsY = 4, job.tileWidth = 8, job.tileHeight = 6;
        job.matrX = job.matrY = 2, job.distance = 1, job.alpha = 0;
        job.sourcePath = path("photo.bmp");
        job.targetPath = path("out/m.html");
        job.libraryFolder = library;
        QDir().mkpath(path("out"));
    }
    void TearDown() override { qunsetenv("TESSELIX_VIEWER"); }

    QString path(const QString& name) const { return QDir(dir.path()).filePath(name); }
    JobResult run(txtest::RecordingHost& host, MosaicObserver* observer = nullptr) {
        Task task(host);
        txtest::start(task);
        return CreateMosaic(task, job, observer);
    }

    QTemporaryDir dir;
    QString library;
    MosaicJob job;
};

struct PlanSeen : MosaicObserver {
    void planChosen(const Plan& p, const QStringList& t) override { plan = p, tiles = t; }
    Plan plan;
    QStringList tiles;
};

TEST_F(ZoomableEngine, WritesOnePageWithItsPyramidAndViewerWhateverTheLimits) {
    // 1050 x 24 pixels, wider than the limits; its rows (1050 x 524 pixels) fit them.
    job.fixedLimits = MachineLimits{1000, 1000};
    job.tileWidth = 210;
    txtest::RecordingHost host;
    PlanSeen seen;
    const JobResult result = run(host, &seen);
    ASSERT_EQ(result.outcome, JobOutcome::Completed) << host.messages.join("|").toStdString();
    EXPECT_EQ(result.filesWritten, QStringList{job.targetPath});
    EXPECT_TRUE(host.messages.isEmpty()) << host.messages.join("|").toStdString();
    EXPECT_TRUE(host.statuses.contains("Creating mosaic (Page 1/1)...")) << "not cut into pages";

    const QStringList entries = entriesBelow(path("out"));
    // Levels 0..11 (2^11 = 2048 >= 1050), one tile row each; the viewer beside them.
    QStringList expected{"m.dzi", "m.html", "m_files", "m_files/openseadragon", "m_files/openseadragon/LICENSE.txt",
                         "m_files/openseadragon/images", "m_files/openseadragon/images/zoomin.png",
                         "m_files/openseadragon/openseadragon.min.js"};
    const std::vector<DeepZoomLevel> levels = deepZoomLevels(1050, 24);
    ASSERT_EQ(levels.size(), 12u);
    EXPECT_EQ(levels.back().columns, 5);
    for (std::size_t level = 0; level < levels.size(); ++level) {
        expected << QStringLiteral("m_files/%1").arg(level);
        for (int c = 0; c < levels[level].columns; ++c) expected << QStringLiteral("m_files/%1/%2_0.jpg").arg(level).arg(c);
    }
    expected.sort();
    EXPECT_EQ(entries, expected);
    EXPECT_EQ(txtest::sizeOf(path("out/m_files/11/0_0.jpg")), QSize(255, 24));
    EXPECT_EQ(txtest::sizeOf(path("out/m_files/11/4_0.jpg")), QSize(1050 - 4 * 254 + 1, 24));
    EXPECT_TRUE(txtest::readFile(path("out/m.dzi")).contains("<Size Width=\"1050\" Height=\"24\"/>"));

    // The page names the plan's tile of every cell.
    const QJsonObject data = embeddedData(txtest::readFile(job.targetPath));
    const QJsonArray names = data["names"].toArray();
    const QJsonArray plan = data["plan"].toArray();
    ASSERT_EQ(plan.size(), 20);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            const int t = seen.plan.at(x, y);
            ASSERT_GE(t, 1);
            EXPECT_EQ(names[plan[y * 5 + x].toInt()].toString(), seen.tiles[t - 1]) << x << "," << y;
        }
}

TEST_F(ZoomableEngine, TheFinestLevelShowsTheSamePictureAsABitmapPage) {
    job.fixedLimits = MachineLimits{5000, 5000};
    job.targetPath = path("out/m.bmp");
    txtest::RecordingHost bmpHost;
    ASSERT_EQ(run(bmpHost).outcome, JobOutcome::Completed);
    job.targetPath = path("out/m.html");
    txtest::RecordingHost host;
    ASSERT_EQ(run(host).outcome, JobOutcome::Completed);
    Picture page, finest;
    ASSERT_TRUE(loadPicture(path("out/m.bmp"), page));
    ASSERT_TRUE(loadPicture(path("out/m_files/6/0_0.jpg"), finest));
    ASSERT_EQ(finest.width(), page.width());
    ASSERT_EQ(finest.height(), page.height());
    long long diff = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const Colour a = page.pixel(x, y), b = finest.pixel(x, y);
            diff += std::abs(redOf(a) - redOf(b)) + std::abs(greenOf(a) - greenOf(b)) + std::abs(blueOf(a) - blueOf(b));
        }
    // JPEG at quality 90 on 8-pixel colour blocks: a few levels per channel.
    EXPECT_LT(static_cast<double>(diff) / (page.width() * page.height() * 3), 6.0);
}

TEST_F(ZoomableEngine, RefusesWithoutItsViewerBeforeAnyWork) {
    QDir().mkpath(path("empty"));
    qputenv("TESSELIX_VIEWER", path("empty").toUtf8());
    txtest::RecordingHost host;
    EXPECT_EQ(run(host).outcome, JobOutcome::Stopped);
    ASSERT_EQ(host.messages.size(), 1);
    EXPECT_EQ(host.messages[0], zoomViewerMissingText());
    EXPECT_TRUE(entriesBelow(path("out")).isEmpty());
}

TEST_F(ZoomableEngine, RowsTooLargeForTheLimitsAreRefused) {
    // Two strips of 6 rows and two tile rows of 256: 524 rows of 10 x 200 pixels
    // are more than 1000 x 1000.
    job.fixedLimits = MachineLimits{1000, 1000};
    job.cellsX = 10, job.tileWidth = 200;
    txtest::RecordingHost host;
    EXPECT_EQ(run(host).outcome, JobOutcome::Stopped);
    ASSERT_EQ(host.messages.size(), 1);
    EXPECT_TRUE(host.messages[0].startsWith("Your system can not handle a row of tiles this wide.")) << host.messages[0].toStdString();
    job.cellsX = 9;  // 1800 x 524 pixels fit
    txtest::RecordingHost fits;
    EXPECT_EQ(run(fits).outcome, JobOutcome::Completed) << fits.messages.join("|").toStdString();
}

TEST_F(ZoomableEngine, CancelMidPyramidLeavesNothing) {
    txtest::writeFile(path("out/keep.txt"));
    job.cellsX = 8, job.cellsY = 8, job.matrX = job.matrY = 1;
    txtest::CancellingHost host;
    // After three of eight strips, cells counted on from the tile choice.
    host.when = [](const QString& status, int value) { return status == "Creating mosaic (Page 1/1)..." && value == 24; };
    Task task(host);
    host.task = &task;
    txtest::start(task);
    EXPECT_EQ(CreateMosaic(task, job).outcome, JobOutcome::Cancelled);
    EXPECT_EQ(host.lastValue, 24);
    EXPECT_EQ(entriesBelow(path("out")), QStringList{"keep.txt"});
}

TEST_F(ZoomableEngine, AFailedSaveSaysSoAndLeavesNothingHalfMade) {
    QDir().mkpath(path("out/m.dzi"));  // a folder where the description must go
    txtest::RecordingHost host;
    const JobResult result = run(host);
    EXPECT_TRUE(result.filesWritten.isEmpty());
    EXPECT_EQ(host.messages, QStringList{"Error saving the zoomable web page."});
    ASSERT_EQ(result.problems.size(), 1);
    EXPECT_EQ(entriesBelow(path("out")), QStringList{"m.dzi"});
}

}  // namespace
