// Times the mosaic engine phase by phase: a 5000-tile library of 64 x 64 JPEG
// tiles (built once), a synthetic photograph, colour databases built first (not
// timed), then CreateMosaic end to end for each case with distance 6, smart
// rendering, 32 x 32 output tiles and JPEG pages; and the fast tile choice
// against the plain sequential loop on the same input (the Plans must match).
//
//   bench_mosaic [--dir FOLDER] [--no-reference]
//   (default folder: <temp>/tesselix-bench-mosaic, kept between runs)
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <sys/resource.h>

#include "library/ColourDatabase.h"
#include "library/TileLibrary.h"
#include "mosaic/MosaicJob.h"
#include "mosaic/OrderTables.h"
#include "mosaic/SourcePreparation.h"
#include "mosaic/TileChoice.h"
#include "support/DibSection.h"
#include "support/FileHelpers.h"
#include "support/JpegBridge.h"
#include "support/Parallel.h"
#include "support/PictureFile.h"

#include "BenchPictures.h"
#include "BenchUtil.h"

using namespace tx;

namespace {

constexpr int kTiles = 5000;

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec) + u.ru_utime.tv_usec / 1e6 + double(u.ru_stime.tv_sec) + u.ru_stime.tv_usec / 1e6;
}

using txbench::now;

// Records when each status text appeared.
class TimingHost : public TaskHost {
public:
    void statusChanged(const QString& text) override { marks.push_back({text, now()}); }
    void showMessage(MessageIcon, const QString& text, MessageEffect) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    std::vector<std::pair<QString, double>> marks;
};

struct Case {
    int cellsX, cellsY, matr;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString base = QDir(QDir::tempPath()).filePath("tesselix-bench-mosaic");
    bool reference = true;
    bool choiceOnly = false;
    int kept = 0;
    for (int k = 1; k < argc; ++k) {
        const QString a = QString::fromLocal8Bit(argv[k]);
        if (a == "--dir" && k + 1 < argc) base = QString::fromLocal8Bit(argv[++k]);
        else if (a == "--kept" && k + 1 < argc) kept = std::atoi(argv[++k]);
        else if (a == "--choice-only") choiceOnly = true;
        else if (a == "--no-reference") reference = false;
        else {
            std::fprintf(stderr, "usage: bench_mosaic [--dir FOLDER] [--no-reference]\n");
            return 2;
        }
    }
    QDir().mkpath(base);
    qputenv("TESSELIX_SETTINGS", QDir(base).filePath("settings.ini").toUtf8());

    const QString library = QDir(base).filePath("Bench5000") + "/";
    QDir().mkpath(library);
    txbench::ensureBenchLibrary(library, kTiles);
    const QString photoPath = txbench::ensureBenchPhoto(base);
    const QStringList tiles = tileList(library);
    std::printf("library %s: %d tiles; photo 3000 x 2250\n", qPrintable(library), int(tiles.size()));

    // Databases first, not timed.
    for (int m : {3, 12}) {
        TaskHost quiet;
        Task task(quiet);
        task.setRunning(true);
        TileColourTable table;
        ColourDatabaseRequest request{library, tiles, kTiles, m, m, false, false, true};
        const double t0 = now();
        LoadColourDatabase(task, request, table);
        std::printf("database %dx%d ready in %.2f s\n", m, m, now() - t0);
    }
    {
        Picture photo;
        const double t0 = now();
        loadPicture(photoPath, photo);
        std::printf("decoding the photo alone: %.3f s\n", now() - t0);
    }
    std::printf("peak memory after setup: %.0f MB\n\n", txbench::peakMegabytes());

