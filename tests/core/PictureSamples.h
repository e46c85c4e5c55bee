#pragma once
// Picture files for the loader's tests: encoded by hand or by TurboJPEG, including
// pictures whose headers claim far more pixels than their data holds.

#include <QByteArray>
#include <cstdint>
#include <turbojpeg.h>

#include "TestUtil.h"
#include "support/Picture.h"

namespace txtest {

// Two frames of 4 x 2 over the palette red, green, blue, white: the first shows
// 0 1 2 3 / 0 1 2 3, the second is all white.
inline const unsigned char kTwoFrameGif[] = {
    0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x04, 0x00, 0x02, 0x00, 0x91, 0x00, 0x00, 0xFF, 0x00, 0x00,
    0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x21, 0xF9, 0x04, 0x00, 0x0A, 0x00, 0x00,
    0x00, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x02, 0x00, 0x00, 0x02, 0x05, 0x44, 0xA8, 0x11,
    0xA1, 0x56, 0x00, 0x21, 0xF9, 0x04, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00,
    0x04, 0x00, 0x02, 0x00, 0x00, 0x02, 0x05, 0xDC, 0xB8, 0x71, 0xE3, 0x56, 0x00, 0x3B};

inline QByteArray tjJpeg(const tx::Picture& p, int subsamp, bool progressive = false, int quality = 85) {
    tjhandle c = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const int rc = tjCompress2(c, p.bits(), p.width(), 0, p.height(), TJPF_RGB, &out, &size, subsamp, quality,
                               progressive ? TJFLAG_PROGRESSIVE : 0);
    QByteArray bytes = rc == 0 ? QByteArray(reinterpret_cast<const char*>(out), static_cast<qsizetype>(size)) : QByteArray();
    tjFree(out);
    tjDestroy(c);
    return bytes;
}

// A real JPEG whose frame header then claims w x h: its scan data ends long before.
inline QByteArray jpegBomb(int w, int h, bool endMarker) {
    QByteArray jpeg = tjJpeg(noise(64, 64, 9), TJSAMP_420);
    const qsizetype sof = jpeg.indexOf("\xFF\xC0");
    jpeg[sof + 5] = static_cast<char>(h >> 8), jpeg[sof + 6] = static_cast<char>(h);
    jpeg[sof + 7] = static_cast<char>(w >> 8), jpeg[sof + 8] = static_cast<char>(w);
    jpeg.chop(2);  // the end marker
    return endMarker ? jpeg + "\xFF\xD9" : jpeg;
}

inline QByteArray le32(std::uint32_t v) {
    const char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    return QByteArray(b, 4);
}

// An 8-bit run-length BMP over a grey palette (index i is grey i), rows bottom-up.
inline QByteArray rleBmp(std::int32_t width, std::int32_t height, const QByteArray& data) {
    QByteArray palette;
    for (int i = 0; i < 256; ++i) palette += QByteArray(3, char(i)) + '\0';
    const std::uint32_t offBits = 54 + 1024;
    QByteArray b = "BM" + le32(offBits + std::uint32_t(data.size())) + le32(0) + le32(offBits);
    b += le32(40) + le32(std::uint32_t(width)) + le32(std::uint32_t(height));
    b += QByteArray("\x01\x00\x08\x00", 4) + le32(1) + le32(std::uint32_t(data.size())) + le32(0) + le32(0) +
         le32(256) + le32(0);
    return b + palette + data;
}

inline QByteArray gifWithScreen(int w, int h) {
    QByteArray gif(reinterpret_cast<const char*>(kTwoFrameGif), sizeof kTwoFrameGif);
    gif[6] = char(w), gif[7] = char(w >> 8), gif[8] = char(h), gif[9] = char(h >> 8);
    return gif;
}

}  // namespace txtest
