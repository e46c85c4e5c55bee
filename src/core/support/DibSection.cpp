#include "support/DibSection.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>
#include <random>

namespace tx {

namespace {

// A two-dimensional byte array laid over a buffer without copying it: byte x of
// memory row y. Both indices are checked on every access.
template <typename Byte>
class ByteView {
public:
    ByteView(Byte* base, int rowBytes, int rows) : m_base(base), m_rowBytes(rowBytes), m_rows(base ? rows : 0) {}
    Byte& operator()(int y, int x) const {
        if (x < 0 || x >= m_rowBytes || y < 0 || y >= m_rows) throw SubscriptOutOfRange();
        return m_base[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_rowBytes) + static_cast<std::size_t>(x)];
    }

private:
    Byte* m_base;
    int m_rowBytes;
    int m_rows;
};

// Widths beyond this would overflow (width * 3 + 3) in 32 bits.
constexpr int kMaxHeaderWidth = (INT_MAX - 3) / 3;

// A 1:1 block transfer between two surfaces: source origin, destination origin, size.
struct Block {
    long long sx, sy, dx, dy, w, h;
};

// Clips the block to both surfaces; false when nothing is left.
bool clipBlock(Block& b, int srcW, int srcH, int dstW, int dstH) {
    if (b.sx < 0) { b.dx -= b.sx; b.w += b.sx; b.sx = 0; }
    if (b.sy < 0) { b.dy -= b.sy; b.h += b.sy; b.sy = 0; }
    if (b.dx < 0) { b.sx -= b.dx; b.w += b.dx; b.dx = 0; }
    if (b.dy < 0) { b.sy -= b.dy; b.h += b.dy; b.dy = 0; }
    b.w = std::min({b.w, static_cast<long long>(srcW) - b.sx, static_cast<long long>(dstW) - b.dx});
    b.h = std::min({b.h, static_cast<long long>(srcH) - b.sy, static_cast<long long>(dstH) - b.dy});
    return b.w > 0 && b.h > 0;
}

// One row of pixels with red and blue swapped (RGB <-> BGR), combined by the raster operation.
template <Rop R>
void swapRow(std::uint8_t* __restrict dst, const std::uint8_t* __restrict src, long long pixels) {
    for (long long c = 0; c < pixels; ++c, src += 3, dst += 3) {
        if constexpr (R == Rop::Copy) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        } else if constexpr (R == Rop::Xor) {
            dst[0] ^= src[2];
            dst[1] ^= src[1];
            dst[2] ^= src[0];
        } else {
            dst[0] &= src[2];
            dst[1] &= src[1];
            dst[2] &= src[0];
        }
    }
}

void swapRow(std::uint8_t* dst, const std::uint8_t* src, long long pixels, Rop rop) {
    switch (rop) {
        case Rop::Copy: swapRow<Rop::Copy>(dst, src, pixels); break;
        case Rop::Xor: swapRow<Rop::Xor>(dst, src, pixels); break;
        case Rop::And: swapRow<Rop::And>(dst, src, pixels); break;
    }
}

}  // namespace

bool cDIBSection::Create(int lWidth, int lHeight) {
    // Same as ClearUp, but the old memory is kept aside: a buffer refilled page after
    // page at one size reuses it instead of mapping fresh memory every time.
    std::vector<std::uint8_t> previous;
    previous.swap(m_bits);
    m_header = BitmapInfoHeader{};
    const bool sane = lWidth >= -kMaxHeaderWidth && lWidth <= kMaxHeaderWidth;
    m_header.biWidth = sane ? lWidth : 0;
    m_header.biHeight = lHeight;
    if (lWidth <= 0 || lHeight <= 0 || !sane) return false;
    if (static_cast<std::int64_t>(lWidth) * lHeight > Picture::kMaxPixels) return false;

    const std::uint64_t bytes = static_cast<std::uint64_t>(BytesPerScanLine()) * static_cast<std::uint64_t>(lHeight);
    m_header.biSizeImage = static_cast<std::uint32_t>(bytes);
    if (previous.size() == bytes) {
        std::memset(previous.data(), 0, previous.size());
        m_bits.swap(previous);
        return true;
    }
    std::vector<std::uint8_t>().swap(previous);
    try {
        m_bits.assign(static_cast<std::size_t>(bytes), 0);
    } catch (const std::bad_alloc&) {
        ClearUp();
        return false;
    }
    return true;
}

void cDIBSection::ClearUp() {
    // The header stays: Width and Height keep reporting the last size given.
    std::vector<std::uint8_t>().swap(m_bits);
}

void cDIBSection::CreateFromPicture(const Picture& picThis) {
    if (!Create(picThis.width(), picThis.height())) return;
    LoadPictureBlt(picThis, 0, 0, Width(), Height(), Rop::Copy);
}

void cDIBSection::LoadPictureBlt(const Picture& pic, int lSrcLeft, int lSrcTop, int lSrcWidth, int lSrcHeight,
                                 Rop eRop) {
    if (m_bits.empty() || pic.isEmpty()) return;
    const int w = Width();
    const int h = Height();
    Block b{lSrcLeft, lSrcTop, 0, 0, lSrcWidth < 0 ? w : lSrcWidth, lSrcHeight < 0 ? h : lSrcHeight};
    if (!clipBlock(b, pic.width(), pic.height(), w, h)) return;

    const int stride = BytesPerScanLine();
    for (long long r = 0; r < b.h; ++r) {
        const std::uint8_t* src = pic.scanLine(static_cast<int>(b.sy + r)) + b.sx * 3;
        // Picture rows run top-down, buffer rows bottom-up.
        std::uint8_t* dst = m_bits.data() + static_cast<std::size_t>(h - 1 - (b.dy + r)) * stride + b.dx * 3;
        swapRow(dst, src, b.w, eRop);
    }
}

