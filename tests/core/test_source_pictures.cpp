// Which files become tiles and the scan of a folder, with and without sub-folders.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "TestUtil.h"
#include "library/SourcePictures.h"

using namespace tx;

TEST(SourcePictures, PicturesByExtension) {
    for (const char* name : {"a.bmp", "A.BMP", "b.jpg", "c.JPEG", "d.Gif", "x.y.jpg"}) EXPECT_TRUE(isSourcePicture(name)) << name;
    for (const char* name : {"a.png", "notes.txt", "gif", "a.bmp.txt", "a.jpe", ""}) EXPECT_FALSE(isSourcePicture(name)) << name;
}

TEST(SourcePictures, FoundText) {
    EXPECT_EQ(imagesFoundText(0), "0 images found");
    EXPECT_EQ(imagesFoundText(1), "1 image found");
    EXPECT_EQ(imagesFoundText(2), "2 images found");
}

class SourceScan : public ::testing::Test {
protected:
    void SetUp() override {
        root = dir.path() + "/";
        ASSERT_TRUE(QDir(root).mkpath("x/deep"));
        ASSERT_TRUE(QDir(root).mkpath("Y"));
        for (const char* f : {"b.JPG", "a.bmp", "notes.txt", "x/a.jpg", "x/deep/z.gif", "Y/c.bmp", "Y/skip.png"})
            txtest::writeFile(root + f);
    }
    QTemporaryDir dir;
    QString root;
};

TEST_F(SourceScan, TopFolderOnlyOrEverySubfolder) {
    EXPECT_EQ(scanSourceFolder(root, false), QStringList({"a.bmp", "b.JPG"}));
    // A folder's own pictures first, then each sub-folder in name order, ignoring case.
    EXPECT_EQ(scanSourceFolder(root, true), QStringList({"a.bmp", "b.JPG", "x/a.jpg", "x/deep/z.gif", "Y/c.bmp"}));
    EXPECT_EQ(scanSourceFolder(root + "x", true), QStringList({"a.jpg", "deep/z.gif"}));
}

TEST_F(SourceScan, FollowsLinkedFoldersEachOnce) {
    ASSERT_TRUE(QFile::link(root, root + "x/self"));        // a link to the folder itself
    ASSERT_TRUE(QFile::link(root + "x", root + "x/deep/up"));  // a link to a parent
    QTemporaryDir outside;
    txtest::writeFile(outside.path() + "/o.bmp");
    ASSERT_TRUE(QFile::link(outside.path(), root + "disk"));  // pictures kept elsewhere
    const QStringList want{"a.bmp", "b.JPG", "disk/o.bmp", "x/a.jpg", "x/deep/z.gif", "Y/c.bmp"};
    EXPECT_EQ(scanSourceFolder(root, true), want);
    EXPECT_EQ(scanSourceFolder(root, false), QStringList({"a.bmp", "b.JPG"}));
    // The folder chosen may itself be a link.
    ASSERT_TRUE(QFile::link(root, dir.path() + "/chosen"));
    EXPECT_EQ(scanSourceFolder(dir.path() + "/chosen", true), want);
}

TEST_F(SourceScan, ReportsTheCountAndStopsWhenCancelled) {
    QList<int> counts;
    ScanControl control;
    control.found = [&](int n) { counts << n; };
    EXPECT_EQ(scanSourceFolder(root, true, control)->size(), 5);
    EXPECT_EQ(counts, QList<int>({2, 3, 4, 5}));  // root, x, x/deep, Y
    int folders = 0;
    control.cancelled = [&] { return ++folders > 2; };
    EXPECT_FALSE(scanSourceFolder(root, true, control));
    EXPECT_EQ(folders, 3);
}

TEST_F(SourceScan, UnreadableFolderHasNoList) {
    EXPECT_FALSE(scanSourceFolder(root + "missing", false));
    EXPECT_FALSE(scanSourceFolder(root + "a.bmp", true));
    EXPECT_FALSE(scanSourceFolder("", true));
    QTemporaryDir empty;
    EXPECT_EQ(scanSourceFolder(empty.path(), true), QStringList());
}
