#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "TestUtil.h"
#include "support/DeepZoomWriter.h"
#include "support/PictureFile.h"

using namespace tx;

TEST(DeepZoomGeometry, LevelSizesTileCountsAndOverlaps) {
    struct Case {
        int w, h;
        std::vector<std::pair<int, int>> sizes;  // level 0 first
        int topColumns, topRows;
    } cases[] = {
        {1, 1, {{1, 1}}, 1, 1},
        {255, 1, {{1, 1}, {2, 1}, {4, 1}, {8, 1}, {16, 1}, {32, 1}, {64, 1}, {128, 1}, {255, 1}}, 2, 1},
        {1000, 3, {{1, 1}, {2, 1}, {4, 1}, {8, 1}, {16, 1}, {32, 1}, {63, 1}, {125, 1}, {250, 1}, {500, 2}, {1000, 3}}, 4, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << " x " << c.h);
        const auto levels = deepZoomLevels(c.w, c.h);
        ASSERT_EQ(levels.size(), c.sizes.size());
        for (std::size_t l = 0; l < levels.size(); ++l) {
            EXPECT_EQ(levels[l].width, c.sizes[l].first) << "level " << l;
            EXPECT_EQ(levels[l].height, c.sizes[l].second) << "level " << l;
        }
        EXPECT_EQ(levels.back().columns, c.topColumns);
        EXPECT_EQ(levels.back().rows, c.topRows);
    }
    // 255 wide: tile 0 is 0..254 with one pixel of overlap, tile 1 the last pixel with one before it.
    EXPECT_EQ(deepZoomTileSpan(0, 255).start, 0);
    EXPECT_EQ(deepZoomTileSpan(0, 255).length, 255);
    EXPECT_EQ(deepZoomTileSpan(1, 255).start, 253);
    EXPECT_EQ(deepZoomTileSpan(1, 255).length, 2);
    EXPECT_EQ(deepZoomTileSpan(1, 1000).start, 253);
    EXPECT_EQ(deepZoomTileSpan(1, 1000).length, 256);
    EXPECT_EQ(deepZoomTileSpan(0, 1).length, 1);
}

namespace {

Picture pattern(int w, int h) {
    Picture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.setPixel(x, y, rgb(x * 3 & 0xFF, y * 5 & 0xFF, (x + y) & 0xFF));
    return p;
}

bool writeInStrips(DeepZoomWriter& w, const Picture& p, int stripHeight) {
    if (!w.begin(p.width(), p.height())) return false;
    for (int y = 0; y < p.height(); y += stripHeight) {
        const int h = std::min(stripHeight, p.height() - y);
        Picture strip(p.width(), h);
        blit(strip, 0, 0, p, 0, y, p.width(), h);
        if (!w.write(strip)) return false;
    }
    return w.finish();
}

}  // namespace

TEST(DeepZoomWriter, WritesEveryTileOfEveryLevelAtItsSize) {
    for (auto [w, h, strip] : {std::tuple{1, 1, 1}, {255, 1, 1}, {1000, 3, 2}, {300, 520, 64}}) {
        SCOPED_TRACE(testing::Message() << w << " x " << h);
        QTemporaryDir dir;
        const QString dzi = dir.filePath("m.dzi");
        DeepZoomWriter writer(dzi, 90);
        ASSERT_TRUE(writeInStrips(writer, pattern(w, h), strip)) << writer.error().toStdString();
        EXPECT_TRUE(QFileInfo(dzi).isFile());
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), (QStringList{"m.dzi", "m_files"}));
        const auto levels = deepZoomLevels(w, h);
        for (std::size_t l = 0; l < levels.size(); ++l) {
            const QDir level(dir.filePath("m_files/" + QString::number(l)));
            EXPECT_EQ(level.entryList(QDir::Files).size(), levels[l].columns * levels[l].rows) << "level " << l;
            for (int r = 0; r < levels[l].rows; ++r)
                for (int c = 0; c < levels[l].columns; ++c) {
                    int tw = 0, th = 0;
                    ASSERT_TRUE(pictureSize(level.filePath(QStringLiteral("%1_%2.jpg").arg(c).arg(r)), tw, th));
                    EXPECT_EQ(tw, deepZoomTileSpan(c, levels[l].width).length);
                    EXPECT_EQ(th, deepZoomTileSpan(r, levels[l].height).length);
                }
        }
    }
}

TEST(DeepZoomWriter, CancelMidPyramidLeavesNothingBehind) {
    QTemporaryDir dir;
    {
        DeepZoomWriter writer(dir.filePath("m.dzi"), 90);
        ASSERT_TRUE(writer.begin(600, 600));
        ASSERT_TRUE(writer.write(pattern(600, 300)));
        writer.cancel();
    }
    {
        DeepZoomWriter writer(dir.filePath("m.dzi"), 90);
        ASSERT_TRUE(writer.begin(600, 600));
        ASSERT_TRUE(writer.write(pattern(600, 300)));
    }  // destroyed unfinished
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
}
