#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <gtest/gtest.h>

#include "TestUtil.h"
#include "support/DibSection.h"

using tx::cDIBSection;
using tx::Picture;
using txtest::gradient;

namespace {

// Byte access by memory row (row 0 is the bottom row).
std::uint8_t* at(cDIBSection& d, int x, int memRow) {
    return d.DIBSectionBitsPtr() + static_cast<std::size_t>(memRow) * d.BytesPerScanLine() + x * 3;
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
    // Round trip through a padded row; the padding stays zero.
    const Picture pic = gradient(5, 4);
    cDIBSection d;
    d.CreateFromPicture(pic);
    EXPECT_EQ(d.toPicture(), pic);
    for (int y = 0; y < 4; ++y) EXPECT_EQ(at(d, 5, y)[0], 0) << "padding of row " << y;
}

TEST(DibSection, RowsAreStoredBottomUp) {
    Picture pic(100, 50, tx::rgb(0, 255, 0));
    pic.fillRect({0, 0, 100, 1}, tx::rgb(255, 0, 0));   // top row red
    pic.fillRect({0, 49, 100, 1}, tx::rgb(0, 0, 255));  // bottom row blue
    cDIBSection d;
    d.CreateFromPicture(pic);
    ASSERT_NE(d.DIBSectionBitsPtr(), nullptr);
    EXPECT_EQ(d.header().biHeight, 50);  // positive: bottom-up
    // Memory row 0 is the bottom row, blue first.
    EXPECT_EQ(std::vector<int>(at(d, 0, 0), at(d, 0, 0) + 3), (std::vector<int>{255, 0, 0}));
    EXPECT_EQ(std::vector<int>(at(d, 99, 49), at(d, 99, 49) + 3), (std::vector<int>{0, 0, 255}));
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

TEST(DibSection, ResampleCopiesWhereNoPixelFallsBetween) {
    cDIBSection d;
    ASSERT_TRUE(d.Create(13, 7));
    d.RandomiseBits(true);
    auto copy = d.Resample(7, 13);  // height first
    ASSERT_TRUE(copy);
    ASSERT_EQ(copy->Width(), 13);
    ASSERT_EQ(copy->Height(), 7);
    EXPECT_EQ(std::memcmp(copy->DIBSectionBitsPtr(), d.DIBSectionBitsPtr(), d.header().biSizeImage), 0);

    // 3 -> 2: the scale is exactly 1, so the first two columns and rows are picked.
    d.CreateFromPicture(gradient(3, 3));
    auto small = d.Resample(2, 2);
    ASSERT_TRUE(small);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            for (int c = 0; c < 3; ++c) EXPECT_EQ(at(*small, x, y)[c], at(d, x, y)[c]) << x << "," << y;

    // Enlarging never reads beyond the source.
    d.CreateFromPicture(gradient(2, 2));
    auto big = d.Resample(40, 30);
    ASSERT_TRUE(big);
    EXPECT_EQ(big->Width(), 30);
    EXPECT_EQ(big->Height(), 40);
}

TEST(DibSection, ResampleIsBilinearAndRoundsEveryStepHalfToEven) {
    struct Byte {
        int x, row, channel, value;
    };
    struct Case {
        int w, h, newW, newH;
        std::vector<Byte> set, expect;
    };
    const Case cases[] = {
        // 5 x 3 -> 3 x 3: scales 4/3 and 2/3, so (1, 1) lies at (1 + 1/3, 2/3). Vertically
        // 2/3 * 90 = 60 and 1/3 * 30 + 2/3 * 120 = 90, then 2/3 * 60 + 1/3 * 90 = 70.
        {5, 3, 3, 3, {{1, 1, 1, 90}, {2, 0, 1, 30}, {2, 1, 1, 120}}, {{1, 1, 1, 70}, {1, 1, 0, 0}, {1, 1, 2, 0}}},
        // 3 x 2 -> 4 x 2: scales 0.5. 15.5 -> 16, 25.5 -> 26; column 1 vertically 30.5 -> 30,
        // then (15 + 30) / 2 = 22.5 -> 22; column 2 vertically 142.5 -> 142, then 86.
        {3, 2, 4, 2,
         {{0, 0, 0, 10}, {1, 0, 0, 21}, {2, 0, 0, 30}, {0, 1, 0, 20}, {1, 1, 0, 40}, {2, 1, 0, 255}},
         {{0, 0, 0, 10}, {1, 0, 0, 16}, {3, 0, 0, 26}, {0, 1, 0, 15}, {1, 1, 0, 22}, {3, 1, 0, 86}}},
    };
    for (const Case& c : cases) {
        cDIBSection d;
        ASSERT_TRUE(d.Create(c.w, c.h));
        for (const Byte& b : c.set) at(d, b.x, b.row)[b.channel] = static_cast<std::uint8_t>(b.value);
        auto out = d.Resample(c.newH, c.newW);
        ASSERT_TRUE(out);
        for (const Byte& b : c.expect) EXPECT_EQ(at(*out, b.x, b.row)[b.channel], b.value) << c.w << " " << b.x << "," << b.row;
    }
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

TEST(DibSection, RandomiseBitsLeavesPaddingAlone) {
    cDIBSection d;
    ASSERT_TRUE(d.Create(5, 6));
    for (bool grey : {false, true}) {
        std::memset(d.DIBSectionBitsPtr(), 0xAB, d.header().biSizeImage);
        d.RandomiseBits(grey);
        const Picture p = d.toPicture();
        for (int y = 0; y < 6; ++y) {
            for (int x = 0; x < 5; ++x)  // grey: equal channels; colour: no blue
                EXPECT_EQ(tx::blueOf(p.pixel(x, y)), grey ? tx::redOf(p.pixel(x, y)) : 0) << x << "," << y;
            EXPECT_EQ(at(d, 5, y)[0], 0xAB);  // padding byte
        }
        EXPECT_NE(p, Picture(5, 6, tx::rgb(0xAB, 0xAB, 0xAB)));
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
    EXPECT_FALSE(cDIBSection().CopyToClipboard());

    ASSERT_TRUE(d.CopyToClipboard());
    const QImage img = clip->image();
    ASSERT_EQ(img.size(), QSize(4, 3));
    EXPECT_EQ(img.pixel(0, 0) & 0xFFFFFF, 0x010203u);
    EXPECT_EQ(img.pixel(3, 2) & 0xFFFFFF, 0xC86432u);
}
