#include <gtest/gtest.h>

#include <QDir>

#include "TestUtil.h"

#include "viewer/CellPicture.h"
#include "viewer/DeleteTiles.h"
#include "viewer/PreviewGeometry.h"
#include "viewer/PreviewQuestions.h"
#include "viewer/TileBrowser.h"
#include "viewer/TilePages.h"
#include "viewer/TilePictures.h"
#include "viewer/ViewerLayout.h"

using namespace tx;
using namespace tx::viewer;

namespace {

PreviewGeometry squareTiles(int cellsX, int cellsY, int areaW = 400, int areaH = 300) {
    return PreviewGeometry(cellsX, cellsY, previewAspect(cellsX, cellsY, 32, 32), areaW, areaH);
}

}  // namespace

TEST(PreviewGeometry, CoveringViewFillsTheAreaWithTheMosaicsProportions) {
    struct Case { int cellsX, cellsY, tileW, tileH, areaW, areaH; std::int64_t width, height, left, top; };
    const Case cases[] = {
        // 10 x 10 in 400 x 300: 400 x 400, the bottom 100 pixels below the area
        {10, 10, 32, 32, 400, 300, 400, 400, 0, 0},
        // twice as wide as high: the width overflows
        {20, 10, 32, 32, 400, 300, 600, 300, 0, 0},
        // same shape as the area
        {4, 3, 32, 32, 400, 300, 400, 300, 0, 0},
        // the tiles' shape counts: 10 x 10 cells of 64 x 32 tiles are twice as wide
        {10, 10, 64, 32, 400, 300, 600, 300, 0, 0},
        // H * aspect = 2.5 and 7.5: halves round to even
        {5, 4, 32, 32, 2, 2, 2, 2, 0, 0},
        {5, 4, 32, 32, 6, 6, 8, 6, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.cellsX << "x" << c.cellsY << " in " << c.areaW << "x" << c.areaH);
        PreviewGeometry g(c.cellsX, c.cellsY, previewAspect(c.cellsX, c.cellsY, c.tileW, c.tileH), c.areaW, c.areaH);
        EXPECT_EQ(g.view().width, c.width);
        EXPECT_EQ(g.view().height, c.height);
        EXPECT_EQ(g.view().left, c.left);
        EXPECT_EQ(g.view().top, c.top);
        EXPECT_DOUBLE_EQ(g.view().scaleX, static_cast<double>(c.width) / c.cellsX);
        EXPECT_DOUBLE_EQ(g.view().scaleY, static_cast<double>(c.height) / c.cellsY);
    }
}

TEST(PreviewGeometry, ZoomKeepsTheClickedCellInTheMiddleWithoutMargins) {
    struct Case { int x, y; MouseButton button; std::int64_t width, height, left, top; };
    // 100 x 100 cells: the covering view is 400 x 400, 4 pixels per cell.
    const Case cases[] = {
        // cell (50, 37) comes to the middle at 8 pixels per cell
        {200, 150, MouseButton::Left, 800, 800, -200, -146},
        // near the top-left corner: clamped to 0
        {2, 2, MouseButton::Left, 800, 800, 0, 0},
        // cell (99, 74): clamped across so the view ends at the area's edge
        {398, 298, MouseButton::Left, 800, 800, -400, -442},
        // zooming out of the covering view stays in it, centred on the cell
        {200, 290, MouseButton::Right, 400, 400, 0, -100},
        {200, 290, MouseButton::Other, 400, 400, 0, -100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "click at " << c.x << "," << c.y);
        PreviewGeometry g = squareTiles(100, 100);
        EXPECT_TRUE(g.zoomAt(c.x, c.y, c.button));
        EXPECT_EQ(g.view().width, c.width);
        EXPECT_EQ(g.view().height, c.height);
        EXPECT_EQ(g.view().left, c.left);
        EXPECT_EQ(g.view().top, c.top);
    }
}

