// Times page assembly alone: a 5000-tile library of 64 x 64 JPEG tiles, a plan
// that uses tiles all over the library, 32 x 32 output tiles, colour correction on,
// pages saved as JPEG. Prints the time per case and the peak memory.
//
//   bench_page_assembly [--tile PX] [--out jpg|bmp|png|html] [--page PX] [--keep DIR] [cellsX cellsY]...
//   (default: 32 px tiles, JPEG, pages of at most 32000 px, 100 75 and 181 181;
//   --keep writes the output to DIR and leaves it there; peak memory is the
//   process's, so run one case per process to measure one case)
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <random>
#include <sys/resource.h>

#include "demo/DemoLibrary.h"
#include "mosaic/PageAssembly.h"
#include "mosaic/TileCache.h"
#include "support/PictureFile.h"
#include "support/DibSection.h"
#include "support/JpegBridge.h"
#include "support/Parallel.h"

#include "BenchUtil.h"

using namespace tx;

namespace {

class QuietHost : public TaskHost {};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::vector<std::pair<int, int>> cases;
    int tilePx = 32;
    QString extension = QStringLiteral("jpg");
    int pagePx = 32000;
    QString keep;
    int k = 1;
    for (; k + 1 < argc && argv[k][0] == '-'; k += 2) {
        if (std::strcmp(argv[k], "--tile") == 0) tilePx = std::max(1, std::atoi(argv[k + 1]));
        if (std::strcmp(argv[k], "--out") == 0) extension = QString::fromLatin1(argv[k + 1]);
        if (std::strcmp(argv[k], "--page") == 0) pagePx = std::max(1, std::atoi(argv[k + 1]));
        if (std::strcmp(argv[k], "--keep") == 0) keep = QString::fromLocal8Bit(argv[k + 1]);
    }
    for (; k + 1 < argc; k += 2) cases.emplace_back(std::atoi(argv[k]), std::atoi(argv[k + 1]));
    if (cases.empty()) cases = {{100, 75}, {181, 181}};

    QTemporaryDir dir;
    // The library is kept between runs (drawing and writing it takes seconds).
    const QString folder = QDir::tempPath() + "/tesselix-bench-5000x64/";
    QDir().mkpath(folder);
    constexpr int kTiles = 5000;
    QStringList tiles;
    QElapsedTimer clock;
    clock.start();
    for (int t = 1; t <= kTiles; ++t) tiles << QString::number(t) + ".jpg";
    parallelFor(kTiles, 50, [&](std::int64_t b, std::int64_t e) {
        for (std::int64_t t = b; t < e; ++t) {
            if (QFileInfo::exists(folder + tiles[static_cast<int>(t)])) continue;
            cDIBSection buffer;
            buffer.CreateFromPicture(drawDemoTile(static_cast<int>(t)));
            SaveJpegFile(buffer, folder + tiles[static_cast<int>(t)], 90);
        }
    });
    std::printf("library: %d tiles of 64 x 64 ready in %.2f s\n", kTiles, clock.elapsed() / 1000.0);

    {
        clock.restart();
        std::vector<Picture> prepared(kTiles);
        parallelFor(kTiles, 16, [&](std::int64_t b, std::int64_t e) {
            for (std::int64_t t = b; t < e; ++t) prepareTile(folder + tiles[static_cast<int>(t)], 32, 32, false, prepared[t]);
        });
        std::printf("preparing all %d tiles on every core: %.3f s\n", kTiles, clock.elapsed() / 1000.0);
        clock.restart();
        Picture raw;
        for (int t = 0; t < 500; ++t) loadPicture(folder + tiles[t], raw);
        std::printf("decoding 500 tiles on one core: %.3f s\n", clock.elapsed() / 1000.0);
        clock.restart();
        for (int t = 0; t < 500; ++t) prepareTile(folder + tiles[t], 32, 32, false, raw);
        std::printf("preparing 500 tiles on one core: %.3f s\n", clock.elapsed() / 1000.0);
        clock.restart();
        parallelFor(500, 16, [&](std::int64_t b, std::int64_t e) {
            Picture p;
            for (std::int64_t t = b; t < e; ++t) loadPicture(folder + tiles[static_cast<int>(t)], p);
        });
        std::printf("decoding 500 tiles on every core: %.3f s\n", clock.elapsed() / 1000.0);
    }

    for (auto [cx, cy] : cases) {
        MosaicJob job;
        job.cellsX = cx;
        job.cellsY = cy;
        job.tileWidth = job.tileHeight = tilePx;
        job.targetPath = QDir(keep.isEmpty() ? dir.path() : keep).filePath(QStringLiteral("mosaic-%1x%2.%3").arg(cx).arg(cy).arg(extension));
        Plan plan(cx, cy);
        OrderTable table;
        std::mt19937 rng(1);
        Picture cells(cx, cy);
        for (int y = 0; y < cy; ++y)
            for (int x = 0; x < cx; ++x) {
                plan.set(x, y, static_cast<std::int16_t>(1 + rng() % kTiles));
                table.push_back(OrderRecord{plan.at(x, y), x, y});
                cells.setPixel(x, y, rng() & 0xFFFFFF);
            }
        SortTable(table);

        PageInput in;
        in.job = &job;
        in.libraryFolder = folder;
        in.tiles = tiles;
        in.plan = &plan;
        in.pageTable = &table;
        in.cellImage = &cells;
        in.maxTilesX = in.maxTilesY = pagePx / tilePx;
        in.alpha = 51;
        QuietHost host;
        Task task(host);
        task.setRunning(true);
        clock.restart();
        const bool ok = assemblePages(task, in);
        std::printf("%d x %d cells, %d x %d tiles, one %s page: %.3f s%s\n", cx, cy, tilePx, tilePx,
                    qPrintable(extension), clock.elapsed() / 1000.0, ok ? "" : " (FAILED)");
        if (extension == QLatin1String("html")) {
            int files = 0;
            QDirIterator it(job.targetPath.chopped(5) + QStringLiteral("_files"), {QStringLiteral("*.jpg")}, QDir::Files,
                            QDirIterator::Subdirectories);
            for (; it.hasNext(); it.next()) ++files;
            std::printf("  pyramid: %d tiles\n", files);
        }
    }
    std::printf("peak memory: %.0f MB\n", txbench::peakMegabytes());
    return 0;
}
