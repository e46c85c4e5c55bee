// Peak memory of mosaics whose library holds picture bombs among normal tiles:
// a JPEG whose header says 19999 x 19999 over a few hundred bytes of data, an RLE
// BMP 13 million pixels wide, and a GIF with a 65535 x 2176 screen (named .jpg so
// the library lists it), two of each; then the same JPEG bomb as the source.
// Prints ru_maxrss after each run; the goal is well under 1 GB on any number of cores.
//
//   bench_bombs [--dir FOLDER] [--tiles N] [--threads N]
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sys/resource.h>
#include <turbojpeg.h>

#include "library/TileLibrary.h"
#include "mosaic/MosaicJob.h"
#include "support/DecodeBudget.h"
#include "support/Parallel.h"
#include "support/PictureFile.h"
#include "support/Registry.h"
#include "task/Task.h"
#include "task/TaskHost.h"

#include "BenchUtil.h"

using namespace tx;

namespace {

using txbench::now;

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

QByteArray le32(std::uint32_t v) {
    const char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    return QByteArray(b, 4);
}

// A real 64 x 64 JPEG whose frame header then claims 19999 x 19999.
QByteArray jpegBomb() {
    Picture p(64, 64);
    std::mt19937 g(1);
    for (std::size_t k = 0; k < p.byteCount(); ++k) p.bits()[k] = static_cast<std::uint8_t>(g());
    tjhandle c = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    tjCompress2(c, p.bits(), 64, 0, 64, TJPF_RGB, &out, &size, TJSAMP_420, 30, 0);
    QByteArray jpeg(reinterpret_cast<const char*>(out), static_cast<qsizetype>(size));
    tjFree(out);
    tjDestroy(c);
    const qsizetype sof = jpeg.indexOf("\xFF\xC0");
    const int side = 19999;
    jpeg[sof + 5] = char(side >> 8), jpeg[sof + 6] = char(side), jpeg[sof + 7] = char(side >> 8), jpeg[sof + 8] = char(side);
    return jpeg;
}

// 8-bit run-length BMP, 13 million x 30, holding a few runs and an end of bitmap.
QByteArray rleBomb() {
    QByteArray palette;
    for (int i = 0; i < 256; ++i) palette += QByteArray(3, char(i)) + '\0';
    const QByteArray data("\xFF\x10\xFF\x20\xFF\x30\x00\x00\x00\x01", 10);
    const std::uint32_t off = 54 + 1024;
    QByteArray b = "BM" + le32(off + std::uint32_t(data.size())) + le32(0) + le32(off);
    b += le32(40) + le32(13'000'000) + le32(30) + QByteArray("\x01\x00\x08\x00", 4) + le32(1) +
         le32(std::uint32_t(data.size())) + le32(0) + le32(0) + le32(256) + le32(0);
    return b + palette + data;
}

// A 4 x 2 frame on a 65535 x 2176 logical screen.
QByteArray gifBomb() {
    const unsigned char gif[] = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0xFF, 0xFF, 0x80, 0x08, 0x91, 0x00, 0x00,
                                 0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x2C,
                                 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x02, 0x00, 0x00, 0x02, 0x05, 0x44, 0xA8,
                                 0x11, 0xA1, 0x56, 0x00, 0x3B};
    return QByteArray(reinterpret_cast<const char*>(gif), sizeof gif);
}

class StatusHost : public TaskHost {
public:
    void statusChanged(const QString& text) override { last = text; }
    QString last;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString base = QDir(QDir::tempPath()).filePath("tesselix-bench-bombs");
    int normalTiles = 300;
    for (int k = 1; k < argc; ++k) {
        const QString a = QString::fromLocal8Bit(argv[k]);
        if (a == "--dir" && k + 1 < argc) base = QString::fromLocal8Bit(argv[++k]);
        else if (a == "--tiles" && k + 1 < argc) normalTiles = std::max(10, std::atoi(argv[++k]));
        else if (a == "--threads" && k + 1 < argc) setWorkerCount(std::atoi(argv[++k]));
        else {
            std::fprintf(stderr, "usage: bench_bombs [--dir FOLDER] [--tiles N] [--threads N]\n");
            return 2;
        }
    }
    QDir(base).removeRecursively();
    QDir().mkpath(base);
    qputenv("TESSELIX_SETTINGS", QDir(base).filePath("settings.ini").toUtf8());
    writeSetting("Check", "0");

    const QString library = QDir(base).filePath("Bombs") + "/";
    QDir().mkpath(library);
    std::mt19937 g(7);
    for (int t = 1; t <= normalTiles; ++t) {
        Picture tile(40, 40, rgb(int(g() % 256), int(g() % 256), int(g() % 256)));
        tile.fillRect({0, 0, 20, 20}, rgb(int(g() % 256), int(g() % 256), int(g() % 256)));
        saveBmp(tile, library + QString::number(t) + ".bmp");
    }
    const QByteArray bombs[] = {jpegBomb(), rleBomb(), gifBomb()};
    const char* names[] = {".jpg", ".bmp", ".jpg"};
    for (int copy = 0; copy < 2; ++copy)
        for (int b = 0; b < 3; ++b)
            writeBytes(library + QString::number(normalTiles + 1 + copy * 3 + b) + names[b], bombs[b]);
    std::printf("library: %d tiles of 40 x 40 and 6 bombs (%lld, %lld and %lld bytes)\n", normalTiles,
                static_cast<long long>(bombs[0].size()), static_cast<long long>(bombs[1].size()),
                static_cast<long long>(bombs[2].size()));

    Picture photo(800, 600);
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x) photo.setPixel(x, y, rgb(x * 255 / 800, y * 255 / 600, 128));
    const QString photoPath = QDir(base).filePath("photo.bmp");
    saveBmp(photo, photoPath);
    const QString bombSource = QDir(base).filePath("bomb-source.jpg");
    writeBytes(bombSource, bombs[0]);

    std::printf("%d decoding threads, decode budget %.0f MB; peak before the mosaics: %.0f MB\n", workerCount(),
                double(DecodeBudget::global().capacity()) / (1 << 20), txbench::peakMegabytes());
    for (const QString& source : {photoPath, bombSource}) {
        MosaicJob job;
        job.cellsX = 80;
        job.cellsY = 60;
        job.matrX = job.matrY = 3;
        job.distance = 4;
        job.tileWidth = job.tileHeight = 16;
        job.sourcePath = source;
        job.libraryFolder = library;
        job.targetPath = QDir(base).filePath("mosaic.jpg");
        QFile::remove(job.targetPath);
        StatusHost host;
        Task task(host);
        task.guard().arm();
        task.setRunning(true);
        const double t0 = now();
        CreateMosaic(task, job);
        const bool written = QFile::exists(job.targetPath);
        std::printf("source %-16s %.2f s, %s (last status \"%s\"); peak memory (ru_maxrss) %.0f MB\n",
                    qPrintable(QFileInfo(source).fileName()), now() - t0, written ? "mosaic written" : "no mosaic",
                    qPrintable(host.last), txbench::peakMegabytes());
    }
    const bool ok = txbench::peakMegabytes() < 1024;
    std::printf("%s: peak %.0f MB %s 1 GB\n", ok ? "ok" : "TOO MUCH", txbench::peakMegabytes(), ok ? "under" : "over");
    return ok ? 0 : 1;
}
