#include <gtest/gtest.h>

#include "TestUtil.h"

using namespace tx;
using txtest::gradient;

namespace {

std::vector<int> redsOf(const Picture& p) {
    std::vector<int> out;
    for (int x = 0; x < p.width(); ++x) out.push_back(redOf(p.pixel(x, 0)));
    return out;
}

}  // namespace

TEST(Picture, LayoutAndPixelValues) {
    Picture p(3, 2, rgb(1, 2, 3));
    p.setPixel(2, 1, 0x00CCBBAA);
    const std::uint8_t* last = p.scanLine(1) + 6;
    EXPECT_EQ(std::vector<int>(last, last + 3), (std::vector<int>{0xAA, 0xBB, 0xCC}));  // red first
    EXPECT_EQ(p.pixel(2, 1), 0x00CCBBAAu);
    // Outside: reads black, writes ignored.
    EXPECT_EQ(p.pixel(-1, 0), 0u);
    EXPECT_EQ(p.pixel(3, 0), 0u);
    const Picture before = p;
    p.setPixel(3, 0, 0xFFFFFF);
    p.setPixel(0, -1, 0xFFFFFF);
    EXPECT_EQ(p, before);
}

TEST(Picture, SizesEmptyAndTooLarge) {
    EXPECT_TRUE(Picture(0, 5).isEmpty());
    EXPECT_TRUE(Picture(-3, -3).isEmpty());
    EXPECT_EQ(Picture(-3, 4).byteCount(), 0u);
    // Refused before allocating: this would be 30 GB.
    EXPECT_THROW(Picture(100000, 100000), PictureTooLarge);
    EXPECT_THROW(Picture(Picture::kMaxPixels + 1, 1), PictureTooLarge);
}

TEST(Picture, ResizeAndFillRect) {
    Picture p = gradient(4, 3);
    p.resize(6, 2, rgb(9, 9, 9));
    ASSERT_EQ(QSize(p.width(), p.height()), QSize(6, 2));
    EXPECT_EQ(p.pixel(3, 1), rgb(3, 1, 4));  // the top left stays
    EXPECT_EQ(p.pixel(4, 0), rgb(9, 9, 9));
    EXPECT_EQ(p.pixel(5, 1), rgb(9, 9, 9));
    p.resize(0, 0);
    EXPECT_TRUE(p.isEmpty());

    Picture f(4, 4);
    f.fillRect(Rect{-2, 2, 4, 10}, rgb(1, 2, 3));  // clipped
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(f.pixel(x, y), (x < 2 && y >= 2) ? rgb(1, 2, 3) : 0u) << x << "," << y;
}

TEST(Picture, DrawLineLeavesOutTheEndPoint) {
    // Row 0 and column 0 of a cell grid, as the engine paints them.
    Picture p(5, 4, rgb(255, 255, 255));
    p.drawLine(0, 0, 5, 0, 0);
    p.drawLine(0, 0, 0, 4, 0);
    for (int x = 0; x < 5; ++x) EXPECT_EQ(p.pixel(x, 0), 0u);
    for (int y = 0; y < 4; ++y) EXPECT_EQ(p.pixel(0, y), 0u);
    EXPECT_EQ(p.pixel(1, 1), rgb(255, 255, 255));

    Picture q(5, 5);
    q.drawLine(0, 0, 3, 3, rgb(1, 1, 1));
    EXPECT_EQ(q.pixel(2, 2), rgb(1, 1, 1));
    EXPECT_EQ(q.pixel(3, 3), 0u);           // end point
    q.drawLine(4, 4, 4, 4, rgb(2, 2, 2));  // zero length: nothing
    EXPECT_EQ(q.pixel(4, 4), 0u);
    // Backwards and partly outside: 1 is the end point.
    Picture r(4, 1);
    r.drawLine(10, 0, 1, 0, rgb(7, 7, 7));
    EXPECT_EQ(redsOf(r), (std::vector<int>{0, 0, 7, 7}));
    // Far outside: no hang, no write.
    r.drawLine(-2000000000, 0, 2000000000, 0, rgb(9, 9, 9));
}

