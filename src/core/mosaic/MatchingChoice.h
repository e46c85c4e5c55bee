#pragma once
// The tile choice with a choice of measure and of tiles: the cost may be the
// perceptual distance (CIE76 colour difference in CIELAB, summed over the samples)
// instead of the city-block RGB distance, and every tile may also take part
// left-right mirrored. The greedy pass is the one of chooseTiles: the same order,
// strictly-less ties by tile number (the original before its mirror), the same
// distance square and narrowing, the random fallback. A tile and its mirror are
// one tile for the square. The reject threshold is a difference of one RGB
// channel, so it applies to the RGB measure only; the perceptual pass rejects no
// tile before comparing it in full.
//
// chooseTilesMatching skips pairs only by exact lower bounds (the distance of the
// sample sums, or of their bucket in a grid of sums; a running sum above the best
// kept), so it gives the Plan of the plain loop chooseTilesMatchingReference,
// which compares every pair in full.

#include "mosaic/MirroredTiles.h"
#include "mosaic/TileChoice.h"

namespace tx {

struct MatchingOptions {
    bool perceptual = false;  // CIELAB distance instead of RGB
    bool mirror = false;      // tiles also take part mirrored
};

// `mirrored`, when given, is sized to the cells and records which cells got the
// mirror of their tile. Returns false when stopped by a hook.
bool chooseTilesMatching(const TileChoiceInput& input, const MatchingOptions& options, Plan& plan,
                         MirrorPlan* mirrored, const TileChoiceHooks& hooks = {});
bool chooseTilesMatchingReference(const TileChoiceInput& input, const MatchingOptions& options, Plan& plan,
                                  MirrorPlan* mirrored, const TileChoiceHooks& hooks = {});

}  // namespace tx
