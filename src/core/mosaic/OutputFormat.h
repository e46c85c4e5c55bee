#pragma once
// The file format a mosaic is written in, chosen by the target's extension alone:
// a file is never written in a format its name does not say. Every front end and
// the engine ask here, so a new writer is added in this one place.

#include <QString>
#include <optional>

namespace tx {

// Zoomable: a web page with a Deep Zoom pyramid (NAME.html, NAME.dzi, NAME_files/).
enum class OutputFormat { Jpeg, Bmp, Png, Zoomable };

// The format of a mosaic saved as `path` (".jpg"/".jpeg" JPEG, ".bmp" BMP, ".png" PNG,
// ".html" a zoomable web page, any case),
// or nothing with a message for the user in `problem`: no extension, or one the
// program cannot write.
std::optional<OutputFormat> outputFormatFor(const QString& path, QString* problem = nullptr);

// ".jpg, .jpeg, .bmp, .png or .html": the extensions a mosaic can be saved under, for messages.
QString writableOutputExtensions();

}  // namespace tx
