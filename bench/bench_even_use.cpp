// Even tile use on the bench libraries: 181 x 181 cells from 5000 tiles with
// every tile before repeats, and from 20,000 tiles with at most 2 uses. For each:
// the greedy choice of the same job, the solver pass by pass (candidates, pricing
// rounds, network solves), the total distance and the fidelity (mean colour error
// of a cell against its tile) of both, and the peak memory. The caps are checked.
//
//   bench_even_use [--dir FOLDER] [--case every|max2|all] [--cells N] [--matrix M] [--distance D] [--engine]
//                  [--candidates K] [--added A]   (the solver's first and per-round pairs per cell)
//                  [--flow-rounds]   (network simplex rounds instead of the auction)
//                  [--verbose]   (the start of each pass over the cells on stderr)
//   (default folder: <temp>/tesselix-bench-even, kept between runs; one case per
//   run gives its own peak memory; --engine also runs the whole job to a JPEG)
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <map>

#include "library/ColourDatabase.h"
#include "library/TileLibrary.h"
#include "mosaic/EvenTileUse.h"
#include "mosaic/LabColour.h"
#include "mosaic/MosaicJob.h"
#include "mosaic/OrderTables.h"
#include "mosaic/RgbPairDistance.h"
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
using txbench::now;

namespace {

// Solver knobs from the command line; 0 keeps the solver's defaults.
int gCandidates = 0, gAdded = 0;
bool gFlowRounds = false;  // the network simplex rounds instead of the auction

struct Case {
    const char* name;
    int tiles;
    EvenUse use;
};

QString ensureLibrary(const QString& base, int count) {
    const QString folder = QDir(base).filePath(QStringLiteral("Tiles/Bench%1").arg(count)) + "/";
    txbench::ensureBenchLibrary(folder, count);
    return folder;
}

// Mean colour of a tile's samples.
Colour tileMean(const TileColourTable& table, int tile) {
    const int n = table.matrX * table.matrY;
    const std::uint8_t* s = table.tile(tile);
    int sum[3] = {0, 0, 0};
    for (int k = 0; k < n * 3; ++k) sum[k % 3] += s[k];
    return rgb((sum[0] + n / 2) / n, (sum[1] + n / 2) / n, (sum[2] + n / 2) / n);
}

struct Quality {
    std::int64_t cost = 0;   // total distance over the samples
    double rgbError = 0;     // mean city-block RGB of a cell's colour against its tile's mean
    double deltaE = 0;       // the same as CIE76 colour difference
    int distinct = 0;
    int fewest = 0, most = 0;  // uses of the tiles in use
    int unused = 0;
    int closePairs = 0;      // identical tiles within the distance square
};

// tileOfCell: 0-based tiles, row by row.
Quality measure(const std::vector<int>& tileOfCell, const PairDistance& cost, const TileColourTable& table,
                const Picture& cellColours, int cellsX, int cellsY, int tiles, int distance) {
    Quality q;
    std::vector<Colour> means(static_cast<std::size_t>(tiles));
    for (int t = 0; t < tiles; ++t) means[static_cast<std::size_t>(t)] = tileMean(table, t + 1);
    std::vector<int> uses(static_cast<std::size_t>(tiles), 0);
    for (int c = 0; c < cellsX * cellsY; ++c) {
        const int t = tileOfCell[static_cast<std::size_t>(c)];
        ++uses[static_cast<std::size_t>(t)];
        q.cost += cost.distance(c, t);
        const Colour a = cellColours.pixel(c % cellsX, c / cellsX), b = means[static_cast<std::size_t>(t)];
        const int ar = a & 0xFF, ag = (a >> 8) & 0xFF, ab = (a >> 16) & 0xFF;
        const int br = b & 0xFF, bg = (b >> 8) & 0xFF, bb = (b >> 16) & 0xFF;
        q.rgbError += std::abs(ar - br) + std::abs(ag - bg) + std::abs(ab - bb);
        q.deltaE += deltaE76(labFromSrgb(ar, ag, ab), labFromSrgb(br, bg, bb));
    }
    q.rgbError /= cellsX * cellsY;
    q.deltaE /= cellsX * cellsY;
    q.fewest = cellsX * cellsY;
    for (int u : uses) {
        if (u == 0) ++q.unused;
        else ++q.distinct, q.fewest = std::min(q.fewest, u), q.most = std::max(q.most, u);
    }
    q.closePairs = distance > 0 ? pairsWithinDistance(tileOfCell, cellsX, cellsY, distance) : 0;
    return q;
}

void printQuality(const char* what, const Quality& q, std::int64_t against) {
    std::printf("  %-8s total distance %lld", what, static_cast<long long>(q.cost));
    if (against > 0) std::printf(" (%+.2f%% against greedy)", 100.0 * double(q.cost - against) / double(against));
    std::printf("; %d tiles used %d..%d times, %d unused; mean cell error RGB %.2f, dE %.2f", q.distinct, q.fewest,
                q.most, q.unused, q.rgbError, q.deltaE);
    if (q.closePairs) std::printf("; %d pairs within the distance", q.closePairs);
    std::printf("\n");
}

class QuietHost : public TaskHost {
    void showMessage(MessageIcon, const QString& text, MessageEffect) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
};

bool runCase(const QString& base, const Case& c, int cellsX, int cellsY, int matrix, int distance, bool engine,
             bool verbose, const QString& photoPath) {
    const QString library = ensureLibrary(base, c.tiles);
    const QStringList tiles = tileList(library);
    QuietHost quiet;
    Task task(quiet);
    task.setRunning(true);
    TileColourTable table;
    double t0 = now();
    if (!LoadColourDatabase(task, ColourDatabaseRequest{library, tiles, c.tiles, matrix, matrix, false, false, true},
                            table)) {
        std::printf("%s: no colour database\n", c.name);
        return false;
    }
    std::printf("\n%s: %d x %d cells from %d tiles, matrix %dx%d, distance %d (database ready in %.1f s)\n", c.name,
                cellsX, cellsY, c.tiles, matrix, matrix, distance, now() - t0);
    Picture photo;
    loadPicture(photoPath, photo);
    const PreparedSource src = prepareSource(photo, cellsX, cellsY, matrix, matrix, {});
    photo = Picture();
    const int cells = cellsX * cellsY;

    // The greedy choice of the same job (smart order, as the wizard's default).
    const OrderTable order = buildDetailOrder(src.cells);
    TileChoiceInput in;
    in.scan = &src.scan;
    in.tiles = &table;
    in.cellsX = cellsX;
    in.cellsY = cellsY;
    in.matrX = in.matrY = matrix;
    in.tileCount = c.tiles;
    in.distance = distance;
    in.order = &order;
    Plan plan(cellsX, cellsY);
    seedRandom(1);
    t0 = now();
    chooseTiles(in, plan);
    const double greedySeconds = now() - t0;
    std::vector<int> greedy(static_cast<std::size_t>(cells));
    for (int y = 0; y < cellsY; ++y)
        for (int x = 0; x < cellsX; ++x) greedy[static_cast<std::size_t>(y) * cellsX + x] = plan.at(x, y) - 1;

    t0 = now();
    const RgbPairDistance cost = RgbPairDistance::fromScan(src.scan, cellsX, cellsY, table, c.tiles);
    const double tableSeconds = now() - t0;
    UseCaps caps;
    const QString refused = useCaps(c.use, cells, c.tiles, caps);
    if (!refused.isEmpty()) {
        std::printf("%s: refused: %s\n", c.name, qPrintable(refused));
        return false;
    }
    EvenUseOptions options;
    if (gCandidates > 0) options.candidates = gCandidates;
    if (gAdded > 0) options.addedPerRound = gAdded;
    if (gFlowRounds) options.solver = EvenUseSolver::FlowRounds;
    options.distance = distance;
    options.cellsX = cellsX;
    options.cellsY = cellsY;
    // First and last moment of each pass over the cells; the rest is the network solver.
    std::map<int, std::pair<double, double>> passes;
    EvenUseHooks hooks;
    hooks.progress = [&](int pass, int, int) {
        const double t = now();
        auto [it, fresh] = passes.try_emplace(pass, t, t);
        if (!fresh) it->second.second = t;
        if (fresh && verbose) std::fprintf(stderr, "  pass %d starts at %.2f s\n", pass, t - t0);
    };
    std::vector<int> even;
    EvenUseStats stats;
    t0 = now();
    const bool solved = solveEvenUse(cost, caps, options, even, stats, hooks);
    const double solveSeconds = now() - t0;
    if (!solved) {
        std::printf("%s: the solver stopped\n", c.name);
        return false;
    }
    double passSeconds = 0, pricingSeconds = 0;
    for (auto& [pass, span] : passes) {
        passSeconds += span.second - span.first;
        if (pass > 0) pricingSeconds += span.second - span.first;
    }
    const double candidateSeconds = passes.count(0) ? passes[0].second - passes[0].first : 0;

    std::vector<int> uses(static_cast<std::size_t>(c.tiles), 0);
    for (int t : even) ++uses[static_cast<std::size_t>(t)];
    bool capsHold = true;
    for (int t = 0; t < c.tiles; ++t)
        capsHold = capsHold && uses[static_cast<std::size_t>(t)] >= caps.lower[static_cast<std::size_t>(t)] &&
                   uses[static_cast<std::size_t>(t)] <= caps.upper[static_cast<std::size_t>(t)];

    std::printf("  greedy choice %.2f s; cost table %.2f s; even use %.2f s: candidates %.2f s, %d pricing passes "
                "%.2f s, network solves, price refinements and repair %.2f s\n",
                greedySeconds, tableSeconds, solveSeconds, candidateSeconds, static_cast<int>(passes.size()) - 1,
                pricingSeconds, solveSeconds - passSeconds);
    std::printf("  %d solver rounds or auction phases (the last proven optimal), %d price refinements, %lld bids, "
                "%lld full looks, %lld candidate pairs (%.1f a cell)\n",
                stats.rounds, stats.refinements, static_cast<long long>(stats.bids), static_cast<long long>(stats.looks),
                static_cast<long long>(stats.candidatePairs), double(stats.candidatePairs) / cells);
    const Quality g = measure(greedy, cost, table, src.cells, cellsX, cellsY, c.tiles, distance);
    const Quality e = measure(even, cost, table, src.cells, cellsX, cellsY, c.tiles, distance);
    printQuality("greedy", g, 0);
    printQuality("even", e, g.cost);
    if (distance > 0)
        std::printf("  optimum %lld without the distance; repair moved %d cells for %+.2f%%, %d pairs unresolved\n",
                    static_cast<long long>(stats.optimumCost), stats.movedCells,
                    100.0 * double(stats.cost - stats.optimumCost) / double(std::max<std::int64_t>(1, stats.optimumCost)),
                    stats.unresolvedPairs);
    std::printf("  caps hold: %s; peak memory so far %.0f MB\n", capsHold ? "yes" : "NO", txbench::peakMegabytes());

    if (engine) {
        MosaicJob job;
        job.cellsX = cellsX;
        job.cellsY = cellsY;
        job.matrX = job.matrY = matrix;
        job.distance = distance;
        job.tileWidth = job.tileHeight = 32;
        job.evenUse = c.use;
        job.sourcePath = photoPath;
        job.libraryFolder = library;
        job.targetPath = QDir(base).filePath(QStringLiteral("even-%1.jpg").arg(QString::fromLatin1(c.name)));
        job.fixedLimits = MachineLimits{8000, 8000};
        Task whole(quiet);
        whole.guard().arm();
        whole.setRunning(true);
        t0 = now();
        const JobResult result = CreateMosaic(whole, job);
        std::printf("  whole job (database, source, even use, 32 x 32 pages as JPEG): %.2f s, %s; peak %.0f MB\n",
                    now() - t0, result.outcome == JobOutcome::Completed ? "completed" : qPrintable(result.message), txbench::peakMegabytes());
    }
    return capsHold;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString base = QDir(QDir::tempPath()).filePath("tesselix-bench-even");
    QString which = QStringLiteral("all");
    int cellsSide = 181, matrix = MosaicDefaults::kMatrixX, distance = 0;
    bool engine = false, verbose = false;
    for (int k = 1; k < argc; ++k) {
        const QString a = QString::fromLocal8Bit(argv[k]);
        if (a == "--dir" && k + 1 < argc) base = QString::fromLocal8Bit(argv[++k]);
        else if (a == "--case" && k + 1 < argc) which = QString::fromLocal8Bit(argv[++k]);
        else if (a == "--cells" && k + 1 < argc) cellsSide = std::atoi(argv[++k]);
        else if (a == "--matrix" && k + 1 < argc) matrix = std::atoi(argv[++k]);
        else if (a == "--distance" && k + 1 < argc) distance = std::atoi(argv[++k]);
        else if (a == "--candidates" && k + 1 < argc) gCandidates = std::atoi(argv[++k]);
        else if (a == "--added" && k + 1 < argc) gAdded = std::atoi(argv[++k]);
        else if (a == "--flow-rounds") gFlowRounds = true;
        else if (a == "--engine") engine = true;
        else if (a == "--verbose") verbose = true;
        else {
            std::fprintf(stderr,
                         "usage: bench_even_use [--dir FOLDER] [--case every|max2|all] [--cells N] [--matrix M] "
                         "[--distance D] [--candidates K] [--added A] [--flow-rounds] [--engine] [--verbose]\n");
            return 2;
        }
    }
    if (!evenUseAvailable()) {
        std::fprintf(stderr, "bench_even_use: built without LEMON, nothing to measure\n");
        return 1;
    }
    QDir().mkpath(base);
    qputenv("TESSELIX_SETTINGS", QDir(base).filePath("settings.ini").toUtf8());
    const QString photoPath = txbench::ensureBenchPhoto(base);
    const Case cases[] = {{"every", 5000, {EvenUseMode::EveryTile, 1}}, {"max2", 20000, {EvenUseMode::MaxUses, 2}}};
    bool ok = true;
    for (const Case& c : cases)
        if (which == "all" || which == c.name)
            ok = runCase(base, c, cellsSide, cellsSide, matrix, distance, engine, verbose, photoPath) && ok;
    std::printf("\npeak memory (ru_maxrss): %.0f MB; %d cores\n", txbench::peakMegabytes(), workerCount());
    return ok ? 0 : 1;
}
