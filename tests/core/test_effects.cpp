#include <gtest/gtest.h>

#include <cmath>

#include "TestUtil.h"
#include "support/Effects.h"

using namespace tx;
using txtest::noise;

namespace {

// The 3 x 3 kernel written out directly, edges clamped.
Picture referenceBlur(const Picture& p) {
    Picture out(p.width(), p.height());
    const int k[3] = {1, 2, 1};
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int j = -1; j <= 1; ++j)
                    for (int i = -1; i <= 1; ++i) {
                        const int sx = std::clamp(x + i, 0, p.width() - 1), sy = std::clamp(y + j, 0, p.height() - 1);
                        sum += k[i + 1] * k[j + 1] * p.scanLine(sy)[3 * sx + c];
                    }
                out.scanLine(y)[3 * x + c] = static_cast<std::uint8_t>((sum + 8) >> 4);
            }
    return out;
}

}  // namespace

TEST(Effects, BlurMatchesTheKernel) {
    // The last size is cut into bands on several threads.
    for (auto [w, h] : {std::pair{1, 1}, {1, 5}, {5, 1}, {2, 2}, {13, 7}, {1500, 800}}) {
        Picture p = noise(w, h, static_cast<unsigned>(w * 31 + h));
        const Picture expected = referenceBlur(p);
        FoxBlur(p);
        EXPECT_EQ(p, expected) << w << "x" << h;
    }
    Picture empty;
    FoxBlur(empty);
    EXPECT_TRUE(empty.isEmpty());
}

TEST(Effects, Saturation) {
    const Picture original = noise(31, 17, 3);
    Picture same = original;
    FoxHSL(same, 1.0f);
    EXPECT_EQ(same, original);

    // 0 gives the grey of the luma, rounded.
    Picture grey = original;
    FoxHSL(grey, 0.0f);
    for (int y = 0; y < grey.height(); ++y)
        for (int x = 0; x < grey.width(); ++x) {
            const Colour c = grey.pixel(x, y), o = original.pixel(x, y);
            const double l = (299.0 * redOf(o) + 587.0 * greenOf(o) + 114.0 * blueOf(o)) / 1000.0;
            ASSERT_EQ(c, rgb(1, 1, 1) * static_cast<Colour>(std::floor(l + 0.5))) << x << "," << y;
        }

    Picture p(1, 1, rgb(200, 100, 50));  // L = 59.8 + 58.7 + 5.7 = 124.2
    FoxHSL(p, 0.5f);
    EXPECT_EQ(p.pixel(0, 0), rgb(162, 112, 87));  // 162.1, 112.1, 87.1
    Picture q(1, 1, rgb(250, 10, 10));            // L = 81.76
    FoxHSL(q, 2.0f);
    EXPECT_EQ(q.pixel(0, 0), rgb(255, 0, 0));  // clamped

    // Only the rectangle changes, clipped to the picture.
    Picture r = noise(6, 6, 9);
    const Picture before = r;
    FoxHSL(r, Rect{4, 4, 10, 10}, 0.0f);
    EXPECT_EQ(r.pixel(3, 3), before.pixel(3, 3));
    EXPECT_EQ(r.pixel(5, 0), before.pixel(5, 0));
    EXPECT_EQ(redOf(r.pixel(5, 5)), blueOf(r.pixel(5, 5)));
}

TEST(Effects, BrightnessRoundsHalvesToEven) {
    // The shift shows on red (from 0) when positive and on blue (from 255) when negative.
    const auto shift = [](int b) {
        Picture p(1, 1, rgb(0, 128, 255));
        FoxBrightness(p, b);
        const Colour c = p.pixel(0, 0);
        return b >= 0 ? redOf(c) : blueOf(c) - 255;
    };
    for (auto [b, expected] : {std::pair{30, 76}, {10, 26}, {50, 128}, {70, 178}, {90, 230}, {1, 3},
                               {-30, -76}, {-10, -26}, {-50, -128}, {-1, -3}, {100, 255}, {-100, -255}})
        EXPECT_EQ(shift(b), expected) << b;
    // 255 b / 100 is exact in double, so the default rounding mode gives the reference.
    for (int b = -100; b <= 100; ++b) ASSERT_EQ(shift(b), static_cast<int>(std::nearbyint(255.0 * b / 100.0))) << b;
    // Every channel moves and is clamped; 0 changes nothing.
    Picture p(1, 1, rgb(0, 128, 255));
    FoxBrightness(p, 10);
    EXPECT_EQ(p.pixel(0, 0), rgb(26, 154, 255));
    FoxBrightness(p, -100);
    EXPECT_EQ(p.pixel(0, 0), rgb(0, 0, 0));
    const Picture original = noise(8, 8, 5);
    Picture same = original;
    FoxBrightness(same, 0);
    EXPECT_EQ(same, original);
}

TEST(Effects, AlphaBlend) {
    const Picture over(4, 4, rgb(200, 100, 0));
    const Picture base = noise(4, 4, 11);
    for (auto [alpha, expected] : {std::pair{0, base}, {255, over}, {400, over}}) {  // 400 is clamped
        Picture p = base;
        FoxAlphaBlend(p, 0, 0, 4, 4, over, 0, 0, alpha);
        EXPECT_EQ(p, expected) << alpha;
    }

    // Rounded to nearest at every byte value pair.
    Picture dst(256, 256), src(256, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            dst.setPixel(x, y, rgb(x, y, 255 - x));
            src.setPixel(x, y, rgb(y, x, 255 - y));
        }
    for (int a : {1, 128, 254}) {
        Picture d = dst;
        FoxAlphaBlend(d, 0, 0, 256, 256, src, 0, 0, a);
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x)
                ASSERT_EQ(redOf(d.pixel(x, y)), (y * a + x * (255 - a) + 127) / 255) << a << " " << x << "," << y;
    }

    // Clipped at the destination's edge; the rest untouched.
    Picture small = base;
    FoxAlphaBlend(small, 3, 3, 4, 4, over, 0, 0, 255);
    EXPECT_EQ(small.pixel(3, 3), over.pixel(0, 0));
    EXPECT_EQ(small.pixel(2, 3), base.pixel(2, 3));
}
