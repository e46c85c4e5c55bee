// The machine limits as typed into the preferences: 16-bit whole numbers of at least 1.
#include <gtest/gtest.h>

#include "mosaic/MachineLimitsEntry.h"

using namespace tx;

TEST(MachineLimitsEntry, AcceptsSixteenBitSizesOfAtLeastOne) {
    struct Case {
        const char *width, *height;
        int wantWidth, wantHeight;  // 0: refused
    };
    const Case cases[] = {
        {"5000", "5000", 5000, 5000},
        {"1", "32767", 1, 32767},
        {" 12 ", "0.6", 12, 1},       // typed numbers are rounded
        {"2.5", "3.5", 2, 4},         // half to even
        {"0", "5000", 0, 0},
        {"5000", "0.4", 0, 0},        // rounds to 0
        {"", "5000", 0, 0},
        {"5000", "abc", 0, 0},
        {"-5", "5000", 0, 0},
        {"32768", "5000", 0, 0},      // above 16 bits
        {"99000", "99000", 0, 0},     // a measurement without any failure
    };
    for (const Case& c : cases) {
        const std::optional<MachineLimits> got = typedMachineLimits(c.width, c.height);
        if (c.wantWidth == 0) {
            EXPECT_FALSE(got) << c.width << " x " << c.height;
        } else {
            ASSERT_TRUE(got) << c.width << " x " << c.height;
            EXPECT_EQ(got->maxWidth, c.wantWidth);
            EXPECT_EQ(got->maxHeight, c.wantHeight);
        }
    }
}
