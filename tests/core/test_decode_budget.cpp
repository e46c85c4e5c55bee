#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "support/DecodeBudget.h"

using namespace tx;

namespace {
// True once n requests wait; false if that never happens (a request was granted at once).
bool waitForWaiters(const DecodeBudget& budget, int n) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (budget.waiting() < n)
        if (std::chrono::steady_clock::now() > giveUp) return false;
        else std::this_thread::yield();
    return true;
}
}  // namespace

TEST(DecodeBudget, RefusesWhatCanNeverFitAndReturnsWhatIsReleased) {
    DecodeBudget budget(100);
    EXPECT_FALSE(budget.acquire(101));
    {
        auto a = budget.acquire(60);
        ASSERT_TRUE(a);
        auto b = budget.acquire(40);
        ASSERT_TRUE(b);
        EXPECT_EQ(budget.peak(), 100);
        DecodeBudget::Reservation moved = std::move(a);  // a move does not release twice
        EXPECT_EQ(moved.bytes(), 60);
    }
    auto whole = budget.acquire(100);  // everything came back
    EXPECT_TRUE(whole);
}

TEST(DecodeBudget, GrantsInOrderSoALargeRequestIsNotStarved) {
    DecodeBudget budget(100);
    auto first = budget.acquire(60);
    std::mutex m;
    std::vector<int> order;
    std::thread large([&] {
        auto r = budget.acquire(70);
        std::lock_guard lock(m);
        order.push_back(70);
    });
    EXPECT_TRUE(waitForWaiters(budget, 1));
    // 40 would fit next to the first 60, but it came after the large one (and
    // does not fit beside it, so the order of the records is the order of grants).
    std::thread small([&] {
        auto r = budget.acquire(40);
        std::lock_guard lock(m);
        order.push_back(40);
    });
    EXPECT_TRUE(waitForWaiters(budget, 2));
    first.release();
    large.join();
    small.join();
    EXPECT_EQ(order, (std::vector<int>{70, 40}));
}

TEST(DecodeBudget, AWaiterThatNoLongerFitsAfterAShrinkIsRefused) {
    DecodeBudget budget(100);
    auto first = budget.acquire(80);
    bool granted = true;
    std::thread waiter([&] { granted = static_cast<bool>(budget.acquire(90)); });
    EXPECT_TRUE(waitForWaiters(budget, 1));
    budget.setCapacity(50);
    waiter.join();
    EXPECT_FALSE(granted);
}
