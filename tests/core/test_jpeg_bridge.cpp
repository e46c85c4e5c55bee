#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/JpegBridge.h"
#include "support/TxError.h"

using tx::cDIBSection;

namespace {

// Top half red, bottom half blue: shows whether rows and channels land the right way round.
void fillHalves(cDIBSection& d, int w, int h) {
    tx::Picture pic(w, h, tx::rgb(0, 0, 255));
    pic.fillRect({0, 0, w, h / 2}, tx::rgb(255, 0, 0));
    d.CreateFromPicture(pic);
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

// Asserts that SaveJpegFile fails with error 26001.
void expectSaveFails(cDIBSection& d, const QString& path) {
    try {
        tx::SaveJpegFile(d, path, 90);
        ADD_FAILURE() << "no error for " << path.toStdString();
    } catch (const tx::TxError& e) {
        EXPECT_EQ(e.number(), 26001);
        EXPECT_TRUE(e.description().startsWith(QStringLiteral("Failed to save to JPG "))) << e.what();
        EXPECT_TRUE(e.source().endsWith(QStringLiteral(".mIntelJPEGLibrary"))) << e.source().toStdString();
    }
}

}  // namespace

TEST(JpegBridge, WritesReadableJpegTheRightWayUp) {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.jpg");
    cDIBSection d;
    fillHalves(d, 32, 32);
    EXPECT_TRUE(tx::SaveJpegFile(d, path, 90));

    const QImage img(path);
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.size(), QSize(32, 32));
    const QColor top = img.pixelColor(16, 4), bottom = img.pixelColor(16, 28);
    EXPECT_GT(top.red(), 200);
    EXPECT_LT(top.blue(), 60);
    EXPECT_GT(bottom.blue(), 200);
    EXPECT_LT(bottom.red(), 60);
}

TEST(JpegBridge, QualityChangesTheFileAndIsClamped) {
    QTemporaryDir dir;
    cDIBSection d;
    ASSERT_TRUE(d.Create(37, 29));  // odd width: padded rows
    d.RandomiseBits(false);
    ASSERT_TRUE(tx::SaveJpegFile(d, dir.filePath("q10.jpg"), 10));
    ASSERT_TRUE(tx::SaveJpegFile(d, dir.filePath("q95.jpg"), 95));
    const QByteArray low = readAll(dir.filePath("q10.jpg")), high = readAll(dir.filePath("q95.jpg"));
    EXPECT_NE(low, high);
    EXPECT_LT(low.size(), high.size());

    EXPECT_TRUE(tx::SaveJpegFile(d, dir.filePath("q0.jpg"), 0));
    EXPECT_TRUE(tx::SaveJpegFile(d, dir.filePath("q1.jpg"), 1));
    EXPECT_EQ(readAll(dir.filePath("q0.jpg")), readAll(dir.filePath("q1.jpg")));
    EXPECT_TRUE(tx::SaveJpegFile(d, dir.filePath("q500.jpg"), 500));
    EXPECT_EQ(QImage(dir.filePath("q500.jpg")).size(), QSize(37, 29));
}

TEST(JpegBridge, OverwriteKeepsTimesAndPermissions) {
    QTemporaryDir dir;
    const QString path = dir.filePath("page.jpg");
    writeFile(path, "old content");
    const QByteArray name = QFile::encodeName(path);
    ASSERT_EQ(::chmod(name.constData(), 0640), 0);
    const struct timespec times[2] = {{1000000000, 123456789}, {1100000000, 987654321}};
    ASSERT_EQ(::utimensat(AT_FDCWD, name.constData(), times, 0), 0);

    cDIBSection d;
    fillHalves(d, 16, 8);
    ASSERT_TRUE(tx::SaveJpegFile(d, path, 90));

    struct stat st {};
    ASSERT_EQ(::stat(name.constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_atim.tv_sec, times[0].tv_sec);
    EXPECT_EQ(st.st_atim.tv_nsec, times[0].tv_nsec);
    EXPECT_EQ(st.st_mtim.tv_sec, times[1].tv_sec);
    EXPECT_EQ(st.st_mtim.tv_nsec, times[1].tv_nsec);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"page.jpg"});
    EXPECT_EQ(QImage(path).size(), QSize(16, 8));  // read last: reading moves the access time
}

TEST(JpegBridge, FailuresRaise26001AndLeaveOldFileIntact) {
    QTemporaryDir dir;
    cDIBSection d;
    fillHalves(d, 8, 8);
    expectSaveFails(d, dir.filePath("missing/folder/x.jpg"));
    EXPECT_FALSE(QFile::exists(dir.filePath("missing")));

    const QString path = dir.filePath("keep.jpg");
    writeFile(path, "precious");
    cDIBSection empty;
    expectSaveFails(empty, path);
    EXPECT_EQ(readAll(path), QByteArray("precious"));

    // A folder in place of the file: nothing can be renamed over it.
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.jpg"));
    expectSaveFails(d, dir.filePath("taken.jpg"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.jpg"});  // no temporary left behind
}

TEST(JpegBridge, ReadOnlyFolderOrFileLeavesOldFileIntact) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    QTemporaryDir dir;
    const QString path = dir.filePath("keep.jpg");
    writeFile(path, "precious");
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0555), 0);
    cDIBSection d;
    fillHalves(d, 8, 8);
    expectSaveFails(d, path);
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    EXPECT_EQ(readAll(path), QByteArray("precious"));

    // A read-only file is not replaced either.
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    expectSaveFails(d, path);
    EXPECT_EQ(readAll(path), QByteArray("precious"));
}