void cDIBSection::PaintPicture(Picture& pic, int lDestLeft, int lDestTop, int lDestWidth, int lDestHeight,
                               int lSrcLeft, int lSrcTop, Rop eRop) const {
    if (m_bits.empty() || pic.isEmpty()) return;
    const int w = Width();
    const int h = Height();
    Block b{lSrcLeft, lSrcTop, lDestLeft, lDestTop, lDestWidth < 0 ? w : lDestWidth, lDestHeight < 0 ? h : lDestHeight};
    if (!clipBlock(b, w, h, pic.width(), pic.height())) return;

    const int stride = BytesPerScanLine();
    for (long long r = 0; r < b.h; ++r) {
        const std::uint8_t* src = m_bits.data() + static_cast<std::size_t>(h - 1 - (b.sy + r)) * stride + b.sx * 3;
        std::uint8_t* dst = pic.scanLine(static_cast<int>(b.dy + r)) + b.dx * 3;
        swapRow(dst, src, b.w, eRop);
    }
}

Picture cDIBSection::toPicture() const {
    if (m_bits.empty()) return {};
    Picture pic(Width(), Height());
    PaintPicture(pic);
    return pic;
}

bool cDIBSection::CopyToClipboard(bool bAsDIB) {
    // The clipboard belongs to the GUI thread of a running QGuiApplication.
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app || QThread::currentThread() != app->thread()) return false;
    // No DIB format here: the caller shows kClipboardDibMessage.
    if (bAsDIB) return false;
    if (m_bits.empty()) return false;

    QImage image(Width(), Height(), QImage::Format_RGB888);
    if (image.isNull()) return false;
    const int h = Height();
    const int stride = BytesPerScanLine();
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* src = m_bits.data() + static_cast<std::size_t>(h - 1 - y) * stride;
        swapRow<Rop::Copy>(image.scanLine(y), src, Width());
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return false;
    clipboard->setImage(image);
    return true;
}

void cDIBSection::RandomiseBits(bool bGray) {
    std::mt19937_64 gen(static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()));
    auto draw = [&gen]() -> std::uint8_t {
        double r = std::generate_canonical<double, 53>(gen);
        if (r >= 1.0) r = std::nextafter(1.0, 0.0);  // some library versions can return 1
        return static_cast<std::uint8_t>(std::nearbyint(r * 255.0));
    };

    const ByteView<std::uint8_t> bits(DIBSectionBitsPtr(), BytesPerScanLine(), Height());
    const int w = m_bits.empty() ? 0 : Width();
    const int h = m_bits.empty() ? 0 : Height();
    if (bGray) {
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const std::uint8_t v = draw();
                bits(y, x * 3) = v;
                bits(y, x * 3 + 1) = v;
                bits(y, x * 3 + 2) = v;
            }
        }
    } else {
        for (int x = 0; x < w; ++x) {
            for (int y = 0; y < h; ++y) {
                bits(y, x * 3) = 0;
                bits(y, x * 3 + 1) = draw();
                bits(y, x * 3 + 2) = draw();
            }
        }
    }
}

std::unique_ptr<cDIBSection> cDIBSection::Resample(int lNewHeight, int lNewWidth) const {
    auto out = std::make_unique<cDIBSection>();
    if (!out->Create(lNewWidth, lNewHeight)) return nullptr;

    const int W = Width();
    const int H = Height();
    if (lNewWidth == W && lNewHeight == H) {
        if (m_bits.size() == out->m_bits.size()) out->m_bits = m_bits;
        return out;
    }

    // Bilinear, in memory rows (row 0 is the bottom row of both pictures). The
    // arithmetic is single precision throughout, each intermediate rounded half to
    // even. The divisor is the new size itself, so the right and upper neighbours of
    // the last sample are still inside a source at least two pixels each way; a
    // source one pixel wide or high hits the range check.
    const ByteView<const std::uint8_t> src(DIBSectionBitsPtr(), BytesPerScanLine(), H);
    const ByteView<std::uint8_t> dst(out->DIBSectionBitsPtr(), out->BytesPerScanLine(), lNewHeight);
    const float xScale = static_cast<float>(static_cast<double>(W - 1) / lNewWidth);
    const float yScale = static_cast<float>(static_cast<double>(H - 1) / lNewHeight);

    for (int y = 0; y < lNewHeight; ++y) {
        const float yD = yScale * static_cast<float>(y);
        const float yFloor = std::floor(yD);
        const int yS = static_cast<int>(yFloor);
        const float yR = yD - yFloor;
        const float yKeep = 1.0f - yR;
        for (int x = 0; x < lNewWidth; ++x) {
            const float xD = xScale * static_cast<float>(x);
            const float xFloor = std::floor(xD);
            const int xS = static_cast<int>(xFloor);
            const float xR = xD - xFloor;
            const float xKeep = 1.0f - xR;
            for (int c = 0; c < 3; ++c) {
                const int left = xS * 3 + c;
                const int right = (xS + 1) * 3 + c;
                const float cLeft =
                    std::nearbyint(yKeep * static_cast<float>(src(yS, left)) + yR * static_cast<float>(src(yS + 1, left)));
                const float cRight = std::nearbyint(yKeep * static_cast<float>(src(yS, right)) +
                                                    yR * static_cast<float>(src(yS + 1, right)));
                const float v = std::nearbyint(xKeep * cLeft + xR * cRight);
                dst(y, x * 3 + c) = static_cast<std::uint8_t>(std::clamp(v, 0.0f, 255.0f));
            }
        }
    }
    return out;
}

}  // namespace tx
