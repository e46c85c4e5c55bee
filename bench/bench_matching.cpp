// How close the chosen tiles come to the source with each measure: RGB (the
// specified choice), perceptual (CIELAB), mirrored tiles, and both. On the bench
// photograph, 100 x 75 cells, scan matrices 3 x 3 and 5 x 5, distance 6, smart
// order, with the 5000-tile bench library and a 500-tile library (its first 500
// tiles). For each case:
//   cell dE    mean CIE76 difference between a cell's colour (kleinevorlage) and
//              the mean colour of the tile placed there;
//   sample dE  mean CIE76 difference between the cell's samples and the samples
//              of the tile as placed (mirrored where it was), which sees the
//              pattern inside a cell and so what mirroring can improve;
//   time       the choice alone, best of 3 (wall seconds; CPU seconds in brackets).
//
//   bench_matching [--dir FOLDER]   (default: <temp>/tesselix-bench-mosaic, shared with bench_mosaic)
#include <QCoreApplication>
#include <QDir>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

#include "library/ColourDatabase.h"
#include "mosaic/LabColour.h"
#include "mosaic/MatchingChoice.h"
#include "mosaic/OrderTables.h"
#include "mosaic/SourcePreparation.h"
#include "mosaic/TileChoice.h"
#include "support/FileHelpers.h"
#include "support/PictureFile.h"

#include "BenchPictures.h"
#include "BenchUtil.h"

using namespace tx;
using txbench::now;

namespace {

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec) + u.ru_utime.tv_usec / 1e6 + double(u.ru_stime.tv_sec) + u.ru_stime.tv_usec / 1e6;
}

Lab labOf(const std::uint8_t* p) { return labFromSrgb(p[0], p[1], p[2]); }

struct Errors {
    double cell = 0;
    double sample = 0;
};

Errors errorsOf(const TileChoiceInput& in, const Picture& cells, const Plan& plan, const MirrorPlan& mirrored) {
    const int samples = in.matrX * in.matrY;
    std::vector<std::uint8_t> cell(static_cast<std::size_t>(samples) * 3), placed(cell.size());
    double cellSum = 0, sampleSum = 0;
    for (int y = 0; y < in.cellsY; ++y)
        for (int x = 0; x < in.cellsX; ++x) {
            const std::uint8_t* tile = in.tiles->tile(plan.at(x, y));
            if (mirrored.at(x, y)) {
                mirrorSamples(tile, in.matrX, in.matrY, placed.data());
                tile = placed.data();
            }
            sampleCell(*in.scan, x, y, in.matrX, in.matrY, cell.data());
            double mean[3] = {0, 0, 0};
            for (int k = 0; k < samples; ++k) {
                sampleSum += deltaE76(labOf(cell.data() + 3 * k), labOf(tile + 3 * k));
                for (int c = 0; c < 3; ++c) mean[c] += tile[3 * k + c];
            }
            const Colour source = cells.pixel(x, y);
            const Lab tileMean = labFromSrgb(static_cast<std::uint8_t>(std::lround(mean[0] / samples)),
                                             static_cast<std::uint8_t>(std::lround(mean[1] / samples)),
                                             static_cast<std::uint8_t>(std::lround(mean[2] / samples)));
            cellSum += deltaE76(labFromSrgb(static_cast<std::uint8_t>(redOf(source)),
                                            static_cast<std::uint8_t>(greenOf(source)),
                                            static_cast<std::uint8_t>(blueOf(source))),
                                tileMean);
        }
    const double n = double(in.cellsX) * in.cellsY;
    return {cellSum / n, sampleSum / (n * samples)};
}

