#include "support/Effects.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "support/Parallel.h"

namespace tx {

namespace {

// Pictures below this many pixels (tiles, previews) are done on the calling thread,
// which may itself be one of many workers.
constexpr std::int64_t kParallelPixels = 1 << 20;

int threadsFor(std::int64_t pixels) { return pixels >= kParallelPixels ? 0 : 1; }

bool clip(Rect& r, int width, int height) {
    const std::int64_t x0 = std::max(0, r.x), y0 = std::max(0, r.y);
    const std::int64_t x1 = std::min<std::int64_t>(width, std::int64_t{r.x} + r.w);
    const std::int64_t y1 = std::min<std::int64_t>(height, std::int64_t{r.y} + r.h);
    if (x1 <= x0 || y1 <= y0) return false;
    r = Rect{static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0), static_cast<int>(y1 - y0)};
    return true;
}

// [1 2 1] across one row, neighbours clamped at both ends.
void horizontalSum(const std::uint8_t* __restrict s, std::uint16_t* __restrict h, int width) {
    const int n = 3 * width;
    if (width == 1) {
        for (int c = 0; c < 3; ++c) h[c] = static_cast<std::uint16_t>(4 * s[c]);
        return;
    }
    for (int c = 0; c < 3; ++c) h[c] = static_cast<std::uint16_t>(3 * s[c] + s[c + 3]);
    for (int i = 3; i < n - 3; ++i) h[i] = static_cast<std::uint16_t>(s[i - 3] + 2 * s[i] + s[i + 3]);
    for (int i = n - 3; i < n; ++i) h[i] = static_cast<std::uint16_t>(s[i - 3] + 3 * s[i]);
}

// [1 2 1] down the three row sums, divided by 16 and rounded. The row pointers are
// unaliased so the loop vectorises.
void verticalSum(std::uint8_t* __restrict d, const std::uint16_t* __restrict above,
                 const std::uint16_t* __restrict middle, const std::uint16_t* __restrict below, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) d[i] = static_cast<std::uint8_t>((above[i] + 2 * middle[i] + below[i] + 8) >> 4);
}

// (s a + d (255 - a) + 127) / 255 with v / 255 as (v + 1 + (v >> 8)) >> 8, exact
// for v <= 65152, all in 16 bits.
void blendRow(std::uint8_t* __restrict d, const std::uint8_t* __restrict s, std::size_t n, std::uint16_t a,
              std::uint16_t inv) {
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint16_t v = static_cast<std::uint16_t>(s[i] * a + d[i] * inv + 127);
        d[i] = static_cast<std::uint8_t>((v + 1 + (v >> 8)) >> 8);
    }
}

// round(L) with L = (299 R + 587 G + 114 B) / 1000, halves up: L + s (c - L) at s = 0.
void greyRow(std::uint8_t* p, int width) {
    for (int x = 0; x < width; ++x, p += 3) {
        const int luma1000 = 299 * p[0] + 587 * p[1] + 114 * p[2];
        p[0] = p[1] = p[2] = static_cast<std::uint8_t>((luma1000 + 500) / 1000);
    }
}

void saturateRow(std::uint8_t* p, int width, double s) {
    for (int x = 0; x < width; ++x, p += 3) {
        const double l = (299 * p[0] + 587 * p[1] + 114 * p[2]) / 1000.0;
        for (int c = 0; c < 3; ++c) {
            // Clamped first, so truncating v + 0.5 rounds halves up like floor would.
            const double v = std::min(std::max(l + s * (p[c] - l), 0.0), 255.0);
            p[c] = static_cast<std::uint8_t>(v + 0.5);
        }
    }
}

}  // namespace