    const std::vector<Case> cases = {{100, 75, 3}, {181, 181, 3}, {100, 75, 12}, {181, 181, 12}};
    const char* phases[] = {"Looking for database...", "Creating source image...", "Calculating mosaic...",
                            "Preparing smart table...", "Preparing page(s)...", "Complete..."};
    std::printf("%-14s %7s %7s %7s %7s %7s %8s  %s\n", "case", "db", "source", "choice", "table", "pages", "total",
                "peak MB");
    for (const Case& c : cases) {
        if (choiceOnly) break;
        MosaicJob job;
        job.cellsX = c.cellsX;
        job.cellsY = c.cellsY;
        job.matrX = job.matrY = c.matr;
        job.distance = 6;
        job.smart = true;
        job.tileWidth = job.tileHeight = 32;
        job.alpha = alphaFromBlend(20);
        job.sourcePath = photoPath;
        job.libraryFolder = library;
        job.targetPath = QDir(base).filePath(QStringLiteral("mosaic-%1x%2-%3.jpg").arg(c.cellsX).arg(c.cellsY).arg(c.matr));
        TimingHost host;
        Task task(host);
        task.guard().arm();
        task.setRunning(true);
        const double start = now();
        CreateMosaic(task, job);
        const double end = now();
        std::map<QString, double> at;
        for (auto& [text, t] : host.marks)
            if (!at.count(text)) at[text] = t;
        at["Looking for database..."] = start;
        if (!at.count("Complete...")) {
            std::printf("%dx%d %dx%d: did not complete\n", c.cellsX, c.cellsY, c.matr, c.matr);
            continue;
        }
        double d[5];
        for (int k = 0; k < 5; ++k) d[k] = at[phases[k + 1]] - at[phases[k]];
        char name[32];
        std::snprintf(name, sizeof name, "%dx%d m%d", c.cellsX, c.cellsY, c.matr);
        std::printf("%-14s %7.3f %7.3f %7.3f %7.3f %7.3f %8.3f  %.0f\n", name, d[0], d[1], d[2], d[3], d[4],
                    end - start, txbench::peakMegabytes());
    }

    std::printf("\ntile choice alone, fast against the sequential loop:\n");
    for (const Case& c : cases) {
        TaskHost quiet;
        Task task(quiet);
        task.setRunning(true);
        TileColourTable table;
        ColourDatabaseRequest request{library, tiles, kTiles, c.matr, c.matr, false, false, true};
        LoadColourDatabase(task, request, table);
        Picture photo;
        loadPicture(photoPath, photo);
        const PreparedSource src = prepareSource(photo, c.cellsX, c.cellsY, c.matr, c.matr, {});
        const OrderTable order = buildDetailOrder(src.cells);
        TileChoiceInput in;
        in.scan = &src.scan;
        in.tiles = &table;
        in.cellsX = c.cellsX;
        in.cellsY = c.cellsY;
        in.matrX = in.matrY = c.matr;
        in.tileCount = kTiles;
        in.distance = 6;
        in.order = &order;
        in.keptCandidates = kept;
        Plan fast(c.cellsX, c.cellsY), slow(c.cellsX, c.cellsY);
        seedRandom(1);
        double t0 = now();
        const double c0 = cpuSeconds();
        chooseTiles(in, fast);
        const double tf = now() - t0;
        const double cf = cpuSeconds() - c0;
        // The same with the engine's per-cell progress and time estimate.
        Plan hooked(c.cellsX, c.cellsY);
        TaskHost quietHost;
        Task progress(quietHost);
        progress.setRunning(true);
        progress.setMaximum(c.cellsX * c.cellsY);
        TileChoiceHooks hooks;
        bool firstCell = true;
        hooks.running = [&] { return progress.running(); };
        hooks.cellDone = [&](int, int) {
            progress.step();
            if (firstCell) progress.startTimeEstimate(), firstCell = false;
            else progress.updateTimeEstimate();
            return progress.running();
        };
        seedRandom(1);
        t0 = now();
        chooseTiles(in, hooked, hooks);
        const double th = now() - t0;
        double ts = 0;
        bool same = hooked == fast;
        if (reference) {
            seedRandom(1);
            t0 = now();
            chooseTilesReference(in, slow);
            ts = now() - t0;
            same = same && fast == slow;
        }
        std::printf("%dx%d m%d: fast %.3f s (cpu %.3f s; with progress %.3f s), sequential %s, plans %s\n", c.cellsX, c.cellsY, c.matr, tf, cf, th,
                    reference ? qPrintable(QString::number(ts, 'f', 3) + " s") : "skipped",
                    reference ? (same ? "equal" : "DIFFER") : "-");
        if (!same) return 1;
    }
    std::printf("\npeak memory (ru_maxrss): %.0f MB; %d cores\n", txbench::peakMegabytes(), workerCount());
    return 0;
}
