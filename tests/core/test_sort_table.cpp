// SortTable: ascending on the key, whole records moved, and equal keys in exactly
// the order the sentinel quicksort leaves them (the engine's smart order and page
// order depend on it). x numbers the records in their starting order.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "support/SortTable.h"

using namespace tx;

namespace {

OrderTable withKeys(const std::vector<int>& keys) {
    OrderTable t;
    for (std::size_t k = 0; k < keys.size(); ++k) t.push_back({keys[k], static_cast<int>(k), 100 + static_cast<int>(k)});
    return t;
}

std::vector<int> xs(const OrderTable& t) {
    std::vector<int> out;
    for (const OrderRecord& r : t) out.push_back(r.x);
    return out;
}

TEST(SortTable, OrdersEqualKeysAsTheSentinelQuicksortDoes) {
    struct Case {
        std::vector<int> keys, order;  // order: x of the records after sorting
    };
    const Case cases[] = {
        {{7}, {0}},
        {{3, 1, 2}, {1, 2, 0}},
        // The first largest key (record 0) is swapped to the end, then the partitions
        // swap equal keys from both ends: 11 0 10 9 8 7 | 6 ... and so on.
        {std::vector<int>(12, 255), {8, 9, 7, 6, 0, 10, 11, 1, 2, 5, 4, 3}},
        {std::vector<int>(4, 255), {0, 2, 3, 1}},
        // Sentinel: record 0 (key 2) swaps with record 4; the first partition swaps
        // records 2 and 4, then places the pivot (record 4) between 0 and 2.
        {{2, 1, 2, 1, 2}, {1, 3, 0, 4, 2}},
        // The first of the largest keys is record 1; 4 and 2 trade places after it.
        {{1, 3, 3, 2, 3}, {0, 3, 1, 4, 2}},
    };
    for (const Case& c : cases) {
        OrderTable t = withKeys(c.keys);
        SortTable(t);
        EXPECT_EQ(xs(t), c.order) << "keys of size " << c.keys.size() << " starting " << c.keys[0];
        for (const OrderRecord& r : t) {
            EXPECT_EQ(r.key, c.keys[static_cast<std::size_t>(r.x)]);  // whole records move
            EXPECT_EQ(r.y, 100 + r.x);
        }
    }
    OrderTable empty;
    SortTable(empty);
    EXPECT_TRUE(empty.empty());
}

TEST(SortTable, SortsAnyTableAscendingWithoutLosingRecords) {
    std::mt19937 rng(3);
    for (int round = 0; round < 200; ++round) {
        std::vector<int> keys(static_cast<std::size_t>(1 + rng() % 300));
        const int range = 1 + static_cast<int>(rng() % (round % 2 ? 4 : 1000));  // many or few ties
        for (int& k : keys) k = static_cast<int>(rng() % range);
        OrderTable t = withKeys(keys);
        SortTable(t);
        ASSERT_TRUE(std::is_sorted(t.begin(), t.end(), [](const auto& a, const auto& b) { return a.key < b.key; }));
        std::vector<int> seen = xs(t);
        std::sort(seen.begin(), seen.end());
        for (std::size_t k = 0; k < seen.size(); ++k) ASSERT_EQ(seen[k], static_cast<int>(k));
    }
}

}  // namespace
