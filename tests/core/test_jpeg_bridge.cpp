#include <QImage>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "TestUtil.h"
#include "support/JpegBridge.h"
#include "support/TxError.h"

using tx::cDIBSection;
using txtest::readFile;
using txtest::writeFile;

namespace {

// Top half red, bottom half blue: shows whether rows and channels land the right way round.
tx::Picture halves(int w, int h) {
    tx::Picture pic(w, h, tx::rgb(0, 0, 255));
    pic.fillRect({0, 0, w, h / 2}, tx::rgb(255, 0, 0));
    return pic;
}

// Expects SaveJpegFile to fail with error 26001.
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

TEST(JpegBridge, WritesReadableJpegTheRightWayUpInTheAskedQuality) {
    QTemporaryDir dir;
    cDIBSection d;
    d.CreateFromPicture(halves(32, 32));
    EXPECT_TRUE(tx::SaveJpegFile(d, dir.filePath("a.jpg"), 90));
    const QImage img(dir.filePath("a.jpg"));
    ASSERT_EQ(img.size(), QSize(32, 32));
    const QColor top = img.pixelColor(16, 4), bottom = img.pixelColor(16, 28);
    EXPECT_GT(top.red(), 200);
    EXPECT_LT(top.blue(), 60);
    EXPECT_GT(bottom.blue(), 200);
    EXPECT_LT(bottom.red(), 60);

    ASSERT_TRUE(d.Create(37, 29));  // odd width: padded rows
    d.RandomiseBits(false);
    for (int q : {10, 95, 0, 1, 500}) ASSERT_TRUE(tx::SaveJpegFile(d, dir.filePath(QString("q%1.jpg").arg(q)), q));
    const QByteArray low = readFile(dir.filePath("q10.jpg")), high = readFile(dir.filePath("q95.jpg"));
    EXPECT_LT(low.size(), high.size());
    EXPECT_EQ(readFile(dir.filePath("q0.jpg")), readFile(dir.filePath("q1.jpg")));  // clamped
    EXPECT_EQ(QImage(dir.filePath("q500.jpg")).size(), QSize(37, 29));
}

// A page that is rendered again is a new file; the bridge keeps the old file's
// times and permissions only when asked to.
TEST(JpegBridge, OverwriteGivesANewFileOrKeepsTimesAndPermissionsOnRequest) {
    QTemporaryDir dir;
    const QString probe = dir.filePath("probe");
    writeFile(probe);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(probe).constData(), &st), 0);
    const mode_t defaultMode = st.st_mode & 07777;
    const struct timespec times[2] = {{1000000000, 123456789}, {1100000000, 987654321}};

    cDIBSection d;
    d.CreateFromPicture(halves(16, 8));
    for (bool keep : {false, true}) {
        SCOPED_TRACE(keep ? "keep" : "fresh");
        const QString path = dir.filePath(keep ? "kept.jpg" : "page.jpg");
        writeFile(path, "old content");
        const QByteArray name = QFile::encodeName(path);
        ASSERT_EQ(::chmod(name.constData(), 0640), 0);
        ASSERT_EQ(::utimensat(AT_FDCWD, name.constData(), times, 0), 0);

        ASSERT_TRUE(keep ? tx::SaveJpegFile(d, path, 90, tx::LinkPolicy::FollowToRegularFile, tx::OldAttributes::Keep)
                         : tx::SaveJpegFile(d, path, 90));
        ASSERT_EQ(::stat(name.constData(), &st), 0);
        if (keep) {
            EXPECT_EQ(st.st_mode & 07777, 0640u);
            EXPECT_EQ(st.st_atim.tv_sec, times[0].tv_sec);
            EXPECT_EQ(st.st_atim.tv_nsec, times[0].tv_nsec);
            EXPECT_EQ(st.st_mtim.tv_sec, times[1].tv_sec);
            EXPECT_EQ(st.st_mtim.tv_nsec, times[1].tv_nsec);
        } else {
            EXPECT_EQ(st.st_mode & 07777, defaultMode);
            EXPECT_GT(st.st_mtim.tv_sec, times[1].tv_sec);
            EXPECT_GT(st.st_atim.tv_sec, times[0].tv_sec);
        }
        EXPECT_EQ(QImage(path).size(), QSize(16, 8));  // read last: reading moves the access time
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"kept.jpg", "page.jpg", "probe"}));
}

// How a failure looks (the reasons themselves are checked with the other writers).
TEST(JpegBridge, FailuresRaise26001AndLeaveOldFileIntact) {
    QTemporaryDir dir;
    cDIBSection d;
    d.CreateFromPicture(halves(8, 8));
    expectSaveFails(d, dir.filePath("missing/folder/x.jpg"));

    const QString path = dir.filePath("keep.jpg");
    writeFile(path, "precious");
    cDIBSection empty;
    expectSaveFails(empty, path);
    EXPECT_EQ(readFile(path), QByteArray("precious"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"keep.jpg"});

    if (::geteuid() == 0) return;  // permissions do not bind root
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    expectSaveFails(d, path);
    EXPECT_EQ(readFile(path), QByteArray("precious"));
}
