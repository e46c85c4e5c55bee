#include "mosaic/PriceRefinement.h"

#include <algorithm>
#include <stdexcept>

#include "support/Parallel.h"

namespace tx {

RefinementGraph::RefinementGraph(int nodes) : m_nodes(nodes) { m_first.assign(static_cast<std::size_t>(nodes) + 1, 0); }

void RefinementGraph::allocate() {
    for (int v = 0; v < m_nodes; ++v) m_first[static_cast<std::size_t>(v) + 1] += m_first[static_cast<std::size_t>(v)];
    m_arcs.resize(static_cast<std::size_t>(m_first.back()));
    m_next.assign(m_first.begin(), m_first.end() - 1);
}

void RefinementGraph::sortArcs() {
    for (int v = 0; v < m_nodes; ++v)
        if (m_next[static_cast<std::size_t>(v)] != m_first[static_cast<std::size_t>(v) + 1])
            throw std::logic_error("arcs added and counted differ");
    std::vector<std::int64_t>().swap(m_next);
    parallelFor(m_nodes, 256, [&](std::int64_t b, std::int64_t e) {
        for (std::int64_t v = b; v < e; ++v)
            std::sort(m_arcs.begin() + m_first[static_cast<std::size_t>(v)], m_arcs.begin() + m_first[static_cast<std::size_t>(v) + 1],
                      [](const Out& x, const Out& y) { return x.length < y.length; });
    });
}

bool RefinementGraph::shortestFromZero(std::vector<std::int64_t>& dist, std::int64_t maxPops) const {
    dist.assign(static_cast<std::size_t>(m_nodes), 0);
    // First in, first out (Bellman-Ford by rounds, each node once a round).
    std::vector<int> queue;
    std::vector<char> queued(static_cast<std::size_t>(m_nodes), 0);
    std::size_t head = 0;
    auto relax = [&](int u, std::int64_t du) {
        const auto end = m_first[static_cast<std::size_t>(u) + 1];
        for (auto k = m_first[static_cast<std::size_t>(u)]; k < end; ++k) {
            const Out& a = m_arcs[static_cast<std::size_t>(k)];
            const std::int64_t d = du + a.length;
            if (d >= 0) break;  // and so are all longer arcs
            const auto v = static_cast<std::size_t>(a.to);
            if (d < dist[v]) {
                dist[v] = d;
                if (!queued[v]) queued[v] = 1, queue.push_back(a.to);
            }
        }
    };
    // Every node at the source's 0, then the ones taken below it.
    for (int u = 0; u < m_nodes; ++u) relax(u, 0);
    std::int64_t pops = 0;
    while (head < queue.size()) {
        const int u = queue[head++];
        if (head > (std::size_t{1} << 20) && head * 2 > queue.size()) {
            queue.erase(queue.begin(), queue.begin() + static_cast<std::ptrdiff_t>(head));
            head = 0;
        }
        queued[static_cast<std::size_t>(u)] = 0;
        if (++pops > maxPops) return false;
        relax(u, dist[static_cast<std::size_t>(u)]);
    }
    return true;
}

}  // namespace tx
