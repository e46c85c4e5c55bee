#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <gtest/gtest.h>

#include "support/DibSection.h"

using tx::cDIBSection;
using tx::Picture;

namespace {

// Byte access by memory row (row 0 is the bottom row).
std::uint8_t* at(cDIBSection& d, int x, int memRow) {
    return d.DIBSectionBitsPtr() + static_cast<std::size_t>(memRow) * d.BytesPerScanLine() + x * 3;
}
void setBgr(cDIBSection& d, int x, int memRow, int b, int g, int r) {
    std::uint8_t* p = at(d, x, memRow);
    p[0] = static_cast<std::uint8_t>(b);
    p[1] = static_cast<std::uint8_t>(g);
    p[2] = static_cast<std::uint8_t>(r);
}

Picture gradient(int w, int h) {
    Picture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.setPixel(x, y, tx::rgb(x * 37 + y, y * 53 + 7, (x * y * 11) & 0xFF));
    return p;
}

}  // namespace

TEST(DibSection, RowLengthIsPaddedToFourBytes) {
    const int expected[] = {4, 8, 12, 12, 16};
    for (int w = 1; w <= 5; ++w) {
        cDIBSection d;
        ASSERT_TRUE(d.Create(w, 2));
        EXPECT_EQ(d.BytesPerScanLine(), expected[w - 1]) << "width " << w;
        EXPECT_EQ(d.header().biSizeImage, static_cast<std::uint32_t>(expected[w - 1] * 2));
    }
}

TEST(DibSection, HeaderAndBottomUpRowsAfterCreateFromPicture) {
    Picture pic(100, 50, tx::rgb(0, 255, 0));
    for (int x = 0; x < 100; ++x) {
        pic.setPixel(x, 0, tx::rgb(255, 0, 0));   // top row red
        pic.setPixel(x, 49, tx::rgb(0, 0, 255));  // bottom row blue
    }
    cDIBSection d;
    d.CreateFromPicture(pic);
    ASSERT_NE(d.DIBSectionBitsPtr(), nullptr);
    const auto& h = d.header();
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 100);
    EXPECT_EQ(h.biHeight, 50);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 24);
    EXPECT_EQ(h.biCompression, 0u);
    EXPECT_EQ(h.biSizeImage, 15000u);

    const std::uint8_t* bottom = at(d, 0, 0);
    EXPECT_EQ(bottom[0], 255);  // blue first
    EXPECT_EQ(bottom[1], 0);
    EXPECT_EQ(bottom[2], 0);
    const std::uint8_t* top = at(d, 99, 49);
    EXPECT_EQ(top[0], 0);
    EXPECT_EQ(top[2], 255);
}

TEST(DibSection, PictureRoundTripWithPadding) {
    const Picture pic = gradient(5, 4);  // 15 bytes of pixels in a 16-byte row
    cDIBSection d;
    d.CreateFromPicture(pic);
    EXPECT_EQ(d.toPicture(), pic);
    for (int y = 0; y < 4; ++y) EXPECT_EQ(at(d, 5, y)[0], 0) << "padding of row " << y;
}

TEST(DibSection, EmptyStatesAndClearUp) {
    cDIBSection d;
    EXPECT_EQ(d.DIBSectionBitsPtr(), nullptr);
    d.CreateFromPicture(Picture());
    EXPECT_EQ(d.DIBSectionBitsPtr(), nullptr);
    EXPECT_FALSE(d.Create(0, 10));
    EXPECT_FALSE(d.Create(10, -1));
    EXPECT_EQ(d.DIBSectionBitsPtr(), nullptr);
    EXPECT_TRUE(d.toPicture().isEmpty());

    ASSERT_TRUE(d.Create(7, 3));
    ASSERT_TRUE(d.Create(9, 4));  // re-creating at another size
    EXPECT_EQ(d.BytesPerScanLine(), 28);
    d.ClearUp();
    EXPECT_EQ(d.DIBSectionBitsPtr(), nullptr);
    EXPECT_EQ(d.Width(), 9);  // the header stays
    EXPECT_EQ(d.Height(), 4);
}

