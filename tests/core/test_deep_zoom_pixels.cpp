// What the pyramid's tiles show: each tile the right window of its level (overlap
// included), each level the 2 x 2 average of the one above, across strips of any
// height. Grey ramps make a one-pixel shift cost several levels per pixel, far
// more than JPEG at quality 100 loses.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdlib>

#include "support/DeepZoomWriter.h"
#include "support/PictureFile.h"

using namespace tx;

namespace {

// 0, 4, .., 252, 252, 248, ..: no wrap-around edge for JPEG to ring on.
int triangle(int v) {
    const int t = v % 128;
    return 4 * (t < 64 ? t : 127 - t);
}

Picture ramp(int w, int h, bool acrossX) {
    Picture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int v = triangle(acrossX ? x : y);
            p.setPixel(x, y, rgb(v, v, v));
        }
    return p;
}

// The next coarser level: 2 x 2 means, a missing last column or row repeating
// the one before it.
Picture halved(const Picture& p) {
    const int w = (p.width() + 1) / 2, h = (p.height() + 1) / 2;
    Picture out(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int x0 = 2 * x, x1 = std::min(2 * x + 1, p.width() - 1);
            const int y0 = 2 * y, y1 = std::min(2 * y + 1, p.height() - 1);
            const int sum = p.scanLine(y0)[x0 * 3] + p.scanLine(y0)[x1 * 3] + p.scanLine(y1)[x0 * 3] + p.scanLine(y1)[x1 * 3];
            const int v = (sum + 2) / 4;
            out.setPixel(x, y, rgb(v, v, v));
        }
    return out;
}

// Mean absolute difference of the grey of `tile` against `level` from (x0, y0).
double meanDifference(const Picture& tile, const Picture& level, int x0, int y0) {
    long long sum = 0;
    for (int y = 0; y < tile.height(); ++y)
        for (int x = 0; x < tile.width(); ++x) sum += std::abs(tile.scanLine(y)[x * 3 + 1] - level.scanLine(y0 + y)[(x0 + x) * 3 + 1]);
    return static_cast<double>(sum) / (tile.width() * tile.height());
}

}  // namespace

TEST(DeepZoomPixels, EveryTileShowsItsWindowOfItsLevel) {
    struct Case {
        int w, h, strip;
        bool acrossX;
    } cases[] = {
        {700, 530, 37, true},   // strips of odd height: tile rows and 2 x 2 pairs span strips
        {700, 530, 37, false},
        {509, 763, 256, false}, // odd sizes: the last column and row of each level stand alone
        {509, 763, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << " x " << c.h << " in strips of " << c.strip
                                        << (c.acrossX ? ", ramp across" : ", ramp down"));
        QTemporaryDir dir;
        const QString dzi = dir.filePath("m.dzi");
        const Picture picture = ramp(c.w, c.h, c.acrossX);
        DeepZoomWriter writer(dzi, 100);
        ASSERT_TRUE(writer.begin(c.w, c.h));
        for (int y = 0; y < c.h; y += c.strip) {
            Picture strip(c.w, std::min(c.strip, c.h - y));
            blit(strip, 0, 0, picture, 0, y, c.w, strip.height());
            ASSERT_TRUE(writer.write(strip)) << writer.error().toStdString();
        }
        ASSERT_TRUE(writer.finish()) << writer.error().toStdString();

        const std::vector<DeepZoomLevel> levels = deepZoomLevels(c.w, c.h);
        Picture expected = picture;
        for (int l = static_cast<int>(levels.size()) - 1; l >= 0; --l) {
            ASSERT_EQ(expected.width(), levels[l].width) << "level " << l;
            ASSERT_EQ(expected.height(), levels[l].height) << "level " << l;
            for (int r = 0; r < levels[l].rows; ++r)
                for (int col = 0; col < levels[l].columns; ++col) {
                    const TileSpan xs = deepZoomTileSpan(col, levels[l].width);
                    const TileSpan ys = deepZoomTileSpan(r, levels[l].height);
                    Picture tile;
                    ASSERT_TRUE(loadPicture(dir.filePath(QStringLiteral("m_files/%1/%2_%3.jpg").arg(l).arg(col).arg(r)), tile));
                    ASSERT_EQ(tile.width(), xs.length);
                    ASSERT_EQ(tile.height(), ys.length);
                    EXPECT_LT(meanDifference(tile, expected, xs.start, ys.start), 1.0)
                        << "level " << l << " tile " << col << "_" << r;
                }
            expected = halved(expected);
        }
    }
}
