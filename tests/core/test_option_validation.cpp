// The checks of the mosaic and library-creation options: order, texts and focus.
#include <gtest/gtest.h>

#include "support/SettingsSchema.h"

#include "library/CreateLibraryValidation.h"
#include "mosaic/MosaicDefaults.h"
#include "mosaic/MosaicValidation.h"

using namespace tx;

namespace {

MosaicEntries validMosaic() {
    MosaicEntries e;
    e.sourcePath = "photo.jpg";
    e.sourceLoads = true;
    e.cellsX = 60;
    e.cellsY = 45;
    e.library = "Lib";
    e.libraryTileCount = 20;
    e.numberOfTiles = 20;
    e.matrX = e.matrY = 3;
    e.tileWidth = e.tileHeight = 32;
    return e;
}

LibraryEntries validLibrary() {
    LibraryEntries e;
    e.sourceFolder = "/photos";
    e.sourceFolderReadable = true;
    e.targetLibrary = "New";
    e.targetLibraryUsable = true;
    e.tileWidth = e.tileHeight = "32";
    e.imagesFound = 3;
    e.cropMargin = "0";
    return e;
}

const QString kPixelSize = "Please select a valid pixel size.";

}  // namespace

TEST(MosaicValidation, EachCheckWithItsTextAndFocus) {
    struct Case {
        const char* what;
        void (*change)(MosaicEntries&);
        std::optional<OptionProblem> want;
    };
    const Case cases[] = {
        {"valid", [](MosaicEntries&) {}, std::nullopt},
        {"no source", [](MosaicEntries& e) { e.sourcePath.clear(); },
         OptionProblem{"Please select a valid source image.", OptionField::SourceImage}},
        {"unreadable source", [](MosaicEntries& e) { e.sourceLoads = false; },
         OptionProblem{"Please select a valid source image.", OptionField::SourceImage}},
        {"181 x 181", [](MosaicEntries& e) { e.cellsX = e.cellsY = 181; }, std::nullopt},
        {"182 x 181", [](MosaicEntries& e) { e.cellsX = 182; e.cellsY = 181; }, OptionProblem{kPixelSize, OptionField::CellsX}},
        {"200 x 200", [](MosaicEntries& e) { e.cellsX = e.cellsY = 200; }, OptionProblem{kPixelSize, OptionField::CellsX}},
        {"0 down", [](MosaicEntries& e) { e.cellsY = 0; }, OptionProblem{kPixelSize, OptionField::CellsX}},
        {"-1 x -1", [](MosaicEntries& e) { e.cellsX = e.cellsY = -1; }, OptionProblem{kPixelSize, OptionField::CellsX}},
        {"not a number", [](MosaicEntries& e) { e.cellsX.reset(); }, OptionProblem{kPixelSize, OptionField::CellsX}},
        {"no library", [](MosaicEntries& e) { e.library.clear(); },
         OptionProblem{"Please select a valid tile library.", OptionField::TileLibrary}},
        {"empty library", [](MosaicEntries& e) { e.libraryTileCount = 0; e.numberOfTiles = 0; },
         OptionProblem{"Please select a valid tile library.", OptionField::TileLibrary}},
        {"one tile more", [](MosaicEntries& e) { e.numberOfTiles = 21; },
         OptionProblem{"Please select a valid number of tiles.", OptionField::NumberOfTiles}},
        {"no tiles", [](MosaicEntries& e) { e.numberOfTiles = 0; },
         OptionProblem{"Please select a valid number of tiles.", OptionField::NumberOfTiles}},
        {"one tile", [](MosaicEntries& e) { e.numberOfTiles = 1; }, std::nullopt},
        {"matrix 12", [](MosaicEntries& e) { e.matrX = e.matrY = 12; }, std::nullopt},
        {"matrix 13", [](MosaicEntries& e) { e.matrX = 13; },
         OptionProblem{"Please select a value between 1 and 12.", OptionField::MatrixX}},
        {"matrix down 0", [](MosaicEntries& e) { e.matrY = 0; },
         OptionProblem{"Please select a value between 1 and 12.", OptionField::MatrixX}},
        {"tile height 0", [](MosaicEntries& e) { e.tileHeight = 0; }, OptionProblem{kPixelSize, OptionField::TileWidth}},
        {"tile width missing", [](MosaicEntries& e) { e.tileWidth.reset(); }, OptionProblem{kPixelSize, OptionField::TileWidth}},
        // The first failure wins, page by page.
        {"cells before library", [](MosaicEntries& e) { e.cellsX = 0; e.library.clear(); },
         OptionProblem{kPixelSize, OptionField::CellsX}},
        {"tiles before matrix", [](MosaicEntries& e) { e.numberOfTiles = 99; e.matrX = 99; },
         OptionProblem{"Please select a valid number of tiles.", OptionField::NumberOfTiles}},
        {"matrix before tile size", [](MosaicEntries& e) { e.matrX = 99; e.tileWidth = 0; },
         OptionProblem{"Please select a value between 1 and 12.", OptionField::MatrixX}},
    };
    for (const Case& c : cases) {
        MosaicEntries e = validMosaic();
        c.change(e);
        EXPECT_EQ(checkMosaicEntries(e), c.want) << c.what;
    }
}