TEST(Picture, BlitRopsAndClipping) {
    const Picture a = gradient(8, 8);
    Picture x = a;
    blit(x, 0, 0, a, 0, 0, -1, -1, Rop::Xor);
    EXPECT_EQ(x, Picture(8, 8));

    Picture m(2, 1, rgb(0xF0, 0x0F, 0xFF));
    blit(m, 0, 0, Picture(2, 1, rgb(0x3C, 0x3C, 0x00)), 0, 0, -1, -1, Rop::And);
    EXPECT_EQ(m.pixel(1, 0), rgb(0x30, 0x0C, 0x00));

    // Block hanging over the top-left of the destination and the right of the source.
    Picture d(4, 4);
    blit(d, -1, -1, a, 5, 5, 10, 10);
    EXPECT_EQ(d.pixel(0, 0), a.pixel(6, 6));
    EXPECT_EQ(d.pixel(1, 1), a.pixel(7, 7));
    EXPECT_EQ(d.pixel(2, 2), 0u);  // beyond the source

    // Negative source origin shifts the destination.
    Picture e(4, 4);
    blit(e, 0, 0, a, -2, -1, 3, 3);
    EXPECT_EQ(e.pixel(1, 0), 0u);
    EXPECT_EQ(e.pixel(2, 1), a.pixel(0, 0));

    // Overlapping copy within one picture reads the original block.
    Picture s = gradient(6, 1);
    blit(s, 1, 0, s, 0, 0, 5, 1);
    EXPECT_EQ(redsOf(s), (std::vector<int>{0, 0, 1, 2, 3, 4}));
}

