#pragma once
// The pipeline of the fast tile choices: the cells in visiting order go in
// batches; the candidates of the next batch are computed on every core while the
// current batch is walked in order against the Plan.

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <future>
#include <vector>

#include "support/Parallel.h"

namespace tx {

// One batch: `room` candidate keys and a count for each of its cells.
struct CandidateBatch {
    std::int64_t first = 0;  // visiting index of its first cell
    std::int64_t size = 0;
    int room = 0;
    std::vector<std::uint64_t> keys;
    std::vector<int> counts;
    const std::uint64_t* keysOf(std::int64_t i) const { return keys.data() + i * room; }
    int countOf(std::int64_t i) const { return counts[static_cast<std::size_t>(i)]; }
};

// makeCollector() gives each worker its own collect(k, keys) that writes the
// candidates of the cell at visiting index k and returns how many. walk(batch)
// decides a batch's cells and returns false to stop; running() is polled before
// the first batch and after each. Returns false when stopped.
template <class MakeCollector, class Walk, class Running>
bool runCandidateBatches(std::int64_t cells, std::int64_t batch, int room, MakeCollector&& makeCollector, Walk&& walk,
                         Running&& running) {
    CandidateBatch batches[2];
    for (CandidateBatch& b : batches) {
        b.room = room;
        b.keys.resize(static_cast<std::size_t>(batch * room));
        b.counts.resize(static_cast<std::size_t>(batch));
    }
    std::atomic<bool> stop{false};
    auto compute = [&](CandidateBatch& b, std::int64_t first) {
        b.first = first;
        b.size = std::min(batch, cells - first);
        parallelFor(b.size, 8, [&](std::int64_t from, std::int64_t to) {
            auto collect = makeCollector();
            for (std::int64_t i = from; i < to && !stop.load(std::memory_order_relaxed); ++i)
                b.counts[static_cast<std::size_t>(i)] = collect(first + i, b.keys.data() + i * room);
        });
    };

    if (!running()) return false;
    compute(batches[0], 0);
    int current = 0;
    for (std::int64_t first = 0; first < cells; first += batch, current ^= 1) {
        std::future<void> next;
        if (first + batch < cells)
            next = std::async(std::launch::async, [&, first, current] { compute(batches[current ^ 1], first + batch); });
        const bool ok = walk(static_cast<const CandidateBatch&>(batches[current])) && running();
        if (!ok) stop.store(true);
        if (next.valid()) next.get();
        if (!ok) return false;
    }
    return true;
}

}  // namespace tx
