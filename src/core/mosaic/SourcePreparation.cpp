#include "mosaic/SourcePreparation.h"

#include "support/Effects.h"

namespace tx {

void applyAdjustments(Picture& picture, const Adjustments& adjustments) {
    FoxBlur(picture);
    if (adjustments.brightness != 0) FoxBrightness(picture, adjustments.brightness);
    if (adjustments.saturation != 100) FoxHSL(picture, static_cast<float>(adjustments.saturation / 100.0));
    if (adjustments.greyscale) FoxHSL(picture, 0.0f);
}

PreparedSource prepareSource(const Picture& source, int cellsX, int cellsY, int matrX, int matrY,
                             const Adjustments& adjustments) {
    PreparedSource out;
    const int scanW = cellsX * matrX;
    const int scanH = cellsY * matrY;
    {
        Picture work = stretchPlain(source, scanW * 2, scanH * 2);
        applyAdjustments(work, adjustments);
        out.scan = stretchPlain(work, scanW, scanH);
    }
    {
        Picture work = stretchPlain(source, cellsX * 2, cellsY * 2);
        applyAdjustments(work, adjustments);
        out.cells = stretchPlain(work, cellsX, cellsY);
    }
    return out;
}

void sampleCell(const Picture& scan, int x, int y, int matrX, int matrY, std::uint8_t* out) {
    const int x0 = x * matrX;
    const int y0 = y * matrY;
    if (x0 + matrX <= scan.width() && y0 + matrY <= scan.height()) {
        for (int j = 0; j < matrY; ++j) {
            const std::uint8_t* row = scan.scanLine(y0 + j) + static_cast<std::size_t>(x0) * 3;
            for (int k = 0; k < matrX * 3; ++k) *out++ = row[k];
        }
        return;
    }
    // Outside the picture (an empty scan image): black, as a pixel read gives.
    for (int j = 0; j < matrY; ++j)
        for (int i = 0; i < matrX; ++i) {
            const Colour c = scan.pixel(x0 + i, y0 + j);
            *out++ = static_cast<std::uint8_t>(redOf(c));
            *out++ = static_cast<std::uint8_t>(greenOf(c));
            *out++ = static_cast<std::uint8_t>(blueOf(c));
        }
}

}  // namespace tx
