#pragma once
// A small GIF encoder (one frame, 8-bit LZW), because Qt reads GIF but cannot
// write it. Used for the program's decoration pictures.
//
// Pictures with at most 256 distinct colours keep them exactly; others are reduced
// to a fixed 6 x 7 x 6 colour cube with ordered dithering, which is deterministic
// and good enough for artwork. Transparency is dropped (pixels are taken opaque).

#include <QByteArray>
#include <QImage>
#include <QString>

namespace tx {

// The whole file; empty for a null picture or one larger than 65535 pixels a side.
QByteArray encodeGif(const QImage& image);

// Writes encodeGif(image) to `path` under a temporary name first, so a failure
// never leaves a half-written file. False with a reason in *error on failure.
bool writeGif(const QImage& image, const QString& path, QString* error = nullptr);

}  // namespace tx
