#include "support/Picture.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "support/Parallel.h"

namespace tx {

namespace {

void fillBytes(std::uint8_t* row, std::size_t pixels, Colour c) {
    const std::uint8_t r = static_cast<std::uint8_t>(redOf(c));
    const std::uint8_t g = static_cast<std::uint8_t>(greenOf(c));
    const std::uint8_t b = static_cast<std::uint8_t>(blueOf(c));
    if (r == g && g == b) {
        std::memset(row, r, pixels * 3);
        return;
    }
    for (std::size_t i = 0; i < pixels; ++i) {
        row[3 * i] = r;
        row[3 * i + 1] = g;
        row[3 * i + 2] = b;
    }
}

// Clips a rectangle to 0..width x 0..height; false when nothing is left.
bool clipRect(Rect& r, int width, int height) {
    std::int64_t x0 = std::max(0, r.x), y0 = std::max(0, r.y);
    std::int64_t x1 = std::min<std::int64_t>(width, std::int64_t{r.x} + r.w);
    std::int64_t y1 = std::min<std::int64_t>(height, std::int64_t{r.y} + r.h);
    if (x1 <= x0 || y1 <= y0) return false;
    r = Rect{static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0), static_cast<int>(y1 - y0)};
    return true;
}

}  // namespace

Picture::Picture(int width, int height, Colour fill) {
    if (width <= 0 || height <= 0) return;
    if (static_cast<std::int64_t>(width) * height > kMaxPixels) throw PictureTooLarge();
    m_data.resize(static_cast<std::size_t>(width) * height * 3);
    m_width = width;
    m_height = height;
    if (fill != 0) this->fill(fill);
}

Colour Picture::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return 0;
    const std::uint8_t* p = scanLine(y) + 3 * static_cast<std::size_t>(x);
    return rgb(p[0], p[1], p[2]);
}

void Picture::setPixel(int x, int y, Colour c) {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return;
    std::uint8_t* p = scanLine(y) + 3 * static_cast<std::size_t>(x);
    p[0] = static_cast<std::uint8_t>(redOf(c));
    p[1] = static_cast<std::uint8_t>(greenOf(c));
    p[2] = static_cast<std::uint8_t>(blueOf(c));
}

void Picture::resize(int width, int height, Colour background) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == m_width && height == m_height) return;
    Picture next(width, height, background);
    const int w = std::min(width, m_width), h = std::min(height, m_height);
    for (int y = 0; y < h; ++y) std::memcpy(next.scanLine(y), scanLine(y), static_cast<std::size_t>(w) * 3);
    *this = std::move(next);
}

void Picture::fill(Colour c) {
    if (isEmpty()) return;
    fillBytes(m_data.data(), static_cast<std::size_t>(m_width), c);
    for (int y = 1; y < m_height; ++y) std::memcpy(scanLine(y), scanLine(0), stride());
}

void Picture::fillRect(Rect r, Colour c) {
    if (!clipRect(r, m_width, m_height)) return;
    std::uint8_t* first = scanLine(r.y) + 3 * static_cast<std::size_t>(r.x);
    const std::size_t bytes = static_cast<std::size_t>(r.w) * 3;
    fillBytes(first, static_cast<std::size_t>(r.w), c);
    for (int y = r.y + 1; y < r.y + r.h; ++y) std::memcpy(scanLine(y) + 3 * static_cast<std::size_t>(r.x), first, bytes);
}

