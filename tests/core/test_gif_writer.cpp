// The GIF encoder, checked by decoding its files with Qt's own GIF reader.
#include <QBuffer>
#include <QImageReader>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "demo/DecorationPictures.h"
#include "support/GifWriter.h"

using namespace tx;

namespace {

QImage decode(const QByteArray& gif) {
    QBuffer buffer;
    buffer.setData(gif);
    QImageReader reader(&buffer, "gif");
    return reader.read().convertToFormat(QImage::Format_RGB32);
}

// Up to `colours` distinct colours scattered so that LZW strings stay short: many
// codes are made, the code width grows to 12 bits and the table is cleared.
QImage scattered(int w, int h, int colours, std::uint32_t seed) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1103515245u + 12345u;
            const int k = int((seed >> 16) % std::uint32_t(colours));
            img.setPixel(x, y, qRgb(k, (k * 7) & 255, 255 - k));
        }
    return img;
}

int largestChannelError(const QImage& a, const QImage& b) {
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q))});
        }
    return worst;
}

}  // namespace

TEST(GifWriter, PicturesOfFewColoursComeBackExactly) {
    struct Case {
        const char* what;
        QImage image;
    };
    QImage flat(300, 200, QImage::Format_RGB32);
    flat.fill(qRgb(10, 200, 30));  // long runs: codes chain deep into the table
    QImage stripes(257, 3, QImage::Format_ARGB32);
    for (int x = 0; x < 257; ++x)
        for (int y = 0; y < 3; ++y) stripes.setPixel(x, y, qRgba((x & 63) * 4, y * 80, 0, 128));
    const Case cases[] = {
        {"one pixel", scattered(1, 1, 1, 1)},
        {"two colours, odd size", scattered(37, 11, 2, 2)},
        {"a flat picture", flat},
        {"256 colours, several table clears", scattered(400, 300, 256, 3)},
        {"translucent pixels taken opaque", stripes},
    };
    for (const Case& c : cases) {
        const QImage back = decode(encodeGif(c.image));
        const QImage want = c.image.convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(back.size(), want.size()) << c.what;
        EXPECT_EQ(largestChannelError(back, want), 0) << c.what;
    }
}

TEST(GifWriter, ManyColoursAreDitheredCloseToTheOriginal) {
    QImage ramp(256, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 256; ++x) ramp.setPixel(x, y, qRgb(x, (x + y * 4) & 255, 255 - x));
    const QImage back = decode(encodeGif(ramp));
    ASSERT_EQ(back.size(), ramp.size());
    // The cube's steps are 51 and 43 apart: no pixel is further than one step.
    EXPECT_LE(largestChannelError(back, ramp), 51);
    // Dithering keeps the average: mid grey lies between two red levels (102, 153)
    // and a 4 x 4 block of it comes out half of each.
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) ramp.setPixel(x, y, qRgb(128, 128, 128));
    const QImage grey = decode(encodeGif(ramp));
    int sum = 0;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) sum += qRed(grey.pixel(x, y));
    EXPECT_NEAR(sum / 16.0, 128.0, 1.0);
}

TEST(GifWriter, RefusesWhatItCannotWrite) {
    EXPECT_TRUE(encodeGif(QImage()).isEmpty());
    QString error;
    EXPECT_FALSE(writeGif(scattered(2, 2, 2, 1), "/nonexistent-folder/x.gif", &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(DecorationPictures, AreWrittenAsGifsOfTheirSizes) {
    QTemporaryDir dir;
    ASSERT_TRUE(writeDecorationPictures(dir.path()));
    const std::pair<const char*, QSize> files[] = {
        {"Left.gif", {kLeftPictureWidth, kLeftPictureHeight}},
        {"Top.gif", {kTopPictureWidth, kTopPictureHeight}},
        {"Splash.gif", {kSplashWidth, kSplashHeight}},
    };
    for (const auto& [name, size] : files) {
        QImageReader reader(dir.filePath(name));
        EXPECT_EQ(reader.format(), "gif") << name;
        EXPECT_EQ(reader.read().size(), size) << name;
    }
}
