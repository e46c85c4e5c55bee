#include "mosaic/OutputFormat.h"

namespace tx {

OutputFormat outputFormatFor(const QString& target) {
    const auto endsWith = [&](const char* ext) { return target.endsWith(QLatin1String(ext), Qt::CaseInsensitive); };
    if (endsWith(".jpg") || endsWith(".jpeg")) return OutputFormat::Jpeg;
    if (endsWith(".bmp")) return OutputFormat::Bmp;
    if (endsWith(".png")) return OutputFormat::Png;
    if (endsWith(".html")) return OutputFormat::Zoomable;
    return OutputFormat::Unknown;
}

}  // namespace tx