void Picture::drawLine(int x0, int y0, int x1, int y1, Colour c) {
    // Coordinates this far out are no real drawing; refusing them keeps the arithmetic in 64 bits.
    constexpr int kFar = 1 << 29;
    for (int v : {x0, y0, x1, y1})
        if (v < -kFar || v > kFar) return;
    const std::int64_t dx = std::int64_t{x1} - x0, dy = std::int64_t{y1} - y0;
    const std::int64_t adx = std::llabs(dx), ady = std::llabs(dy);
    const std::int64_t steps = std::max(adx, ady);  // pixels drawn: the end point is left out
    if (steps == 0 || isEmpty()) return;
    const int sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
    const bool xMajor = adx >= ady;
    const std::int64_t major0 = xMajor ? x0 : y0;
    const int majorStep = xMajor ? sx : sy;
    const std::int64_t majorLimit = xMajor ? m_width : m_height;
    const std::int64_t minorDelta = xMajor ? ady : adx;

    // Only the steps whose major coordinate lies inside the picture can draw anything.
    std::int64_t first = 0, last = steps - 1;
    if (majorStep > 0) {
        first = std::max<std::int64_t>(first, -major0);
        last = std::min<std::int64_t>(last, majorLimit - 1 - major0);
    } else {
        first = std::max<std::int64_t>(first, major0 - (majorLimit - 1));
        last = std::min<std::int64_t>(last, major0);
    }
    for (std::int64_t i = first; i <= last; ++i) {
        // Minor offset rounded to nearest, halves away from the start: the Bresenham choice.
        const std::int64_t minor = (2 * i * minorDelta + steps) / (2 * steps);
        const std::int64_t px = xMajor ? x0 + sx * i : x0 + sx * minor;
        const std::int64_t py = xMajor ? y0 + sy * minor : y0 + sy * i;
        if (px >= 0 && py >= 0 && px < m_width && py < m_height) setPixel(static_cast<int>(px), static_cast<int>(py), c);
    }
}

ClippedBlock clipBlock(const Picture& dst, int dx, int dy, const Picture& src, int sx, int sy, int w, int h) {
    if (w < 0) w = src.width();
    if (h < 0) h = src.height();
    std::int64_t x0 = dx, y0 = dy, s0 = sx, t0 = sy, bw = w, bh = h;
    // Clip to the source, then to the destination, moving both origins together.
    if (s0 < 0) { bw += s0; x0 -= s0; s0 = 0; }
    if (t0 < 0) { bh += t0; y0 -= t0; t0 = 0; }
    if (x0 < 0) { bw += x0; s0 -= x0; x0 = 0; }
    if (y0 < 0) { bh += y0; t0 -= y0; y0 = 0; }
    bw = std::min({bw, src.width() - s0, dst.width() - x0});
    bh = std::min({bh, src.height() - t0, dst.height() - y0});
    if (bw <= 0 || bh <= 0) return {};
    return {static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(s0), static_cast<int>(t0),
            static_cast<int>(bw), static_cast<int>(bh)};
}

void blit(Picture& dst, int dx, int dy, const Picture& src, int sx, int sy, int w, int h, Rop rop) {
    const ClippedBlock b = clipBlock(dst, dx, dy, src, sx, sy, w, h);
    if (b.isEmpty()) return;
    std::int64_t x0 = b.dx, y0 = b.dy, s0 = b.sx, t0 = b.sy, bw = b.w, bh = b.h;

    const Picture* from = &src;
    Picture copy;
    if (&dst == &src) {  // overlapping blocks of one picture: read from a snapshot of the block
        copy = Picture(static_cast<int>(bw), static_cast<int>(bh));
        blit(copy, 0, 0, src, static_cast<int>(s0), static_cast<int>(t0), static_cast<int>(bw), static_cast<int>(bh));
        from = &copy;
        s0 = t0 = 0;
    }
    const std::size_t bytes = static_cast<std::size_t>(bw) * 3;
    for (std::int64_t y = 0; y < bh; ++y) {
        std::uint8_t* d = dst.scanLine(static_cast<int>(y0 + y)) + 3 * x0;
        const std::uint8_t* s = from->scanLine(static_cast<int>(t0 + y)) + 3 * s0;
        switch (rop) {
        case Rop::Copy: std::memcpy(d, s, bytes); break;
        case Rop::Xor:
            for (std::size_t i = 0; i < bytes; ++i) d[i] ^= s[i];
            break;
        case Rop::And:
            for (std::size_t i = 0; i < bytes; ++i) d[i] &= s[i];
            break;
        }
    }
}

