#include "support/PictureFile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageIOHandler>
#include <QImageReader>
#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "support/AtomicFile.h"
#include "support/FileHelpers.h"

namespace tx {

namespace {

void setError(QString* error, const QString& text) {
    if (error) *error = text;
}

// Qt refuses images above its own allocation limit (128 MB by default, a 6000 x 6000
// photograph); our own pixel limit is the one that counts.
void raiseQtAllocationLimit() {
    static const bool done = [] {
        constexpr std::int64_t bytes = Picture::kMaxPixels * 4;  // decoded as 32-bit pixels
        QImageReader::setAllocationLimit(static_cast<int>(bytes / (1024 * 1024) + 64));
        return true;
    }();
    (void)done;
}

std::uint32_t readLe32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t readLe16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

// Decoders fill a cut-off JPEG with grey and report success, so walk the marker
// structure ourselves: complete means an end-of-image marker follows the last scan.
bool jpegIsComplete(const QByteArray& bytes) {
    const auto* d = reinterpret_cast<const unsigned char*>(bytes.constData());
    const std::size_t n = static_cast<std::size_t>(bytes.size());
    if (n < 4 || d[0] != 0xFF || d[1] != 0xD8) return false;
    std::size_t i = 2;
    for (;;) {
        while (i < n && d[i] != 0xFF) ++i;  // stray bytes between segments
        while (i < n && d[i] == 0xFF) ++i;  // fill bytes
        if (i >= n) return false;
        const unsigned char marker = d[i++];
        if (marker == 0xD9) return true;
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
        if (i + 2 > n) return false;
        const std::size_t length = static_cast<std::size_t>(d[i] << 8 | d[i + 1]);
        if (length < 2) return false;
        i += length;
        if (i > n) return false;
        if (marker != 0xDA) continue;
        // Entropy-coded data after a start of scan: runs to the next real marker.
        for (;;) {
            const void* ff = std::memchr(d + i, 0xFF, n - i);
            if (!ff) return false;
            std::size_t k = static_cast<std::size_t>(static_cast<const unsigned char*>(ff) - d) + 1;
            while (k < n && d[k] == 0xFF) ++k;
            if (k >= n) return false;
            if (d[k] == 0x00 || (d[k] >= 0xD0 && d[k] <= 0xD7)) {
                i = k + 1;
                continue;
            }
            i = k - 1;  // at the 0xFF of the marker
            break;
        }
    }
}

// What a BMP header claims. Qt's reader refuses absurd sizes without saying why,
// and loads an uncompressed BMP shorter than its header promises as a partly
// black picture without complaint; both are caught here.
struct BmpCheck {
    std::int64_t pixels = 0;
    bool complete = true;
    // Set for the plain 24-bit uncompressed layout, which is decoded here directly.
    bool plain24 = false;
    bool topDown = false;
    int width = 0, height = 0;
    std::uint32_t offBits = 0;
};

// `head` is the start of a file of fileSize bytes.
BmpCheck checkBmp(const QByteArray& head, std::int64_t fileSize) {
    BmpCheck check;
    const auto* d = reinterpret_cast<const unsigned char*>(head.constData());
    const std::size_t n = static_cast<std::size_t>(head.size());
    if (n < 26 || d[0] != 'B' || d[1] != 'M') return check;
    const std::uint32_t offBits = readLe32(d + 10);
    const std::uint32_t infoSize = readLe32(d + 14);
    if (infoSize != 12 && infoSize != 40 && infoSize != 52 && infoSize != 56 && infoSize != 64 && infoSize != 108 &&
        infoSize != 124)
        return check;  // not a header we know: the decoder decides
    std::int64_t width = 0, height = 0, bitCount = 0, compression = 0;
    if (infoSize == 12) {  // OS/2 core header
        width = readLe16(d + 18);
        height = readLe16(d + 20);
        bitCount = readLe16(d + 24);
    } else {
        if (n < 34) {
            check.complete = false;
            return check;
        }
        width = static_cast<std::int32_t>(readLe32(d + 18));
        height = static_cast<std::int32_t>(readLe32(d + 22));
        bitCount = readLe16(d + 28);
        compression = readLe32(d + 30);
    }
    const bool topDown = height < 0;
    if (topDown) height = -height;
    if (width <= 0 || height == 0 || bitCount <= 0) return check;  // the decoder refuses these itself
    check.pixels = width * height;
    if (compression != 0 && compression != 3) return check;  // run-length: left to the decoder
    const std::int64_t rowBytes = (width * bitCount + 31) / 32 * 4;
    check.complete = fileSize >= std::int64_t{offBits} + rowBytes * height;
    if (check.complete && compression == 0 && bitCount == 24 && offBits >= 26 && check.pixels <= Picture::kMaxPixels) {
        check.plain24 = true;
        check.topDown = topDown;
        check.width = static_cast<int>(width);
        check.height = static_cast<int>(height);
        check.offBits = offBits;
    }
    return check;
}

// Rows are read straight from the file in chunks: no copy of the whole file.
bool decodePlainBmp(QFile& file, const BmpCheck& bmp, Picture& out) {
    Picture result(bmp.width, bmp.height);
    const std::size_t rowBytes = (static_cast<std::size_t>(bmp.width) * 3 + 3) & ~std::size_t{3};
    const int rowsPerChunk = static_cast<int>(std::max<std::size_t>(1, (std::size_t{1} << 20) / rowBytes));
    std::vector<char> chunk(rowBytes * static_cast<std::size_t>(std::min(rowsPerChunk, bmp.height)));
    if (!file.seek(bmp.offBits)) return false;
    for (int stored = 0; stored < bmp.height;) {
        const int rows = std::min(rowsPerChunk, bmp.height - stored);
        const qint64 bytes = static_cast<qint64>(rowBytes) * rows;
        if (file.read(chunk.data(), bytes) != bytes) return false;
        for (int r = 0; r < rows; ++r, ++stored) {
            const auto* s = reinterpret_cast<const std::uint8_t*>(chunk.data()) + rowBytes * static_cast<std::size_t>(r);
            std::uint8_t* d = result.scanLine(bmp.topDown ? stored : bmp.height - 1 - stored);
            for (int x = 0; x < bmp.width; ++x, s += 3, d += 3) {
                d[0] = s[2];
                d[1] = s[1];
                d[2] = s[0];
            }
        }
    }
    out = std::move(result);
    return true;
}

// The picture as stored in the file, turned by its EXIF orientation.
QSize orientedSize(QImageReader& reader) {
    QSize size = reader.size();
    if (size.isValid() && (reader.transformation() & QImageIOHandler::TransformationRotate90)) size.transpose();
    return size;
}

void copyInto(const QImage& image, Picture& out) {
    const int w = image.width(), h = image.height();
    out = Picture(w, h);
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        for (int y = 0; y < h; ++y) {
            const auto* s = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
            std::uint8_t* d = out.scanLine(y);
            for (int x = 0; x < w; ++x, d += 3) {
                const std::uint32_t v = s[x];
                d[0] = static_cast<std::uint8_t>(v >> 16);
                d[1] = static_cast<std::uint8_t>(v >> 8);
                d[2] = static_cast<std::uint8_t>(v);
            }
        }
        return;
    case QImage::Format_Grayscale8:
        for (int y = 0; y < h; ++y) {
            const uchar* s = image.constScanLine(y);
            std::uint8_t* d = out.scanLine(y);
            for (int x = 0; x < w; ++x, d += 3) d[0] = d[1] = d[2] = s[x];
        }
        return;
    case QImage::Format_RGB888:
        for (int y = 0; y < h; ++y) std::memcpy(out.scanLine(y), image.constScanLine(y), out.stride());
        return;
    default: {
        const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
        if (rgb.isNull()) throw std::bad_alloc();
        for (int y = 0; y < h; ++y) std::memcpy(out.scanLine(y), rgb.constScanLine(y), out.stride());
        return;
    }
    }
}

}  // namespace

