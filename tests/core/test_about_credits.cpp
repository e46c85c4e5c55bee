// The About box's version line and where the scrolling credits meet its band.
#include <gtest/gtest.h>

#include "support/AboutCredits.h"

using namespace tx;

TEST(AboutCredits, VersionLineShowsTheRevisionOnlyWhenNotZero) {
    EXPECT_EQ(versionLine(1, 0, 0), "version 1.0");
    EXPECT_EQ(versionLine(2, 14, 3), "version 2.14.3");
    EXPECT_EQ(creditsLines().first(), programVersionLine());
}

TEST(AboutCredits, SliceEntersAtTheBandsBottomAndLeavesAtItsTop) {
    struct Case {
        int scrolled, textHeight;
        std::optional<CreditsSlice> want;  // source row, window row, rows
    };
    const Case cases[] = {
        {0, 200, CreditsSlice{0, 312, 1}},     // nothing scrolled yet: one row, just below the band
        {1, 200, CreditsSlice{0, 311, 1}},
        {52, 200, CreditsSlice{0, 260, 52}},   // four lines of 13 already scrolled at the start
        {92, 200, CreditsSlice{0, 220, 92}},   // the band is full
        {150, 200, CreditsSlice{58, 220, 92}},
        {250, 200, CreditsSlice{158, 220, 42}},  // cut to the rows left
        {291, 200, CreditsSlice{199, 220, 1}},   // the last row at the band's top
        {292, 200, std::nullopt},                // gone: the plain splash shows
        {60, 40, CreditsSlice{0, 252, 40}},      // a text shorter than the band
        {120, 40, CreditsSlice{28, 220, 12}},
        {132, 40, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(creditsSlice(c.scrolled, c.textHeight), c.want) << "scrolled " << c.scrolled;
    }
}
