#include <gtest/gtest.h>

#include "support/Picture.h"

using namespace tx;

namespace {

// Every pixel different: red = x, green = y, blue = x + y (mod 256).
Picture gradient(int w, int h) {
    Picture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.setPixel(x, y, rgb(x, y, x + y));
    return p;
}

}  // namespace

TEST(Picture, LayoutAndPixelValues) {
    Picture p(3, 2, rgb(1, 2, 3));
    EXPECT_EQ(p.stride(), 9u);
    EXPECT_EQ(p.byteCount(), 18u);
    p.setPixel(2, 1, 0x00CCBBAA);
    const std::uint8_t* last = p.scanLine(1) + 6;
    EXPECT_EQ(last[0], 0xAA);  // red first
    EXPECT_EQ(last[1], 0xBB);
    EXPECT_EQ(last[2], 0xCC);
    EXPECT_EQ(p.pixel(2, 1), 0x00CCBBAAu);
    EXPECT_EQ(p.pixel(0, 0), rgb(1, 2, 3));
    // Outside: reads black, writes ignored.
    EXPECT_EQ(p.pixel(-1, 0), 0u);
    EXPECT_EQ(p.pixel(3, 0), 0u);
    p.setPixel(3, 0, 0xFFFFFF);
    p.setPixel(0, -1, 0xFFFFFF);
    Picture expected(3, 2, rgb(1, 2, 3));
    expected.scanLine(1)[6] = 0xAA;
    expected.scanLine(1)[7] = 0xBB;
    expected.scanLine(1)[8] = 0xCC;
    EXPECT_EQ(p, expected);
}

TEST(Picture, SizesEmptyAndTooLarge) {
    EXPECT_TRUE(Picture(0, 5).isEmpty());
    EXPECT_TRUE(Picture(-3, -3).isEmpty());
    EXPECT_EQ(Picture(-3, 4).byteCount(), 0u);
    // Refused before allocating: this would be 30 GB.
    EXPECT_THROW(Picture(100000, 100000), PictureTooLarge);
    EXPECT_THROW(Picture(Picture::kMaxPixels + 1, 1), PictureTooLarge);
}

TEST(Picture, ResizeKeepsTopLeftAndFillsNewArea) {
    Picture p = gradient(4, 3);
    p.resize(6, 2, rgb(9, 9, 9));
    ASSERT_EQ(p.width(), 6);
    ASSERT_EQ(p.height(), 2);
    EXPECT_EQ(p.pixel(3, 1), rgb(3, 1, 4));
    EXPECT_EQ(p.pixel(4, 0), rgb(9, 9, 9));
    EXPECT_EQ(p.pixel(5, 1), rgb(9, 9, 9));
    p.resize(0, 0);
    EXPECT_TRUE(p.isEmpty());
}

TEST(Picture, FillRectIsClipped) {
    Picture p(4, 4);
    p.fillRect(Rect{-2, 2, 4, 10}, rgb(1, 2, 3));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(p.pixel(x, y), (x < 2 && y >= 2) ? rgb(1, 2, 3) : 0u) << x << "," << y;
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
    EXPECT_EQ(q.pixel(3, 3), 0u);  // end point
    q.drawLine(4, 4, 4, 4, rgb(2, 2, 2));  // zero length: nothing
    EXPECT_EQ(q.pixel(4, 4), 0u);
    // Backwards and partly outside.
    Picture r(4, 1);
    r.drawLine(10, 0, 1, 0, rgb(7, 7, 7));
    EXPECT_EQ(r.pixel(0, 0), 0u);
    EXPECT_EQ(r.pixel(1, 0), 0u);  // end point
    EXPECT_EQ(r.pixel(2, 0), rgb(7, 7, 7));
    EXPECT_EQ(r.pixel(3, 0), rgb(7, 7, 7));
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
    for (int i = 1; i < 6; ++i) EXPECT_EQ(s.pixel(i, 0), rgb(i - 1, 0, i - 1));
}

