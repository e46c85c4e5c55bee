#include "support/SortTable.h"

#include <utility>

namespace tx {

void SortTable(OrderTable& table) {
    if (table.empty()) return;
    const int lb = 0;
    const int ub = static_cast<int>(table.size()) - 1;
    if (ub == lb) return;
    int m = lb;
    for (int k = lb + 1; k <= ub; ++k)
        if (table[k].key > table[m].key) m = k;
    std::swap(table[m], table[ub]);
    QuickSortRange(table, lb, ub);
}

void QuickSortRange(OrderTable& table, int lo, int hi) {
    // Recurse into the smaller part and loop on the larger one: same order of
    // operations on the table, bounded stack depth.
    while (lo < hi) {
        const OrderRecord pivot = table[lo];
        int i = lo;
        int j = hi + 1;
        for (;;) {
            do ++i; while (i <= hi && table[i].key < pivot.key);
            do --j; while (table[j].key > pivot.key);
            if (i >= j) break;
            std::swap(table[i], table[j]);
        }
        table[lo] = table[j];
        table[j] = pivot;
        if (j - lo < hi - j) {
            QuickSortRange(table, lo, j - 1);
            lo = j + 1;
        } else {
            QuickSortRange(table, j + 1, hi);
            hi = j - 1;
        }
    }
}

}  // namespace tx