TEST(Picture, StretchPlainRepeatsAndPicks) {
    const Picture a = gradient(3, 2);
    const Picture big = stretchPlain(a, 6, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(big.pixel(x, y), a.pixel(x / 2, y / 2));
    // Halving picks one of each pair, never a mix.
    EXPECT_EQ(stretchPlain(big, 3, 2), a);
    const Picture b = gradient(8, 4);
    const Picture half = stretchPlain(b, 4, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(half.pixel(x, y), b.pixel(2 * x + 1, 2 * y + 1));
    EXPECT_EQ(stretchPlain(b, 8, 4), b);
    EXPECT_EQ(stretchPlain(Picture(), 3, 3), Picture(3, 3));  // empty: black of the asked size
    EXPECT_TRUE(stretchPlain(b, 0, 3).isEmpty());

    // From a rect; one over the edge keeps its geometry and reads black outside.
    const Picture c = gradient(10, 10);
    const Picture part = stretchPlain(c, Rect{4, 6, 2, 2}, 4, 4);
    EXPECT_EQ(part.pixel(1, 1), c.pixel(4, 6));
    EXPECT_EQ(part.pixel(2, 3), c.pixel(5, 7));
    EXPECT_EQ(redsOf(stretchPlain(c, Rect{8, 0, 4, 1}, 4, 1)), (std::vector<int>{8, 9, 0, 0}));
}

TEST(Picture, HalftoneAveragesExactly) {
    Picture p(2, 2);
    p.setPixel(0, 0, rgb(0, 10, 255));
    p.setPixel(1, 0, rgb(1, 20, 255));
    p.setPixel(0, 1, rgb(1, 30, 0));
    p.setPixel(1, 1, rgb(2, 41, 0));
    // (0+1+1+2)/4 = 1; (10+20+30+41)/4 = 25.25; 510/4 = 127.5 rounds up.
    EXPECT_EQ(stretchHalftone(p, 1, 1).pixel(0, 0), rgb(1, 25, 128));

    // 3 -> 2 splits the middle pixel: (0 * 2 + 100) / 3 and (100 + 200 * 2) / 3.
    Picture row(3, 1);
    row.setPixel(1, 0, rgb(100, 0, 0));
    row.setPixel(2, 0, rgb(200, 0, 0));
    EXPECT_EQ(redsOf(stretchHalftone(row, 2, 1)), (std::vector<int>{33, 167}));
    // Growing 2 -> 4 is bilinear at pixel centres, edges clamped.
    Picture two = row;
    two.resize(2, 1);
    EXPECT_EQ(redsOf(stretchHalftone(two, 4, 1)), (std::vector<int>{0, 25, 75, 100}));

    const Picture flat(64, 64, rgb(13, 77, 201));  // flat stays flat at any size
    EXPECT_EQ(stretchHalftone(flat, 12, 12), Picture(12, 12, rgb(13, 77, 201)));
    EXPECT_EQ(stretchHalftone(flat, 100, 7), Picture(100, 7, rgb(13, 77, 201)));

    const Picture a = gradient(17, 9);
    EXPECT_EQ(stretchHalftone(a, 17, 9), a);
    EXPECT_EQ(stretchHalftone(a, Rect{3, 2, 5, 4}, 5, 4), stretchPlain(a, Rect{3, 2, 5, 4}, 5, 4));
    // One axis shrinks, the other grows.
    const Picture mixed = stretchHalftone(gradient(8, 2), 2, 4);
    ASSERT_EQ(QSize(mixed.width(), mixed.height()), QSize(2, 4));
    EXPECT_EQ(redOf(mixed.pixel(0, 0)), 2);  // mean of 0..3 = 1.5, rounded up
    EXPECT_EQ(greenOf(mixed.pixel(0, 0)), 0);
    EXPECT_EQ(greenOf(mixed.pixel(0, 3)), 1);
}

TEST(Picture, HalftoneRectReadsOnlyTheClippedRect) {
    Picture a(6, 6, rgb(255, 255, 255));
    a.fillRect(Rect{2, 2, 2, 2}, rgb(40, 60, 80));
    EXPECT_EQ(stretchHalftone(a, Rect{2, 2, 2, 2}, 1, 1).pixel(0, 0), rgb(40, 60, 80));
    // Rect hanging over the picture: only its inside part counts.
    Picture b(4, 4, rgb(10, 10, 10));
    EXPECT_EQ(stretchHalftone(b, Rect{2, 2, 10, 10}, 1, 1).pixel(0, 0), rgb(10, 10, 10));
    EXPECT_EQ(stretchHalftone(b, Rect{5, 5, 2, 2}, 2, 2), Picture(2, 2));
}

TEST(Picture, HalftoneOfLargePicturesStaysExact) {
    // Large enough for the multi-threaded path: 4 x 4 blocks average exactly.
    const Picture big = txtest::noise(2048, 1536, 1);
    const Picture small = stretchHalftone(big, 512, 384);
    for (int y = 0; y < 384; y += 37)
        for (int x = 0; x < 512; x += 41)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int j = 0; j < 4; ++j)
                    for (int i = 0; i < 4; ++i) sum += big.scanLine(4 * y + j)[3 * (4 * x + i) + c];
                EXPECT_EQ(small.scanLine(y)[3 * x + c], (sum + 8) / 16) << x << "," << y << "," << c;
            }

    // 8400 x 1000 into 2 x 1: the divisor 8400 * 1000 takes the wide arithmetic.
    const Picture wide = txtest::noise(8400, 1000, 2);
    const Picture two = stretchHalftone(wide, 2, 1);
    for (int half = 0; half < 2; ++half)
        for (int c = 0; c < 3; ++c) {
            std::uint64_t sum = 0;
            for (int y = 0; y < 1000; ++y)
                for (int x = half * 4200; x < half * 4200 + 4200; ++x) sum += wide.scanLine(y)[3 * x + c];
            EXPECT_EQ(two.scanLine(0)[3 * half + c], (sum + 2100000) / 4200000);
        }
}