TEST(PreviewGeometry, ZoomInStopsWhenFewCellsAreVisible) {
    // 7 cells across in the covering view: nothing happens at all
    PreviewGeometry seven = squareTiles(7, 7);
    const PreviewView before = seven.view();
    EXPECT_FALSE(seven.zoomAt(100, 100, MouseButton::Left));
    EXPECT_EQ(seven.view().width, before.width);
    EXPECT_EQ(seven.view().top, before.top);
    // 8 across and 8 down (6 visible down at 50 pixels per cell): allowed
    EXPECT_TRUE(squareTiles(8, 8).zoomAt(100, 100, MouseButton::Left));
    // 15 x 8 cells of 64 x 45 tiles: 800 x 300, 7.5 across and 8 down: refused
    PreviewGeometry wide(15, 8, previewAspect(15, 8, 64, 45), 400, 300);
    ASSERT_EQ(wide.view().width, 800);
    EXPECT_FALSE(wide.zoomAt(100, 100, MouseButton::Left));
    // 40 x 40 from 10 pixels per cell: at 40 per cell 10 across and 7.5 down are
    // visible, so one more zoom is allowed; at 80 (5 across) it is refused
    PreviewGeometry g = squareTiles(40, 40);
    EXPECT_TRUE(g.zoomAt(200, 150, MouseButton::Left));
    EXPECT_TRUE(g.zoomAt(200, 150, MouseButton::Left));
    EXPECT_TRUE(g.zoomAt(200, 150, MouseButton::Left));
    EXPECT_FALSE(g.zoomAt(200, 150, MouseButton::Left));
}

TEST(PreviewGeometry, CellsAndLinesOfTheCoveringView) {
    PreviewGeometry g = squareTiles(10, 10);
    const std::vector<int> cols = g.columnCells();
    const std::vector<int> rows = g.rowCells();
    ASSERT_EQ(cols.size(), 400u);
    ASSERT_EQ(rows.size(), 300u);
    EXPECT_EQ(cols[0], 0);
    EXPECT_EQ(cols[39], 0);
    EXPECT_EQ(cols[40], 1);
    EXPECT_EQ(cols[399], 9);
    EXPECT_EQ(rows[299], 7);
    // 3 x 3 cells at 133.33 pixels: cell 1 starts at Int(133.33) = 133, on its line
    PreviewGeometry thirds = squareTiles(3, 3);
    EXPECT_EQ(thirds.columnCells()[132], 0);
    EXPECT_EQ(thirds.columnCells()[133], 1);
    EXPECT_EQ(thirds.verticalLines().front().position, 133);

    // below every row, kept while inside 0..300: 40 .. 280
    const std::vector<GridLine> h = g.horizontalLines();
    ASSERT_EQ(h.size(), 7u);
    EXPECT_EQ(h.front(), (GridLine{40, 0, 400}));
    EXPECT_EQ(h.back(), (GridLine{280, 0, 400}));
    // right of every column: 40 .. 400, the last one on the area's edge
    const std::vector<GridLine> v = g.verticalLines();
    ASSERT_EQ(v.size(), 10u);
    EXPECT_EQ(v.back(), (GridLine{400, 0, 300}));
}

TEST(PreviewGeometry, NarrowViewIsCentredWithEmptyMargins) {
    // one column of ten cells: covering 400 x 4000; zoomed out it is 200 wide
    PreviewGeometry g = squareTiles(1, 10);
    ASSERT_TRUE(g.zoomAt(200, 0, MouseButton::Right));
    EXPECT_EQ(g.view().width, 200);
    EXPECT_EQ(g.view().left, 100);
    const std::vector<int> cols = g.columnCells();
    EXPECT_EQ(cols[99], -1);
    EXPECT_EQ(cols[100], 0);
    EXPECT_EQ(cols[299], 0);
    EXPECT_EQ(cols[300], -1);
    EXPECT_EQ(g.verticalLines(), (std::vector<GridLine>{{300, 0, 300}}));
    EXPECT_EQ(g.horizontalLines().front(), (GridLine{200, 100, 300}));
    // a click in the margin is outside the grid
    EXPECT_EQ(g.cellAt(10, 0).x, -1);
}