bool loadPicture(const QString& path, Picture& out, QString* error, const LoadHint& hint) {
    raiseQtAllocationLimit();
    QFile file(path);
    if (!QFileInfo(path).isFile()) {
        setError(error, QStringLiteral("File not found"));
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("Cannot open file: ") + file.errorString());
        return false;
    }
    const std::int64_t fileSize = file.size();
    if (fileSize == 0) {
        setError(error, QStringLiteral("Empty file"));
        return false;
    }
    QByteArray bytes;
    try {
        bytes = file.read(64 * 1024);  // holds any BMP header
        const BmpCheck bmp = checkBmp(bytes, fileSize);
        if (bmp.pixels > Picture::kMaxPixels) {
            setError(error, QStringLiteral("Picture too large"));
            return false;
        }
        if (!bmp.complete) {
            setError(error, QStringLiteral("Truncated file"));
            return false;
        }
        if (bmp.plain24) {
            if (!decodePlainBmp(file, bmp, out)) {
                setError(error, QStringLiteral("Cannot read file: ") + file.errorString());
                return false;
            }
            return true;
        }
        bytes += file.readAll();
    } catch (const std::bad_alloc&) {
        setError(error, QStringLiteral("Out of memory"));
        return false;
    }
    file.close();
    if (bytes.isEmpty()) {
        setError(error, QStringLiteral("Cannot read file: ") + file.errorString());
        return false;
    }

    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    if (!reader.canRead()) {
        setError(error, QStringLiteral("Not a picture"));
        return false;
    }
    const QByteArray format = reader.format();
    const bool isJpeg = format == "jpeg" || format == "jpg";
    if (isJpeg && !jpegIsComplete(bytes)) {
        setError(error, QStringLiteral("Truncated file"));
        return false;
    }
    const QSize stored = reader.size();
    if (stored.isValid() && std::int64_t{stored.width()} * stored.height() > Picture::kMaxPixels) {
        setError(error, QStringLiteral("Picture too large"));
        return false;
    }
    if (isJpeg && stored.isValid() && (hint.minWidth > 0 || hint.minHeight > 0)) {
        // The hint is for the upright picture; the scaled size is set in stored orientation.
        const bool turned = reader.transformation() & QImageIOHandler::TransformationRotate90;
        const int needW = std::max(1, turned ? hint.minHeight : hint.minWidth);
        const int needH = std::max(1, turned ? hint.minWidth : hint.minHeight);
        // Sizes the decoder reaches by DCT scaling alone (1/8, 1/4, 1/2).
        for (int k : {8, 4, 2}) {
            const QSize scaled(stored.width() / k, stored.height() / k);
            if (scaled.width() >= needW && scaled.height() >= needH) {
                reader.setScaledSize(scaled);
                break;
            }
        }
    }

    try {
        QImage image;
        if (!reader.read(&image) || image.isNull()) {
            const QString why = reader.errorString();
            setError(error, why.isEmpty() ? QStringLiteral("Cannot decode picture") : QStringLiteral("Cannot decode picture: ") + why);
            return false;
        }
        if (std::int64_t{image.width()} * image.height() > Picture::kMaxPixels) {
            setError(error, QStringLiteral("Picture too large"));
            return false;
        }
        Picture result;  // out keeps its old picture unless this succeeds
        copyInto(image, result);
        out = std::move(result);
    } catch (const PictureTooLarge&) {
        setError(error, QStringLiteral("Picture too large"));
        return false;
    } catch (const std::bad_alloc&) {
        setError(error, QStringLiteral("Out of memory"));
        return false;
    }
    return true;
}

