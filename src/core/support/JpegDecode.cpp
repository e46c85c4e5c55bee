#include "support/JpegDecode.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace tx {

namespace {

struct Decompressor {
    tjhandle handle = tjInitDecompress();
    ~Decompressor() {
        if (handle) tjDestroy(handle);
    }
};

bool isPrematureEnd(tjhandle handle) {
    return std::strstr(tjGetErrorStr2(handle), "remature end") != nullptr;
}

void setWhy(QString* why, const QString& text) {
    if (why) *why = text;
}

// Runs the decoder; a premature end is fatal, other warnings are not.
JpegStatus run(tjhandle handle, const unsigned char* data, std::size_t size, unsigned char* dst, int width,
               int height, int flags, QString* why) {
    if (tjDecompress2(handle, data, static_cast<unsigned long>(size), dst, width, 0, height, TJPF_RGB,
                      flags | TJFLAG_LIMITSCANS) == 0)
        return JpegStatus::Ok;
    if (isPrematureEnd(handle)) return JpegStatus::Truncated;
    if (tjGetErrorCode(handle) == TJERR_WARNING && !(flags & TJFLAG_STOPONWARNING)) return JpegStatus::Ok;
    if (tjGetErrorCode(handle) == TJERR_WARNING) return JpegStatus::Failed;  // caller retries without stopping
    setWhy(why, QString::fromLatin1(tjGetErrorStr2(handle)));
    return JpegStatus::Failed;
}

struct Header {
    int width = 0, height = 0, subsamp = 0, colourspace = 0;
};

JpegStatus readHeader(tjhandle handle, const unsigned char* data, std::size_t size, Header& h, QString* why) {
    if (!handle) {
        setWhy(why, QStringLiteral("out of memory"));
        return JpegStatus::Failed;
    }
    if (tjDecompressHeader3(handle, data, static_cast<unsigned long>(size), &h.width, &h.height, &h.subsamp,
                            &h.colourspace) != 0) {
        if (isPrematureEnd(handle)) return JpegStatus::Truncated;
        setWhy(why, QString::fromLatin1(tjGetErrorStr2(handle)));
        return JpegStatus::Failed;
    }
    // The decoder converts neither CMYK nor YCCK to RGB.
    if (h.colourspace == TJCS_CMYK || h.colourspace == TJCS_YCCK) return JpegStatus::Unsupported;
    return JpegStatus::Ok;
}

}  // namespace

JpegLayout scanJpeg(const unsigned char* d, std::size_t n) {
    JpegLayout layout;
    if (n < 4 || d[0] != 0xFF || d[1] != 0xD8) return layout;
    std::size_t i = 2;
    for (;;) {
        while (i < n && d[i] != 0xFF) ++i;  // stray bytes between segments
        while (i < n && d[i] == 0xFF) ++i;  // fill bytes
        if (i >= n) return layout;
        const unsigned char marker = d[i++];
        if (marker == 0xD9) {
            layout.complete = layout.hasFrame;
            return layout;
        }
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
        if (i + 2 > n) return layout;
        const std::size_t length = static_cast<std::size_t>(d[i] << 8 | d[i + 1]);
        if (length < 2) return layout;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame && !layout.hasFrame && i + 8 <= n && length >= 8) {
            layout.hasFrame = true;
            layout.height = d[i + 3] << 8 | d[i + 4];
            layout.width = d[i + 5] << 8 | d[i + 6];
            layout.components = d[i + 7];
            layout.progressive = marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
        }
        i += length;
        if (i > n) return layout;
        if (marker != 0xDA) continue;
        // Entropy-coded data after a start of scan: runs to the next real marker.
        const std::size_t start = i;
        for (;;) {
            const void* ff = std::memchr(d + i, 0xFF, n - i);
            if (!ff) {
                layout.entropyBytes += static_cast<std::int64_t>(n - start);
                return layout;
            }
            std::size_t k = static_cast<std::size_t>(static_cast<const unsigned char*>(ff) - d) + 1;
            while (k < n && d[k] == 0xFF) ++k;
            if (k >= n) {
                layout.entropyBytes += static_cast<std::int64_t>(n - start);
                return layout;
            }
            if (d[k] == 0x00 || (d[k] >= 0xD0 && d[k] <= 0xD7)) {
                i = k + 1;
                continue;
            }
            i = k - 1;  // at the 0xFF of the marker
            break;
        }
        layout.entropyBytes += static_cast<std::int64_t>(i - start);
    }
}

std::int64_t jpegWorkingBytes(const JpegLayout& layout) {
    const std::int64_t blocksX = (std::int64_t{layout.width} + 7) / 8 + 2;
    const std::int64_t blocksY = (std::int64_t{layout.height} + 7) / 8 + 2;
    const std::int64_t components = std::max(1, layout.components);
    // Row buffers of a few block rows; the whole-picture coefficients when progressive.
    std::int64_t bytes = (1 << 20) + blocksX * 8 * 3 * 32 * components;
    if (layout.progressive) bytes += blocksX * blocksY * 64 * 2 * components;
    return bytes;
}

JpegStatus decodeJpeg(const unsigned char* data, std::size_t size, int scaleDenom, Picture& out, QString* why) {
    Decompressor d;
    Header h;
    if (const JpegStatus s = readHeader(d.handle, data, size, h, why); s != JpegStatus::Ok) return s;
    const tjscalingfactor factor{1, scaleDenom};
    Picture result(TJSCALED(h.width, factor), TJSCALED(h.height, factor));
    const JpegStatus s = run(d.handle, data, size, result.bits(), result.width(), result.height(), 0, why);
    if (s == JpegStatus::Ok) out = std::move(result);
    return s;
}

JpegStatus checkJpegFillsPicture(const unsigned char* data, std::size_t size, QString* why) {
    Decompressor d;
    Header h;
    if (const JpegStatus s = readHeader(d.handle, data, size, h, why); s != JpegStatus::Ok) return s;
    const tjscalingfactor eighth{1, 8};
    const int w = TJSCALED(h.width, eighth), hgt = TJSCALED(h.height, eighth);
    std::vector<unsigned char> small(static_cast<std::size_t>(w) * static_cast<std::size_t>(hgt) * 3);
    // Stopping at the first warning ends a bomb at once; a warning of another kind
    // needs the whole pass to tell whether the data also ends early.
    const JpegStatus s = run(d.handle, data, size, small.data(), w, hgt, TJFLAG_STOPONWARNING, why);
    if (s != JpegStatus::Failed || tjGetErrorCode(d.handle) != TJERR_WARNING) return s;
    return run(d.handle, data, size, small.data(), w, hgt, 0, why);
}

}  // namespace tx
