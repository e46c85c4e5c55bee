// Removing tiles and libraries: to the trash (the test's own, under XDG_DATA_HOME)
// or for good, never following links, and what a library folder holds.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "TestUtil.h"
#include "library/LibraryDeletion.h"
#include "support/Trash.h"

using tx::Disposal;

namespace {

QString trashed(const QString& name) { return qEnvironmentVariable("XDG_DATA_HOME") + "/Trash/files/" + name; }

}  // namespace

TEST(Trash, EntriesGoToTheTrashOrForGood) {
    ASSERT_TRUE(qEnvironmentVariable("XDG_DATA_HOME").startsWith(QDir::tempPath()));  // never the user's trash
    const struct {
        Disposal how;
        const char* name;
        bool inTrash;
    } cases[] = {{Disposal::Trash, "kept-in-trash.bmp", true}, {Disposal::Delete, "gone-for-good.bmp", false}};
    for (const auto& c : cases) {
        QTemporaryDir dir;
        const QString file = dir.filePath(c.name);
        txtest::writeFile(file, "tile");
        QString error;
        EXPECT_TRUE(tx::discardFileEntry(file, &error, c.how)) << error.toStdString();
        EXPECT_FALSE(QFileInfo::exists(file));
        EXPECT_EQ(QFileInfo::exists(trashed(c.name)), c.inTrash) << c.name;
        if (c.inTrash) {
            EXPECT_EQ(txtest::readFile(trashed(c.name)), "tile");
        }

        // a missing entry is no failure; a folder is not a tile and stays
        EXPECT_TRUE(tx::discardFileEntry(file, nullptr, c.how));
        ASSERT_TRUE(QDir().mkdir(dir.filePath("folder.bmp")));
        EXPECT_FALSE(tx::discardFileEntry(dir.filePath("folder.bmp"), &error, c.how));
        EXPECT_TRUE(error.contains("folder.bmp: it is a folder")) << error.toStdString();
        EXPECT_TRUE(QFileInfo(dir.filePath("folder.bmp")).isDir());

        // a link goes as a link; what it points to stays
        txtest::writeFile(dir.filePath("target.bmp"), "target");
        const QString link = dir.filePath(QStringLiteral("link-%1.bmp").arg(int(c.how)));
        ASSERT_TRUE(QFile::link(dir.filePath("target.bmp"), link));
        EXPECT_TRUE(tx::discardFileEntry(link, nullptr, c.how));
        EXPECT_FALSE(QFileInfo(link).isSymLink());
        EXPECT_EQ(txtest::readFile(dir.filePath("target.bmp")), "target");
    }
}

TEST(Trash, FoldersGoWhole) {
    for (const Disposal how : {Disposal::Trash, Disposal::Delete}) {
        QTemporaryDir dir;
        const QString name = how == Disposal::Trash ? "LibInTrash" : "LibForGood";
        const QString lib = dir.filePath(name) + "/";
        ASSERT_TRUE(QDir().mkpath(lib + "sub"));
        txtest::writeFile(lib + "1.bmp");
        txtest::writeFile(lib + "sub/notes.txt");
        QString error;
        EXPECT_TRUE(tx::discardFolder(lib, &error, how)) << error.toStdString();
        EXPECT_FALSE(QFileInfo::exists(lib));
        EXPECT_EQ(QFileInfo::exists(trashed(name + "/sub/notes.txt")), how == Disposal::Trash);
        EXPECT_FALSE(tx::discardFolder(lib, &error, how));  // nothing there any more
    }
}

TEST(LibraryDeletion, ContentsAndQuestion) {
    QTemporaryDir dir;
    const QString lib = dir.path() + "/";
    for (const char* f : {"1.bmp", "2.JPG", "3.jpeg", "4x4.txt", "4x4.txt.build", "12x1.txt"}) txtest::writeFile(lib + f);
    tx::LibraryContents c = tx::libraryContents(lib);
    EXPECT_EQ(c.files, 6);
    EXPECT_EQ(c.tiles, 3);
    EXPECT_EQ(c.databases, 3);
    EXPECT_TRUE(c.others.isEmpty());
    EXPECT_EQ(tx::deleteLibraryQuestion("Cats", c, Disposal::Trash),
              "Do you really want to delete the library 'Cats'?\r\n\r\n"
              "It holds 6 files (3 tiles, 3 color database files), which go to the trash.");

    txtest::writeFile(lib + "Holiday notes.odt");
    ASSERT_TRUE(QDir().mkpath(lib + "raw"));
    txtest::writeFile(lib + "raw/a.nef");
    txtest::writeFile(lib + "raw/b.nef");
    txtest::writeFile(lib + "0x1.txt");  // no matrix has 0 steps: not a database
    c = tx::libraryContents(lib);
    EXPECT_EQ(c.files, 10);
    EXPECT_EQ(c.others, QStringList({"0x1.txt", "Holiday notes.odt", "raw/"}));
    EXPECT_EQ(tx::deleteLibraryQuestion("Cats", c, Disposal::Delete),
              "Do you really want to delete the library 'Cats'?\r\n\r\n"
              "It holds 10 files (3 tiles, 3 color database files, 3 other entries), which are deleted for good."
              "\r\n\r\nThese are not tiles or color databases and go with it:"
              "\r\n    0x1.txt\r\n    Holiday notes.odt\r\n    raw/");

    QTemporaryDir empty;
    EXPECT_EQ(tx::deleteLibraryQuestion("E", tx::libraryContents(empty.path()), Disposal::Trash),
              "Do you really want to delete the library 'E'?\r\n\r\n"
              "It holds 0 files (0 tiles, 0 color database files), which go to the trash.");
}

TEST(Trash, NoTrashFolderLeavesTheEntryInPlace) {
    QTemporaryDir dir;
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    const QString cwd = QDir::currentPath();
    txtest::writeFile(dir.filePath("plain-file"));
    qputenv("XDG_DATA_HOME", dir.filePath("plain-file/data").toUtf8());  // cannot be made
    ASSERT_TRUE(QDir::setCurrent(dir.filePath(".")));  // where Qt would put it instead
    const QString tile = dir.filePath("1.bmp");
    txtest::writeFile(tile, "tile");
    QString error;
    const bool ok = tx::discardFileEntry(tile, &error, Disposal::Trash);
    QDir::setCurrent(cwd);
    qputenv("XDG_DATA_HOME", saved);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(error.startsWith("Cannot write 1.bmp: it cannot be moved to the trash")) << error.toStdString();
    EXPECT_EQ(txtest::readFile(tile), "tile");
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("files/1.bmp")));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("info/1.bmp.trashinfo")));
}
