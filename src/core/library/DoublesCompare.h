#pragma once
// The comparison behind the search for doubles, and what the find-doubles dialog
// shows, as pure functions.
//
// The difference value d of a pair (tile i, tile j): tile i is drawn over tile j
// with exclusive or (over their common area; the rest keeps tile j's pixels), the
// result is reduced to 3 x 3 with half-tone stretching, and d is the sum over the
// nine pixels of |r - r0| + |g - g0| + |b - b0| + r + g + b, where (r0, g0, b0) is
// pixel (0, 0). Identical tiles give 0; a pair with d <= 1000 is a double.
//
// Lower bounds: a XOR b >= |a - b| for bytes, and the half-tone cells are
// weighted averages (non-negative weights that depend only on the picture size,
// rounded once to nearest). So each cell value of the combined picture is at least
// |reduced(i) - reduced(j)| - 1 per channel, with both tiles reduced in the
// geometry of tile j. A 12 x 12 reduction refines this: its boxes split every one
// of the 3 x 3 boxes into 4 x 4 exactly, so a 3 x 3 cell average is the mean of its
// sixteen 12 x 12 averages.

#include <array>
#include <cstdint>
#include <limits>

#include "support/Picture.h"

namespace tx {

constexpr double kDoublesThreshold = 1000;

// The combined picture of a pair: a copy of b with a drawn over it by XOR.
Picture combineForDoubles(const Picture& a, const Picture& b);
// d of a combined picture's 3 x 3 reduction.
double differenceValue(const Picture& reduced3x3);
// d of the pair (a = tile i, b = tile j); +infinity when either could not be read
// (an empty picture is never a double of anything).
double pairDifference(const Picture& a, const Picture& b);

// Tile a cut to the size w x h (its own pixels where both overlap, black
// elsewhere): XOR with it is exactly what drawing a over a w x h tile does.
Picture fitToSize(const Picture& a, int w, int h);

// Reductions of one tile in the geometry of one tile size, for the bounds.
struct DoublesSignature {
    alignas(16) std::array<std::uint8_t, 32> coarse{};  // 3 x 3 x RGB, zero padded
    alignas(16) std::array<std::uint8_t, 432> fine{};   // 12 x 12 x RGB
    alignas(16) std::array<std::uint8_t, 256> planes{}; // bit k: 3 x 3 x RGB of (bit set ? 255 : 0), 32 each
    bool hasFine = false;  // only when both sides are at least 12 pixels
};
// `fitted` must already have the size of the tile it will be compared with.
DoublesSignature doublesSignature(const Picture& fitted);

// Lower bounds on d for the pair whose tile i gives `a` (fitted to tile j's size)
// and whose tile j gives `b`.
int coarseLowerBound(const DoublesSignature& a, const DoublesSignature& b);
// 0 when either signature has no fine part.
double fineLowerBound(const DoublesSignature& a, const DoublesSignature& b);
// Per bit: a XOR b = sum of 2^k |a_k - b_k| over the bits k, so a cell average of
// the XOR is at least the sum of 2^k |share of pixels with bit k set in a - in b|.
double bitPlaneLowerBound(const DoublesSignature& a, const DoublesSignature& b);

// A bound from the pixels themselves: when tile j is at least 3 x 3, every pixel of
// the combined picture carries the same total weight 9 / (width x height) over the
// nine cells, so the nine cells add up to 9 x the mean byte of the combined picture
// (less 0.5 per rounded value). The running sum stops as soon as the bound exceeds
// `limit`; the result is then only known to exceed it. 0 for smaller tiles.
double pixelLowerBound(const Picture& a, const Picture& b, double limit);

// The pictures of the find-doubles dialog: both tiles drawn into equal boxes of
// boxWidth x boxHeight, centred with their proportions kept (Picture1, Picture2),
// the first box combined with the second by XOR (Picture3), and that difference
// reduced to 3 x 3 (Picture4, shown at the top left of its box).
struct DoublesPictures {
    Picture picture1;
    Picture picture2;
    Picture picture3;
    Picture picture4;
};
// Where a tile of tw x th goes in a box of bw x bh.
Rect fitIntoBox(int tw, int th, int bw, int bh);
DoublesPictures doublesDialogPictures(const Picture& tileI, const Picture& tileJ, int boxWidth, int boxHeight);

}  // namespace tx
