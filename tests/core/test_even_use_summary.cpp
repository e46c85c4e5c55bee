#include <gtest/gtest.h>

#include "mosaic/EvenUseSummary.h"

using namespace tx;

TEST(EvenUseSummary, SaysHowOftenEachTileIsUsed) {
    const QString atOnce = QStringLiteral(" All cells are chosen at once.");
    struct Case {
        EvenUse use;
        int cells, tiles;
        QString text;
    };
    const Case cases[] = {
        {{EvenUseMode::Off, 3}, 100, 10, QString()},
        {{EvenUseMode::EveryTile, 1}, 100, 10, "Every tile is used 10 times." + atOnce},
        {{EvenUseMode::EveryTile, 1}, 16, 3, "Every tile is used 5 or 6 times." + atOnce},
        {{EvenUseMode::EveryTile, 1}, 5, 5, "Every tile is used once." + atOnce},
        {{EvenUseMode::EveryTile, 1}, 7, 5, "Every tile is used 1 or 2 times." + atOnce},
        {{EvenUseMode::EveryTile, 1}, 4, 9, "The best 4 of the 9 tiles are used once each." + atOnce},
        {{EvenUseMode::EveryTile, 1}, 0, 9, "Every tile is used before any tile repeats." + atOnce},
        {{EvenUseMode::MaxUses, 2}, 16, 8, "No tile is used more than 2 times." + atOnce},
        {{EvenUseMode::MaxUses, 1}, 8, 8, "No tile is used more than once." + atOnce},
        {{EvenUseMode::MaxUses, 2}, 17, 8, "Too few: 8 tiles used at most 2 times cannot fill 17 cells."},
        {{EvenUseMode::MaxUses, 1}, 16, 3, "Too few: 3 tiles used at most once cannot fill 16 cells."},
        {{EvenUseMode::MaxUses, 4}, 100, 0, "No tile is used more than 4 times." + atOnce},
    };
    for (const Case& c : cases)
        EXPECT_EQ(evenUseSummary(c.use, c.cells, c.tiles), c.text) << c.cells << " cells, " << c.tiles << " tiles";
}