TEST(DibSection, BlockTransfersCopyRectanglesOneToOne) {
    const Picture pic = gradient(6, 5);
    cDIBSection d;
    ASSERT_TRUE(d.Create(3, 2));
    d.LoadPictureBlt(pic, 2, 1, 2, 2);  // into (0, 0) at the top left
    Picture out = d.toPicture();
    EXPECT_EQ(out.pixel(0, 0), pic.pixel(2, 1));
    EXPECT_EQ(out.pixel(1, 1), pic.pixel(3, 2));
    EXPECT_EQ(out.pixel(2, 0), 0u);  // outside the copied block

    Picture target(4, 4, tx::rgb(9, 9, 9));
    d.PaintPicture(target, 3, 3);  // clipped to the target's last pixel
    EXPECT_EQ(target.pixel(3, 3), out.pixel(0, 0));
    EXPECT_EQ(target.pixel(2, 2), tx::rgb(9, 9, 9));
}

TEST(DibSection, ResampleToSameSizeIsExactCopy) {
    cDIBSection d;
    ASSERT_TRUE(d.Create(13, 7));
    d.RandomiseBits(true);
    auto copy = d.Resample(7, 13);
    ASSERT_TRUE(copy);
    ASSERT_EQ(copy->Width(), 13);
    ASSERT_EQ(copy->Height(), 7);
    EXPECT_EQ(std::memcmp(copy->DIBSectionBitsPtr(), d.DIBSectionBitsPtr(), d.header().biSizeImage), 0);
}

TEST(DibSection, ResampleThreeToTwoPicksSourcePixels) {
    cDIBSection d;
    d.CreateFromPicture(gradient(3, 3));
    auto small = d.Resample(2, 2);
    ASSERT_TRUE(small);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            for (int c = 0; c < 3; ++c) EXPECT_EQ(at(*small, x, y)[c], at(d, x, y)[c]) << x << "," << y;
}

TEST(DibSection, ResampleBilinearWithThirds) {
    // 5 x 3 -> 3 x 3: xScale = 4/3, yScale = 2/3. Destination (1, 1) lies at
    // source (1 + 1/3, 2/3) in memory rows.
    cDIBSection d;
    ASSERT_TRUE(d.Create(5, 3));
    setBgr(d, 1, 0, 0, 0, 0);
    setBgr(d, 1, 1, 0, 90, 0);
    setBgr(d, 2, 0, 0, 30, 0);
    setBgr(d, 2, 1, 0, 120, 0);
    auto out = d.Resample(3, 3);
    ASSERT_TRUE(out);
    // vertical: 1/3 * 0 + 2/3 * 90 = 60 and 1/3 * 30 + 2/3 * 120 = 90; horizontal: 2/3 * 60 + 1/3 * 90 = 70
    EXPECT_EQ(at(*out, 1, 1)[1], 70);
    EXPECT_EQ(at(*out, 1, 1)[0], 0);
    EXPECT_EQ(at(*out, 1, 1)[2], 0);
}

