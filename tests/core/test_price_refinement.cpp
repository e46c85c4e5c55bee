// The shortest paths that refine the auction's prices: small graphs worked by
// hand, and random graphs without cycles of negative length against a plain
// Bellman-Ford.
#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <vector>

#include "mosaic/PriceRefinement.h"

using namespace tx;

namespace {

struct Arc {
    int from, to;
    std::int64_t length;
};

RefinementGraph graphOf(int nodes, const std::vector<Arc>& arcs) {
    RefinementGraph g(nodes);
    for (const Arc& a : arcs) g.countArc(a.from);
    g.allocate();
    for (const Arc& a : arcs) g.addArc(a.from, a.to, a.length);
    g.sortArcs();
    return g;
}

// Every node from 0, every arc relaxed until nothing changes.
std::vector<std::int64_t> bellmanFord(int nodes, const std::vector<Arc>& arcs) {
    std::vector<std::int64_t> d(static_cast<std::size_t>(nodes), 0);
    for (bool changed = true; changed;) {
        changed = false;
        for (const Arc& a : arcs)
            if (d[a.from] + a.length < d[a.to]) d[a.to] = d[a.from] + a.length, changed = true;
    }
    return d;
}

}  // namespace

TEST(PriceRefinement, SmallGraphs) {
    struct Case {
        const char* name;
        int nodes;
        std::vector<Arc> arcs;
        bool solvable;
        std::vector<std::int64_t> dist;
    };
    const std::vector<Case> cases = {
        {"no arcs", 3, {}, true, {0, 0, 0}},
        {"long arcs only", 3, {{0, 1, 4}, {1, 2, 0}, {2, 0, 9}}, true, {0, 0, 0}},
        // A long arc after short ones still counts while the sum stays below 0.
        {"chain", 4, {{0, 1, -3}, {1, 2, -4}, {2, 3, 5}}, true, {0, -3, -7, -2}},
        // Node 1's arcs come sorted: the long one is cut off, the short one not.
        {"arcs of one node", 6, {{0, 1, -3}, {1, 4, 10}, {1, 5, -1}, {1, 3, 2}}, true, {0, -3, 0, -1, 0, -4}},
        {"the shorter of two ways", 4, {{0, 1, -2}, {1, 3, -2}, {0, 2, -1}, {2, 3, -5}}, true, {0, -2, -1, -6}},
        {"a cycle of length 0", 2, {{0, 1, -2}, {1, 0, 2}}, true, {0, -2}},
        {"a cycle that pays", 3, {{0, 1, -1}, {1, 2, 0}, {2, 0, 0}}, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RefinementGraph g = graphOf(c.nodes, c.arcs);
        std::vector<std::int64_t> dist;
        ASSERT_EQ(g.shortestFromZero(dist, 1000), c.solvable);
        if (c.solvable) {
            EXPECT_EQ(dist, c.dist);
        }
    }
}

TEST(PriceRefinement, AgreesWithBellmanFordOnRandomGraphs) {
    std::mt19937 rng(11);
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        const int nodes = std::uniform_int_distribution<int>(1, 40)(rng);
        const int count = std::uniform_int_distribution<int>(0, 6 * nodes)(rng);
        // Lengths w + p(from) - p(to) with w >= 0: every cycle is at least 0
        // long, as with prices that an optimal assignment admits.
        std::vector<std::int64_t> p(static_cast<std::size_t>(nodes));
        for (auto& v : p) v = std::uniform_int_distribution<int>(0, 30)(rng);
        std::vector<Arc> arcs;
        std::uniform_int_distribution<int> node(0, nodes - 1), w(0, 25);
        for (int k = 0; k < count; ++k) {
            const int a = node(rng), b = node(rng);
            arcs.push_back({a, b, w(rng) + p[a] - p[b]});
        }
        const RefinementGraph g = graphOf(nodes, arcs);
        std::vector<std::int64_t> dist;
        ASSERT_TRUE(g.shortestFromZero(dist, 1000000));
        EXPECT_EQ(dist, bellmanFord(nodes, arcs));
    }
}

TEST(PriceRefinement, GivesUpAfterTheWorkAllowed) {
    // A long chain of short arcs needs one pop per node.
    std::vector<Arc> arcs;
    for (int v = 0; v + 1 < 100; ++v) arcs.push_back({v, v + 1, -1});
    const RefinementGraph g = graphOf(100, arcs);
    std::vector<std::int64_t> dist;
    EXPECT_FALSE(g.shortestFromZero(dist, 10));
    ASSERT_TRUE(g.shortestFromZero(dist, 1000));
    EXPECT_EQ(dist[99], -99);
}

TEST(PriceRefinement, ArcsAddedMustMatchTheCount) {
    RefinementGraph g(2);
    g.countArc(0);
    g.countArc(1);
    g.allocate();
    g.addArc(0, 1, 1);
    EXPECT_THROW(g.sortArcs(), std::logic_error);
}
