#include "mosaic/MosaicOptions.h"

#include <algorithm>
#include <cmath>

namespace tx {

namespace {

constexpr double kMaxInt16 = 32767.0;

// Whole part of a quotient, or 0 when it is not a usable 16-bit count.
int int16Floor(float v) {
    if (!std::isfinite(v) || v < 0.0f || v > static_cast<float>(kMaxInt16)) return 0;
    return static_cast<int>(std::floor(v));
}

// Int() of a result, empty when the division had no value.
std::optional<double> wholePart(double v) {
    if (!std::isfinite(v)) return std::nullopt;
    return std::floor(v);
}

// Int() of a tile side computed from a total read back from its field. The total
// was shown with 15 significant digits, so a quotient a few units in the last
// place below a whole number is that number: without this a tile of 128 comes
// back as 127 from the total it produced.
std::optional<double> wholeSide(double v) {
    if (!std::isfinite(v)) return std::nullopt;
    const double nearest = std::nearbyint(v);
    if (std::fabs(v - nearest) <= 1e-9 * std::max(1.0, std::fabs(v))) return nearest;
    return std::floor(v);
}

std::optional<double> finite(double v) {
    if (!std::isfinite(v)) return std::nullopt;
    return v;
}

// Source proportions in single precision; with the link measured in tiles.
std::optional<float> cellRatio(double sourceWidth, double sourceHeight, int tileWidth, int tileHeight, bool link) {
    const float w = static_cast<float>(sourceWidth);
    const float h = static_cast<float>(sourceHeight);
    if (!(w > 0.0f) || !(h > 0.0f)) return std::nullopt;
    if (!link) return w / h;
    if (tileWidth <= 0 || tileHeight <= 0) return std::nullopt;
    return (w / static_cast<float>(tileWidth)) / (h / static_cast<float>(tileHeight));
}

}  // namespace

int proposedCellsX(double sourceWidth, double sourceHeight) {
    const float w = static_cast<float>(sourceWidth);
    const float h = static_cast<float>(sourceHeight);
    if (!(w > 0.0f) || !(h > 0.0f)) return 0;
    const float area = w / h * 3600.0f;
    const double root = std::sqrt(static_cast<double>(area));
    if (!std::isfinite(root) || root >= kMaxInt16 + 0.5) return 0;
    return static_cast<int>(std::nearbyint(root));
}

int linkedCellsY(int cellsX, double sourceWidth, double sourceHeight, int tileWidth, int tileHeight, bool link) {
    const auto ratio = cellRatio(sourceWidth, sourceHeight, tileWidth, tileHeight, link);
    if (cellsX <= 0 || !ratio) return 0;
    return int16Floor(static_cast<float>(cellsX) / *ratio);
}

int linkedCellsX(int cellsY, double sourceWidth, double sourceHeight, int tileWidth, int tileHeight, bool link) {
    const auto ratio = cellRatio(sourceWidth, sourceHeight, tileWidth, tileHeight, link);
    if (cellsY <= 0 || !ratio) return 0;
    return int16Floor(static_cast<float>(cellsY) * *ratio);
}

SizeInUnit outputSize(double cellsX, double cellsY, double tileWidth, double tileHeight, SizeUnit unit, double dpi) {
    const double w = cellsX * tileWidth;
    const double h = cellsY * tileHeight;
    switch (unit) {
    case SizeUnit::Pixels: {
        const auto iw = asInteger(w), ih = asInteger(h);
        return {iw ? std::optional<double>(*iw) : std::nullopt, ih ? std::optional<double>(*ih) : std::nullopt};
    }
    case SizeUnit::Inch:
        if (dpi == 0.0) return {};
        return {finite(w / dpi), finite(h / dpi)};
    case SizeUnit::Cm:
        if (dpi == 0.0) return {};
        return {finite(w / dpi * 2.54), finite(h / dpi * 2.54)};
    }
    return {};
}

SizeInUnit tileSizeFromOutput(double totalWidth, double totalHeight, double cellsX, double cellsY, SizeUnit unit,
                              double dpi) {
    SizeInUnit out;
    const auto side = [&](double total, double cells) -> std::optional<double> {
        if (cells == 0.0) return std::nullopt;
        const double q = total / cells;
        switch (unit) {
        case SizeUnit::Pixels: return wholeSide(q);
        case SizeUnit::Inch: return wholeSide(dpi * q);
        case SizeUnit::Cm: return wholeSide(dpi * q / 2.54);
        }
        return std::nullopt;
    };
    out.width = side(totalWidth, cellsX);
    out.height = side(totalHeight, cellsY);
    return out;
}

std::optional<double> tileHeightForWidth(int width, double libraryTileWidth, double libraryTileHeight) {
    const float tw = static_cast<float>(libraryTileWidth), th = static_cast<float>(libraryTileHeight);
    if (th == 0.0f || tw == 0.0f) return std::nullopt;
    return wholePart(static_cast<float>(width) / (tw / th));
}

std::optional<double> tileWidthForHeight(int height, double libraryTileWidth, double libraryTileHeight) {
    const float tw = static_cast<float>(libraryTileWidth), th = static_cast<float>(libraryTileHeight);
    if (th == 0.0f) return std::nullopt;
    return wholePart(static_cast<float>(height) * (tw / th));
}

std::optional<double> outputHeightForWidth(double totalWidth, double cellsX, double cellsY, double libraryTileWidth,
                                           double libraryTileHeight) {
    const double across = cellsX * static_cast<float>(libraryTileWidth);
    const double down = cellsY * static_cast<float>(libraryTileHeight);
    if (down == 0.0 || across == 0.0) return std::nullopt;
    return finite(totalWidth / (across / down));
}

std::optional<double> outputWidthForHeight(double totalHeight, double cellsX, double cellsY, double libraryTileWidth,
                                           double libraryTileHeight) {
    const double across = cellsX * static_cast<float>(libraryTileWidth);
    const double down = cellsY * static_cast<float>(libraryTileHeight);
    if (down == 0.0) return std::nullopt;
    return finite(totalHeight * (across / down));
}

int clampMatrixSteps(int steps) {
    return std::clamp(steps, MosaicDefaults::kMatrixMin, MosaicDefaults::kMatrixMax);
}

PreviewButton previewButtonState(std::optional<int> cellsX, std::optional<int> cellsY, bool sourceLoaded) {
    if (!cellsX || !cellsY || *cellsX <= 0 || *cellsY <= 0) return PreviewButton::Disable;
    return sourceLoaded ? PreviewButton::Enable : PreviewButton::Keep;
}

}  // namespace tx
