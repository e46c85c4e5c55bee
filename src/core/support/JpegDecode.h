#pragma once
// JPEG reading through TurboJPEG: the layout of the file without decoding it, a
// cheap check that the data fills the picture, and decoding straight into a Picture.

#include <QString>
#include <cstddef>
#include <cstdint>

#include "support/Picture.h"

namespace tx {

struct JpegLayout {
    bool hasFrame = false;  // a start-of-frame header was found
    int width = 0, height = 0, components = 0;
    bool progressive = false;
    bool complete = false;          // an end-of-image marker follows the last scan
    std::int64_t entropyBytes = 0;  // compressed picture data in all scans
};

// Walks the marker structure; on a partial file it reports what the bytes hold.
JpegLayout scanJpeg(const unsigned char* data, std::size_t size);

enum class JpegStatus { Ok, Truncated, Unsupported, Failed };

// Decodes at 1/scaleDenom (1, 2, 4 or 8; sizes round up) as top-down RGB. Warnings
// other than a premature end of the data are accepted, as most decoders do.
// Throws what Picture's constructor throws.
JpegStatus decodeJpeg(const unsigned char* data, std::size_t size, int scaleDenom, Picture& out, QString* why);

// Decodes at 1/8 into a small buffer and reports whether the data ends before the
// picture does, so a file claiming far more pixels than it holds is refused before
// its full-size buffer exists.
JpegStatus checkJpegFillsPicture(const unsigned char* data, std::size_t size, QString* why);

// Bytes the decoder itself may allocate beyond the output (progressive files keep
// the coefficients of the whole picture).
std::int64_t jpegWorkingBytes(const JpegLayout& layout);

}  // namespace tx
