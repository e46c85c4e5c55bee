// The helper threads of short split passes: every part runs once per call, and
// the caller sees all of their writes when run returns.
#include <gtest/gtest.h>

#include <vector>

#include "support/SpinningHelpers.h"

using namespace tx;

TEST(SpinningHelpers, EveryPartRunsOncePerCall) {
    for (int parts : {1, 2, 3}) {
        SCOPED_TRACE(parts);
        SpinningHelpers helpers(parts);
        ASSERT_EQ(helpers.parts(), parts);
        std::vector<long> sums(static_cast<std::size_t>(parts), 0);
        for (int call = 1; call <= 1000; ++call) {
            auto part = [&](int i) { sums[static_cast<std::size_t>(i)] += call; };
            helpers.run(part);
            // Read straight after the call: a helper still at work would show.
            const long expected = long{call} * (call + 1) / 2;
            for (int i = 0; i < parts; ++i) ASSERT_EQ(sums[static_cast<std::size_t>(i)], expected) << "part " << i;
        }
    }
}
