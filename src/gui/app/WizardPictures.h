#pragma once
// The pictures of the wizard's live previews: samples of our own drawing and the
// pixel work that shows what an option does (the effects are the engine's own).

#include <QImage>
#include <QPixmap>
#include <QSize>

#include "support/Picture.h"

namespace tx::gui {

QImage toImage(const Picture& picture);
QPixmap toPixmap(const Picture& picture);

// A small landscape: the sample of the scan-matrix and render-order previews.
Picture samplePicture();
// A 32 x 32 tile and the colour swatch laid over it by the colour correction.
Picture sampleTile();
Picture colourSwatch();

// What a scan matrix of matrX x matrY samples keeps of one cell, shown at `display` size.
Picture scanMatrixPreview(const Picture& sample, int matrX, int matrY, bool filter, QSize display);

// The square of cell (c, r), 0..5 each, in the 6 x 6 render-order grid, and its colour.
Rect renderOrderCell(int c, int r);
Colour renderOrderColour(const Picture& sample, int c, int r);
inline constexpr int kRenderOrderGrid = 6;
inline constexpr int kRenderOrderSize = 31;  // pixels of the grid picture

// The source as the preview frame shows it: covering the frame with the source's
// proportions (the excess is cut off), blurred once at twice the size, then halved.
// Empty for an empty source.
Picture sourcePreview(const Picture& source, QSize frame);
// The adjustments of the source, as the engine makes them: saturation (percent,
// 100 unchanged), brightness (-100..100), greyscale.
Picture adjustedPreview(const Picture& base, int saturation, int brightness, bool grey);

// The sample tile with the swatch laid over it at the strength of the colour
// correction (percent).
Picture colourCorrectionPreview(const Picture& tile, const Picture& swatch, int blendPercent);

}  // namespace tx::gui
