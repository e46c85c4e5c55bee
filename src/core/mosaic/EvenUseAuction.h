#pragma once
// The exact solver of even tile use: an auction with epsilon scaling over every
// cell-tile pair, without a table of all their distances.
//
// Every tile has one slot per allowed use, each with a price; a cell bids for
// the slot that is cheapest for it (distance + price), outbidding its holder.
// The uses beyond a tile's lower cap are also open to "spare" bidders with no
// distance, one for every slot no cell will fill, so that all slots are taken
// and every lower cap is met by cells. Distances are scaled by slots + 1 so that
// the last phase, epsilon 1, ends at the optimum of the integer distances.
//
// Prices only rise. A cell keeps a list of its cheapest tiles and a bound no
// other tile was below when it looked; no value falls, so bids from the list
// are exact, and a cell looks at all tiles again only when its list has become
// dearer than that bound. A look is one pass over every tile's distance under
// a cap that a sample of the tiles sets, and buckets by value (not a sort) pick
// the new list. Bids are made in small batches, the cells of a batch bidding
// (and looking) on every core at once and taking their slots in turn.
//
// Once epsilon is small the assignment is mostly optimal already, and the
// phases left mostly raise prices towards a proof: after each such phase a
// shortest-path computation over the slots each holder values nearly as well
// as its own (PriceRefinement.h) looks for prices that prove the assignment
// now, which the proof over every pair then checks; the auction ends there
// when it holds (on the bench after 10 of 18 phases).
//
// Where the measure groups its tiles (PairDistance::grouped), a look skips
// whole groups that hold no tile under its cap: by bounds from each group's
// least price and keys, and by the cell's own floor of each group's values
// from its last look (values only rise, so a floor stays true).

#include <cstdint>
#include <vector>

#include "mosaic/EvenTileUse.h"

namespace tx {

struct AuctionOptions {
    int listLength = 256;  // tiles a cell keeps between full looks (16 bytes each)
    int scaling = 3;      // epsilon falls by this factor from phase to phase
    // Most memory for the cells' floors of tile groups (4 bytes per cell and
    // group: 82 MB for 181 x 181 cells of 20,000 tiles); beyond it, none.
    std::int64_t floorBytes = std::int64_t{512} << 20;
    bool refine = true;  // try to end early with refined prices (off: every phase runs)
};

struct AuctionStats {
    int phases = 0;
    std::int64_t bids = 0;
    std::int64_t looks = 0;  // full looks of a cell at every tile
    int refinements = 0;     // prices refined and checked by a proof before the last phase
};

// An optimal assignment under the caps (sums already checked against the
// cells). False when stopped by a hook; tileOfCell is then untouched.
bool auctionAssignment(const PairDistance& cost, const UseCaps& caps, const AuctionOptions& options,
                       std::vector<int>& tileOfCell, AuctionStats& stats, const EvenUseHooks& hooks);

}  // namespace tx
