#include "library/DoublesCompare.h"

#include <algorithm>
#include <cstdlib>

#include "library/LibraryAnalysis.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define TX_HAVE_AVX2_PATH 1
#endif

namespace tx {

Picture combineForDoubles(const Picture& a, const Picture& b) {
    Picture combined = b;
    blit(combined, 0, 0, a, 0, 0, a.width(), a.height(), Rop::Xor);
    return combined;
}

double differenceValue(const Picture& reduced) {
    const Colour ref = reduced.pixel(0, 0);
    const int r0 = redOf(ref), g0 = greenOf(ref), b0 = blueOf(ref);
    double d = 0;
    for (int x = 0; x < 3; ++x) {
        for (int y = 0; y < 3; ++y) {
            const Colour c = reduced.pixel(x, y);
            const int r = redOf(c), g = greenOf(c), b = blueOf(c);
            d += std::abs(r - r0) + std::abs(g - g0) + std::abs(b - b0) + r + g + b;
        }
    }
    return d;
}

double pairDifference(const Picture& a, const Picture& b) {
    if (a.isEmpty() || b.isEmpty()) return std::numeric_limits<double>::infinity();
    return differenceValue(stretchHalftone(combineForDoubles(a, b), 3, 3));
}

Picture fitToSize(const Picture& a, int w, int h) {
    if (a.width() == w && a.height() == h) return a;
    Picture out(w, h);
    blit(out, 0, 0, a, 0, 0, a.width(), a.height(), Rop::Copy);
    return out;
}

DoublesSignature doublesSignature(const Picture& fitted) {
    DoublesSignature s;
    if (fitted.isEmpty()) return s;
    const Picture coarse = stretchHalftone(fitted, 3, 3);
    std::copy_n(coarse.bits(), 27, s.coarse.begin());
    Picture plane(fitted.width(), fitted.height());
    for (int k = 0; k < 8; ++k) {
        const std::uint8_t* src = fitted.bits();
        std::uint8_t* dst = plane.bits();
        for (std::size_t n = 0; n < fitted.byteCount(); ++n) dst[n] = ((src[n] >> k) & 1) ? 255 : 0;
        const Picture reduced = stretchHalftone(plane, 3, 3);
        std::copy_n(reduced.bits(), 27, s.planes.begin() + 32 * k);
    }
    if (fitted.width() >= 12 && fitted.height() >= 12) {
        const Picture fine = stretchHalftone(fitted, 12, 12);
        std::copy_n(fine.bits(), 432, s.fine.begin());
        s.hasFine = true;
    }
    return s;
}

namespace {

// Sum over n bytes (a multiple of 16) of max(0, |a - b| - 1).
unsigned slackedDistance(const std::uint8_t* a, const std::uint8_t* b, std::size_t n) {
#if defined(__SSE2__)
    const __m128i one = _mm_set1_epi8(1);
    const __m128i zero = _mm_setzero_si128();
    __m128i acc = _mm_setzero_si128();
    for (std::size_t k = 0; k < n; k += 16) {
        const __m128i va = _mm_load_si128(reinterpret_cast<const __m128i*>(a + k));
        const __m128i vb = _mm_load_si128(reinterpret_cast<const __m128i*>(b + k));
        const __m128i diff = _mm_or_si128(_mm_subs_epu8(va, vb), _mm_subs_epu8(vb, va));
        acc = _mm_add_epi64(acc, _mm_sad_epu8(_mm_subs_epu8(diff, one), zero));
    }
    return static_cast<unsigned>(_mm_cvtsi128_si32(acc) + _mm_cvtsi128_si32(_mm_srli_si128(acc, 8)));
#else
    unsigned sum = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const int d = std::abs(int{a[k]} - int{b[k]});
        sum += static_cast<unsigned>(std::max(0, d - 1));
    }
    return sum;
#endif
}

#if defined(TX_HAVE_AVX2_PATH)
__attribute__((target("avx2"))) std::uint64_t xorByteSumAvx2(const std::uint8_t* a, const std::uint8_t* b,
                                                             std::size_t n) {
    const __m256i zero = _mm256_setzero_si256();
    __m256i acc = _mm256_setzero_si256();
    std::size_t k = 0;
    for (; k + 32 <= n; k += 32) {
        const __m256i va = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + k));
        const __m256i vb = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + k));
        acc = _mm256_add_epi64(acc, _mm256_sad_epu8(_mm256_xor_si256(va, vb), zero));
    }
    alignas(32) std::uint64_t lanes[4];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), acc);
    std::uint64_t sum = lanes[0] + lanes[1] + lanes[2] + lanes[3];
    for (; k < n; ++k) sum += static_cast<std::uint64_t>(a[k] ^ b[k]);
    return sum;
}
const bool kHasAvx2 = __builtin_cpu_supports("avx2");
#endif

// Sum of the bytes a[k] XOR b[k], k < n.
std::uint64_t xorByteSum(const std::uint8_t* a, const std::uint8_t* b, std::size_t n) {
#if defined(TX_HAVE_AVX2_PATH)
    if (kHasAvx2) return xorByteSumAvx2(a, b, n);
#endif
    std::uint64_t sum = 0;
    std::size_t k = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    __m128i acc = _mm_setzero_si128();
    for (; k + 16 <= n; k += 16) {
        const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + k));
        const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + k));
        acc = _mm_add_epi64(acc, _mm_sad_epu8(_mm_xor_si128(va, vb), zero));
    }
    sum = static_cast<std::uint64_t>(_mm_cvtsi128_si64(acc)) +
          static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_srli_si128(acc, 8)));
