#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "TestUtil.h"
#include "support/Platform.h"

using tx::platform::EntryKind;
using namespace txtest;

namespace {
QByteArray native(const QString& p) { return QFile::encodeName(p); }
}  // namespace

TEST(Platform, EntryKindsWithAndWithoutFollowingLinks) {
    QTemporaryDir dir;
    const QString file = dir.filePath("file"), folder = dir.filePath("folder"), fifo = dir.filePath("fifo");
    writeFile(file);
    ASSERT_TRUE(QDir().mkdir(folder));
    ASSERT_EQ(::mkfifo(native(fifo).constData(), 0600), 0);
    ASSERT_EQ(::symlink(native(file).constData(), native(dir.filePath("to-file")).constData()), 0);
    ASSERT_EQ(::symlink(native(folder).constData(), native(dir.filePath("to-folder")).constData()), 0);
    ASSERT_EQ(::symlink("nowhere", native(dir.filePath("dangling")).constData()), 0);

    const struct {
        const char* name;
        EntryKind itself, followed;
    } rows[] = {
        {"file", EntryKind::Regular, EntryKind::Regular},   {"folder", EntryKind::Folder, EntryKind::Folder},
        {"fifo", EntryKind::Other, EntryKind::Other},       {"to-file", EntryKind::Link, EntryKind::Regular},
        {"to-folder", EntryKind::Link, EntryKind::Folder},  {"dangling", EntryKind::Link, EntryKind::Missing},
        {"missing", EntryKind::Missing, EntryKind::Missing},
    };
    for (const auto& row : rows) {
        tx::platform::EntryInfo info;
        ASSERT_EQ(tx::platform::entryInfo(dir.filePath(row.name), false, info), 0) << row.name;
        EXPECT_EQ(info.kind, row.itself) << row.name;
        ASSERT_EQ(tx::platform::entryInfo(dir.filePath(row.name), true, info), 0) << row.name;
        EXPECT_EQ(info.kind, row.followed) << row.name;
    }
    tx::platform::EntryInfo info;
    EXPECT_EQ(tx::platform::entryInfo(file + "/below", false, info), ENOTDIR);

    QString resolved;
    ASSERT_EQ(tx::platform::resolveLinks(dir.filePath("to-file"), resolved), 0);
    EXPECT_EQ(resolved, QFileInfo(file).canonicalFilePath());
    EXPECT_EQ(tx::platform::resolveLinks(dir.filePath("dangling"), resolved), ENOENT);
}

TEST(Platform, AttributesCarryNanosecondsAndTimesBefore1970) {
    QTemporaryDir dir;
    const struct {
        std::int64_t accessed, modified;
    } rows[] = {
        {1'000'000'000'123'456'789, 1'100'000'000'000'000'001},
        {-1, -86'400'000'000'001},  // just before the epoch, and a day and a nanosecond before it
    };
    int n = 0;
    for (const auto& row : rows) {
        const QString path = dir.filePath(QString::number(n++));
        int fd = -1;
        ASSERT_EQ(tx::platform::createExclusive(path, fd), 0);
        EXPECT_EQ(tx::platform::createExclusive(path, fd = -1), EEXIST);
        ASSERT_EQ(tx::platform::createExclusive(path + ".2", fd), 0);
        ASSERT_EQ(tx::platform::writeAll(fd, "abc", 3), 0);
        ASSERT_EQ(tx::platform::applyAttributes(fd, {0640, row.accessed, row.modified}), 0);
        ASSERT_EQ(tx::platform::closeFile(fd), 0);

        tx::platform::EntryInfo info;
        ASSERT_EQ(tx::platform::entryInfo(path + ".2", false, info), 0);
        EXPECT_EQ(info.attributes.permissions, 0640u);
        EXPECT_EQ(info.attributes.accessedNs, row.accessed);
        EXPECT_EQ(info.attributes.modifiedNs, row.modified);
        EXPECT_EQ(readFile(path + ".2"), QByteArray("abc"));
    }
}

TEST(Platform, CreateNeverGoesThroughALinkAndRenameReplacesTheLinkItself) {
    QTemporaryDir dir;
    const QString precious = dir.filePath("precious"), link = dir.filePath("link");
    writeFile(precious, "keep");
    ASSERT_EQ(::symlink(native(precious).constData(), native(link).constData()), 0);
    int fd = -1;
    EXPECT_NE(tx::platform::createExclusive(link, fd), 0);
    EXPECT_LT(fd, 0);

    const QString fresh = dir.filePath("fresh");
    ASSERT_EQ(tx::platform::createExclusive(fresh, fd), 0);
    ASSERT_EQ(tx::platform::writeAll(fd, "new", 3), 0);
    ASSERT_EQ(tx::platform::flushToDisk(fd), 0);
    ASSERT_EQ(tx::platform::closeFile(fd), 0);
    ASSERT_EQ(tx::platform::renameOver(fresh, link), 0);
    EXPECT_FALSE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readFile(link), QByteArray("new"));
    EXPECT_EQ(readFile(precious), QByteArray("keep"));
}

TEST(Platform, MakeFolderSaysWhyItCannot) {
    QTemporaryDir dir;
    const struct {
        QString path;
        int result;
    } rows[] = {
        {dir.filePath("new"), 0},
        {dir.filePath("new"), EEXIST},
        {dir.filePath("missing/new"), ENOENT},
    };
    for (const auto& row : rows) EXPECT_EQ(tx::platform::makeFolder(row.path), row.result) << row.path.toStdString();
    EXPECT_TRUE(QFileInfo(dir.filePath("new")).isDir());
}

TEST(Platform, MachineFacts) {
    EXPECT_GT(tx::platform::physicalMemoryBytes(), std::uint64_t{64} << 20);
    // core_tests itself runs from this folder.
    EXPECT_TRUE(QFileInfo(tx::platform::executableFolder() + "/core_tests").isFile());
    EXPECT_TRUE(tx::platform::ownControlGroups().contains(':'));
}
