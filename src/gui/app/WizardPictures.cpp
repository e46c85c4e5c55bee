#include "app/WizardPictures.h"

#include <algorithm>
#include <cmath>

#include "support/Effects.h"

namespace tx::gui {

QImage toImage(const Picture& picture) {
    if (picture.isEmpty()) return {};
    QImage image(picture.bits(), picture.width(), picture.height(), static_cast<qsizetype>(picture.stride()),
                 QImage::Format_RGB888);
    return image.copy();  // detach from the picture's memory
}

QPixmap toPixmap(const Picture& picture) { return QPixmap::fromImage(toImage(picture)); }

Picture samplePicture() {
    constexpr int n = 48;
    Picture p(n, n);
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            Colour c = rgb(90 + y * 2, 150 + y * 2, 235);  // sky
            const int hill = 30 + static_cast<int>(6 * std::sin(x / 7.0));
            if (y >= hill) c = rgb(40 + (y - hill) * 3, 140 - (y - hill) * 2, 50);
            const int dx = x - 34, dy = y - 12;
            if (dx * dx + dy * dy <= 36) c = rgb(250, 215, 60);  // sun
            if (x >= 8 && x < 20 && y >= 24 && y < 36) c = rgb(190, 50, 40);  // house
            if (x >= 12 && x < 16 && y >= 30 && y < 36) c = rgb(90, 50, 30);
            p.setPixel(x, y, c);
        }
    }
    return p;
}

Picture sampleTile() {
    Picture p(32, 32);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const int dx = x - 16, dy = y - 16;
            const int d2 = dx * dx + dy * dy;
            Colour c = rgb(60 + x * 3, 110 + y * 2, 70);  // leaves
            if (d2 < 100) c = rgb(240, 80 + d2, 150);       // petals
            if (d2 < 16) c = rgb(250, 220, 40);             // centre
            p.setPixel(x, y, c);
        }
    }
    return p;
}

Picture colourSwatch() { return Picture(32, 32, rgb(40, 90, 220)); }

Picture scanMatrixPreview(const Picture& sample, int matrX, int matrY, bool filter, QSize display) {
    if (sample.isEmpty() || matrX < 1 || matrY < 1 || display.isEmpty()) return {};
    Picture reduced = stretchHalftone(sample, matrX, matrY);
    FoxBlur(reduced);
    Picture out = stretchHalftone(reduced, display.width(), display.height());
    if (filter) {
        FoxBlur(out);
        FoxBlur(out);
    }
    return out;
}

Rect renderOrderCell(int c, int r) { return Rect{1 + 5 * c, 1 + 5 * r, 4, 4}; }

Colour renderOrderColour(const Picture& sample, int c, int r) { return sample.pixel(6 * c, 6 * r); }

Picture sourcePreview(const Picture& source, QSize frame) {
    if (source.isEmpty() || frame.isEmpty()) return {};
    const double sw = source.width(), sh = source.height();
    int w = 0, h = 0;
    // The shorter side of the source fills the frame.
    if (sw <= sh) {
        w = 2 * frame.width();
        h = static_cast<int>(2.0 * frame.width() * sh / sw);
    } else {
        h = 2 * frame.height();
        w = static_cast<int>(2.0 * frame.height() * sw / sh);
    }
    w = std::clamp(w, 2, 8 * frame.width());
    h = std::clamp(h, 2, 8 * frame.height());
    Picture work = stretchHalftone(source, w, h);
    FoxBlur(work);
    return stretchHalftone(work, w / 2, h / 2);
}

Picture adjustedPreview(const Picture& base, int saturation, int brightness, bool grey) {
    Picture p = base;
    if (p.isEmpty()) return p;
    if (saturation != 100) FoxHSL(p, static_cast<float>(saturation / 100.0));
    if (brightness != 0) FoxBrightness(p, brightness);
    if (grey) FoxHSL(p, 0.0f);
    return p;
}

Picture colourCorrectionPreview(const Picture& tile, const Picture& swatch, int blendPercent) {
    Picture out = tile;
    const int alpha = static_cast<int>(std::floor(blendPercent / 100.0 * 255.0)) & 0xFF;
    FoxAlphaBlend(out, 0, 0, 32, 32, swatch, 0, 0, alpha);
    return out;
}

}  // namespace tx::gui
