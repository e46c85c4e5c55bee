#pragma once
// Even tile use: one tile for every cell with the least total distance while
// each tile is used between a lower and an upper number of times.
//
// Solved by default with an auction over every cell-tile pair (EvenUseAuction.h),
// which ends at a proven optimum without a table of all distances. The other
// solver is a min-cost flow (LEMON's NetworkSimplex) on sparse candidates, each
// cell's k nearest tiles, proven optimal over every pair by pricing each pair
// with the solver's node potentials and adding any pair with a negative reduced
// cost, until none is left; every cell may also reach every tile through a
// penalty arc dearer than any real assignment, so candidates that cannot
// satisfy the caps are never a dead end. It is slower on large jobs where the
// caps bind hard (every round solves a growing network from scratch).
//
// The distance of a pair comes from a PairDistance, so the measure is pluggable
// (the RGB city-block distance of the tile choice is RgbPairDistance).
//
// Errors: solveEvenUse returns false when stopped by a hook (the assignment is
// then untouched) and throws std::invalid_argument on caps that no assignment
// can meet (check them with useCaps first).

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "mosaic/PricedPass.h"

namespace tx {

enum class EvenUseMode { Off, EveryTile, MaxUses };

struct EvenUse {
    EvenUseMode mode = EvenUseMode::Off;
    int maxUses = 1;  // for MaxUses, from 1
    bool operator==(const EvenUse&) const = default;
};

struct UseCaps {
    std::vector<int> lower;  // per tile
    std::vector<int> upper;
};

// Caps of a mode for `cells` cells and `tiles` tiles: every tile before
// repeats is floor/ceil(cells / tiles) uses each (at most one each when there
// are fewer cells than tiles); at most K is 0..K. Returns the message that
// refuses the mode, or an empty string.
QString useCaps(const EvenUse& use, int cells, int tiles, UseCaps& caps);

struct TileDistance {
    std::int64_t distance = 0;
    int tile = 0;  // 0-based
    bool operator<(const TileDistance& o) const {
        return distance != o.distance ? distance < o.distance : tile < o.tile;
    }
};

// The cost of putting a tile on a cell, cells and tiles numbered from 0.
// Every member is called from several threads at once.
class PairDistance {
public:
    virtual ~PairDistance() = default;
    virtual int cellCount() const = 0;
    virtual int tileCount() const = 0;
    virtual std::int64_t distance(int cell, int tile) const = 0;
    // The largest distance there can be; sizes the penalty of the flow network.
    virtual std::int64_t maxDistance() const = 0;
    // The k nearest tiles of a cell, nearest first (ties: lower tile first).
    virtual void nearest(int cell, int k, std::vector<TileDistance>& out) const = 0;
    // Appends (tiles[i], d) for every i < count whose distance d is below
    // limits[i] - offset. The limits fall with i, so the pass may stop once
    // limits[i] - offset <= 0 (no distance is negative).
    virtual void below(int cell, const int* tiles, const std::int64_t* limits, int count, std::int64_t offset,
                       std::vector<TileDistance>& out) const = 0;
    // The distances of a cell to tiles begin..end - 1 into out[0..end - begin),
    // in one contiguous pass (what the plain priced pass is built on).
    virtual void distancesTo(int cell, int begin, int end, std::int64_t* out) const = 0;
    // The priced pass of a cell over tiles begin..end - 1, appended to out (in
    // tile order after what it holds). This one is built on distancesTo.
    virtual void pricedPass(int cell, int begin, int end, const PricedPass& pass, PricedTiles& out) const;
    // The priced pass over every step-th block of kPricedBlock tiles, a sample
    // spread over all tiles, appended to out.
    virtual void pricedSample(int cell, int step, const PricedPass& pass, PricedTiles& out) const;
    // With mirrored tiles a tile's distance is that of its nearer face: whether
    // that is the mirror for this cell.
    virtual bool mirrored(int /*cell*/, int /*tile*/) const { return false; }
    // Whether pricedPass skips groups of kPricedGroup tiles (see PricedPass::groupPrice).
    virtual bool skipsGroups() const { return false; }
    // Where it skips groups: a tile's kGroupKeys keys.
    virtual void tileKeys(int /*tile*/, std::int64_t* /*keys*/) const {}
    // A copy with the tiles in an order that makes its groups skip often, and
    // that order in `order` (new tile -> this one's); null where it has none.
    virtual std::unique_ptr<PairDistance> grouped(std::vector<int>& /*order*/) const { return nullptr; }
};

struct EvenUseHooks {
    // Polled often (at least every few hundred milliseconds); false stops.
    std::function<bool()> running;
    // A pass over the cells: which pass (0 the candidates, then one per pricing
    // round), cells done, cells in all.
    std::function<void(int pass, int done, int total)> progress;
};

enum class EvenUseSolver { Auction, FlowRounds };

struct EvenUseOptions {
    EvenUseSolver solver = EvenUseSolver::Auction;
    int candidates = 0;      // tiles a cell keeps in view, 0 the solver's own: the auction's list, the flow's first 16
    int addedPerRound = 6;   // most negative pairs a cell adds per pricing round
    int distance = 0;        // minimal distance between identical tiles (0: none)
    int cellsX = 0;          // layout of the cells (row-major) for the distance
    int cellsY = 0;
};

struct EvenUseStats {
    int rounds = 0;               // solver runs (auction phases), the last one proven optimal
    std::int64_t bids = 0;        // of the auction
    std::int64_t looks = 0;       // of the auction: a cell's look at every tile
    int refinements = 0;          // of the auction: prices refined towards an early proof
    std::int64_t candidatePairs = 0;  // pairs in the last network
    std::int64_t optimumCost = 0;     // without the minimal distance
    std::int64_t cost = 0;            // after the distance repair
    int movedCells = 0;               // cells the repair changed
    int unresolvedPairs = 0;          // pairs of identical tiles still within the square
};

// Fills tileOfCell (0-based tile per cell) with an optimal assignment under the
// caps, then repairs the minimal distance when options.distance > 0.
bool solveEvenUse(const PairDistance& cost, const UseCaps& caps, const EvenUseOptions& options,
                  std::vector<int>& tileOfCell, EvenUseStats& stats, const EvenUseHooks& hooks = {});

// Moves the fewest, cheapest cells it can (to a tile with uses to spare, or by
// swapping two cells' tiles) until no two cells with the same tile lie within
// `distance` of each other in x and y, keeping the caps. Returns the pairs still
// within the square; false in `finished` when stopped by a hook.
int repairDistance(const PairDistance& cost, const UseCaps& caps, int cellsX, int cellsY, int distance,
                   std::vector<int>& tileOfCell, int& movedCells, const EvenUseHooks& hooks = {},
                   bool* finished = nullptr);

// Pairs of identical tiles within the square (each pair once).
int pairsWithinDistance(const std::vector<int>& tileOfCell, int cellsX, int cellsY, int distance);

// Whether the solver was built in (LEMON was found).
bool evenUseAvailable();

}  // namespace tx