TEST(CreateLibraryValidation, EachCheckWithItsTextAndFocus) {
    const OptionProblem margin{"Select a valid pixel size.", OptionField::CropMargin};
    const OptionProblem size{kPixelSize, OptionField::TileWidth};
    const OptionProblem noImages{"No images found.", OptionField::SourceFolder};
    struct Case {
        const char* what;
        void (*change)(LibraryEntries&);
        std::optional<OptionProblem> want;
    };
    const Case cases[] = {
        {"valid", [](LibraryEntries&) {}, std::nullopt},
        {"no source", [](LibraryEntries& e) { e.sourceFolder.clear(); },
         OptionProblem{"Please select a valid source path.", OptionField::SourceFolder}},
        {"unreadable source", [](LibraryEntries& e) { e.sourceFolderReadable = false; e.imagesFound = 0; },
         OptionProblem{"Please select a valid source path.", OptionField::SourceFolder}},
        {"no library", [](LibraryEntries& e) { e.targetLibrary.clear(); },
         OptionProblem{"Please select a valid tile library.", OptionField::TargetLibrary}},
        {"unusable library", [](LibraryEntries& e) { e.targetLibraryUsable = false; },
         OptionProblem{"Please select a valid tile library.", OptionField::TargetLibrary}},
        // An empty size is refused before the image count, a size that is no number after it.
        {"empty size, no images", [](LibraryEntries& e) { e.tileHeight.clear(); e.imagesFound = 0; }, size},
        {"bad size, no images", [](LibraryEntries& e) { e.tileHeight = "abc"; e.imagesFound = 0; }, noImages},
        {"bad size", [](LibraryEntries& e) { e.tileWidth = "abc"; }, size},
        {"width 0", [](LibraryEntries& e) { e.tileWidth = "0"; }, size},
        {"beyond 16 bits", [](LibraryEntries& e) { e.tileWidth = "40000"; }, size},
        {"16-bit tile", [](LibraryEntries& e) { e.tileWidth = "32767"; }, std::nullopt},
        {"margin 31", [](LibraryEntries& e) { e.cropMargin = "31"; }, std::nullopt},
        {"margin 32", [](LibraryEntries& e) { e.cropMargin = "32"; }, margin},
        {"margin not below the height", [](LibraryEntries& e) { e.tileWidth = "64"; e.cropMargin = "32"; }, margin},
        {"margin not below the width", [](LibraryEntries& e) { e.tileHeight = "64"; e.cropMargin = "32"; }, margin},
        {"negative margin", [](LibraryEntries& e) { e.cropMargin = "-1"; }, margin},
        {"margin no number", [](LibraryEntries& e) { e.cropMargin = "x"; }, margin},
    };
    for (const Case& c : cases) {
        LibraryEntries e = validLibrary();
        c.change(e);
        EXPECT_EQ(checkLibraryEntries(e), c.want) << c.what;
    }
}

// The settings table and the job's defaults are two views of one set of values.
TEST(MosaicDefaults, AgreeWithTheSettingsTable) {
    using namespace MosaicDefaults;
    const auto n = [](int v) { return QString::number(v); };
    const auto flag = [](bool v) { return QString(v ? "1" : "0"); };
    const std::pair<Setting, QString> want[] = {
        {Setting::Blend, n(kBlend)},       {Setting::Distance, n(kDistance)},   {Setting::Enhance, n(kSaturation)},
        {Setting::Brightness, n(kBrightness)}, {Setting::Greyscale, flag(kGreyscale)},
        {Setting::Subdirs, flag(kRecurseSubfolders)}, {Setting::KeepSize, flag(kKeepSize)},
        {Setting::Link, flag(kLink)},      {Setting::Lock, flag(kLockMatrix)},  {Setting::Force, flag(kForceNewDatabase)},
        {Setting::Filter, flag(kFilter)},  {Setting::MatrixX, n(kMatrixX)},     {Setting::MatrixY, n(kMatrixY)},
        {Setting::Unit, n(static_cast<int>(kUnit))}, {Setting::Dpi, n(kDpi)},
        {Setting::RenderNorm, kSmartRendering ? "False" : "True"},
    };
    for (const auto& [setting, text] : want)
        EXPECT_EQ(QString::fromLatin1(specOf(setting).defaultText), text) << specOf(setting).name;
}
