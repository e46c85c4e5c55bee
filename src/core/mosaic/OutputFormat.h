#pragma once
// What a mosaic target's name asks for, decided once from its extension.

#include <QString>

namespace tx {

enum class OutputFormat {
    Jpeg,      // .jpg, .jpeg
    Bmp,       // .bmp
    Png,       // .png
    Zoomable,  // .html: NAME.html + NAME.dzi + NAME_files/
    Unknown,   // anything else
};

// Case is ignored.
OutputFormat outputFormatFor(const QString& target);

}  // namespace tx
