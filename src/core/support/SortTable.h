#pragma once
// Order tables: records (key, x, y) sorted on the key by a small quicksort with a
// sentinel. The exact procedure decides the order of equal keys, and callers rely
// on that order, so it must not be replaced by another sort.

#include <cstdint>
#include <vector>

namespace tx {

struct OrderRecord {
    std::int32_t key = 0;
    std::int32_t x = 0;
    std::int32_t y = 0;
};

using OrderTable = std::vector<OrderRecord>;

// Moves the first record with the largest key to the end (it stops the upward
// scans), then quicksorts the whole table.
void SortTable(OrderTable& table);
void QuickSortRange(OrderTable& table, int lo, int hi);

}  // namespace tx
