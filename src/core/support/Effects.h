#pragma once
// The image effects the engines use, all in place and keeping the picture size.
//   FoxBlur:       one pass of the 3 x 3 kernel [1 2 1] x [1 2 1] / 16, edges clamped.
//   FoxHSL:        saturation factor s: L = (299 R + 587 G + 114 B) / 1000, each channel
//                  becomes L + s (c - L), rounded and clamped. s = 0 gives R = G = B,
//                  s = 1 leaves the picture unchanged.
//   FoxBrightness: b in -100..100 adds 2.55 b, rounded half to even, to each channel, clamped.
//   FoxAlphaBlend: out = (src a + dst (255 - a) + 127) / 255.

#include "support/Picture.h"

namespace tx {

void FoxBlur(Picture& picture);
void FoxHSL(Picture& picture, float saturation);
void FoxHSL(Picture& picture, Rect area, float saturation);
void FoxBrightness(Picture& picture, int brightness);
// Blends the w x h block of src at (sx, sy) over dst at (dx, dy); clipped.
void FoxAlphaBlend(Picture& dst, int dx, int dy, int w, int h, const Picture& src, int sx, int sy, int alpha);

}  // namespace tx