TEST(DibSection, ResampleRoundsEveryStepHalfToEven) {
    // 3 x 2 -> 4 x 2: xScale = yScale = 0.5.
    cDIBSection d;
    ASSERT_TRUE(d.Create(3, 2));
    setBgr(d, 0, 0, 10, 0, 0);
    setBgr(d, 1, 0, 21, 0, 0);
    setBgr(d, 2, 0, 30, 0, 0);
    setBgr(d, 0, 1, 20, 0, 0);
    setBgr(d, 1, 1, 40, 0, 0);
    setBgr(d, 2, 1, 255, 0, 0);
    auto out = d.Resample(2, 4);
    ASSERT_TRUE(out);
    EXPECT_EQ(at(*out, 0, 0)[0], 10);
    EXPECT_EQ(at(*out, 1, 0)[0], 16);  // (10 + 21) / 2 = 15.5 -> 16
    EXPECT_EQ(at(*out, 3, 0)[0], 26);  // (21 + 30) / 2 = 25.5 -> 26
    EXPECT_EQ(at(*out, 0, 1)[0], 15);  // (10 + 20) / 2
    // column 1 vertically: 30.5 -> 30, then (15 + 30) / 2 = 22.5 -> 22
    EXPECT_EQ(at(*out, 1, 1)[0], 22);
    // column 2 vertically: 142.5 -> 142, then (30 + 142) / 2 = 86
    EXPECT_EQ(at(*out, 3, 1)[0], 86);
}

TEST(DibSection, ResampleOfOnePixelWideOrHighSourceThrows) {
    cDIBSection wide1;
    ASSERT_TRUE(wide1.Create(1, 5));
    EXPECT_THROW(wide1.Resample(3, 3), tx::SubscriptOutOfRange);
    EXPECT_THROW(wide1.Resample(6, 1), tx::SubscriptOutOfRange);
    cDIBSection high1;
    ASSERT_TRUE(high1.Create(5, 1));
    EXPECT_THROW(high1.Resample(3, 3), tx::SubscriptOutOfRange);
    EXPECT_TRUE(high1.Resample(1, 5));  // same size is a copy
    EXPECT_FALSE(high1.Resample(0, 5));
}

TEST(DibSection, ResampleEnlargesWithoutLeavingTheSource) {
    cDIBSection d;
    d.CreateFromPicture(gradient(2, 2));
    auto big = d.Resample(40, 30);
    ASSERT_TRUE(big);
    EXPECT_EQ(big->Width(), 30);
    EXPECT_EQ(big->Height(), 40);
}

TEST(DibSection, RandomiseBitsLeavesBlueAndPaddingAlone) {
    cDIBSection d;
    ASSERT_TRUE(d.Create(5, 6));
    std::memset(d.DIBSectionBitsPtr(), 0xAB, d.header().biSizeImage);
    d.RandomiseBits(false);
    bool anyNonZero = false;
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(at(d, x, y)[0], 0);
            anyNonZero = anyNonZero || at(d, x, y)[1] != 0 || at(d, x, y)[2] != 0;
        }
        EXPECT_EQ(at(d, 5, y)[0], 0xAB);  // padding byte
    }
    EXPECT_TRUE(anyNonZero);

    d.RandomiseBits(true);
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(at(d, x, y)[0], at(d, x, y)[1]);
            EXPECT_EQ(at(d, x, y)[1], at(d, x, y)[2]);
        }
        EXPECT_EQ(at(d, 5, y)[0], 0xAB);
    }
}

TEST(DibSection, ClipboardAsDibCopiesNothingAsBitmapCopiesPicture) {
    QClipboard* clip = QGuiApplication::clipboard();
    ASSERT_NE(clip, nullptr);
    clip->setText(QStringLiteral("keep me"));

    Picture pic(4, 3, tx::rgb(200, 100, 50));
    pic.setPixel(0, 0, tx::rgb(1, 2, 3));
    cDIBSection d;
    d.CreateFromPicture(pic);
    EXPECT_FALSE(d.CopyToClipboard(true));
    EXPECT_EQ(clip->text(), QStringLiteral("keep me"));

    cDIBSection empty;
    EXPECT_FALSE(empty.CopyToClipboard());

    ASSERT_TRUE(d.CopyToClipboard());
    const QImage img = clip->image();
    ASSERT_EQ(img.size(), QSize(4, 3));
    EXPECT_EQ(img.pixel(0, 0) & 0xFFFFFF, 0x010203u);
    EXPECT_EQ(img.pixel(3, 2) & 0xFFFFFF, 0xC86432u);
}