struct Mode {
    const char* name;
    MatchingOptions options;
    bool specifiedPath;  // chooseTiles, the default RGB path
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString base = QDir(QDir::tempPath()).filePath("tesselix-bench-mosaic");
    for (int k = 1; k < argc; ++k) {
        const QString a = QString::fromLocal8Bit(argv[k]);
        if (a == "--dir" && k + 1 < argc) base = QString::fromLocal8Bit(argv[++k]);
        else {
            std::fprintf(stderr, "usage: bench_matching [--dir FOLDER]\n");
            return 2;
        }
    }
    QDir().mkpath(base);
    qputenv("TESSELIX_SETTINGS", QDir(base).filePath("settings.ini").toUtf8());
    const QString photoPath = txbench::ensureBenchPhoto(base);
    Picture photo;
    if (!loadPicture(photoPath, photo)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(photoPath));
        return 1;
    }

    const int cellsX = 100, cellsY = 75, distance = 6;
    const Mode modes[] = {{"RGB", {false, false}, true},
                          {"RGB (float path)", {false, false}, false},
                          {"perceptual", {true, false}, false},
                          {"mirror", {false, true}, false},
                          {"both", {true, true}, false}};
    std::printf("%d x %d cells, distance %d, smart order; %d cores\n\n", cellsX, cellsY, distance, workerCount());
    std::printf("%-10s %-6s %-17s %8s %10s %8s %8s %16s\n", "library", "matrix", "matching", "cell dE", "sample dE",
                "tiles", "mirrored", "time s (cpu)");
    for (const int tileCount : {5000, 500}) {
        const QString library = QDir(base).filePath(QStringLiteral("Bench%1").arg(tileCount)) + "/";
        txbench::ensureBenchLibrary(library, tileCount);
        const QStringList tiles = tileList(library);
        for (const int m : {3, 5}) {
            TaskHost quiet;
            Task task(quiet);
            task.setRunning(true);
            TileColourTable table;
            if (!LoadColourDatabase(task, ColourDatabaseRequest{library, tiles, tileCount, m, m, false, false, true}, table)) {
                std::fprintf(stderr, "no colour database for %s\n", qPrintable(library));
                return 1;
            }
            const PreparedSource src = prepareSource(photo, cellsX, cellsY, m, m, {});
            const OrderTable order = buildDetailOrder(src.cells);
            TileChoiceInput in;
            in.scan = &src.scan;
            in.tiles = &table;
            in.cellsX = cellsX;
            in.cellsY = cellsY;
            in.matrX = in.matrY = m;
            in.tileCount = tileCount;
            in.distance = distance;
            in.order = &order;
            Plan specified(cellsX, cellsY);
            for (const Mode& mode : modes) {
                Plan plan(cellsX, cellsY);
                MirrorPlan mirrored(cellsX, cellsY);
                double best = 1e9, bestCpu = 0;
                for (int run = 0; run < 3; ++run) {
                    seedRandom(1);
                    const double t0 = now(), c0 = cpuSeconds();
                    const bool ok = mode.specifiedPath ? chooseTiles(in, plan)
                                                       : chooseTilesMatching(in, mode.options, plan, &mirrored);
                    const double t = now() - t0, c = cpuSeconds() - c0;
                    if (!ok) {
                        std::fprintf(stderr, "the choice failed\n");
                        return 1;
                    }
                    if (t < best) best = t, bestCpu = c;
                }
                if (mode.specifiedPath) specified = plan;
                else if (!mode.options.perceptual && !mode.options.mirror && !(plan == specified)) {
                    std::fprintf(stderr, "the float RGB path differs from the specified choice\n");
                    return 1;
                }
                std::vector<char> used(static_cast<std::size_t>(tileCount) + 1, 0);
                int distinct = 0;
                for (int y = 0; y < cellsY; ++y)
                    for (int x = 0; x < cellsX; ++x)
                        if (!used[static_cast<std::size_t>(plan.at(x, y))]++) ++distinct;
                const Errors e = errorsOf(in, src.cells, plan, mirrored);
                char matrix[16];
                std::snprintf(matrix, sizeof matrix, "%dx%d", m, m);
                std::printf("%-10d %-6s %-17s %8.2f %10.2f %8d %8d %9.3f (%.3f)\n", tileCount, matrix, mode.name, e.cell,
                            e.sample, distinct, mode.specifiedPath ? 0 : mirrored.count(), best, bestCpu);
            }
        }
    }
    std::printf("\npeak memory (ru_maxrss): %.0f MB\n", txbench::peakMegabytes());
    return 0;
}
