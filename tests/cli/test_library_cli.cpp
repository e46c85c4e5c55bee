// tesselix-cli library create | index | list | info | delete, run as a child process
// with its own home and settings.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "support/Picture.h"
#include "support/PictureFile.h"

namespace {

struct Result {
    int code = -1;
    QString out;
    QString err;
};

class LibraryCli : public ::testing::Test {
protected:
    QTemporaryDir home;
    QTemporaryDir photos;

    Result cli(const QStringList& args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TESSELIX_HOME", home.path());
        env.insert("TESSELIX_SETTINGS", home.path() + "/settings.ini");
        p.setProcessEnvironment(env);
        p.start(QString::fromUtf8(TX_CLI_PATH), args);
        EXPECT_TRUE(p.waitForFinished(60000));
        return {p.exitCode(), QString::fromLocal8Bit(p.readAllStandardOutput()),
                QString::fromLocal8Bit(p.readAllStandardError())};
    }
    QString library(const QString& name) const { return home.path() + "/Tiles/" + name + "/"; }
};

TEST_F(LibraryCli, CreateIndexInfoListDelete) {
    const QString src = photos.path() + "/";
    ASSERT_TRUE(QDir(src).mkdir("sub"));
    ASSERT_TRUE(tx::saveBmp(tx::Picture(64, 48, tx::rgb(200, 0, 0)), src + "a.BMP"));
    ASSERT_TRUE(tx::saveBmp(tx::Picture(48, 64, tx::rgb(0, 200, 0)), src + "b.bmp"));
    ASSERT_TRUE(tx::saveBmp(tx::Picture(30, 30, tx::rgb(0, 0, 200)), src + "sub/c.bmp"));
    QFile(src + "notes.txt").open(QIODevice::WriteOnly);

    // Without --recurse only the top folder's pictures.
    Result r = cli({"library", "create", "--from", src, "--to", "Flat", "--format", "bmp", "--tile-size", "16x12"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(QDir(library("Flat")).entryList(QDir::Files), QStringList({"1.bmp", "2.bmp"}));
    EXPECT_TRUE(r.err.contains("Creating tiles (2/2)...")) << r.err.toStdString();

    r = cli({"library", "create", "--from", src, "--recurse", "--to", "Deep", "--anchor", "top-left"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(QDir(library("Deep")).entryList(QDir::Files), QStringList({"1.jpg", "2.jpg", "3.jpg"}));
    tx::Picture tile;
    ASSERT_TRUE(tx::loadPicture(library("Deep") + "3.jpg", tile));
    EXPECT_EQ(tile.width(), 32);  // the wizard's default tile size
    EXPECT_EQ(tile.height(), 32);
    EXPECT_GT(tx::blueOf(tile.pixel(16, 16)), 150);  // sub/c.bmp comes last

    r = cli({"library", "list"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "Deep\nFlat\n");

    r = cli({"library", "index", "Flat", "--matrix", "2x2"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("Looking for database..."));
    EXPECT_TRUE(r.err.contains("No database found..."));
    EXPECT_TRUE(r.err.contains("Saving database..."));
    QFile db(library("Flat") + "2x2.txt");
    ASSERT_TRUE(db.open(QIODevice::ReadOnly));
    EXPECT_TRUE(db.readAll().startsWith("2\r\n200\r0\r0\r\n"));
    r = cli({"library", "index", "Flat", "--matrix", "2x2"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.err.contains("Database found..."));
    EXPECT_FALSE(r.err.contains("Saving database..."));

    r = cli({"library", "info", "Flat"});
    ASSERT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.contains("Number of tiles: 2\n"));
    EXPECT_TRUE(r.out.contains("Tile size: 16x12px\n"));
    EXPECT_TRUE(r.out.contains("Format: bmp\n"));
    EXPECT_TRUE(r.out.contains("2x2.txt"));

    r = cli({"library", "delete", "Flat"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.contains("'Flat' was successfully deleted."));
    EXPECT_FALSE(QFileInfo::exists(library("Flat")));
    r = cli({"library", "delete", "Flat"});
    EXPECT_EQ(r.code, 1);
    r = cli({"library", "info", "Flat"});
    EXPECT_EQ(r.code, 1);
    r = cli({"library", "index", "Flat"});
    EXPECT_EQ(r.code, 1);
}

TEST_F(LibraryCli, RefusesBadNamesAndOptions) {
    ASSERT_TRUE(tx::saveBmp(tx::Picture(8, 8), photos.path() + "/a.bmp"));
    for (const char* name : {"../evil", "a/b", "..", ""}) {
        Result r = cli({"library", "create", "--from", photos.path(), "--to", name});
        EXPECT_EQ(r.code, 2) << name;
        EXPECT_TRUE(r.err.contains("Please select a valid name.")) << name;
        r = cli({"library", "delete", name});
        EXPECT_EQ(r.code, 2) << name;
    }
    EXPECT_FALSE(QFileInfo::exists(home.path() + "/evil"));
    EXPECT_EQ(cli({"library", "create", "--from", photos.path(), "--to", "X", "--anchor", "middle"}).code, 2);
    EXPECT_EQ(cli({"library", "create", "--from", photos.path(), "--to", "X", "--format", "png"}).code, 2);
    EXPECT_EQ(cli({"library", "create", "--from", photos.path() + "/nope", "--to", "X"}).code, 2);
    EXPECT_EQ(cli({"library", "index", "X", "--matrix", "13x1"}).code, 2);

    QTemporaryDir empty;
    Result r = cli({"library", "create", "--from", empty.path(), "--to", "X"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("No images found."));
}

}  // namespace