TEST(PreviewGeometry, ExtremeGridsStayFiniteAndPaintable) {
    // a long thin view halved again and again never reaches zero pixels per cell
    PreviewGeometry thin = squareTiles(1, 1000);
    for (int i = 0; i < 12; ++i) {
        thin.zoomAt(0, 0, MouseButton::Right);
        EXPECT_GE(thin.view().width, 1) << i;
        EXPECT_GT(thin.view().scaleX, 0.0) << i;
    }

    // 32767 cells of 32767 x 1 tiles: a view far beyond 32 bits
    PreviewGeometry wide(32767, 1, previewAspect(32767, 1, 32767, 1), 400, 300);
    EXPECT_GT(wide.view().width, std::int64_t{1} << 32);
    EXPECT_EQ(wide.view().left, 0);
    EXPECT_TRUE(wide.zoomAt(399, 150, MouseButton::Right));
    EXPECT_EQ(wide.view().left, 0);
    EXPECT_EQ(wide.columnCells()[399], 0);
}

TEST(ViewerLayout, WindowFitsTheAreaAndAStripGrownWithTheFont) {
    struct Case {
        int areaWidth, areaHeight, stripWidth, stripHeight;
        viewer::WindowSize expected;
    } const cases[] = {
        {400, 300, 0, viewer::kStripHeight, {408, 342}},   // the designed window
        {400, 300, 400, 33, {408, 342}},
        {400, 300, 510, 42, {518, 351}},                   // a larger font: wider and taller strip
        {240, 180, 400, 33, {408, 222}},                   // large tiles: a narrow area keeps the strip whole
    };
    for (const Case& c : cases)
        EXPECT_EQ(viewer::viewerClientSize(c.areaWidth, c.areaHeight, c.stripWidth, c.stripHeight), c.expected)
            << c.areaWidth << " x " << c.areaHeight << ", strip " << c.stripWidth << " x " << c.stripHeight;
}

TEST(TilePages, GridWithOneColumnAndRowMoreThanFit) {
    const TilePageGrid g = tilePageGrid(400, 300, 32, 32);
    EXPECT_EQ(g.columns, 13);
    EXPECT_EQ(g.areaWidth, 428);
    EXPECT_EQ(g.rows, 10);
    EXPECT_EQ(g.areaHeight, 329);
    EXPECT_EQ(g.tilesPerPage, 130);
    EXPECT_EQ(tileSpot(g, 12, 32, 32), (TileSpot{396, 0}));
    EXPECT_EQ(tileSpot(g, 13, 32, 32), (TileSpot{0, 33}));
}

TEST(TilePages, PageCountHasNoEmptyLastPage) {
    struct Case { int tiles; const char* label; };
    const Case cases[] = {
        {0, "1/1"}, {1, "1/1"}, {130, "1/1"}, {131, "1/2"}, {260, "1/2"}, {261, "1/3"},
        {40000, "1/253"},  // shown up to 32767 tiles
    };
    for (const Case& c : cases)
        EXPECT_EQ(tilePageLabel(0, lastTilePage(c.tiles, 130)), QString::fromLatin1(c.label)) << c.tiles;
    EXPECT_EQ(tilePageLabel(1, 1), QStringLiteral("2/2"));
}

