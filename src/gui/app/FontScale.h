#pragma once
// The windows are drawn in pixels for a 9 pt DejaVu Sans (a 14 px line, the
// sample sentence 270 px wide). A larger or wider font grows every position and
// size by the same factor, so that the look stays and no text clips.

#include <QFont>
#include <QRect>

namespace tx::gui {

// How much larger `font` is than the font the windows were drawn for; never below 1.
double fontScale(const QFont& font);

// A length drawn for the design font, grown for `font`.
int scaled(int designPixels, const QFont& font);

// A rectangle drawn for the design font, grown for `font`; neighbours that touch
// stay touching because both edges are scaled, not the width.
QRect scaled(const QRect& design, const QFont& font);

}  // namespace tx::gui