void FoxBlur(Picture& picture) {
    if (picture.isEmpty()) return;
    const int w = picture.width(), h = picture.height();
    const std::size_t n = picture.stride();
    const int threads = threadsFor(std::int64_t{w} * h);
    const int bands = threads == 1 ? 1 : std::min(h, workerCount() * 4);

    // In place: each band blurs its rows from the row sums of the original rows, and
    // the two rows around a band (which neighbours overwrite) are summed beforehand.
    std::vector<std::int32_t> start(static_cast<std::size_t>(bands) + 1);
    for (int b = 0; b <= bands; ++b) start[static_cast<std::size_t>(b)] = static_cast<std::int32_t>(std::int64_t{h} * b / bands);
    std::vector<std::uint16_t> edges(2 * n * static_cast<std::size_t>(bands));
    for (int b = 0; b < bands; ++b) {
        const int first = start[static_cast<std::size_t>(b)], end = start[static_cast<std::size_t>(b) + 1];
        std::uint16_t* above = edges.data() + 2 * n * static_cast<std::size_t>(b);
        horizontalSum(picture.scanLine(std::max(first - 1, 0)), above, w);
        horizontalSum(picture.scanLine(std::min(end, h - 1)), above + n, w);
    }

    parallelFor(
        bands, 1,
        [&](std::int64_t bandBegin, std::int64_t bandEnd) {
            std::vector<std::uint16_t> rows(3 * n);
            for (std::int64_t b = bandBegin; b < bandEnd; ++b) {
                const int first = start[static_cast<std::size_t>(b)], end = start[static_cast<std::size_t>(b) + 1];
                if (first >= end) continue;
                const std::uint16_t* above = edges.data() + 2 * n * static_cast<std::size_t>(b);
                const std::uint16_t* below = above + n;
                std::uint16_t* prev = rows.data();
                std::uint16_t* cur = prev + n;
                std::uint16_t* next = cur + n;
                std::memcpy(prev, above, n * sizeof(std::uint16_t));
                horizontalSum(picture.scanLine(first), cur, w);
                for (int y = first; y < end; ++y) {
                    if (y + 1 < end) horizontalSum(picture.scanLine(y + 1), next, w);
                    else std::memcpy(next, below, n * sizeof(std::uint16_t));
                    verticalSum(picture.scanLine(y), prev, cur, next, n);
                    std::swap(prev, cur);  // cur becomes prev, next becomes cur
                    std::swap(cur, next);
                }
            }
        },
        threads);
}

void FoxHSL(Picture& picture, float saturation) {
    FoxHSL(picture, Rect{0, 0, picture.width(), picture.height()}, saturation);
}

void FoxHSL(Picture& picture, Rect area, float saturation) {
    if (saturation == 1.0f || !clip(area, picture.width(), picture.height())) return;
    const double s = saturation;
    const bool grey = saturation == 0.0f;
    const Rect r = area;
    parallelFor(
        r.h, 16,
        [&picture, r, s, grey](std::int64_t begin, std::int64_t end) {
            for (std::int64_t y = begin; y < end; ++y) {
                std::uint8_t* p = picture.scanLine(static_cast<int>(r.y + y)) + 3 * static_cast<std::size_t>(r.x);
                if (grey) greyRow(p, r.w);
                else saturateRow(p, r.w, s);
            }
        },
        threadsFor(std::int64_t{r.w} * r.h));
}

void FoxBrightness(Picture& picture, int brightness) {
    if (brightness == 0 || picture.isEmpty()) return;
    // 2.55 b rounded to the nearest, ties to even, computed exactly on 255 b / 100
    // (b = 30 adds 76, b = 10 adds 26).
    const long scaled = 255L * brightness;
    long shift = scaled / 100;  // truncated towards zero
    const long rest = scaled % 100;
    if (rest > 50 || rest < -50 || ((rest == 50 || rest == -50) && shift % 2 != 0)) shift += rest > 0 ? 1 : -1;
    std::array<std::uint8_t, 256> table{};
    for (int v = 0; v < 256; ++v) table[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(std::clamp<long>(v + shift, 0, 255));
    std::uint8_t* bits = picture.bits();
    parallelFor(
        static_cast<std::int64_t>(picture.byteCount()), 1 << 18,
        [&](std::int64_t begin, std::int64_t end) {
            for (std::int64_t i = begin; i < end; ++i) bits[i] = table[bits[i]];
        },
        threadsFor(std::int64_t{picture.width()} * picture.height()));
}

void FoxAlphaBlend(Picture& dst, int dx, int dy, int w, int h, const Picture& src, int sx, int sy, int alpha) {
    alpha = std::clamp(alpha, 0, 255);
    if (alpha == 0) return;  // (dst * 255 + 127) / 255 is dst
    const ClippedBlock b = clipBlock(dst, dx, dy, src, sx, sy, w, h);
    if (b.isEmpty()) return;
    std::int64_t x0 = b.dx, y0 = b.dy, s0 = b.sx, t0 = b.sy, bw = b.w, bh = b.h;

    const Picture* from = &src;
    Picture copy;
    if (&src == &dst) {
        copy = Picture(static_cast<int>(bw), static_cast<int>(bh));
        blit(copy, 0, 0, src, static_cast<int>(s0), static_cast<int>(t0), static_cast<int>(bw), static_cast<int>(bh));
        from = &copy;
        s0 = t0 = 0;
    }
    const std::uint16_t a = static_cast<std::uint16_t>(alpha), inv = static_cast<std::uint16_t>(255 - alpha);
    const std::size_t bytes = static_cast<std::size_t>(bw) * 3;
    parallelFor(
        bh, 16,
        [&](std::int64_t begin, std::int64_t end) {
            for (std::int64_t y = begin; y < end; ++y) {
                std::uint8_t* d = dst.scanLine(static_cast<int>(y0 + y)) + 3 * x0;
                const std::uint8_t* s = from->scanLine(static_cast<int>(t0 + y)) + 3 * s0;
                blendRow(d, s, bytes, a, inv);
            }
        },
        threadsFor(bw * bh));
}

}  // namespace tx