// ---- plain stretch

Picture stretchPlain(const Picture& src, int width, int height) {
    return stretchPlain(src, Rect{0, 0, src.width(), src.height()}, width, height);
}

Picture stretchPlain(const Picture& src, Rect from, int width, int height) {
    Picture out(width, height);
    if (out.isEmpty() || from.w <= 0 || from.h <= 0) return out;

    // Source column of every destination column (pixel centres mapped); -1 outside the source.
    std::vector<std::int64_t> column(static_cast<std::size_t>(width));
    bool allInside = true;
    for (int x = 0; x < width; ++x) {
        const std::int64_t s = from.x + (std::int64_t{2} * x + 1) * from.w / (std::int64_t{2} * width);
        const bool inside = s >= 0 && s < src.width();
        allInside = allInside && inside;
        column[static_cast<std::size_t>(x)] = inside ? 3 * s : -1;
    }

    std::int64_t previous = -1;
    for (int y = 0; y < height; ++y) {
        const std::int64_t sy = from.y + (std::int64_t{2} * y + 1) * from.h / (std::int64_t{2} * height);
        if (sy < 0 || sy >= src.height()) continue;  // stays black
        std::uint8_t* d = out.scanLine(y);
        if (sy == previous) {  // repeated source row: copy the row just made
            std::memcpy(d, out.scanLine(y - 1), out.stride());
            continue;
        }
        previous = sy;
        const std::uint8_t* s = src.scanLine(static_cast<int>(sy));
        if (allInside) {
            for (int x = 0; x < width; ++x) {
                const std::uint8_t* p = s + column[static_cast<std::size_t>(x)];
                d[0] = p[0];
                d[1] = p[1];
                d[2] = p[2];
                d += 3;
            }
        } else {
            for (int x = 0; x < width; ++x, d += 3) {
                const std::int64_t c = column[static_cast<std::size_t>(x)];
                if (c < 0) continue;
                d[0] = s[c];
                d[1] = s[c + 1];
                d[2] = s[c + 2];
            }
        }
    }
    return out;
}

// ---- half-tone stretch
//
// Both axes become integer weight lists whose weights sum to a per-axis total T:
// shrinking uses the exact box overlap (in units of 1 / destination size, T = source
// size), growing uses bilinear weights at pixel centres (T = 2 * destination size),
// an unchanged size weight 1 (T = 1). Sums stay unnormalised until one division by
// Tx * Ty, so the result is the exact weighted average rounded to nearest.

