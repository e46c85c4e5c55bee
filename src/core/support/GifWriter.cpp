#include "support/GifWriter.h"

#include <QHash>
#include <QSaveFile>
#include <array>
#include <cstdint>
#include <vector>

namespace tx {

namespace {

constexpr int kMaxCode = 4095;

// Variable-width codes packed least significant bit first into 255-byte sub-blocks.
class CodeWriter {
public:
    explicit CodeWriter(QByteArray& out) : m_out(out) {}
    void put(int code, int width) {
        m_bits |= std::uint32_t(code) << m_count;
        m_count += width;
        while (m_count >= 8) {
            byte(char(m_bits & 0xFF));
            m_bits >>= 8;
            m_count -= 8;
        }
    }
    void finish() {
        if (m_count > 0) byte(char(m_bits & 0xFF));
        flushBlock();
        m_out.append('\0');
    }

private:
    void byte(char b) {
        m_block.append(b);
        if (m_block.size() == 255) flushBlock();
    }
    void flushBlock() {
        if (m_block.isEmpty()) return;
        m_out.append(char(m_block.size()));
        m_out.append(m_block);
        m_block.clear();
    }
    QByteArray& m_out;
    QByteArray m_block;
    std::uint32_t m_bits = 0;
    int m_count = 0;
};

void lzwEncode(const std::vector<std::uint8_t>& indices, QByteArray& out) {
    constexpr int minCodeSize = 8;
    constexpr int clearCode = 1 << minCodeSize;
    constexpr int endCode = clearCode + 1;
    out.append(char(minCodeSize));
    CodeWriter w(out);

    // child[code * 256 + byte]: the code of string(code) + byte, 0 when absent.
    std::vector<std::uint16_t> child(std::size_t(kMaxCode + 1) * 256, 0);
    int codeSize = minCodeSize + 1;
    int lastCode = endCode;
    w.put(clearCode, codeSize);

    int current = indices.front();
    for (std::size_t i = 1; i < indices.size(); ++i) {
        const int k = indices[i];
        const std::uint16_t next = child[std::size_t(current) * 256 + k];
        if (next != 0) {
            current = next;
            continue;
        }
        w.put(current, codeSize);
        child[std::size_t(current) * 256 + k] = std::uint16_t(++lastCode);
        // The decoder adds each entry one code later, so it widens exactly when
        // the next code we write needs the extra bit.
        if (lastCode >= (1 << codeSize) && codeSize < 12) ++codeSize;
        if (lastCode == kMaxCode) {
            w.put(clearCode, codeSize);
            std::fill(child.begin(), child.end(), 0);
            codeSize = minCodeSize + 1;
            lastCode = endCode;
        }
        current = k;
    }
    w.put(current, codeSize);
    w.put(endCode, codeSize);
    w.finish();
}

// Exact palette when the picture has few colours.
bool exactPalette(const QImage& img, std::array<QRgb, 256>& palette, std::vector<std::uint8_t>& indices) {
    QHash<QRgb, int> seen;
    indices.resize(std::size_t(img.width()) * img.height());
    std::size_t n = 0;
    for (int y = 0; y < img.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = row[x] | 0xFF000000u;
            auto it = seen.constFind(c);
            if (it == seen.constEnd()) {
                if (seen.size() == 256) return false;
                it = seen.insert(c, int(seen.size()));
                palette[std::size_t(*it)] = c;
            }
            indices[n++] = std::uint8_t(*it);
        }
    }
    return true;
}

constexpr int kLevelsR = 6, kLevelsG = 7, kLevelsB = 6;

void cubePalette(const QImage& img, std::array<QRgb, 256>& palette, std::vector<std::uint8_t>& indices) {
    auto level = [](int i, int levels) { return (i * 255 + (levels - 1) / 2) / (levels - 1); };
    palette.fill(qRgb(0, 0, 0));
    for (int r = 0; r < kLevelsR; ++r)
        for (int g = 0; g < kLevelsG; ++g)
            for (int b = 0; b < kLevelsB; ++b)
                palette[std::size_t((r * kLevelsG + g) * kLevelsB + b)] =
                    qRgb(level(r, kLevelsR), level(g, kLevelsG), level(b, kLevelsB));
    static constexpr int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    // Each channel falls between two levels; the Bayer threshold picks the upper
    // one in proportion to how close the value is to it.
    auto quant = [](int v, int levels, int d) {
        const int scaled = v * (levels - 1) * 16;
        const int low = scaled / (255 * 16);
        const int rest = scaled - low * 255 * 16;
        return std::min(low + (rest * 2 > (2 * d + 1) * 255 ? 1 : 0), levels - 1);
    };
    indices.resize(std::size_t(img.width()) * img.height());
    std::size_t n = 0;
    for (int y = 0; y < img.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const int d = bayer[y & 3][x & 3];
            const QRgb c = row[x];
            const int r = quant(qRed(c), kLevelsR, d);
            const int g = quant(qGreen(c), kLevelsG, d);
            const int b = quant(qBlue(c), kLevelsB, d);
            indices[n++] = std::uint8_t((r * kLevelsG + g) * kLevelsB + b);
        }
    }
}

void put16(QByteArray& out, int v) {
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}

}  // namespace

QByteArray encodeGif(const QImage& image) {
    if (image.isNull() || image.width() > 0xFFFF || image.height() > 0xFFFF) return {};
    const QImage img = image.convertToFormat(QImage::Format_RGB32);
    std::array<QRgb, 256> palette{};
    std::vector<std::uint8_t> indices;
    if (!exactPalette(img, palette, indices)) cubePalette(img, palette, indices);

    QByteArray out("GIF87a");
    put16(out, img.width());
    put16(out, img.height());
    out.append(char(0xF7));  // global table of 256 entries, 8 bits per primary
    out.append('\0');        // background colour index
    out.append('\0');        // no aspect ratio
    for (QRgb c : palette) {
        out.append(char(qRed(c)));
        out.append(char(qGreen(c)));
        out.append(char(qBlue(c)));
    }
    out.append(char(0x2C));
    put16(out, 0);
    put16(out, 0);
    put16(out, img.width());
    put16(out, img.height());
    out.append('\0');  // no local table, not interlaced
    lzwEncode(indices, out);
    out.append(char(0x3B));
    return out;
}

bool writeGif(const QImage& image, const QString& path, QString* error) {
    const QByteArray data = encodeGif(image);
    if (data.isEmpty()) {
        if (error) *error = QStringLiteral("no picture to write");
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        if (error) *error = file.errorString();
        return false;
    }
    return true;
}

}  // namespace tx
