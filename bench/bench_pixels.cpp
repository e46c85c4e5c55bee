// Speed of the pixel layer at the sizes the engines use: tiles of a 5000-tile
// library, a whole photograph shrunk to a preview, the scan surface's effects,
// JPEG decoding with and without a size hint, and BMP page writing.
#include <QBuffer>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <random>

#include "support/Effects.h"
#include "support/Picture.h"
#include "support/PictureFile.h"

using namespace tx;

namespace {

template <class F>
double millis(F&& f, int repeat = 1) {
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < repeat; ++i) f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count() / repeat;
}

Picture photo(int w, int h) {
    Picture p(w, h);
    std::mt19937 gen(1);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = p.scanLine(y);
        for (int x = 0; x < w; ++x) {
            row[3 * x] = static_cast<std::uint8_t>(x * 255 / w);
            row[3 * x + 1] = static_cast<std::uint8_t>(y * 255 / h);
            row[3 * x + 2] = static_cast<std::uint8_t>(gen() & 0x3F);
        }
    }
    return p;
}

volatile unsigned sink;

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const Picture tile = photo(64, 64);
    std::printf("halftone 64x64 -> 12x12 -> 6x6, 5000 tiles: %.1f ms\n", millis([&] {
                    for (int i = 0; i < 5000; ++i) {
                        const Picture a = stretchHalftone(tile, 12, 12);
                        sink = stretchHalftone(a, 6, 6).pixel(1, 1);
                    }
                }));
    std::printf("halftone 64x64 -> 40x30 (tile size), 5000 tiles: %.1f ms\n", millis([&] {
                    for (int i = 0; i < 5000; ++i) sink = stretchHalftone(tile, 40, 30).pixel(1, 1);
                }));

    const Picture big = photo(4000, 3000);
    std::printf("halftone 4000x3000 -> 128x128: %.1f ms\n", millis([&] { sink = stretchHalftone(big, 128, 128).pixel(1, 1); }, 5));
    std::printf("halftone 4000x3000 -> 1000x750: %.1f ms\n", millis([&] { sink = stretchHalftone(big, 1000, 750).pixel(1, 1); }, 5));
    std::printf("halftone 64x64 -> 1024x1024 (growing): %.1f ms\n", millis([&] { sink = stretchHalftone(tile, 1024, 1024).pixel(1, 1); }, 5));
    std::printf("plain 4000x3000 -> 4800x3600: %.1f ms\n", millis([&] { sink = stretchPlain(big, 4800, 3600).pixel(1, 1); }, 5));
    std::printf("plain 4800x3600 -> 2400x1800: %.1f ms\n", millis([&] {
                    static const Picture scan = stretchPlain(big, 4800, 3600);
                    sink = stretchPlain(scan, 2400, 1800).pixel(1, 1);
                }, 5));

    Picture surface = stretchPlain(big, 4800, 3600);
    std::printf("FoxBlur 4800x3600: %.1f ms\n", millis([&] { FoxBlur(surface); }, 5));
    std::printf("FoxHSL 0.5 4800x3600: %.1f ms\n", millis([&] { FoxHSL(surface, 0.5f); }, 3));
    std::printf("FoxHSL 0 (grey) 4800x3600: %.1f ms\n", millis([&] { FoxHSL(surface, 0.0f); }, 3));
    std::printf("FoxBrightness 4800x3600: %.1f ms\n", millis([&] { FoxBrightness(surface, 12); }, 5));
    Picture tileCopy = tile;
    const Picture flat(66, 66, rgb(90, 120, 30));
    std::printf("FoxBlur + FoxHSL 0 + FoxAlphaBlend on 64x64, 5000 tiles: %.1f ms\n", millis([&] {
                    for (int i = 0; i < 5000; ++i) {
                        FoxBlur(tileCopy);
                        FoxHSL(tileCopy, 0.0f);
                        FoxAlphaBlend(tileCopy, 0, 0, 64, 64, flat, 0, 0, 100);
                    }
                }));

    QTemporaryDir dir;
    const QString jpg = QDir(dir.path()).filePath("photo.jpg");
    {
        QImage image(4000, 3000, QImage::Format_RGB888);
        for (int y = 0; y < 3000; ++y) std::memcpy(image.scanLine(y), big.scanLine(y), big.stride());
        image.save(jpg, "JPEG", 90);
    }
    Picture loaded;
    std::printf("loadPicture 4000x3000 JPEG: %.1f ms\n", millis([&] { loadPicture(jpg, loaded); }, 3));
    const double hinted = millis([&] { loadPicture(jpg, loaded, nullptr, LoadHint{256, 256}); }, 3);
    std::printf("loadPicture 4000x3000 JPEG, hint 256x256: %.1f ms -> %dx%d\n", hinted, loaded.width(), loaded.height());
    const QString bmp = QDir(dir.path()).filePath("page.bmp");
    std::printf("saveBmp 4000x3000: %.1f ms\n", millis([&] { saveBmp(big, bmp); }, 3));
    std::printf("loadPicture 4000x3000 BMP: %.1f ms\n", millis([&] { loadPicture(bmp, loaded); }, 3));
    return 0;
}