TEST(Picture, StretchPlainRepeatsAndPicks) {
    const Picture a = gradient(3, 2);
    const Picture big = stretchPlain(a, 6, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(big.pixel(x, y), a.pixel(x / 2, y / 2));
    // Halving picks one of each pair, never a mix.
    const Picture back = stretchPlain(big, 3, 2);
    EXPECT_EQ(back, a);
    const Picture b = gradient(8, 4);
    const Picture half = stretchPlain(b, 4, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(half.pixel(x, y), b.pixel(2 * x + 1, 2 * y + 1));
    EXPECT_EQ(stretchPlain(b, 8, 4), b);
    // Stretch of an empty picture: black of the asked size.
    EXPECT_EQ(stretchPlain(Picture(), 3, 3), Picture(3, 3));
    EXPECT_TRUE(stretchPlain(b, 0, 3).isEmpty());
}

TEST(Picture, StretchPlainFromRect) {
    const Picture a = gradient(10, 10);
    const Picture part = stretchPlain(a, Rect{4, 6, 2, 2}, 4, 4);
    EXPECT_EQ(part.pixel(0, 0), a.pixel(4, 6));
    EXPECT_EQ(part.pixel(1, 1), a.pixel(4, 6));
    EXPECT_EQ(part.pixel(2, 3), a.pixel(5, 7));
    // A rect over the edge keeps its geometry; outside reads black.
    const Picture edge = stretchPlain(a, Rect{8, 0, 4, 1}, 4, 1);
    EXPECT_EQ(edge.pixel(1, 0), a.pixel(9, 0));
    EXPECT_EQ(edge.pixel(2, 0), 0u);
}

TEST(Picture, HalftoneAveragesExactly) {
    Picture p(2, 2);
    p.setPixel(0, 0, rgb(0, 10, 255));
    p.setPixel(1, 0, rgb(1, 20, 255));
    p.setPixel(0, 1, rgb(1, 30, 0));
    p.setPixel(1, 1, rgb(2, 41, 0));
    // (0+1+1+2)/4 = 1; (10+20+30+41)/4 = 25.25; 510/4 = 127.5 rounds up.
    EXPECT_EQ(stretchHalftone(p, 1, 1).pixel(0, 0), rgb(1, 25, 128));

    // 3 -> 2: the middle pixel is split half and half.
    Picture row(3, 1);
    row.setPixel(0, 0, rgb(0, 0, 0));
    row.setPixel(1, 0, rgb(100, 0, 0));
    row.setPixel(2, 0, rgb(200, 0, 0));
    const Picture two = stretchHalftone(row, 2, 1);
    EXPECT_EQ(redOf(two.pixel(0, 0)), 33);   // (0 * 2 + 100) / 3
    EXPECT_EQ(redOf(two.pixel(1, 0)), 167);  // (100 + 200 * 2) / 3

    // A flat picture stays flat at any size.
    const Picture flat(64, 64, rgb(13, 77, 201));
    EXPECT_EQ(stretchHalftone(flat, 12, 12), Picture(12, 12, rgb(13, 77, 201)));
    EXPECT_EQ(stretchHalftone(flat, 100, 7), Picture(100, 7, rgb(13, 77, 201)));
}

TEST(Picture, HalftoneIdentityAndGrowth) {
    const Picture a = gradient(17, 9);
    EXPECT_EQ(stretchHalftone(a, 17, 9), a);
    EXPECT_EQ(stretchHalftone(a, Rect{3, 2, 5, 4}, 5, 4), stretchPlain(a, Rect{3, 2, 5, 4}, 5, 4));

    // Growing 2 -> 4 is bilinear at pixel centres, edges clamped: 0, 25, 75, 100.
    Picture two(2, 1);
    two.setPixel(1, 0, rgb(100, 0, 0));
    const Picture four = stretchHalftone(two, 4, 1);
    EXPECT_EQ(redOf(four.pixel(0, 0)), 0);
    EXPECT_EQ(redOf(four.pixel(1, 0)), 25);
    EXPECT_EQ(redOf(four.pixel(2, 0)), 75);
    EXPECT_EQ(redOf(four.pixel(3, 0)), 100);

    // One axis shrinks, the other grows.
    const Picture mixed = stretchHalftone(gradient(8, 2), 2, 4);
    ASSERT_EQ(mixed.width(), 2);
    ASSERT_EQ(mixed.height(), 4);
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

TEST(Picture, HalftoneLargeShrinkMatchesBlockMeans) {
    // Big enough to take the multi-threaded path; 4 x 4 blocks average exactly.
    const int w = 2048, h = 1536;
    Picture big(w, h);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = big.scanLine(y);
        for (int x = 0; x < w; ++x) {
            row[3 * x] = static_cast<std::uint8_t>((x * 7 + y * 3) & 0xFF);
            row[3 * x + 1] = static_cast<std::uint8_t>((x ^ y) & 0xFF);
            row[3 * x + 2] = static_cast<std::uint8_t>(y & 0xFF);
        }
    }
    const Picture small = stretchHalftone(big, w / 4, h / 4);
    for (int y = 0; y < h / 4; y += 37)
        for (int x = 0; x < w / 4; x += 41)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int j = 0; j < 4; ++j)
                    for (int i = 0; i < 4; ++i) sum += big.scanLine(4 * y + j)[3 * (4 * x + i) + c];
                EXPECT_EQ(small.scanLine(y)[3 * x + c], (sum + 8) / 16) << x << "," << y << "," << c;
            }
}

TEST(Picture, HalftoneHugeDivisorStaysExact) {
    // 8400 x 1000 into 2 x 1: the divisor 8400 * 1000 takes the wide arithmetic.
    Picture big(8400, 1000);
    std::uint32_t seed = 12345;
    for (std::size_t i = 0; i < big.byteCount(); ++i) {
        seed = seed * 1103515245u + 12345u;
        big.bits()[i] = static_cast<std::uint8_t>(seed >> 24);
    }
    const Picture two = stretchHalftone(big, 2, 1);
    for (int half = 0; half < 2; ++half)
        for (int c = 0; c < 3; ++c) {
            std::uint64_t sum = 0;
            for (int y = 0; y < 1000; ++y)
                for (int x = half * 4200; x < half * 4200 + 4200; ++x) sum += big.scanLine(y)[3 * x + c];
            EXPECT_EQ(two.scanLine(0)[3 * half + c], (sum + 2100000) / 4200000);
        }
}
