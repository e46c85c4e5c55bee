// Times the image buffer and the JPEG bridge on a mosaic-page-sized picture:
// picture -> buffer, bilinear resample, JPEG encode + atomic write.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>

#include "support/DibSection.h"
#include "support/JpegBridge.h"

namespace {
template <typename F>
double bestOf(int runs, F&& f) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        f();
        best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
}
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int side = argc > 1 ? std::atoi(argv[1]) : 4000;
    tx::Picture pic(side, side);
    for (int y = 0; y < side; ++y) {
        std::uint8_t* row = pic.scanLine(y);
        for (int x = 0; x < side * 3; ++x) row[x] = static_cast<std::uint8_t>((x * 7 + y * 3) ^ (x >> 5));
    }
    tx::cDIBSection dib;
    const double load = bestOf(3, [&] { dib.CreateFromPicture(pic); });
    const double back = bestOf(3, [&] { (void)dib.toPicture(); });
    const double resample = bestOf(3, [&] { (void)dib.Resample(side / 2, side / 2); });
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("page.jpg");
    const double save = bestOf(3, [&] { tx::SaveJpegFile(dib, path, 90); });
    std::printf("%d x %d: CreateFromPicture %.1f ms, toPicture %.1f ms, Resample to half %.1f ms, "
                "SaveJpegFile q90 %.1f ms (%lld bytes)\n",
                side, side, load, back, resample, save, static_cast<long long>(QFileInfo(path).size()));
    return 0;
}
