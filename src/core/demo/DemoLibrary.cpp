#include "demo/DemoLibrary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>

#include "library/TileLibrary.h"
#include "support/AppPaths.h"
#include "support/DibSection.h"
#include "support/FileHelpers.h"
#include "support/JpegBridge.h"
#include "support/Parallel.h"

namespace tx {

namespace {

struct Rgbf {
    float r = 0, g = 0, b = 0;
};

Rgbf operator+(Rgbf a, Rgbf b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Rgbf operator*(Rgbf a, float s) { return {a.r * s, a.g * s, a.b * s}; }

Rgbf mix(Rgbf a, Rgbf b, float t) {
    t = std::clamp(t, 0.0f, 1.0f);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

constexpr Rgbf kBlack{0, 0, 0};
constexpr Rgbf kWhite{255, 255, 255};

Rgbf hsv(float h, float s, float v) {
    h = (h - std::floor(h)) * 6.0f;
    const int i = static_cast<int>(h) % 6;
    const float f = h - std::floor(h);
    const float p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
    Rgbf c;
    switch (i) {
        case 0: c = {v, t, p}; break;
        case 1: c = {q, v, p}; break;
        case 2: c = {p, v, t}; break;
        case 3: c = {p, q, v}; break;
        case 4: c = {t, p, v}; break;
        default: c = {v, p, q}; break;
    }
    return c * 255.0f;
}

std::uint32_t hash(std::uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

// Deterministic value in [0, 1) for (a, b, salt).
float unit(std::uint32_t a, std::uint32_t b = 0, std::uint32_t salt = 0) {
    return static_cast<float>(hash(a * 0x9E3779B1U ^ hash(b + 0x85EBCA6BU * salt)) >> 8) / 16777216.0f;
}

float smoothstep(float e0, float e1, float x) {
    const float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

Colour toColour(Rgbf c) {
    auto ch = [](float v) { return static_cast<int>(std::lround(std::clamp(v, 0.0f, 255.0f))); };
    return rgb(ch(c.r), ch(c.g), ch(c.b));
}

bool writeJpeg(const Picture& picture, const QString& path, int quality, QString* error) {
    try {
        cDIBSection buffer;
        buffer.CreateFromPicture(picture);
        if (SaveJpegFile(buffer, path, quality)) return true;
    } catch (const std::exception& e) {
        if (error) *error = QString::fromUtf8(e.what());
        return false;
    }
    if (error) *error = QStringLiteral("cannot write %1").arg(path);
    return false;
}

}  // namespace

QString demoLibraryName() { return QStringLiteral("Demo"); }
QString demoFolder() { return applicationFolder() + QStringLiteral("demo/"); }
QString demoSourcePath() { return demoFolder() + QStringLiteral("demo-source.jpg"); }
QString demoMosaicPath() { return demoFolder() + QStringLiteral("demo-mosaic.jpg"); }

Picture drawDemoTile(int index, int size) {
    const auto i = static_cast<std::uint32_t>(index);
    // 16 hues by 20 brightness levels; one hue column in 16 is grey.
    const int hueColumn = index % 16;
    const int level = (index / 16) % 20;
    const float hue = (static_cast<float>(hueColumn) + unit(i, 1) * 0.6f) / 15.0f;
    const float sats[] = {0.35f, 0.6f, 0.85f, 1.0f};
    const float sat = hueColumn == 15 ? 0.0f : sats[hash(i + 11) % 4];
    const float t = (static_cast<float>(level) + 0.5f) / 20.0f;
    const Rgbf base = t < 0.6f ? hsv(hue, sat, 0.04f + 0.96f * t / 0.6f)
                               : mix(hsv(hue, sat, 1.0f), kWhite, (t - 0.6f) / 0.4f * 0.85f);
    // The accent stays close in brightness, so a tile keeps its measured colour.
    Rgbf accent = t > 0.5f ? mix(base, kBlack, 0.35f) : mix(base, kWhite, 0.3f);
    if (hash(i + 5) % 3 == 0 && sat > 0)
        accent = mix(accent, hsv(hue + 0.12f, sat, std::max({base.r, base.g, base.b}) / 255.0f), 0.6f);

    const int kind = static_cast<int>(hash(i + 77) % 7);
    const float angle = unit(i, 2) * 6.2831853f;
    const float ca = std::cos(angle), sa = std::sin(angle);
    const float cx = 0.3f + 0.4f * unit(i, 3), cy = 0.3f + 0.4f * unit(i, 4);
    const float radius = 0.18f + 0.2f * unit(i, 5);
    const float freq = 2.0f + std::floor(unit(i, 6) * 4.0f);
    const float edge = 1.5f / static_cast<float>(size);

    Picture tile(size, size);
    for (int y = 0; y < size; ++y) {
        const float v = (static_cast<float>(y) + 0.5f) / static_cast<float>(size);
        for (int x = 0; x < size; ++x) {
            const float u = (static_cast<float>(x) + 0.5f) / static_cast<float>(size);
            const float d = std::hypot(u - cx, v - cy);
            Rgbf c;
            switch (kind) {
                case 0:  // flat
                    c = base;
                    break;
                case 1: {  // linear gradient
                    const float s = (u - 0.5f) * ca + (v - 0.5f) * sa;
                    c = mix(mix(base, kBlack, 0.25f), mix(base, kWhite, 0.25f), s + 0.5f);
                    break;
                }
                case 2:  // soft spot
                    c = mix(accent, base, smoothstep(0.0f, 0.65f, d));
                    break;
                case 3:  // disc
                    c = mix(accent, base, smoothstep(radius - edge, radius + edge, d));
                    break;
                case 4: {  // diamond
                    const float m = std::abs(u - cx) + std::abs(v - cy);
                    c = mix(accent, base, smoothstep(radius - edge, radius + edge, m));
                    break;
                }
                case 5: {  // stripes
                    const float s = std::sin(((u * ca + v * sa) * freq) * 6.2831853f);
                    c = mix(base, accent, smoothstep(-0.2f, 0.2f, s) * 0.8f);
                    break;
                }
                default: {  // rings
                    const float s = std::sin(d * freq * 2.0f * 6.2831853f);
                    c = mix(base, accent, smoothstep(-0.3f, 0.3f, s) * 0.7f);
                    break;
                }
            }
            const float grain = (unit(i, static_cast<std::uint32_t>(y * size + x), 9) - 0.5f) * 10.0f;
            tile.setPixel(x, y, toColour(c + Rgbf{grain, grain, grain}));
        }
    }
    return tile;
}

Picture drawDemoPicture(int width, int height) {
    const float W = static_cast<float>(width), H = static_cast<float>(height);
    const float horizon = 0.60f * H;
    auto shore = [&](float x) { return 0.80f * H + 0.015f * H * std::sin(x * 0.011f) + 0.008f * H * std::sin(x * 0.037f); };
    const float sunX = 0.68f * W, sunY = 0.33f * H, sunR = 0.04f * W;

    struct Layer {
        float base, amp;
        float f[3], p[3], a[3];
        Rgbf colour;
        float haze;
    };
    const Layer layers[] = {
        {0.50f, 0.17f, {0.004f, 0.011f, 0.027f}, {0.3f, 1.7f, 2.9f}, {0.55f, 0.3f, 0.15f}, {150, 118, 178}, 0.35f},
        {0.56f, 0.15f, {0.006f, 0.015f, 0.041f}, {2.1f, 0.4f, 1.3f}, {0.5f, 0.35f, 0.15f}, {92, 76, 138}, 0.15f},
        {0.605f, 0.10f, {0.009f, 0.023f, 0.063f}, {1.2f, 2.6f, 0.2f}, {0.5f, 0.3f, 0.2f}, {48, 58, 92}, 0.0f},
    };
    auto ridge = [&](const Layer& l, float x) {
        float m = 0;
        // 1 - |sin| has sharp peaks and rounded valleys
        for (int k = 0; k < 3; ++k) m += l.a[k] * (1.0f - std::abs(std::sin(x * l.f[k] + l.p[k])));
        return H * (l.base - l.amp * m);
    };
    struct Cloud {
        float x, y, rx, ry;
    };
    const Cloud clouds[] = {{0.2f, 0.12f, 0.16f, 0.035f}, {0.52f, 0.2f, 0.2f, 0.03f}, {0.85f, 0.1f, 0.12f, 0.03f},
                            {0.38f, 0.3f, 0.1f, 0.02f}};

    auto sky = [&](float x, float y) {
        const float t = y / horizon;
        Rgbf c = t < 0.55f ? mix(Rgbf{22, 40, 112}, Rgbf{128, 92, 170}, t / 0.55f)
                           : mix(Rgbf{128, 92, 170}, Rgbf{255, 172, 108}, (t - 0.55f) / 0.45f);
        const float d = std::hypot(x - sunX, y - sunY);
        c = c + Rgbf{255, 190, 110} * (0.55f * std::exp(-d / (0.16f * W)));
        for (const Cloud& cl : clouds) {
            const float dx = (x - cl.x * W) / (cl.rx * W), dy = (y - cl.y * H) / (cl.ry * H);
            const float wob = 0.25f * std::sin(x * 0.05f + cl.x * 10) * std::sin(y * 0.09f);
            const float f = std::exp(-(dx * dx + dy * dy) * 2.0f + wob);
            c = mix(c, Rgbf{255, 205, 205}, 0.75f * f);
        }
        return mix(c, Rgbf{255, 244, 200}, 1.0f - smoothstep(sunR - 1.5f, sunR + 1.5f, d));
    };

    std::vector<Rgbf> img(static_cast<std::size_t>(width) * height);
    auto at = [&](int x, int y) -> Rgbf& { return img[static_cast<std::size_t>(y) * width + x]; };
    const int horizonRow = static_cast<int>(horizon);

    parallelFor(horizonRow, 32, [&](std::int64_t b, std::int64_t e) {
        for (int y = static_cast<int>(b); y < static_cast<int>(e); ++y)
            for (int x = 0; x < width; ++x) {
                const float fx = static_cast<float>(x), fy = static_cast<float>(y);
                Rgbf c = sky(fx, fy);
                for (const Layer& l : layers) {
                    const float top = ridge(l, fx);
                    if (fy >= top) {
                        const float depth = std::clamp((fy - top) / (0.12f * H), 0.0f, 1.0f);
                        Rgbf m = mix(l.colour, l.colour * 0.7f, depth);
                        // slopes facing the sun (on the right) catch its light
                        const float slope = (ridge(l, fx + 3) - ridge(l, fx - 3)) / 6.0f;
                        m = mix(m, Rgbf{235, 150, 120}, 0.35f * std::clamp(slope, 0.0f, 1.0f) * (1 - depth));
                        c = mix(m, sky(fx, fy), l.haze);
                    }
                }
                at(x, y) = c;
            }
    });

    parallelFor(height - horizonRow, 32, [&](std::int64_t b, std::int64_t e) {
        for (int y = horizonRow + static_cast<int>(b); y < horizonRow + static_cast<int>(e); ++y)
            for (int x = 0; x < width; ++x) {
                const float fx = static_cast<float>(x), fy = static_cast<float>(y);
                Rgbf c;
                if (fy < shore(fx)) {
                    const float depth = (fy - horizon) / (0.2f * H);
                    const int xr = std::clamp(x + static_cast<int>(std::lround(3.0f * std::sin(fy * 0.45f + fx * 0.02f))), 0,
                                              width - 1);
                    const int yr = std::clamp(2 * horizonRow - y - 1, 0, horizonRow - 1);
                    c = mix(at(xr, yr), Rgbf{18, 36, 78}, 0.25f + 0.35f * depth);
                    // glitter under the sun
                    const float glint = std::exp(-std::abs(fx - sunX) / (0.03f * W)) * (1 - depth);
                    if (unit(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), 3) < 0.25f * glint)
                        c = mix(c, Rgbf{255, 230, 170}, 0.8f);
                } else {
                    const float t = (fy - shore(fx)) / (H - shore(fx) + 1);
                    c = mix(Rgbf{104, 150, 62}, Rgbf{38, 92, 34}, t);
                    const float grass = unit(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), 4) - 0.5f;
                    c = c + Rgbf{grass * 30, grass * 36, grass * 16};
                }
                at(x, y) = c;
            }
    });

    // Pines on the left shore.
    for (int k = 0; k < 9; ++k) {
        const float tx = W * (0.03f + 0.035f * static_cast<float>(k) + 0.01f * unit(static_cast<std::uint32_t>(k), 7));
        const float baseY = shore(tx) + 0.01f * H;
        const float h = H * (0.12f + 0.08f * unit(static_cast<std::uint32_t>(k), 8));
        const float halfW = h * 0.22f;
        const Rgbf green = mix(Rgbf{22, 58, 34}, Rgbf{40, 80, 40}, unit(static_cast<std::uint32_t>(k), 9));
        for (int y = std::max(0, static_cast<int>(baseY - h)); y < std::min(height, static_cast<int>(baseY)); ++y) {
            const float along = (static_cast<float>(y) - (baseY - h)) / h;
            const float w = halfW * along * (0.8f + 0.2f * std::abs(std::sin(along * 18.0f)));
            for (int x = std::max(0, static_cast<int>(tx - w)); x <= std::min(width - 1, static_cast<int>(tx + w)); ++x)
                at(x, y) = mix(green, Rgbf{230, 150, 110}, 0.12f * (static_cast<float>(x) > tx ? 1.0f : 0.0f));
        }
    }

    // Flowers in the meadow.
    const Rgbf petals[] = {{225, 40, 50}, {250, 210, 40}, {170, 80, 200}, {245, 245, 240}, {250, 130, 40}};
    for (int k = 0; k < 700; ++k) {
        const float fx = unit(static_cast<std::uint32_t>(k), 10) * W;
        const float top = shore(fx) + 0.02f * H;
        const float fy = top + unit(static_cast<std::uint32_t>(k), 11) * (H - top);
        const float r = 1.5f + 4.0f * (fy - top) / (H - top + 1);
        const Rgbf p = petals[hash(static_cast<std::uint32_t>(k)) % 5];
        for (int y = static_cast<int>(fy - r); y <= static_cast<int>(fy + r); ++y)
            for (int x = static_cast<int>(fx - r); x <= static_cast<int>(fx + r); ++x) {
                if (x < 0 || y < 0 || x >= width || y >= height) continue;
                const float d = std::hypot(static_cast<float>(x) - fx, static_cast<float>(y) - fy);
                if (d <= r) at(x, y) = d < r * 0.35f ? Rgbf{250, 220, 90} : p;
            }
    }

    Picture out(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) out.setPixel(x, y, toColour(at(x, y)));
    return out;
}

bool ensureDemoLibrary(QString* error) {
    const QString root = tilesRoot();
    const QString target = root + demoLibraryName() + QLatin1Char('/');
    if (!tileList(target).isEmpty()) return true;
    if (!QDir().mkpath(root)) {
        if (error) *error = QStringLiteral("cannot create %1").arg(root);
        return false;
    }
    // Drawn in a hidden folder and moved into place when complete.
    const QString partial = root + QStringLiteral(".Demo-partial/");
    DeleteFolder(partial);
    if (!QDir().mkpath(partial)) {
        if (error) *error = QStringLiteral("cannot create %1").arg(partial);
        return false;
    }
    std::atomic<bool> failed{false};
    parallelFor(kDemoTileCount, 8, [&](std::int64_t b, std::int64_t e) {
        for (std::int64_t k = b; k < e && !failed.load(); ++k) {
            const QString name = partial + QString::number(k + 1) + QStringLiteral(".jpg");
            if (!writeJpeg(drawDemoTile(static_cast<int>(k)), name, 92, nullptr)) failed.store(true);
        }
    });
    if (failed.load()) {
        DeleteFolder(partial);
        if (error) *error = QStringLiteral("cannot write the demo tiles in %1").arg(root);
        return false;
    }
    bool moved = false;
    if (!QFileInfo::exists(target)) {
        moved = QDir().rename(partial, target);
    } else {  // an empty "Demo" folder: fill it
        moved = true;
        for (const QString& f : QDir(partial).entryList(QDir::Files))
            moved = QFile::rename(partial + f, target + f) && moved;
    }
    DeleteFolder(partial);
    if (!moved && error) *error = QStringLiteral("cannot move the demo tiles to %1").arg(target);
    return moved;
}

bool ensureDemoPicture(const QString& path, QString* error) {
    if (QFileInfo::exists(path)) return true;
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        if (error) *error = QStringLiteral("cannot create the folder of %1").arg(path);
        return false;
    }
    return writeJpeg(drawDemoPicture(), path, 92, error);
}

}  // namespace tx
