#pragma once
// Shortest paths that refine prices: the largest d <= 0 with
// d[to] <= d[from] + length for every arc, that is the shortest paths from a
// virtual source at 0 to every node. Lengths may be negative; with a cycle of
// negative length there is no solution.
//
// Built for arcs that are mostly long and nodes that the short ones take only
// a little below 0: each node relaxes only its arcs shorter than minus its
// distance (a longer one cannot take a node below 0), its arcs sorted by length.

#include <cstdint>
#include <vector>

namespace tx {

class RefinementGraph {
public:
    explicit RefinementGraph(int nodes);

    // Built in two rounds over the same arcs: first every arc's source, then
    // (after allocate) every arc, then sorted.
    void countArc(int from) { ++m_first[static_cast<std::size_t>(from) + 1]; }
    void allocate();
    void addArc(int from, int to, std::int64_t length) {
        m_arcs[static_cast<std::size_t>(m_next[static_cast<std::size_t>(from)]++)] = {length, to};
    }
    void sortArcs();

    // dist by node. False when nodes were taken up more than maxPops times in
    // all (a cycle of negative length, or more work than allowed); dist is
    // then not a solution.
    bool shortestFromZero(std::vector<std::int64_t>& dist, std::int64_t maxPops) const;

    std::int64_t arcCount() const { return static_cast<std::int64_t>(m_arcs.size()); }

private:
    struct Out {
        std::int64_t length;
        int to;
    };
    int m_nodes = 0;
    std::vector<std::int64_t> m_first;  // nodes + 1
    std::vector<std::int64_t> m_next;   // while adding
    std::vector<Out> m_arcs;
};

}  // namespace tx