TEST(PreviewQuestions, AskedInOrderAboveTheirLimits) {
    using Q = PreviewQuestion;
    struct Case { int cx, cy, sw, sh; std::vector<Q> want; };
    const Case cases[] = {
        {200, 200, 1000, 1000, {}},
        {201, 200, 1000, 1000, {Q::BigMosaic}},
        {200, 200, 1001, 1000, {Q::HugeSource}},
        {201, 200, 1001, 1000, {Q::BigMosaic, Q::HugeSource}},
        // products beyond 32 bits
        {32767, 32767, 65536, 65536, {Q::BigMosaic, Q::HugeSource}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(previewQuestions(c.cx, c.cy, c.sw, c.sh), c.want) << c.cx << "x" << c.cy << " " << c.sw << "x" << c.sh;
    EXPECT_TRUE(QString(previewQuestionText(Q::HugeSource)).contains(QLatin1String("calculation. \r\n\r\n")));
    EXPECT_TRUE(QString(previewQuestionText(Q::BigMosaic)).startsWith(QLatin1String("The mosaic size is quite big.\r\n")));
}

TEST(CellPicture, OnePixelPerCellFromTheSoftenedSource) {
    // a flat source keeps its colour
    const Colour teal = rgb(10, 120, 200);
    const Picture flat = previewCellPicture(Picture(90, 70, teal), 6, 4);
    ASSERT_EQ(flat.width(), 6);
    ASSERT_EQ(flat.height(), 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(flat.pixel(x, y), teal);

    // a one-pixel checkerboard at twice the grid: the blur turns it grey, where a
    // plain reduction would give black or white
    Picture checker(16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) checker.setPixel(x, y, (x + y) % 2 ? rgb(255, 255, 255) : rgb(0, 0, 0));
    const Picture cells = previewCellPicture(checker, 8, 8);
    for (int y = 1; y < 7; ++y)
        for (int x = 1; x < 7; ++x) {
            EXPECT_GT(redOf(cells.pixel(x, y)), 100);
            EXPECT_LT(redOf(cells.pixel(x, y)), 156);
        }

    EXPECT_TRUE(previewCellPicture(checker, 0, 8).isEmpty());
    EXPECT_TRUE(previewCellPicture(Picture(), 8, 8).isEmpty());
    // a grid whose doubled picture cannot be made gives no picture, not a crash
    EXPECT_TRUE(previewCellPicture(checker, 32767, 32767).isEmpty());
}

namespace {

// Tile names in list order: t00000.bmp, t00001.bmp, ...
QStringList tileNames(int count) {
    QStringList names;
    for (int i = 0; i < count; ++i) names.append(QStringLiteral("t%1.bmp").arg(i, 5, 10, QLatin1Char('0')));
    return names;
}

}  // namespace

TEST(TilePages, PressSelectsTheCellLeftOfOrAboveAGridLine) {
    const TilePageGrid g = tilePageGrid(400, 300, 32, 32);  // 13 x 10, 428 x 329
    struct Case { int x, y, page; int index; };
    const Case cases[] = {
        {40, 70, 1, 157},          // column 1, row 2 on the second page
        {32, 0, 0, 0},             // on the first vertical line: column 0
        {33, 0, 0, 1},
        {0, 32, 0, 0},             // on the first horizontal line: row 0
        {0, 33, 0, 13},
        {427, 328, 0, 129},        // bottom-right pixel of the area
        {428, 0, 0, -1},           // right of the grid
        {0, 329, 0, -1},           // below it
        {-1, 5, 0, -1},
        {427, 328, 252, -1},       // past any tile that can be shown
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "press at " << c.x << "," << c.y << " page " << c.page);
        const std::optional<TileCell> cell = tileCellAt(g, c.x, c.y, 32, 32);
        EXPECT_EQ(cell ? tileIndexOf(g, c.page, *cell) : -1, c.index);
    }
}

TEST(TilePages, MagnifiedCopyIsCentredOnItsCellAndKeptInsideTheArea) {
    struct Case { int tileW, tileH, column, row; MagnifierPlace want; };
    const Case cases[] = {
        // 32 x 32: a 48 x 48 copy in a 3-pixel frame, 54 x 54, centred 11 pixels up-left
        {32, 32, 0, 0, {0, 0, 54, 54}},       // top-left cell: pushed to 0, 0
        {32, 32, 5, 4, {154, 121, 54, 54}},
        {32, 32, 12, 9, {374, 275, 54, 54}},  // last column and row: ends at 428 x 329
        {32, 32, 11, 8, {352, 253, 54, 54}},
        // 31 x 31 (13 x 10 in 416 x 319): 46 + 6 = 52, centre offset 10.5 rounds to even
        {31, 31, 1, 1, {22, 22, 52, 52}},
        {31, 31, 2, 2, {54, 54, 52, 52}},
        // 27 x 27: 40 + 6 = 46, centre at 18.5 goes down to 18
        {27, 27, 1, 1, {18, 18, 46, 46}},
        // tiles wider than the area: one column, the copy keeps its left edge at 0
        {500, 20, 0, 2, {0, 34, 756, 36}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.tileW << "x" << c.tileH << " cell " << c.column << "," << c.row);
        const TilePageGrid g = tilePageGrid(400, 300, c.tileW, c.tileH);
        const MagnifierPlace p = magnifierPlace(g, {c.column, c.row}, c.tileW, c.tileH);
        EXPECT_EQ(p, c.want);
        if (p.width <= g.areaWidth) {
            EXPECT_LE(p.left + p.width, g.areaWidth);
        }
        EXPECT_LE(p.top + p.height, g.areaHeight);
    }
}

TEST(TileBrowser, PagesAndIndicator) {
    struct Case { int tiles; int lastPage; const char* lastLabel; int cellsOnLastPage; };
    const Case cases[] = {
        {130, 0, "1/1", 130},  // an exact multiple has no empty page
        {131, 1, "2/2", 1},    // the last tile alone in the top-left cell
        {261, 2, "3/3", 1},
        {1, 0, "1/1", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tiles);
        TileBrowser b(tileNames(c.tiles), 32, 32);
        EXPECT_EQ(b.lastPage(), c.lastPage);
        EXPECT_FALSE(b.back());
        while (b.next()) {}
        EXPECT_EQ(b.page(), c.lastPage);
        EXPECT_FALSE(b.canGoForward());
        EXPECT_EQ(b.pageLabel(), QString::fromLatin1(c.lastLabel));
        const std::vector<int> cells = b.pageTiles(b.page());
        EXPECT_EQ(std::count_if(cells.begin(), cells.end(), [](int i) { return i >= 0; }), c.cellsOnLastPage);
        EXPECT_EQ(cells.front(), c.lastPage * 130);
        EXPECT_EQ(static_cast<int>(b.pageIndexes(b.page()).size()), c.cellsOnLastPage);
    }
    // the list is cut at the tiles a 16-bit index can reach
    EXPECT_EQ(TileBrowser(tileNames(32800), 32, 32).tileCount(), 32767);
}

TEST(TileBrowser, SelectionAndMarks) {
    TileBrowser b(tileNames(300), 32, 32);
    ASSERT_TRUE(b.next());
    EXPECT_EQ(b.selectAt(40, 70), 157);
    EXPECT_EQ(b.selectedCell(), (TileCell{1, 2}));

    // marking takes the selection
    EXPECT_TRUE(b.markSelected());
    EXPECT_EQ(b.selected(), -1);
    EXPECT_FALSE(b.markSelected());

    // paging either way ends a selection: an off-screen tile is never marked
    for (const bool forward : {false, true}) {
        b.selectAt(5, 5);
        ASSERT_GE(b.selected(), 0);
        ASSERT_TRUE(forward ? b.next() : b.back());
        EXPECT_EQ(b.selected(), -1);
        EXPECT_FALSE(b.markSelected());
        ASSERT_TRUE(forward ? b.back() : b.next());
    }

    // the marked cell is empty, later tiles keep their places, it cannot be picked
    const std::vector<int> cells = b.pageTiles(1);
    EXPECT_EQ(cells[27], -1);
    EXPECT_EQ(cells[28], 158);
    EXPECT_EQ(b.selectAt(40, 70), -1);

    // marks keep their order
    b.selectAt(73, 70);
    b.markSelected();
    EXPECT_EQ(b.marks(), (QStringList{QStringLiteral("t00157.bmp"), QStringLiteral("t00158.bmp")}));
}

TEST(TilePictures, PageShowsTilesGapsEmptyAndUnreadableCells) {
    const TilePageGrid g = tilePageGrid(100, 60, 20, 10);  // 5 x 6 cells of 20 x 10
    ASSERT_EQ(g.columns, 5);
    const Colour bg = rgb(200, 200, 200);
    const Picture red(20, 10, rgb(255, 0, 0));
    const Picture big(30, 30, rgb(0, 0, 255));  // larger than its cell: cut
    std::vector<PageCell> cells(static_cast<std::size_t>(g.tilesPerPage));
    cells[0] = {PageCell::Kind::Tile, &red};
    cells[1] = {PageCell::Kind::Tile, &big};
    cells[2] = {PageCell::Kind::Unreadable, nullptr};
    const Picture page = composeTilePage(g, 20, 10, cells, bg);
    ASSERT_EQ(page.width(), g.areaWidth);
    ASSERT_EQ(page.height(), g.areaHeight);
    EXPECT_EQ(page.pixel(19, 9), red.pixel(0, 0));
    EXPECT_EQ(page.pixel(20, 5), kGridLineColour);   // vertical gap
    EXPECT_EQ(page.pixel(5, 10), kGridLineColour);   // horizontal gap
    EXPECT_EQ(page.pixel(40, 9), big.pixel(0, 0));
    EXPECT_EQ(page.pixel(41, 5), kGridLineColour);   // the big tile does not cover the gap
    EXPECT_EQ(page.pixel(45, 13), bg);               // nor the cell below
    // unreadable: a cross corner to corner, background between
    EXPECT_EQ(page.pixel(42, 0), kUnreadableCrossColour);
    EXPECT_EQ(page.pixel(61, 0), kUnreadableCrossColour);
    EXPECT_EQ(page.pixel(42, 9), kUnreadableCrossColour);
    EXPECT_EQ(page.pixel(52, 0), bg);
    // empty (marked or past the end)
    EXPECT_EQ(page.pixel(70, 5), bg);
}

TEST(TilePictures, MagnifiedTileInItsFrame) {
    const Colour frame = rgb(0, 120, 215), bg = rgb(240, 240, 240);
    const Picture flat(32, 32, rgb(90, 160, 30));
    const Picture m = magnifiedTile(flat, 32, 32, frame, bg);
    ASSERT_EQ(m.width(), 54);
    ASSERT_EQ(m.height(), 54);
    EXPECT_EQ(m.pixel(2, 27), frame);
    EXPECT_EQ(m.pixel(27, 51), frame);
    EXPECT_EQ(m.pixel(3, 3), flat.pixel(0, 0));
    EXPECT_EQ(m.pixel(50, 50), flat.pixel(0, 0));

    // only the cell's part of a larger picture is magnified
    Picture halves(64, 32, rgb(255, 0, 0));
    halves.fillRect({32, 0, 32, 32}, rgb(0, 0, 255));
    const Picture left = magnifiedTile(halves, 32, 32, frame, bg);
    EXPECT_EQ(left.pixel(50, 27), rgb(255, 0, 0));

    // an unreadable tile: the frame around an empty cell with its cross
    const Picture none = magnifiedTile(Picture(), 32, 32, frame, bg);
    ASSERT_EQ(none.width(), 54);
    EXPECT_EQ(none.pixel(0, 0), frame);
    EXPECT_NE(none.pixel(27, 27), bg);
    EXPECT_EQ(none.pixel(27, 10), bg);
}

TEST(DeleteTiles, RemovesTheMarkedFilesAndTheDatabasesAndReportsFailures) {
    QTemporaryDir dir;
    const QString lib = dir.path() + QStringLiteral("/lib/");
    QDir().mkpath(lib);
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "4x4.txt", "4x4.txt.build"})
        txtest::writeFile(lib + QLatin1String(name));
    // a folder where a tile was: cannot go as a file
    QDir().mkpath(lib + QStringLiteral("d.bmp"));

    const TileDeletion r = deleteTiles(lib, {QStringLiteral("c.bmp"), QStringLiteral("d.bmp"),
                                             QStringLiteral("../outside.bmp"), QStringLiteral("a.bmp")});
    EXPECT_EQ(r.deleted, (QStringList{QStringLiteral("c.bmp"), QStringLiteral("a.bmp")}));
    ASSERT_EQ(r.failures.size(), 2);
    EXPECT_TRUE(r.failures[0].contains(QLatin1String("d.bmp")));
    EXPECT_TRUE(QFile::exists(lib + QStringLiteral("b.bmp")));
    EXPECT_FALSE(QFile::exists(lib + QStringLiteral("a.bmp")));
    EXPECT_FALSE(QFile::exists(lib + QStringLiteral("4x4.txt")));
    EXPECT_FALSE(QFile::exists(lib + QStringLiteral("4x4.txt.build")));
    const QString text = tileDeletionProblem(r);
    EXPECT_TRUE(text.startsWith(QLatin1String("These tiles could not be deleted:"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QLatin1String("d.bmp")));

    // nothing deleted: the databases stay
    txtest::writeFile(lib + QStringLiteral("4x4.txt"));
    const TileDeletion none = deleteTiles(lib, {QStringLiteral("d.bmp")});
    EXPECT_TRUE(none.deleted.isEmpty());
    EXPECT_TRUE(QFile::exists(lib + QStringLiteral("4x4.txt")));
    EXPECT_TRUE(tileDeletionProblem(none).startsWith(QLatin1String("This tile could not be deleted:")));
    EXPECT_TRUE(tileDeletionProblem(deleteTiles(lib, {})).isEmpty());
}
