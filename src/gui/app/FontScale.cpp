#include "app/FontScale.h"

#include <QFontMetricsF>
#include <QLatin1String>
#include <algorithm>
#include <cmath>

namespace tx::gui {

namespace {

constexpr double kDesignLineHeight = 14.0;
constexpr double kDesignSampleWidth = 270.0;
// Hinting makes single words grow a little faster than the sample sentence.
constexpr double kSlack = 1.02;

}  // namespace

double fontScale(const QFont& font) {
    const QFontMetricsF fm(font);
    const double tall = std::ceil(fm.height()) / kDesignLineHeight;
    const double wide = fm.horizontalAdvance(QLatin1String("The quick brown fox jumps over the lazy dog")) /
                        kDesignSampleWidth;
    const double k = std::max(tall, wide);
    return k <= 1.0 + 1e-9 ? 1.0 : k * kSlack;
}

int scaled(int designPixels, const QFont& font) {
    return static_cast<int>(std::lround(designPixels * fontScale(font)));
}

QRect scaled(const QRect& design, const QFont& font) {
    const double k = fontScale(font);
    auto at = [k](int v) { return static_cast<int>(std::lround(v * k)); };
    const int left = at(design.x()), top = at(design.y());
    return {left, top, at(design.x() + design.width()) - left, at(design.y() + design.height()) - top};
}

}  // namespace tx::gui
