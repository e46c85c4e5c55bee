#include "mosaic/EvenTileUse.h"

#include <algorithm>
#include <cstdlib>
#include <chrono>
#include <future>
#include <limits>
#include <memory>
#include <numeric>
#include <stdexcept>
#include <mutex>
#include <thread>

#include "mosaic/EvenUseAuction.h"
#include "mosaic/EvenUsePasses.h"
#include "support/Parallel.h"

#if TX_HAVE_LEMON
#include <lemon/network_simplex.h>
#include <lemon/smart_graph.h>
#endif

namespace tx {

namespace {

// Candidates of every cell as one sorted-by-tile list each.
struct Candidates {
    std::vector<std::vector<TileDistance>> ofCell;
    bool contains(int cell, int tile) const {
        const auto& list = ofCell[static_cast<std::size_t>(cell)];
        const auto it = std::lower_bound(list.begin(), list.end(), tile,
                                         [](const TileDistance& a, int t) { return a.tile < t; });
        return it != list.end() && it->tile == tile;
    }
    std::int64_t pairs() const {
        std::int64_t n = 0;
        for (const auto& l : ofCell) n += static_cast<std::int64_t>(l.size());
        return n;
    }
};

// One flow problem as flat arrays, owned by the solving thread so that a
// cancelled solve can run to its end on its own.
struct FlowProblem {
    int cells = 0;
    int tiles = 0;
    std::vector<int> first;  // per cell, into tile/cost; cells + 1 entries
    std::vector<int> tile;
    std::vector<std::int64_t> cost;
    std::vector<int> lower, upper;
    std::int64_t penalty = 0;
};

struct FlowSolution {
    bool solved = false;
    std::vector<int> tileOfCell;  // -1: through the penalty arc
    std::vector<std::int64_t> cellPotential, tilePotential;
};

#if TX_HAVE_LEMON
FlowSolution solveFlow(const FlowProblem& p) {
    using Graph = lemon::SmartDigraph;
    Graph g;
    const int n = p.cells, m = p.tiles;
    g.reserveNode(n + m + 2);
    const std::size_t candidateArcs = p.tile.size();
    g.reserveArc(static_cast<int>(candidateArcs) + n + 2 * m);
    for (int k = 0; k < n + m + 2; ++k) g.addNode();
    const Graph::Node hub = g.nodeFromId(n + m), sink = g.nodeFromId(n + m + 1);
    auto cellNode = [&](int c) { return g.nodeFromId(c); };
    auto tileNode = [&](int t) { return g.nodeFromId(n + t); };

    // Arcs first: a map made before an arc was added gives that arc no initial value.
    for (int c = 0; c < n; ++c)
        for (int k = p.first[static_cast<std::size_t>(c)]; k < p.first[static_cast<std::size_t>(c) + 1]; ++k)
            g.addArc(cellNode(c), tileNode(p.tile[static_cast<std::size_t>(k)]));
    const int toHub = g.arcNum();
    for (int c = 0; c < n; ++c) g.addArc(cellNode(c), hub);
    const int fromHub = g.arcNum();
    for (int t = 0; t < m; ++t) g.addArc(hub, tileNode(t));
    const int toSink = g.arcNum();
    for (int t = 0; t < m; ++t) g.addArc(tileNode(t), sink);

    Graph::ArcMap<int> lower(g, 0), upper(g, 1);
    Graph::ArcMap<long long> cost(g, 0);
    Graph::NodeMap<int> supply(g, 0);
    for (std::size_t k = 0; k < candidateArcs; ++k) cost[g.arcFromId(static_cast<int>(k))] = p.cost[k];
    for (int c = 0; c < n; ++c) {
        supply[cellNode(c)] = 1;
        cost[g.arcFromId(toHub + c)] = p.penalty;
    }
    supply[sink] = -n;
    for (int t = 0; t < m; ++t) {
        upper[g.arcFromId(fromHub + t)] = p.upper[static_cast<std::size_t>(t)];
        lower[g.arcFromId(toSink + t)] = p.lower[static_cast<std::size_t>(t)];
        upper[g.arcFromId(toSink + t)] = p.upper[static_cast<std::size_t>(t)];
    }

    lemon::NetworkSimplex<Graph, int, long long> simplex(g);
    simplex.lowerMap(lower).upperMap(upper).costMap(cost).supplyMap(supply);
    FlowSolution s;
    if (simplex.run() != lemon::NetworkSimplex<Graph, int, long long>::OPTIMAL) return s;
    s.solved = true;
    s.tileOfCell.assign(static_cast<std::size_t>(n), -1);
    for (std::size_t k = 0; k < candidateArcs; ++k) {
        const Graph::Arc a = g.arcFromId(static_cast<int>(k));
        if (simplex.flow(a) > 0) s.tileOfCell[static_cast<std::size_t>(g.id(g.source(a)))] = p.tile[k];
    }
    s.cellPotential.resize(static_cast<std::size_t>(n));
    s.tilePotential.resize(static_cast<std::size_t>(m));
    for (int c = 0; c < n; ++c) s.cellPotential[static_cast<std::size_t>(c)] = simplex.potential(cellNode(c));
    for (int t = 0; t < m; ++t) s.tilePotential[static_cast<std::size_t>(t)] = simplex.potential(tileNode(t));
    return s;
}
#else
FlowSolution solveFlow(const FlowProblem&) { return {}; }
#endif

// Solves on a thread of its own so that the hook can stop waiting at once; a
// cancelled solve finishes in the background and its result is dropped.
bool solveStoppable(std::shared_ptr<FlowProblem> problem, FlowSolution& out, const EvenUseHooks& hooks) {
    auto promise = std::make_shared<std::promise<FlowSolution>>();
    std::future<FlowSolution> result = promise->get_future();
    std::thread worker([problem, promise] {
        try {
            promise->set_value(solveFlow(*problem));
        } catch (...) {
            promise->set_exception(std::current_exception());
        }
    });
    while (result.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
        if (!keepGoing(hooks)) {
            worker.detach();
            return false;
        }
    }
    worker.join();
    out = result.get();
    return true;
}

std::shared_ptr<FlowProblem> flowProblem(const Candidates& cand, const UseCaps& caps, std::int64_t penalty) {
    auto p = std::make_shared<FlowProblem>();
    p->cells = static_cast<int>(cand.ofCell.size());
    p->tiles = static_cast<int>(caps.upper.size());
    p->first.reserve(cand.ofCell.size() + 1);
    p->first.push_back(0);
    const std::int64_t pairs = cand.pairs();
    p->tile.reserve(static_cast<std::size_t>(pairs));
    p->cost.reserve(static_cast<std::size_t>(pairs));
    for (const auto& list : cand.ofCell) {
        for (const TileDistance& td : list) {
            p->tile.push_back(td.tile);
            p->cost.push_back(td.distance);
        }
        p->first.push_back(static_cast<int>(p->tile.size()));
    }
    p->lower = caps.lower;
    p->upper = caps.upper;
    p->penalty = penalty;
    return p;
}

void sortByTile(std::vector<TileDistance>& list) {
    std::sort(list.begin(), list.end(), [](const TileDistance& a, const TileDistance& b) { return a.tile < b.tile; });
}

// The flow's first candidates per cell unless the options say otherwise.
constexpr int kFlowCandidates = 16;

// Column generation over LEMON's network simplex: solve on candidates, price
// every pair with the potentials, add the negative ones, until none is left.
bool flowRounds(const PairDistance& cost, const UseCaps& caps, const EvenUseOptions& options, std::vector<int>& result,
                EvenUseStats& stats, const EvenUseHooks& hooks) {
    const int n = cost.cellCount(), m = cost.tileCount();
    Candidates cand;
    cand.ofCell.resize(static_cast<std::size_t>(n));
    const int k = std::clamp(options.candidates > 0 ? options.candidates : kFlowCandidates, 1, m);
    if (!forEveryCell(n, 0, hooks, [&](int c, std::vector<TileDistance>&) {
            auto& list = cand.ofCell[static_cast<std::size_t>(c)];
            cost.nearest(c, k, list);
            sortByTile(list);
        }))
        return false;

    // Dearer than any assignment of real pairs: a solution that still uses a
    // penalty arc means the candidates alone are infeasible.
    const std::int64_t penalty = cost.maxDistance() * n + 1;
    const int added = std::max(1, options.addedPerRound);
    FlowSolution solution;
    for (;;) {
        if (!solveStoppable(flowProblem(cand, caps, penalty), solution, hooks)) return false;
        if (!solution.solved) throw std::logic_error("the flow network has no solution");
        ++stats.rounds;

        // Price every pair: reduced cost d + pi(cell) - pi(tile) < 0 only where
        // pi(tile) > pi(cell), so tiles go in falling potential.
        std::vector<int> order(static_cast<std::size_t>(m));
        std::iota(order.begin(), order.end(), 0);
        std::sort(order.begin(), order.end(), [&](int a, int b) {
            return solution.tilePotential[static_cast<std::size_t>(a)] > solution.tilePotential[static_cast<std::size_t>(b)];
        });
        std::vector<std::int64_t> limits(static_cast<std::size_t>(m));
        for (int i = 0; i < m; ++i)
            limits[static_cast<std::size_t>(i)] = solution.tilePotential[static_cast<std::size_t>(order[static_cast<std::size_t>(i)])];
        std::vector<std::vector<TileDistance>> found(static_cast<std::size_t>(n));
        if (!forEveryCell(n, stats.rounds, hooks, [&](int c, std::vector<TileDistance>& scratch) {
                const std::int64_t pc = solution.cellPotential[static_cast<std::size_t>(c)];
                const int count = static_cast<int>(
                    std::upper_bound(limits.begin(), limits.end(), pc, std::greater<std::int64_t>()) - limits.begin());
                if (count == 0) return;
                scratch.clear();
                cost.below(c, order.data(), limits.data(), count, pc, scratch);
                // Keyed by reduced cost while choosing the most negative; only
                // those are kept, so a cell never holds all its negative pairs.
                std::size_t kept = 0;
                for (const TileDistance& td : scratch) {
                    if (cand.contains(c, td.tile)) continue;
                    const std::int64_t reduced = td.distance + pc - solution.tilePotential[static_cast<std::size_t>(td.tile)];
                    scratch[kept++] = {reduced, td.tile};
                }
                if (kept == 0) return;
                const auto take = std::min<std::size_t>(kept, static_cast<std::size_t>(added));
                std::nth_element(scratch.begin(), scratch.begin() + static_cast<std::ptrdiff_t>(take - 1),
                                 scratch.begin() + static_cast<std::ptrdiff_t>(kept));
                auto& mine = found[static_cast<std::size_t>(c)];
                mine.assign(scratch.begin(), scratch.begin() + static_cast<std::ptrdiff_t>(take));
                for (TileDistance& td : mine) td.distance = cost.distance(c, td.tile);
            }))
            return false;

        bool any = false;
        for (int c = 0; c < n; ++c) {
            auto& extra = found[static_cast<std::size_t>(c)];
            if (extra.empty()) continue;
            any = true;
            auto& list = cand.ofCell[static_cast<std::size_t>(c)];
            list.insert(list.end(), extra.begin(), extra.end());
            sortByTile(list);
        }
        if (!any) break;
    }

    result = solution.tileOfCell;
    for (int c = 0; c < n; ++c)
        if (result[static_cast<std::size_t>(c)] < 0) throw std::logic_error("the optimum uses a penalty arc");
    stats.candidatePairs = cand.pairs();
    return true;
}


}  // namespace

bool evenUseAvailable() { return TX_HAVE_LEMON != 0; }

QString useCaps(const EvenUse& use, int cells, int tiles, UseCaps& caps) {
    caps = UseCaps();
    if (tiles <= 0 || cells <= 0) return QStringLiteral("There are no tiles to use.");
    caps.lower.assign(static_cast<std::size_t>(tiles), 0);
    caps.upper.assign(static_cast<std::size_t>(tiles), 1);
    if (use.mode == EvenUseMode::MaxUses) {
        if (use.maxUses < 1) return QStringLiteral("Each tile must be allowed at least once.");
        if (std::int64_t{use.maxUses} * tiles < cells)
            return QStringLiteral("%1 tiles used at most %2 times cannot fill %3 cells.\r\nPlease allow more uses, use more tiles or less cells.")
                .arg(tiles)
                .arg(use.maxUses)
                .arg(cells);
        std::fill(caps.upper.begin(), caps.upper.end(), use.maxUses);
    } else if (use.mode == EvenUseMode::EveryTile && cells >= tiles) {
        std::fill(caps.lower.begin(), caps.lower.end(), cells / tiles);
        std::fill(caps.upper.begin(), caps.upper.end(), (cells + tiles - 1) / tiles);
    }
    return QString();
}

bool solveEvenUse(const PairDistance& cost, const UseCaps& caps, const EvenUseOptions& options,
                  std::vector<int>& tileOfCell, EvenUseStats& stats, const EvenUseHooks& hooks) {
    const int n = cost.cellCount(), m = cost.tileCount();
    if (static_cast<int>(caps.lower.size()) != m || static_cast<int>(caps.upper.size()) != m)
        throw std::invalid_argument("caps do not match the tiles");
    std::int64_t lowerSum = 0, upperSum = 0;
    for (int t = 0; t < m; ++t) {
        if (caps.lower[static_cast<std::size_t>(t)] < 0 || caps.lower[static_cast<std::size_t>(t)] > caps.upper[static_cast<std::size_t>(t)])
            throw std::invalid_argument("a tile's lower cap is above its upper cap");
        lowerSum += caps.lower[static_cast<std::size_t>(t)];
        upperSum += caps.upper[static_cast<std::size_t>(t)];
    }
    if (lowerSum > n || upperSum < n) throw std::invalid_argument("no assignment meets the caps");
    if (!evenUseAvailable()) throw std::logic_error("built without the min-cost flow library");
    stats = EvenUseStats();

    std::vector<int> result;
    if (options.solver == EvenUseSolver::Auction) {
        AuctionOptions ao;
        if (options.candidates > 0) ao.listLength = options.candidates;
        AuctionStats as;
        // Where the measure can group its tiles the auction works on them in
        // that order, and the tiles it chose are mapped back.
        std::vector<int> order;
        if (const std::unique_ptr<PairDistance> grouped = cost.grouped(order)) {
            UseCaps groupedCaps;
            for (const int t : order) {
                groupedCaps.lower.push_back(caps.lower[static_cast<std::size_t>(t)]);
                groupedCaps.upper.push_back(caps.upper[static_cast<std::size_t>(t)]);
            }
            if (!auctionAssignment(*grouped, groupedCaps, ao, result, as, hooks)) return false;
            for (int& t : result) t = order[static_cast<std::size_t>(t)];
        } else if (!auctionAssignment(cost, caps, ao, result, as, hooks)) {
            return false;
        }
        stats.rounds = as.phases;
        stats.bids = as.bids;
        stats.looks = as.looks;
        stats.refinements = as.refinements;
        stats.candidatePairs = std::int64_t{n} * std::min(ao.listLength, m);
    } else if (!flowRounds(cost, caps, options, result, stats, hooks)) {
        return false;
    }
    for (int c = 0; c < n; ++c) stats.optimumCost += cost.distance(c, result[static_cast<std::size_t>(c)]);

    if (options.distance > 0 && options.cellsX > 0 && options.cellsY > 0 &&
        std::int64_t{options.cellsX} * options.cellsY == n) {
        bool finished = true;
        stats.unresolvedPairs = repairDistance(cost, caps, options.cellsX, options.cellsY, options.distance, result,
                                               stats.movedCells, hooks, &finished);
        if (!finished) return false;
    }
    stats.cost = 0;
    for (int c = 0; c < n; ++c) stats.cost += cost.distance(c, result[static_cast<std::size_t>(c)]);
    tileOfCell = std::move(result);
    return true;
}

namespace {

// Cells with `tile` in the square of radius d around cell c, c itself and `skip` not counted.
int sameInSquare(const std::vector<int>& tileOf, int cellsX, int cellsY, int c, int d, int tile, int skip) {
    const int x = c % cellsX, y = c / cellsX;
    int count = 0;
    for (int yy = std::max(0, y - d); yy <= std::min(cellsY - 1, y + d); ++yy)
        for (int xx = std::max(0, x - d); xx <= std::min(cellsX - 1, x + d); ++xx) {
            const int o = yy * cellsX + xx;
            if (o != c && o != skip && tileOf[static_cast<std::size_t>(o)] == tile) ++count;
        }
    return count;
}

bool withinSquare(int a, int b, int cellsX, int d) {
    return std::abs(a % cellsX - b % cellsX) <= d && std::abs(a / cellsX - b / cellsX) <= d;
}

struct Move {
    std::int64_t delta = std::numeric_limits<std::int64_t>::max();
    int tile = -1;     // the cell's new tile
    int partner = -1;  // the cell it swaps with, or -1
};

}  // namespace

int pairsWithinDistance(const std::vector<int>& tileOfCell, int cellsX, int cellsY, int distance) {
    if (distance <= 0) return 0;
    std::int64_t twice = 0;
    for (int c = 0; c < cellsX * cellsY; ++c)
        twice += sameInSquare(tileOfCell, cellsX, cellsY, c, distance, tileOfCell[static_cast<std::size_t>(c)], -1);
    return static_cast<int>(twice / 2);
}

int repairDistance(const PairDistance& cost, const UseCaps& caps, int cellsX, int cellsY, int distance,
                   std::vector<int>& tileOf, int& movedCells, const EvenUseHooks& hooks, bool* finished) {
    const int n = cellsX * cellsY, m = cost.tileCount();
    const int d = distance;
    if (finished) *finished = true;
    movedCells = 0;
    if (d <= 0) return 0;
    std::vector<int> uses(static_cast<std::size_t>(m), 0);
    std::vector<std::int64_t> current(static_cast<std::size_t>(n));
    for (int c = 0; c < n; ++c) {
        ++uses[static_cast<std::size_t>(tileOf[static_cast<std::size_t>(c)])];
        current[static_cast<std::size_t>(c)] = cost.distance(c, tileOf[static_cast<std::size_t>(c)]);
    }
    auto conflicts = [&](int c) { return sameInSquare(tileOf, cellsX, cellsY, c, d, tileOf[static_cast<std::size_t>(c)], -1); };
    std::vector<char> moved(static_cast<std::size_t>(n), 0);
    std::vector<int> inSquare(static_cast<std::size_t>(m), 0);
    std::vector<std::int64_t> toTile(static_cast<std::size_t>(m));

    for (bool progress = true; progress;) {
        progress = false;
        // Cells with the most conflicts first: moving one of them separates most pairs.
        std::vector<std::pair<int, int>> todo;
        for (int c = 0; c < n; ++c)
            if (const int k = conflicts(c)) todo.emplace_back(-k, c);
        std::sort(todo.begin(), todo.end());
        for (const auto& [negative, c] : todo) {
            if (!keepGoing(hooks)) {
                if (finished) *finished = false;
                return pairsWithinDistance(tileOf, cellsX, cellsY, d);
            }
            if (conflicts(c) == 0) continue;
            const int cur = tileOf[static_cast<std::size_t>(c)];
            const int x = c % cellsX, y = c / cellsX;
            std::vector<int> touched;
            for (int yy = std::max(0, y - d); yy <= std::min(cellsY - 1, y + d); ++yy)
                for (int xx = std::max(0, x - d); xx <= std::min(cellsX - 1, x + d); ++xx) {
                    const int o = yy * cellsX + xx;
                    if (o == c) continue;
                    const int t = tileOf[static_cast<std::size_t>(o)];
                    if (inSquare[static_cast<std::size_t>(t)]++ == 0) touched.push_back(t);
                }
            parallelFor(m, 256, [&](std::int64_t b, std::int64_t e) {
                for (std::int64_t t = b; t < e; ++t) toTile[static_cast<std::size_t>(t)] = cost.distance(c, static_cast<int>(t));
            });
            const std::int64_t here = current[static_cast<std::size_t>(c)];
            Move best;
            // A tile with uses to spare, when the current one can give one up.
            if (uses[static_cast<std::size_t>(cur)] > caps.lower[static_cast<std::size_t>(cur)])
                for (int t = 0; t < m; ++t) {
                    if (t == cur || inSquare[static_cast<std::size_t>(t)] || uses[static_cast<std::size_t>(t)] >= caps.upper[static_cast<std::size_t>(t)])
                        continue;
                    const std::int64_t delta = toTile[static_cast<std::size_t>(t)] - here;
                    if (delta < best.delta) best = {delta, t, -1};
                }
            // A swap keeps every count.
            std::mutex bestLock;
            parallelFor(n, 1024, [&](std::int64_t b, std::int64_t e) {
                Move local = best;
                for (std::int64_t o64 = b; o64 < e; ++o64) {
                    const int o = static_cast<int>(o64);
                    const int t2 = tileOf[static_cast<std::size_t>(o)];
                    if (t2 == cur) continue;
                    const int there = inSquare[static_cast<std::size_t>(t2)];
                    if (there > 1 || (there == 1 && !withinSquare(c, o, cellsX, d))) continue;
                    const std::int64_t base = toTile[static_cast<std::size_t>(t2)] - here - current[static_cast<std::size_t>(o)];
                    if (base >= local.delta) continue;  // the partner's new distance is never negative
                    const std::int64_t delta = base + cost.distance(o, cur);
                    if (delta >= local.delta) continue;
                    if (sameInSquare(tileOf, cellsX, cellsY, o, d, cur, c) != 0) continue;
                    local = {delta, t2, o};
                }
                std::lock_guard lock(bestLock);
                if (local.delta < best.delta || (local.delta == best.delta && local.partner >= 0 &&
                                                 (best.partner < 0 || local.partner < best.partner)))
                    best = local;
            });
            for (int t : touched) inSquare[static_cast<std::size_t>(t)] = 0;
            if (best.tile < 0) continue;

            --uses[static_cast<std::size_t>(cur)];
            ++uses[static_cast<std::size_t>(best.tile)];
            tileOf[static_cast<std::size_t>(c)] = best.tile;
            current[static_cast<std::size_t>(c)] = toTile[static_cast<std::size_t>(best.tile)];
            moved[static_cast<std::size_t>(c)] = 1;
            if (best.partner >= 0) {
                --uses[static_cast<std::size_t>(best.tile)];
                ++uses[static_cast<std::size_t>(cur)];
                tileOf[static_cast<std::size_t>(best.partner)] = cur;
                current[static_cast<std::size_t>(best.partner)] = cost.distance(best.partner, cur);
                moved[static_cast<std::size_t>(best.partner)] = 1;
            }
            progress = true;
        }
    }
    movedCells = static_cast<int>(std::count(moved.begin(), moved.end(), 1));
    return pairsWithinDistance(tileOf, cellsX, cellsY, d);
}

}  // namespace tx
