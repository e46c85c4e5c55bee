// Library benchmarks: the colour database build of 5000 tiles of 64 x 64 JPEG at a
// 3 x 3 matrix, and library creation of 200 tiles from 200 photos of 1600 x 1200
// JPEG, each with one worker and with every core.
//
//   bench_library [DATA_FOLDER]   (default: a folder in the system's temp folder;
//                                  the generated pictures are kept for later runs)
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <random>

#include "library/ColourDatabase.h"
#include "library/CreateLibrary.h"
#include "library/TileLibrary.h"
#include "support/DibSection.h"
#include "support/JpegBridge.h"
#include "support/Parallel.h"
#include "support/Picture.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// A smooth picture with some structure, so the JPEG files look like photographs
// to the decoder (not flat, not noise).
tx::Picture makePicture(int w, int h, unsigned seed) {
    std::mt19937 g(seed);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    const double fx = 2 + 8 * u(g), fy = 2 + 8 * u(g), phase = 6.28 * u(g);
    const int base[3] = {static_cast<int>(255 * u(g)), static_cast<int>(255 * u(g)), static_cast<int>(255 * u(g))};
    tx::Picture p(w, h);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = p.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const double s = std::sin(fx * x / w * 6.28 + phase) * std::cos(fy * y / h * 6.28);
            for (int c = 0; c < 3; ++c) {
                const int v = base[c] + static_cast<int>(60 * s) + static_cast<int>((x ^ y) & 15) - 8;
                row[x * 3 + c] = static_cast<std::uint8_t>(std::clamp(v, 0, 255));
            }
        }
    }
    return p;
}

void ensurePictures(const QString& folder, int count, int w, int h, const char* what) {
    QDir().mkpath(folder);
    const QString marker = folder + QStringLiteral("complete");
    if (QFile::exists(marker)) return;
    std::printf("generating %d %s of %d x %d JPEG in %s ...\n", count, what, w, h, qPrintable(folder));
    std::fflush(stdout);
    const auto start = Clock::now();
    tx::parallelFor(count, 16, [&](std::int64_t b, std::int64_t e) {
        tx::cDIBSection dib;
        for (std::int64_t i = b; i < e; ++i) {
            dib.CreateFromPicture(makePicture(w, h, static_cast<unsigned>(i + 1)));
            tx::SaveJpegFile(dib, folder + QString::number(i + 1) + QStringLiteral(".jpg"), 90);
        }
    });
    QFile f(marker);
    f.open(QIODevice::WriteOnly);
    std::printf("  generated in %.1f s\n", seconds(start));
}

double buildDatabase(const QString& folder, int threads) {
    tx::setWorkerCount(threads);
    tx::TaskHost host;
    tx::Task task(host);
    task.setRunning(true);
    tx::ColourDatabaseRequest request;
    request.libraryFolder = folder;
    request.tiles = tx::tileList(folder);
    request.tileCount = static_cast<int>(request.tiles.size());
    request.matrX = 3;
    request.matrY = 3;
    request.force = true;
    tx::TileColourTable table;
    const auto start = Clock::now();
    tx::LoadColourDatabase(task, request, table);
    return seconds(start);
}

double createLibrary(const QString& photos, int threads, const QString& format) {
    tx::setWorkerCount(threads);
    QTemporaryDir target;
    tx::TaskHost host;
    tx::Task task(host);
    tx::CreateLibraryJob job;
    job.sourceFolder = photos;
    for (const QString& f : QDir(photos).entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name))
        job.sourceEntries << f;
    job.targetFolder = target.path();
    job.tileWidth = 32;
    job.tileHeight = 32;
    job.format = format == QLatin1String("jpg") ? tx::TileFormat::Jpeg : tx::TileFormat::Bmp;
    task.guard().arm();
    task.setRunning(true);
    const auto start = Clock::now();
    tx::CreateLibrary(task, job);
    const double t = seconds(start);
    if (tx::tileList(target.path()).size() != job.sourceEntries.size())
        std::printf("  warning: %lld tiles written for %lld photos\n",
                    static_cast<long long>(tx::tileList(target.path()).size()),
                    static_cast<long long>(job.sourceEntries.size()));
    return t;
}

double best(int runs, const std::function<double()>& f) {
    double b = 1e30;
    for (int k = 0; k < runs; ++k) b = std::min(b, f());
    return b;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString root = argc > 1 ? QString::fromLocal8Bit(argv[1])
                            : QDir::tempPath() + QStringLiteral("/tesselix-bench-library");
    root = QDir(root).absolutePath() + QLatin1Char('/');
    const QString tiles = root + QStringLiteral("tiles64/");
    const QString photos = root + QStringLiteral("photos1600/");
    ensurePictures(tiles, 5000, 64, 64, "tiles");
    ensurePictures(photos, 200, 1600, 1200, "photos");
    const int cores = tx::workerCount();
    std::printf("cores: %d\n", cores);

    buildDatabase(tiles, cores);  // warm the file cache
    const double db1 = best(3, [&] { return buildDatabase(tiles, 1); });
    const double dbN = best(3, [&] { return buildDatabase(tiles, cores); });
    std::printf("colour database, 5000 tiles 64x64 JPEG, 3x3: 1 thread %.3f s, %d threads %.3f s (%.0f tiles/s)\n",
                db1, cores, dbN, 5000 / dbN);

    createLibrary(photos, cores, QStringLiteral("jpg"));  // warm the file cache
    for (const char* format : {"jpg", "bmp"}) {
        const double c1 = best(2, [&] { return createLibrary(photos, 1, QString::fromLatin1(format)); });
        const double cN = best(2, [&] { return createLibrary(photos, cores, QString::fromLatin1(format)); });
        std::printf("library creation, 200 photos 1600x1200 JPEG -> 32x32 %s: 1 thread %.3f s, %d threads %.3f s\n",
                    format, c1, cores, cN);
    }
    tx::setWorkerCount(0);
    return 0;
}
