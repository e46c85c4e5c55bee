// tesselix-cli library create | index | list | info | delete | analyse | doubles,
// run as a child process with its own home and settings.
#include <QImage>
#include <gtest/gtest.h>

#include "TestUtil.h"
#include "TrashedFiles.h"

using namespace tx;
using txtest::CliResult;

namespace {

class LibraryCli : public txtest::CliHome {
protected:
    QTemporaryDir photos;
    QString library(const QString& name) const { return home.path() + "/Tiles/" + name + "/"; }
    QStringList tilesOf(const QString& name) const { return QDir(library(name)).entryList({"*.bmp"}); }
};

TEST_F(LibraryCli, CreateIndexInfoListDelete) {
    const QString src = photos.path() + "/";
    ASSERT_TRUE(QDir(src).mkdir("sub"));
    ASSERT_TRUE(saveBmp(Picture(64, 48, rgb(200, 0, 0)), src + "a.BMP"));
    ASSERT_TRUE(saveBmp(Picture(48, 64, rgb(0, 200, 0)), src + "b.bmp"));
    ASSERT_TRUE(saveBmp(Picture(30, 30, rgb(0, 0, 200)), src + "sub/c.bmp"));
    txtest::writeFile(src + "notes.txt");

    // Without --recurse only the top folder's pictures.
    CliResult r = run({"library", "create", "--from", src, "--to", "Flat", "--format", "bmp", "--tile-size", "16x12"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(QDir(library("Flat")).entryList(QDir::Files), QStringList({"1.bmp", "2.bmp"}));
    EXPECT_TRUE(r.err.contains("Creating tiles (2/2)...")) << r.err.toStdString();

    r = run({"library", "create", "--from", src, "--recurse", "--to", "Deep", "--anchor", "top-left"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(QDir(library("Deep")).entryList(QDir::Files), QStringList({"1.jpg", "2.jpg", "3.jpg"}));
    Picture tile;
    ASSERT_TRUE(loadPicture(library("Deep") + "3.jpg", tile));
    EXPECT_EQ(QSize(tile.width(), tile.height()), QSize(32, 32));  // the wizard's default tile size
    EXPECT_GT(blueOf(tile.pixel(16, 16)), 150);                    // sub/c.bmp comes last

    EXPECT_EQ(run({"library", "list"}).out, "Deep\nFlat\n");

    r = run({"library", "index", "Flat", "--matrix", "2x2"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("Saving database..."));
    EXPECT_TRUE(txtest::readFile(library("Flat") + "2x2.txt").startsWith("2\r\n200\r0\r0\r\n"));

    r = run({"library", "info", "Flat"});
    ASSERT_EQ(r.code, 0);
    for (const char* s : {"Number of tiles: 2\n", "Tile size: 16x12px\n", "Format: bmp\n", "2x2.txt"})
        EXPECT_TRUE(r.out.contains(s)) << s;

    r = run({"library", "delete", "Flat"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.contains("'Flat' was successfully deleted."));
    EXPECT_FALSE(QFileInfo::exists(library("Flat")));
    for (const char* command : {"delete", "info", "index"}) EXPECT_EQ(run({"library", command, "Flat"}).code, 1);
}

TEST_F(LibraryCli, RefusesBadNamesAndOptions) {
    ASSERT_TRUE(saveBmp(Picture(8, 8), photos.path() + "/a.bmp"));
    for (const char* name : {"../evil", "a/b", "..", ""}) {
        const CliResult r = run({"library", "create", "--from", photos.path(), "--to", name});
        EXPECT_EQ(r.code, 2) << name;
        EXPECT_TRUE(r.err.contains("Please select a valid name.")) << name;
        EXPECT_EQ(run({"library", "delete", name}).code, 2) << name;
        EXPECT_EQ(run({"library", "analyse", name}).code, 2) << name;
    }
    EXPECT_FALSE(QFileInfo::exists(home.path() + "/evil"));
    const QList<QStringList> bad{
        {"create", "--from", photos.path(), "--to", "X", "--anchor", "middle"},
        {"create", "--from", photos.path(), "--to", "X", "--format", "png"},
        {"index", "X", "--matrix", "13x1"},
        {"analyse"},
        {"doubles", "X", "--delete", "both"},
    };
    for (const QStringList& args : bad) EXPECT_EQ(run(QStringList{"library"} + args).code, 2) << args.join(' ').toStdString();

    QTemporaryDir empty;
    const CliResult r = run({"library", "create", "--from", empty.path(), "--to", "X"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("No images found."));
}

TEST_F(LibraryCli, ChecksTileSizeAndMarginWithTheWizardsTexts) {
    ASSERT_TRUE(saveBmp(Picture(40, 40), photos.path() + "/a.bmp"));
    struct Case { QStringList args; const char* text; };
    const QList<Case> cases{
        {{"--crop-margin", "32"}, "Select a valid pixel size."},  // not smaller than the 32 x 32 tile
        {{"--tile-size", "64x16", "--crop-margin", "16"}, "Select a valid pixel size."},
        {{"--crop-margin", "-1"}, "Select a valid pixel size."},
        {{"--tile-size", "0x32"}, "Please select a valid pixel size."},
        {{"--tile-size", "40000x32"}, "Please select a valid pixel size."},
        {{"--tile-size", "big"}, "Please select a valid pixel size."},
    };
    for (const Case& c : cases) {
        const CliResult r = run(QStringList{"library", "create", "--from", photos.path(), "--to", "X"} + c.args);
        EXPECT_EQ(r.code, 2) << c.args.join(' ').toStdString();
        EXPECT_EQ(r.err.trimmed(), c.text) << c.args.join(' ').toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(library("X")));  // nothing made for a refused request

    const CliResult missing = run({"library", "create", "--from", photos.path() + "/nope", "--to", "X"});
    EXPECT_EQ(missing.err.trimmed(), "Please select a valid source path.");

    const CliResult r = run({"library", "create", "--from", photos.path(), "--to", "X", "--crop-margin", "31", "--format", "bmp"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(tilesOf("X"), QStringList({"1.bmp"}));
}

TEST_F(LibraryCli, RecursionFollowsNoFolderLinks) {
    const QString src = photos.path() + "/";
    ASSERT_TRUE(QDir(src).mkdir("sub"));
    ASSERT_TRUE(saveBmp(Picture(16, 16), src + "a.bmp"));
    ASSERT_TRUE(saveBmp(Picture(16, 16), src + "sub/b.bmp"));
    ASSERT_TRUE(QFile::link(src, src + "sub/again"));
    ASSERT_TRUE(QFile::link(src, src + "here"));
    const CliResult r = run({"library", "create", "--from", src, "--recurse", "--to", "Linked", "--format", "bmp"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(tilesOf("Linked"), QStringList({"1.bmp", "2.bmp"}));
}

TEST_F(LibraryCli, AnalysePrintsScoreAndWritesGraph) {
    txtest::makeLibrary(library("Even"), txtest::flatTiles({rgb(0, 0, 0), rgb(255, 0, 0), rgb(255, 255, 0), rgb(255, 255, 255)}));
    const QString png = home.path() + "/graph.png";
    const CliResult r = run({"library", "analyse", "Even", "--graph", png, "--quiet"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("84%")) << r.out.toStdString();
    const QImage graph(png);
    EXPECT_EQ(graph.size(), QSize(256, 128));
    EXPECT_EQ(graph.pixelColor(254, 127), QColor(255, 0, 0));

    EXPECT_EQ(run({"library", "analyse", "Nowhere"}).code, 1);
    QDir().mkpath(library("Empty"));
    EXPECT_EQ(run({"library", "analyse", "Empty"}).code, 1);
}

TEST_F(LibraryCli, DeleteGoesToTheTrashAndTakesOtherFilesOnlyWhenForced) {
    txtest::makeLibrary(library("Notes"), {txtest::noise(8, 8, 1), txtest::noise(8, 8, 2)});
    txtest::writeFile(library("Notes") + "todo.odt");
    CliResult r = run({"library", "delete", "Notes"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("was not deleted: its folder also holds todo.odt")) << r.err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(library("Notes") + "todo.odt"));

    r = run({"library", "delete", "Notes", "--force"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("2 tiles, 3 files moved to the trash)")) << r.out.toStdString();
    EXPECT_FALSE(QFileInfo::exists(library("Notes")));
    const QString folder = library("Notes");
    EXPECT_TRUE(txtest::trashedPaths().contains(folder.left(folder.size() - 1)));
}

TEST_F(LibraryCli, DoublesListsOrDeletesAsAsked) {
    const auto g = [](unsigned seed) { return txtest::noise(16, 16, seed); };
    txtest::makeLibrary(library("Dup"), {g(1), g(2), g(1), g(3), g(2)});
    const CliResult r = run({"library", "doubles", "Dup", "--quiet"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    for (const char* s : {"1.bmp\t3.bmp\t0", "2.bmp\t5.bmp\t0", "2 doubles found, 0 tiles deleted"})
        EXPECT_TRUE(r.out.contains(s)) << r.out.toStdString();
    EXPECT_EQ(tilesOf("Dup").size(), 5);

    txtest::makeLibrary(library("Second"), {g(1), g(2), g(1), g(1)});
    EXPECT_EQ(run({"library", "doubles", "Second", "--delete", "second", "--quiet"}).code, 0);
    EXPECT_EQ(tilesOf("Second"), (QStringList{"1.bmp", "2.bmp"}));
    EXPECT_EQ(txtest::trashedFrom(library("Second")), 2);  // deleted tiles can be had back
    txtest::makeLibrary(library("First"), {g(1), g(2), g(1)});
    EXPECT_EQ(run({"library", "doubles", "First", "--delete", "first", "--quiet"}).code, 0);
    EXPECT_EQ(tilesOf("First"), (QStringList{"2.bmp", "3.bmp"}));
}

}  // namespace