namespace {

struct AxisWeights {
    std::vector<std::int32_t> first;   // first source index of each destination index
    std::vector<std::int32_t> count;   // number of source indices
    std::vector<std::int32_t> offset;  // into weights
    std::vector<std::uint32_t> weights;
    std::uint64_t total = 1;
};

AxisWeights axisWeights(int srcSize, int dstSize) {
    AxisWeights a;
    a.first.resize(static_cast<std::size_t>(dstSize));
    a.count.resize(static_cast<std::size_t>(dstSize));
    a.offset.resize(static_cast<std::size_t>(dstSize));
    const std::int64_t sw = srcSize, dw = dstSize;
    if (sw == dw) {
        a.total = 1;
        a.weights.assign(static_cast<std::size_t>(dstSize), 1);
        for (int d = 0; d < dstSize; ++d) {
            a.first[static_cast<std::size_t>(d)] = d;
            a.count[static_cast<std::size_t>(d)] = 1;
            a.offset[static_cast<std::size_t>(d)] = d;
        }
    } else if (sw > dw) {
        a.total = static_cast<std::uint64_t>(sw);
        a.weights.reserve(static_cast<std::size_t>(sw + dw));
        for (std::int64_t d = 0; d < dw; ++d) {
            const std::int64_t lo = d * sw, hi = (d + 1) * sw;  // destination span, in source units * dw
            const std::int64_t s0 = lo / dw, s1 = (hi - 1) / dw;
            a.first[static_cast<std::size_t>(d)] = static_cast<std::int32_t>(s0);
            a.count[static_cast<std::size_t>(d)] = static_cast<std::int32_t>(s1 - s0 + 1);
            a.offset[static_cast<std::size_t>(d)] = static_cast<std::int32_t>(a.weights.size());
            for (std::int64_t s = s0; s <= s1; ++s) {
                const std::int64_t overlap = std::min(hi, (s + 1) * dw) - std::max(lo, s * dw);
                a.weights.push_back(static_cast<std::uint32_t>(overlap));
            }
        }
    } else {
        const std::int64_t den = 2 * dw;
        a.total = static_cast<std::uint64_t>(den);
        a.weights.reserve(static_cast<std::size_t>(2 * dw));
        for (std::int64_t d = 0; d < dw; ++d) {
            // Source coordinate of the destination pixel centre, in units of 1 / den.
            const std::int64_t num = (2 * d + 1) * sw - dw;
            a.offset[static_cast<std::size_t>(d)] = static_cast<std::int32_t>(a.weights.size());
            if (num <= 0) {
                a.first[static_cast<std::size_t>(d)] = 0;
                a.count[static_cast<std::size_t>(d)] = 1;
                a.weights.push_back(static_cast<std::uint32_t>(den));
                continue;
            }
            const std::int64_t s = num / den, f = num % den;
            if (s + 1 >= sw || f == 0) {
                a.first[static_cast<std::size_t>(d)] = static_cast<std::int32_t>(std::min(s, sw - 1));
                a.count[static_cast<std::size_t>(d)] = 1;
                a.weights.push_back(static_cast<std::uint32_t>(den));
            } else {
                a.first[static_cast<std::size_t>(d)] = static_cast<std::int32_t>(s);
                a.count[static_cast<std::size_t>(d)] = 2;
                a.weights.push_back(static_cast<std::uint32_t>(den - f));
                a.weights.push_back(static_cast<std::uint32_t>(f));
            }
        }
    }
    return a;
}

// Rounded quotient (n + d / 2) / d for n <= 255 d. Up to d < 2^23 a multiply and
// shift is exact (2^s >= 256 d^2 bounds the error of the rounded-up reciprocal);
// above, a double reciprocal corrected by one step.
struct RoundedDivider {
    explicit RoundedDivider(std::uint64_t d) : den(d), half(d / 2), inv(1.0 / static_cast<double>(d)) {
        fast = d < (std::uint64_t{1} << 23);
        if (fast) {
            shift = 0;
            while ((std::uint64_t{1} << shift) < 256 * d * d) ++shift;
            multiplier = ((std::uint64_t{1} << shift) + d - 1) / d;
        }
    }
    std::uint8_t operator()(std::uint64_t n) const {
        n += half;
        if (fast) return static_cast<std::uint8_t>((n * multiplier) >> shift);
        std::uint64_t q = static_cast<std::uint64_t>(static_cast<double>(n) * inv);
        if (q * den > n) --q;
        else if ((q + 1) * den <= n) ++q;
        return static_cast<std::uint8_t>(std::min<std::uint64_t>(q, 255));
    }
    std::uint64_t den, half;
    double inv;
    bool fast = false;
    std::uint64_t multiplier = 0;
    int shift = 0;
};

// Separate functions with unaliased pointers, so the loops vectorise.
template <class Acc, class Inter>
void setRow(Acc* __restrict acc, const Inter* __restrict row, Acc w, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) acc[i] = w * row[i];
}
template <class Acc, class Inter>
void addRow(Acc* __restrict acc, const Inter* __restrict row, Acc w, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) acc[i] += w * row[i];
}

