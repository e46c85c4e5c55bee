#pragma once
// The bench library and photograph, drawn by the benches themselves: flat,
// gradient, two-tone and noisy 64 x 64 JPEG tiles, and a landscape-like picture.

#include <QDir>
#include <QFile>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

#include "library/TileLibrary.h"
#include "support/DibSection.h"
#include "support/JpegBridge.h"
#include "support/Parallel.h"
#include "support/Picture.h"

#include "BenchUtil.h"

namespace txbench {

using namespace tx;

inline int clampByte(double v) { return static_cast<int>(std::clamp(v, 0.0, 255.0)); }

// Flat, gradient, two-tone and noisy tiles over the whole colour range.
inline Picture drawTile(int n) {
    std::mt19937 rng(static_cast<unsigned>(n) * 2654435761u);
    std::uniform_real_distribution<double> u(0, 1);
    const double r0 = u(rng) * 255, g0 = u(rng) * 255, b0 = u(rng) * 255;
    const double r1 = u(rng) * 255, g1 = u(rng) * 255, b1 = u(rng) * 255;
    const double angle = u(rng) * 6.283;
    const double noise = n % 5 == 0 ? 40 : 8;
    const int kind = n % 4;
    std::normal_distribution<double> grain(0, noise);
    Picture p(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            double f = 0;
            if (kind == 1) f = 0.5 + ((x - 32) * std::cos(angle) + (y - 32) * std::sin(angle)) / 90.0;
            if (kind == 2) f = std::hypot(x - 32, y - 32) < 20 ? 1 : 0;
            if (kind == 3) f = 0.5 + 0.5 * std::sin(x * 0.2 + angle) * std::cos(y * 0.15);
            f = std::clamp(f, 0.0, 1.0);
            const double e = grain(rng);
            p.setPixel(x, y, rgb(clampByte(r0 + (r1 - r0) * f + e), clampByte(g0 + (g1 - g0) * f + e),
                                 clampByte(b0 + (b1 - b0) * f + e)));
        }
    return p;
}

// A photograph-like picture: sky gradient, hills, a sun, some texture.
inline Picture drawPhoto(int w, int h) {
    Picture p(w, h);
    std::mt19937 rng(7);
    std::normal_distribution<double> grain(0, 6);
    parallelFor(h, 32, [&](std::int64_t b, std::int64_t e) {
        std::mt19937 local(static_cast<unsigned>(b) + 11);
        std::normal_distribution<double> g(0, 6);
        for (int y = static_cast<int>(b); y < e; ++y)
            for (int x = 0; x < w; ++x) {
                const double fx = double(x) / w, fy = double(y) / h;
                double r = 60 + 120 * fy, gg = 120 + 80 * fy, bl = 230 - 60 * fy;
                const double hill = 0.55 + 0.1 * std::sin(fx * 9) + 0.05 * std::sin(fx * 31);
                if (fy > hill) {
                    const double t = std::sin(fx * 140) * std::sin(fy * 90);
                    r = 50 + 40 * t + 60 * (fy - hill);
                    gg = 110 + 50 * t;
                    bl = 40 + 20 * t;
                }
                if (std::hypot(fx - 0.75, fy - 0.22) < 0.08) r = 255, gg = 220, bl = 120;
                if (std::abs(fx - 0.3) < 0.02 && fy > 0.4 && fy < hill + 0.1) r = 90, gg = 60, bl = 30;
                const double n = g(local);
                p.setPixel(x, y, rgb(clampByte(r + n), clampByte(gg + n), clampByte(bl + n)));
            }
    });
    return p;
}

// Tiles 1..count of the bench library in `folder` (ending in '/'), written once.
inline void ensureBenchLibrary(const QString& folder, int count) {
    QDir().mkpath(folder);
    if (tileList(folder).size() == count) return;
    const double t0 = now();
    parallelFor(count, 50, [&](std::int64_t b, std::int64_t e) {
        for (std::int64_t t = b; t < e; ++t) {
            cDIBSection buffer;
            buffer.CreateFromPicture(drawTile(static_cast<int>(t) + 1));
            SaveJpegFile(buffer, folder + QString::number(t + 1) + ".jpg", 90);
        }
    });
    std::printf("library: %d tiles of 64 x 64 written in %.2f s\n", count, now() - t0);
}

// The 3000 x 2250 bench photograph in `base`, written once; returns its path.
inline QString ensureBenchPhoto(const QString& base) {
    const QString path = QDir(base).filePath("photo.jpg");
    if (!QFile::exists(path)) {
        cDIBSection buffer;
        buffer.CreateFromPicture(drawPhoto(3000, 2250));
        SaveJpegFile(buffer, path, 92);
    }
    return path;
}

}  // namespace txbench
