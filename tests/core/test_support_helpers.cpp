#include <gtest/gtest.h>
#include <set>

#include "TestUtil.h"
#include "support/FileHelpers.h"

using txtest::writeFile;

TEST(FileHelpers, NamesAndExtensions) {
    for (auto [in, out] : {std::pair{"/data/Tiles", "/data/Tiles/"}, {"/data/Tiles/", "/data/Tiles/"},
                           {"C:\\Tiles\\", "C:\\Tiles\\"}, {"", "/"}})
        EXPECT_EQ(tx::AddBackslash(in), QString(out)) << in;
    for (const char* yes : {"a.JPEG", "b.Jpg", "c.jpeg", "/x/y.jPg"}) EXPECT_TRUE(tx::IsJpgFile(yes)) << yes;
    for (const char* no : {"d.jpe", "e.jpg.bak", "jpg", "", "x.bmp"}) EXPECT_FALSE(tx::IsJpgFile(no)) << no;
    for (const char* yes : {"a.bmp", "B.BMP", "c.bMp"}) EXPECT_TRUE(tx::IsBmpFile(yes)) << yes;
    for (const char* no : {"bmp", "x.bmpx", "", "a.jpg"}) EXPECT_FALSE(tx::IsBmpFile(no)) << no;

    const QString emoji = QString::fromUtf8("\xF0\x9F\x8C\x8A");  // outside the 16-bit range: a surrogate pair
    for (const QString& good : {QString("Holiday 2004"), QString("a.b"), QString::fromUtf8("Fl\xC3\xBCsse ") + emoji,
                                QString(255, QChar('x')), QString(127, QChar(0xE9)) + "x"})  // 255 bytes in UTF-8
        EXPECT_TRUE(tx::isPlainName(good)) << good.toStdString();
    for (const QString& bad :
         {QString(""), QString("."), QString(".."), QString("a/b"), QString("a\\b"), QString("a\tb"), QString("a\nb"),
          QString(QChar(0x7F)) + "x", QString("/"), QString(QChar(0)) + "a",
          QString("gpj") + QChar(0x202E) + "Holiday",                          // right-to-left override
          QString("a") + QChar(0x200B) + "b", QString(QChar(0xFEFF)) + "lib",  // zero-width space, byte order mark
          QString("a") + QChar(0x2028) + "b",                                  // line separator
          QString("   "), QString(QChar(0x3000)), QString(" lib"), QString("lib ") ,
          QString(256, QChar('x')), QString(128, QChar(0xE9)),                 // 256 bytes in UTF-8
          QString("a") + QChar(0xD83C)})                                       // half a surrogate pair
        EXPECT_FALSE(tx::isPlainName(bad)) << bad.toStdString();
}

TEST(FileHelpers, DeleteFolder) {
    QTemporaryDir root;
    const QString lib = root.filePath("Lib");
    ASSERT_TRUE(QDir().mkpath(lib + "/sub"));
    writeFile(lib + "/1.jpg");
    writeFile(lib + "/sub/2.bmp");
    QFile::setPermissions(lib + "/1.jpg", QFileDevice::ReadOwner);
    QFile::setPermissions(lib + "/sub", QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    EXPECT_TRUE(tx::DeleteFolder(lib + "/"));
    EXPECT_FALSE(QFileInfo::exists(lib));

    EXPECT_FALSE(tx::DeleteFolder(root.filePath("missing")));
    EXPECT_FALSE(tx::DeleteFolder(""));
    writeFile(root.filePath("file.txt"));
    EXPECT_FALSE(tx::DeleteFolder(root.filePath("file.txt")));
    EXPECT_TRUE(QFileInfo::exists(root.filePath("file.txt")));
}

TEST(FileHelpers, DeleteFolderDoesNotFollowLinksOutside) {
    QTemporaryDir root;
    const QString outside = root.filePath("outside"), mine = outside + "/mine.jpg", lib = root.filePath("Lib");
    ASSERT_TRUE(QDir().mkpath(outside));
    ASSERT_TRUE(QDir().mkpath(lib));
    writeFile(mine);
    QFile::setPermissions(mine, QFileDevice::ReadOwner);
    ASSERT_TRUE(QFile::link(outside, lib + "/linkdir"));
    ASSERT_TRUE(QFile::link(mine, lib + "/link.jpg"));
    ASSERT_TRUE(QDir().mkpath(lib + "/sub"));
    ASSERT_TRUE(QFile::link(outside, lib + "/sub/deeper"));
    ASSERT_TRUE(QFile::link(outside + "/gone.jpg", lib + "/dangling.jpg"));
    EXPECT_TRUE(tx::DeleteFolder(lib));
    EXPECT_FALSE(QFileInfo::exists(lib));
    EXPECT_TRUE(QFileInfo::exists(mine));
    EXPECT_EQ(QFile::permissions(mine) & QFileDevice::WriteOwner, 0);

    // A library that is itself a link: the link goes, the pictures stay.
    ASSERT_TRUE(QFile::link(outside, root.filePath("Linked")));
    EXPECT_TRUE(tx::DeleteFolder(root.filePath("Linked")));
    EXPECT_FALSE(QFileInfo::exists(root.filePath("Linked")));
    EXPECT_TRUE(QFileInfo::exists(mine));
}

TEST(FileHelpers, RandomIntStaysInRangeAndRepeatsFromASeed) {
    tx::seedRandom(12345);
    std::set<int> seen;
    for (int i = 0; i < 600; ++i) {
        const int v = tx::RandomInt(1, 6);
        ASSERT_GE(v, 1);
        ASSERT_LE(v, 6);
        seen.insert(v);
    }
    EXPECT_EQ(seen.size(), 6u);
    EXPECT_EQ(tx::RandomInt(-3, -3), -3);
    tx::seedRandom(99);
    const int a = tx::RandomInt(0, 32000);
    tx::seedRandom(99);
    EXPECT_EQ(tx::RandomInt(0, 32000), a);
}