bool pictureSize(const QString& path, int& width, int& height) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize size = orientedSize(reader);
    if (!size.isValid() || size.isEmpty()) return false;
    width = size.width();
    height = size.height();
    return true;
}

bool saveBmp(const Picture& picture, const QString& path, QString* error, LinkPolicy links) {
    if (picture.isEmpty()) {
        setError(error, QStringLiteral("Nothing to save: the picture is empty"));
        return false;
    }
    const std::int64_t w = picture.width(), h = picture.height();
    const std::int64_t rowBytes = (w * 3 + 3) & ~std::int64_t{3};
    const std::int64_t imageBytes = rowBytes * h;
    const std::int64_t fileBytes = 54 + imageBytes;
    if (fileBytes > 0xFFFFFFFFLL) {
        setError(error, QStringLiteral("Picture too large for a BMP file"));
        return false;
    }

    unsigned char header[54] = {};
    auto put16 = [&](int at, std::uint32_t v) {
        header[at] = static_cast<unsigned char>(v);
        header[at + 1] = static_cast<unsigned char>(v >> 8);
    };
    auto put32 = [&](int at, std::uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    header[0] = 'B';
    header[1] = 'M';
    put32(2, static_cast<std::uint32_t>(fileBytes));
    put32(10, 54);  // pixel data offset
    put32(14, 40);  // BITMAPINFOHEADER
    put32(18, static_cast<std::uint32_t>(w));
    put32(22, static_cast<std::uint32_t>(h));  // positive: rows bottom-up
    put16(26, 1);
    put16(28, 24);
    put32(34, static_cast<std::uint32_t>(imageBytes));

    AtomicFile file(path, links);
    auto fail = [&] {
        setError(error, cannotWrite(path, file.errorString()));
        return false;
    };
    if (!file.open() || !file.write(reinterpret_cast<const char*>(header), 54)) return fail();

    // Rows go out in chunks of about 1 MB, so a page of any size needs little extra memory.
    const std::int64_t rowsPerChunk = std::max<std::int64_t>(1, (1 << 20) / rowBytes);
    std::vector<char> chunk(static_cast<std::size_t>(rowBytes * std::min(rowsPerChunk, h)), 0);
    std::int64_t y = h - 1;
    while (y >= 0) {
        const std::int64_t rows = std::min(rowsPerChunk, y + 1);
        for (std::int64_t r = 0; r < rows; ++r, --y) {
            auto* d = reinterpret_cast<std::uint8_t*>(chunk.data() + r * rowBytes);
            const std::uint8_t* s = picture.scanLine(static_cast<int>(y));
            for (std::int64_t x = 0; x < w; ++x, d += 3, s += 3) {
                d[0] = s[2];
                d[1] = s[1];
                d[2] = s[0];
            }
        }
        const qint64 bytes = rows * rowBytes;
        if (!file.write(chunk.data(), bytes)) return fail();
    }
    if (!file.commit()) return fail();
    return true;
}

}  // namespace tx