template <class Inter, class Acc>
Picture halftone(const Picture& src, Rect from, int width, int height) {
    const AxisWeights wx = axisWeights(from.w, width);
    const AxisWeights wy = axisWeights(from.h, height);
    Picture out(width, height);
    const RoundedDivider divide(wx.total * wy.total);

    // Row by row: the vertical sums of the source rows (a vectorised pass over whole
    // rows), then the horizontal sums of those, divided once. Shrinking a photograph
    // thus reads every source pixel once in the fast loop and does the per-pixel
    // gathering only for the destination rows.
    auto rows = [&](std::int64_t rowBegin, std::int64_t rowEnd) {
        const std::size_t n = static_cast<std::size_t>(from.w) * 3;
        std::vector<Inter> column(n);
        const std::int32_t* first = wx.first.data();
        const std::int32_t* count = wx.count.data();
        const std::int32_t* offset = wx.offset.data();
        const std::uint32_t* weights = wx.weights.data();
        const RoundedDivider div = divide;
        for (std::int64_t y = rowBegin; y < rowEnd; ++y) {
            const std::size_t yi = static_cast<std::size_t>(y);
            const std::uint32_t* w = wy.weights.data() + wy.offset[yi];
            auto sourceRow = [&](int k) {
                return src.scanLine(from.y + wy.first[yi] + k) + 3 * static_cast<std::size_t>(from.x);
            };
            setRow(column.data(), sourceRow(0), static_cast<Inter>(w[0]), n);
            for (int k = 1; k < wy.count[yi]; ++k) addRow(column.data(), sourceRow(k), static_cast<Inter>(w[k]), n);

            std::uint8_t* d = out.scanLine(static_cast<int>(y));
            const Inter* c = column.data();
            for (int x = 0; x < width; ++x, d += 3) {
                const Inter* p = c + 3 * static_cast<std::size_t>(first[x]);
                const std::uint32_t* wk = weights + offset[x];
                Acc r = 0, g = 0, b = 0;
                for (int k = 0; k < count[x]; ++k, p += 3) {
                    const Acc weight = wk[k];
                    r += weight * p[0];
                    g += weight * p[1];
                    b += weight * p[2];
                }
                d[0] = div(r);
                d[1] = div(g);
                d[2] = div(b);
            }
        }
    };

    // Big pictures (whole photographs) use every core; tiles stay on the calling thread.
    const std::int64_t work = std::int64_t{from.w} * from.h + std::int64_t{width} * height;
    parallelFor(height, 8, rows, work >= (1 << 21) ? 0 : 1);
    return out;
}

}  // namespace

Picture stretchHalftone(const Picture& src, int width, int height) {
    return stretchHalftone(src, Rect{0, 0, src.width(), src.height()}, width, height);
}

Picture stretchHalftone(const Picture& src, Rect from, int width, int height) {
    if (width <= 0 || height <= 0) return Picture();
    if (!clipRect(from, src.width(), src.height())) return Picture(width, height);
    if (from.w == width && from.h == height) {
        Picture out(width, height);
        blit(out, 0, 0, src, from.x, from.y, width, height);
        return out;
    }
    // Vertical sums reach Ty * 255, final sums Tx * Ty * 255 plus rounding: 32 bits
    // hold both for tiles, the final sums of a whole photograph need 64.
    auto total = [](int from, int to) -> std::uint64_t {
        return from > to ? static_cast<std::uint64_t>(from) : (from == to ? 1u : 2u * static_cast<std::uint64_t>(to));
    };
    const std::uint64_t tx = total(from.w, width), ty = total(from.h, height);
    constexpr std::uint64_t k32 = 0xFFFFFFFFu;
    if (tx * ty * 256 <= k32) return halftone<std::uint32_t, std::uint32_t>(src, from, width, height);
    if (ty * 255 <= k32) return halftone<std::uint32_t, std::uint64_t>(src, from, width, height);
    return halftone<std::uint64_t, std::uint64_t>(src, from, width, height);
}

}  // namespace tx