#endif
    for (; k < n; ++k) sum += static_cast<std::uint64_t>(a[k] ^ b[k]);
    return sum;
}

std::uint64_t byteSum(const std::uint8_t* b, std::size_t n) {
    std::uint64_t sum = 0;
    for (std::size_t k = 0; k < n; ++k) sum += b[k];
    return sum;
}

}  // namespace

double pixelLowerBound(const Picture& a, const Picture& b, double limit) {
    if (a.isEmpty() || b.width() < 3 || b.height() < 3) return 0;
    const double pixels = static_cast<double>(b.width()) * b.height();
    auto bound = [&](std::uint64_t sum) { return 9.0 * static_cast<double>(sum) / pixels - 27 * 0.5; };
    const int commonW = std::min(a.width(), b.width());
    const int commonH = std::min(a.height(), b.height());
    const std::size_t xorBytes = static_cast<std::size_t>(commonW) * 3;
    const std::size_t restBytes = b.stride() - xorBytes;
    std::uint64_t sum = 0;
    if (a.width() == b.width()) {
        // Rows are contiguous: one stream in blocks of rows.
        constexpr int kRows = 8;
        for (int y = 0; y < commonH; y += kRows) {
            const int rows = std::min(kRows, commonH - y);
            sum += xorByteSum(a.scanLine(y), b.scanLine(y), xorBytes * static_cast<std::size_t>(rows));
            if (bound(sum) > limit) return bound(sum);
        }
    } else {
        for (int y = 0; y < commonH; ++y) {
            sum += xorByteSum(a.scanLine(y), b.scanLine(y), xorBytes) + byteSum(b.scanLine(y) + xorBytes, restBytes);
            if ((y & 7) == 7 && bound(sum) > limit) return bound(sum);
        }
    }
    for (int y = commonH; y < b.height(); ++y) {
        sum += byteSum(b.scanLine(y), b.stride());
        if ((y & 7) == 7 && bound(sum) > limit) return bound(sum);
    }
    return bound(sum);
}

int coarseLowerBound(const DoublesSignature& a, const DoublesSignature& b) {
    // Each of the 27 values of the reduced combined picture is at least its term
    // here, and d adds those values plus non-negative differences.
    return static_cast<int>(slackedDistance(a.coarse.data(), b.coarse.data(), a.coarse.size()));
}

double fineLowerBound(const DoublesSignature& a, const DoublesSignature& b) {
    if (!a.hasFine || !b.hasFine) return 0;
    // A 3 x 3 cell value is the rounded mean of its sixteen 12 x 12 box averages, each
    // at least max(0, |fine(a) - fine(b)| - 1); rounding costs at most 0.5 per value.
    const double sum = slackedDistance(a.fine.data(), b.fine.data(), a.fine.size());
    return sum / 16.0 - 27 * 0.5;
}

double bitPlaneLowerBound(const DoublesSignature& a, const DoublesSignature& b) {
    // Shares are reduced values / 255, each rounded once (0.5), so a difference of
    // shares is at least (|difference| - 1) / 255; 0.5 more for rounding each cell.
    std::uint64_t sum = 0;
    for (int k = 0; k < 8; ++k)
        sum += static_cast<std::uint64_t>(slackedDistance(a.planes.data() + 32 * k, b.planes.data() + 32 * k, 32)) << k;
    return static_cast<double>(sum) / 255.0 - 27 * 0.5;
}

Rect fitIntoBox(int tw, int th, int bw, int bh) {
    if (tw <= 0 || th <= 0 || bw <= 0 || bh <= 0) return Rect{0, 0, 0, 0};
    const double boxRatio = static_cast<double>(bh) / bw;
    const double tileRatio = static_cast<double>(th) / tw;
    int dw = bw, dh = bh;
    if (tileRatio > boxRatio)
        dw = static_cast<int>(roundHalfEven(bh / tileRatio));  // taller than the box: full height
    else if (tileRatio < boxRatio)
        dh = static_cast<int>(roundHalfEven(bw * tileRatio));  // wider than the box: full width
    dw = std::clamp(dw, 1, bw);
    dh = std::clamp(dh, 1, bh);
    return Rect{(bw - dw) / 2, (bh - dh) / 2, dw, dh};
}

namespace {
Picture drawIntoBox(const Picture& tile, int bw, int bh) {
    Picture box(bw, bh);
    const Rect r = fitIntoBox(tile.width(), tile.height(), bw, bh);
    if (r.w > 0 && r.h > 0) blit(box, r.x, r.y, stretchHalftone(tile, r.w, r.h));
    return box;
}
}  // namespace

DoublesPictures doublesDialogPictures(const Picture& tileI, const Picture& tileJ, int boxWidth, int boxHeight) {
    DoublesPictures p;
    if (boxWidth <= 0 || boxHeight <= 0) return p;
    p.picture1 = drawIntoBox(tileI, boxWidth, boxHeight);
    p.picture2 = drawIntoBox(tileJ, boxWidth, boxHeight);
    p.picture3 = p.picture1;
    blit(p.picture3, 0, 0, p.picture2, 0, 0, -1, -1, Rop::Xor);
    p.picture4 = stretchHalftone(p.picture3, 3, 3);
    return p;
}

}  // namespace tx
