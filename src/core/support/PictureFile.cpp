#include "support/PictureFile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageIOHandler>
#include <QImageReader>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include "support/BmpHeader.h"
#include "support/AtomicFile.h"
#include "support/DecodeBudget.h"
#include "support/FileHelpers.h"
#include "support/JpegDecode.h"

namespace tx {

namespace {

// Enough for any BMP or GIF header and for most JPEG headers with their EXIF data.
constexpr qint64 kHeadBytes = 128 * 1024;
// Below this many pixels a picture is cheap whatever its data says; above it, a
// picture whose data covers less than a quarter of its pixels is refused.
constexpr std::int64_t kPlausibleFloor = 4'000'000;
// What Qt's decoders hold per pixel at worst: its 32-bit image, a converted copy
// and our own picture.
constexpr std::int64_t kQtBytesPerPixel = 12;

void setError(QString* error, const QString& text) {
    if (error) *error = text;
}

QString tooLarge(std::int64_t w, std::int64_t h) { return QStringLiteral("too large (%1 x %2)").arg(w).arg(h); }

// Qt refuses images above its own allocation limit (128 MB by default, a 6000 x 6000
// photograph); our own pixel limit and the decode budget are the ones that count.
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

const unsigned char* bytesOf(const QByteArray& a) { return reinterpret_cast<const unsigned char*>(a.constData()); }

// Pipes, devices and folders are never opened: opening a pipe blocks until someone writes.
bool isRegularFile(const QString& path, QString* error) {
    const QFileInfo info(path);  // follows links
    if (!info.exists()) {
        setError(error, QStringLiteral("not found"));
        return false;
    }
    if (!info.isFile()) {
        setError(error, QStringLiteral("not a regular file"));
        return false;
    }
    return true;
}

enum class Kind { Other, Bmp, Jpeg, Gif };

Kind kindOf(const QByteArray& head) {
    if (head.startsWith("BM")) return Kind::Bmp;
    if (head.startsWith("\xFF\xD8")) return Kind::Jpeg;
    if (head.startsWith("GIF87a") || head.startsWith("GIF89a")) return Kind::Gif;
    return Kind::Other;
}

// ---- BMP

struct BmpHeader {
    bool known = false;  // a header layout we understand; otherwise the decoder decides
    std::int64_t width = 0, height = 0;  // height positive; topDown tells the row order
    bool topDown = false;
    int bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t offBits = 0;
    bool cut = false;  // the file ends inside the header
};

BmpHeader readBmpHeader(const QByteArray& head) {
    BmpHeader bmp;
    const unsigned char* d = bytesOf(head);
    const std::size_t n = static_cast<std::size_t>(head.size());
    if (n < 26 || d[0] != 'B' || d[1] != 'M') {
        bmp.cut = n < 26;
        return bmp;
    }
    bmp.offBits = readLe32(d + 10);
    const std::uint32_t infoSize = readLe32(d + 14);
    if (infoSize == 12) {  // OS/2 core header
        bmp.width = readLe16(d + 18);
        bmp.height = readLe16(d + 20);
        bmp.bitCount = readLe16(d + 24);
    } else if (infoSize == 40 || infoSize == 52 || infoSize == 56 || infoSize == 64 || infoSize == 108 ||
               infoSize == 124) {
        if (n < 34) {
            bmp.cut = true;
            return bmp;
        }
        bmp.width = static_cast<std::int32_t>(readLe32(d + 18));
        bmp.height = static_cast<std::int32_t>(readLe32(d + 22));
        bmp.bitCount = readLe16(d + 28);
        bmp.compression = readLe32(d + 30);
    } else {
        return bmp;
    }
    bmp.topDown = bmp.height < 0;
    bmp.height = bmp.height < 0 ? -bmp.height : bmp.height;
    bmp.known = bmp.width > 0 && bmp.height > 0 && bmp.bitCount > 0;
    return bmp;
}

// Pixels the run-length data codes explicitly (runs and literal groups). Line ends,
// jumps and an early end of the bitmap leave pixels that no data describes.
std::int64_t rleCodedPixels(const QByteArray& file, const BmpHeader& bmp) {
    const unsigned char* d = bytesOf(file);
    const std::size_t n = static_cast<std::size_t>(file.size());
    const bool four = bmp.compression == 2;
    std::int64_t coded = 0;
    for (std::size_t i = bmp.offBits; i + 1 < n;) {
        const unsigned count = d[i], value = d[i + 1];
        i += 2;
        if (count > 0) {
            coded += count;
        } else if (value == 1) {
            break;  // end of bitmap
        } else if (value == 2) {
            i += 2;  // jump
        } else if (value > 2) {
            coded += value;
            const std::size_t bytes = four ? (value + 1) / 2 : value;
            i += (bytes + 1) & ~std::size_t{1};
        }
    }
    return coded;
}

// ---- GIF

struct GifHeader {
    std::int64_t screenWidth = 0, screenHeight = 0;
    std::int64_t frameLeft = 0, frameTop = 0, frameWidth = 0, frameHeight = 0;
    bool hasDescriptor = false;  // the first frame's position and size were read
    int minCodeSize = 0;
    std::int64_t dataBytes = 0;  // compressed data of the first frame
    bool hasFrame = false;
};

// Reads up to the end of the first frame's data.
GifHeader readGif(const QByteArray& file) {
    GifHeader gif;
    const unsigned char* d = bytesOf(file);
    const std::size_t n = static_cast<std::size_t>(file.size());
    if (n < 13) return gif;
    gif.screenWidth = readLe16(d + 6);
    gif.screenHeight = readLe16(d + 8);
    std::size_t i = 13;
    if (d[10] & 0x80) i += 3u * (2u << (d[10] & 7));
    auto skipSubBlocks = [&](std::int64_t* total) {
        while (i < n) {
            const unsigned len = d[i++];
            if (len == 0) return true;
            if (total) *total += len;
            i += len;
        }
        return false;
    };
    while (i < n) {
        const unsigned char block = d[i++];
        if (block == 0x21) {  // extension: label, then sub-blocks
            ++i;
            if (!skipSubBlocks(nullptr)) return gif;
        } else if (block == 0x2C) {
            if (i + 10 > n) return gif;
            gif.frameLeft = readLe16(d + i);
            gif.frameTop = readLe16(d + i + 2);
            gif.frameWidth = readLe16(d + i + 4);
            gif.frameHeight = readLe16(d + i + 6);
            gif.hasDescriptor = true;
            const unsigned char packed = d[i + 8];
            i += 9;
            if (packed & 0x80) i += 3u * (2u << (packed & 7));
            if (i >= n) return gif;
            gif.minCodeSize = d[i++];
            skipSubBlocks(&gif.dataBytes);
            gif.hasFrame = true;
            return gif;
        } else {
            return gif;  // trailer or garbage before any frame
        }
    }
    return gif;
}

// The picture the decoder paints the first frame onto: the logical screen; a side
// the screen leaves at 0 reaches to the frame's far edge. A frame is cut to the
// screen, so neither a narrower nor a taller frame changes the picture's size.
QSize gifCanvas(const GifHeader& gif) {
    const std::int64_t w = gif.screenWidth > 0 ? gif.screenWidth : gif.frameLeft + gif.frameWidth;
    const std::int64_t h = gif.screenHeight > 0 ? gif.screenHeight : gif.frameTop + gif.frameHeight;
    return QSize(static_cast<int>(w), static_cast<int>(h));
}

// The most pixels LZW data of this many bytes can produce: every code is at least
// minCodeSize + 1 bits, and the k-th code after a clear stands for at most k + 1
// pixels (a table entry grows by one pixel per code, up to 4096 entries).
std::int64_t maxLzwPixels(std::int64_t bytes, int minCodeSize) {
    const std::int64_t codes = bytes * 8 / std::clamp(minCodeSize + 1, 2, 12);
    constexpr std::int64_t kLongest = 4097;
    if (codes <= kLongest) return codes * (codes + 3) / 2;
    return kLongest * (kLongest + 3) / 2 + (codes - kLongest) * kLongest;
}

// ---- decoding

// The picture as stored in the file, turned by its EXIF orientation.
QSize orientedSize(QImageReader& reader) {
    // Qt gives a top-down BMP a negative height; an unknown size is (-1, -1).
    const QSize raw = reader.size();
    if (raw.width() <= 0) return QSize();
    QSize size(raw.width(), std::abs(raw.height()));
    if (size.isValid() && (reader.transformation() & QImageIOHandler::TransformationRotate90)) size.transpose();
    return size;
}

// The same turns as Qt's automatic transformation, so both decoders agree.
Picture transformed(const Picture& src, QImageIOHandler::Transformations t) {
    const int w = src.width(), h = src.height();
    const bool rotate270 = t == QImageIOHandler::TransformationRotate270;
    const bool mirror = !rotate270 && (t & QImageIOHandler::TransformationMirror);
    const bool flip = !rotate270 && (t & QImageIOHandler::TransformationFlip);
    const bool turn = t & QImageIOHandler::TransformationRotate90;
    Picture out = turn ? Picture(h, w) : Picture(w, h);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* s = src.scanLine(y);
        const int fy = flip ? h - 1 - y : y;
        for (int x = 0; x < w; ++x, s += 3) {
            const int fx = mirror ? w - 1 - x : x;
            int dx = fx, dy = fy;
            if (rotate270) dx = fy, dy = w - 1 - fx;
            else if (turn) dx = h - 1 - fy, dy = fx;
            std::memcpy(out.scanLine(dy) + 3 * static_cast<std::size_t>(dx), s, 3);
        }
    }
    return out;
}

// Rows are read straight from the file in chunks: no copy of the whole file.
bool decodePlainBmp(QFile& file, const BmpHeader& bmp, Picture& out) {
    const int width = static_cast<int>(bmp.width), height = static_cast<int>(bmp.height);
    Picture result(width, height);
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    const int rowsPerChunk = static_cast<int>(std::max<std::size_t>(1, (std::size_t{1} << 20) / rowBytes));
    std::vector<char> chunk(rowBytes * static_cast<std::size_t>(std::min(rowsPerChunk, height)));
    if (!file.seek(bmp.offBits)) return false;
    for (int stored = 0; stored < height;) {
        const int rows = std::min(rowsPerChunk, height - stored);
        const qint64 bytes = static_cast<qint64>(rowBytes) * rows;
        if (file.read(chunk.data(), bytes) != bytes) return false;
        for (int r = 0; r < rows; ++r, ++stored) {
            const auto* s = reinterpret_cast<const std::uint8_t*>(chunk.data()) + rowBytes * static_cast<std::size_t>(r);
            std::uint8_t* d = result.scanLine(bmp.topDown ? stored : height - 1 - stored);
            for (int x = 0; x < width; ++x, s += 3, d += 3) {
                d[0] = s[2];
                d[1] = s[1];
                d[2] = s[0];
            }
        }
    }
    out = std::move(result);
    return true;
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

// The DCT scale (1, 2, 4 or 8) that a hint allows, for the stored orientation.
int hintedScale(const QSize& stored, bool turned, const LoadHint& hint) {
    if (hint.minWidth <= 0 && hint.minHeight <= 0) return 1;
    const int needW = std::max(1, turned ? hint.minHeight : hint.minWidth);
    const int needH = std::max(1, turned ? hint.minWidth : hint.minHeight);
    for (int k : {8, 4, 2})
        if (stored.width() / k >= needW && stored.height() / k >= needH) return k;
    return 1;
}

// Everything loadPicture needs to know about one file while it decodes it.
class Loader {
public:
    Loader(const QString& path, QString* error, const LoadHint& hint) : m_file(path), m_error(error), m_hint(hint) {}

    bool run(Picture& out);

private:
    bool fail(const QString& why) {
        setError(m_error, why);
        return false;
    }
    bool readRest();
    // Reserves `bytes` beyond the file's own; false (with a reason) when they can never fit.
    bool reserve(std::int64_t bytes, std::int64_t w, std::int64_t h);
    bool loadBmp(Picture& out);
    bool loadGif(Picture& out);
    bool loadJpeg(Picture& out);
    bool loadWithQt(Picture& out, int scale = 1);

    QFile m_file;
    QString* m_error;
    LoadHint m_hint;
    std::int64_t m_fileSize = 0;
    QByteArray m_bytes;  // the head, or the whole file after readRest()
    DecodeBudget::Reservation m_reservation;
};

bool Loader::readRest() {
    if (m_bytes.size() >= m_fileSize) return true;
    m_bytes += m_file.readAll();
    if (m_bytes.size() < m_fileSize) return fail(QStringLiteral("cannot be read: ") + m_file.errorString());
    return true;
}

bool Loader::reserve(std::int64_t bytes, std::int64_t w, std::int64_t h) {
    m_reservation.release();
    m_reservation = DecodeBudget::global().acquire(m_fileSize + bytes);
    if (m_reservation) return true;
    return fail(w > 0 && h > 0 ? tooLarge(w, h) : QStringLiteral("too large"));
}

bool Loader::run(Picture& out) {
    if (!m_file.open(QIODevice::ReadOnly)) return fail(QStringLiteral("cannot be opened: ") + m_file.errorString());
    m_fileSize = m_file.size();
    if (m_fileSize == 0) return fail(QStringLiteral("empty file"));
    m_bytes = m_file.read(kHeadBytes);
    if (m_bytes.isEmpty()) return fail(QStringLiteral("cannot be read: ") + m_file.errorString());
    switch (kindOf(m_bytes)) {
    case Kind::Bmp: return loadBmp(out);
    case Kind::Gif: return loadGif(out);
    case Kind::Jpeg: return loadJpeg(out);
    case Kind::Other: break;
    }
    // Other formats Qt reads: only the size is checked before decoding.
    return loadWithQt(out);
}

bool Loader::loadBmp(Picture& out) {
    const BmpHeader bmp = readBmpHeader(m_bytes);
    if (bmp.cut) return fail(QStringLiteral("truncated"));
    if (!bmp.known) return loadWithQt(out);
    const std::int64_t pixels = bmp.width * bmp.height;
    if (pixels > Picture::kMaxPixels) return fail(tooLarge(bmp.width, bmp.height));
    const bool runLength = bmp.compression == 1 || bmp.compression == 2;
    if (!runLength && bmp.compression != 0 && bmp.compression != 3) return loadWithQt(out);
    if (!runLength) {
        const std::int64_t rowBytes = (bmp.width * bmp.bitCount + 31) / 32 * 4;
        if (m_fileSize < std::int64_t{bmp.offBits} + rowBytes * bmp.height) return fail(QStringLiteral("truncated"));
        if (bmp.compression == 0 && bmp.bitCount == 24 && bmp.offBits >= 26) {
            // Streamed from the file: only the picture itself is held.
            if (!reserve(pixels * 3 + (2 << 20) - m_fileSize, bmp.width, bmp.height)) return false;
            if (!decodePlainBmp(m_file, bmp, out)) return fail(QStringLiteral("cannot be read: ") + m_file.errorString());
            return true;
        }
        return loadWithQt(out);
    }
    if (!reserve(0, bmp.width, bmp.height) || !readRest()) return false;
    if (pixels > kPlausibleFloor && rleCodedPixels(m_bytes, bmp) * 4 < pixels) return fail(QStringLiteral("truncated"));
    return loadWithQt(out);
}

bool Loader::loadGif(Picture& out) {
    const GifHeader screen = readGif(m_bytes);
    if (!reserve(0, screen.screenWidth, screen.screenHeight) || !readRest()) return false;
    const GifHeader gif = readGif(m_bytes);
    if (!gif.hasFrame) return fail(QStringLiteral("truncated"));
    // Qt's decoder paints the first frame onto a picture of the whole logical screen.
    const std::int64_t claimed = std::max(gif.screenWidth * gif.screenHeight, gif.frameWidth * gif.frameHeight);
    const std::int64_t covered = std::min(gif.frameWidth * gif.frameHeight, maxLzwPixels(gif.dataBytes, gif.minCodeSize));
    if (claimed > kPlausibleFloor && covered * 4 < claimed) return fail(QStringLiteral("truncated"));
    return loadWithQt(out);
}

bool Loader::loadJpeg(Picture& out) {
    JpegLayout layout = scanJpeg(bytesOf(m_bytes), static_cast<std::size_t>(m_bytes.size()));
    if (!layout.hasFrame && m_bytes.size() < m_fileSize) {  // a large header before the frame
        if (!reserve(0, 0, 0) || !readRest()) return false;
        layout = scanJpeg(bytesOf(m_bytes), static_cast<std::size_t>(m_bytes.size()));
    }
    if (!layout.hasFrame) return fail(m_bytes.size() < m_fileSize ? QStringLiteral("not a picture") : QStringLiteral("truncated"));
    const std::int64_t w = layout.width, h = layout.height;
    if (w * h > Picture::kMaxPixels) return fail(tooLarge(w, h));

    // The whole file and the decoder's own memory, and for a thin file a look at
    // whether its data reaches the end of the picture before the picture exists.
    const std::int64_t blocks = (w + 7) / 8 * ((h + 7) / 8);
    if (!reserve(jpegWorkingBytes(layout) + blocks * 3, w, h) || !readRest()) return false;
    layout = scanJpeg(bytesOf(m_bytes), static_cast<std::size_t>(m_bytes.size()));
    if (!layout.complete) return fail(QStringLiteral("truncated"));
    if (w * h > kPlausibleFloor && layout.entropyBytes < blocks) {
        QString why;
        const JpegStatus s = checkJpegFillsPicture(bytesOf(m_bytes), static_cast<std::size_t>(m_bytes.size()), &why);
        if (s == JpegStatus::Truncated) return fail(QStringLiteral("truncated"));
        if (s == JpegStatus::Failed) return fail(QStringLiteral("cannot be decoded: ") + why);
    }

    QBuffer buffer(&m_bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    const QImageIOHandler::Transformations turn = reader.transformation();
    const int scale = hintedScale(QSize(layout.width, layout.height), turn & QImageIOHandler::TransformationRotate90, m_hint);
    // Qt shrinks a size the DCT scale does not divide with its own smoothing; keep its result.
    if (layout.width % scale != 0 || layout.height % scale != 0) return loadWithQt(out, scale);

    const std::int64_t outPixels = (w / scale) * (h / scale);
    const std::int64_t copies = turn == QImageIOHandler::TransformationNone ? 1 : 2;
    if (!reserve(jpegWorkingBytes(layout) + outPixels * 3 * copies, w, h)) return false;
    Picture result;
    QString why;
    switch (decodeJpeg(bytesOf(m_bytes), static_cast<std::size_t>(m_bytes.size()), scale, result, &why)) {
    case JpegStatus::Ok: break;
    case JpegStatus::Truncated: return fail(QStringLiteral("truncated"));
    case JpegStatus::Unsupported: return loadWithQt(out, scale);  // CMYK
    case JpegStatus::Failed: return fail(QStringLiteral("cannot be decoded: ") + why);
    }
    out = turn == QImageIOHandler::TransformationNone ? std::move(result) : transformed(result, turn);
    return true;
}

bool Loader::loadWithQt(Picture& out, int scale) {
    if (!readRest()) return false;
    QBuffer buffer(&m_bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    if (!reader.canRead()) return fail(QStringLiteral("not a picture"));
    // Qt gives a top-down BMP a negative height.
    const QSize stored(std::abs(reader.size().width()), std::abs(reader.size().height()));
    if (stored.isEmpty()) return fail(QStringLiteral("not a picture"));
    const std::int64_t w = stored.width(), h = stored.height();
    if (w * h > Picture::kMaxPixels) return fail(tooLarge(w, h));
    if (scale > 1) reader.setScaledSize(QSize(stored.width() / scale, stored.height() / scale));
    if (!reserve(w / scale * (h / scale) * kQtBytesPerPixel, w, h)) return false;

    QImage image;
    if (!reader.read(&image) || image.isNull()) {
        const QString why = reader.errorString();
        return fail(why.isEmpty() ? QStringLiteral("cannot be decoded") : QStringLiteral("cannot be decoded: ") + why);
    }
    if (std::int64_t{image.width()} * image.height() > Picture::kMaxPixels) return fail(tooLarge(image.width(), image.height()));
    Picture result;  // out keeps its old picture unless this succeeds
    copyInto(image, result);
    out = std::move(result);
    return true;
}

}  // namespace

bool loadPicture(const QString& path, Picture& out, QString* error, const LoadHint& hint) {
    raiseQtAllocationLimit();
    if (!isRegularFile(path, error)) return false;
    try {
        Loader loader(path, error, hint);
        return loader.run(out);
    } catch (const PictureTooLarge&) {
        setError(error, QStringLiteral("too large"));
    } catch (const std::bad_alloc&) {
        setError(error, QStringLiteral("out of memory"));
    }
    return false;
}

bool pictureSize(const QString& path, int& width, int& height, QString* error) {
    if (!isRegularFile(path, error)) return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("cannot be opened: ") + file.errorString());
        return false;
    }
    const QByteArray head = file.peek(64);
    switch (kindOf(head)) {
    case Kind::Bmp: {
        // Qt reports a top-down BMP's height as negative.
        const BmpHeader bmp = readBmpHeader(head);
        if (bmp.known && bmp.width <= std::numeric_limits<int>::max() && bmp.height <= std::numeric_limits<int>::max()) {
            width = static_cast<int>(bmp.width);
            height = static_cast<int>(bmp.height);
            return true;
        }
        break;
    }
    case Kind::Gif: {
        QByteArray bytes = file.peek(kHeadBytes);
        GifHeader gif = readGif(bytes);
        if (!gif.hasDescriptor && bytes.size() < file.size()) {  // long extensions before the first frame
            bytes = file.readAll();
            gif = readGif(bytes);
            file.seek(0);
        }
        const QSize canvas = gifCanvas(gif);
        if (gif.hasDescriptor && !canvas.isEmpty()) {
            width = canvas.width();
            height = canvas.height();
            return true;
        }
        break;
    }
    default: break;
    }
    // Read as the decoder reads it: the format from the bytes, not from the file's name.
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    const QSize size = reader.canRead() ? orientedSize(reader) : QSize();
    if (!size.isValid() || size.isEmpty()) {
        setError(error, QStringLiteral("not a picture"));
        return false;
    }
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
    const auto layout = bmpLayout(w, h);
    if (!layout) {
        setError(error, QStringLiteral("Picture too large for a BMP file"));
        return false;
    }
    const std::int64_t rowBytes = layout->rowBytes;

    AtomicFile file(path, links);
    auto fail = [&] {
        setError(error, cannotWrite(path, file.errorString()));
        return false;
    };
    if (!file.open() || !file.write(reinterpret_cast<const char*>(layout->header.data()), 54)) return fail();

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
