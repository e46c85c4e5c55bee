// The command line says what failed and exits 1 when it could not write what it
// was asked to, instead of succeeding silently.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFileInfo>

#include "TestUtil.h"

using namespace tx;
using txtest::CliResult;

namespace {

class CliFailures : public txtest::TinyMosaicHome {
protected:
    // A 4 x 3 mosaic of "tiny"; by default from the home's source into m.bmp.
    CliResult mosaic(const QStringList& extra, const QString& out = {}, const QString& from = {}) {
        return run(QStringList{"mosaic", "--source", from.isEmpty() ? source : from, "--library", "tiny", "--quiet",
                               "--cells", "4x3", "--out", out.isEmpty() ? path("m.bmp") : out} +
                   extra);
    }
};

TEST_F(CliFailures, ExtraOutputsThatCannotBeWrittenFailTheCommand) {
    txtest::writeFile(path("afile"));
    struct Case {
        QStringList args;
        QString said;  // part of what stderr must say
    };
    const Case cases[] = {
        {{"--plan", path("missing/plan.csv")}, "--plan"},
        {{"--plan", path("afile/plan.csv")}, "--plan"},
        {{"--work-dir", path("afile")}, "--work-dir"},
        {{"--work-dir", path("afile/sub")}, "--work-dir"},
    };
    for (const Case& c : cases) {
        const CliResult r = mosaic(c.args);
        EXPECT_EQ(r.code, 1) << c.args.join(' ').toStdString() << "\n" << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(c.said)) << r.err.toStdString();
    }
    // A plan path that is a folder: the mosaic is made, the plan cannot be, and that is an error.
    QDir().mkpath(path("plan-dir"));
    const CliResult r = mosaic({"--plan", path("plan-dir")});
    EXPECT_EQ(r.code, 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("cannot write")) << r.err.toStdString();
}

TEST_F(CliFailures, ALostPageIsAFailureAndNamed) {
    // No file can be made in /proc, not even by root: the page is lost.
    for (const char* out : {"/proc/tesselix-page.bmp", "/proc/tesselix-page.jpg"}) {
        const CliResult r = mosaic({}, out);
        EXPECT_EQ(r.code, 1) << out;
        EXPECT_TRUE(r.err.contains("Error saving to Bmp. The image is probably too big.")) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QString("Problem: ") + out)) << r.err.toStdString();  // which page, and why
        EXPECT_TRUE(r.out.trimmed().isEmpty()) << r.out.toStdString();  // no page is reported written
    }
}

TEST_F(CliFailures, LibraryFolderThatCannotBeMadeIsNamed) {
    QDir().mkpath(path("pics"));
    ASSERT_TRUE(saveBmp(txtest::gradient(40, 30), path("pics/a.bmp")));
    // "Tiles" is a file in this home: no library can be made under it.
    QTemporaryDir other;
    txtest::writeFile(QDir(other.path()).filePath("Tiles"));
    const CliResult r = txtest::runCli({"library", "create", "--from", path("pics"), "--to", "new", "--quiet"}, other.path());
    EXPECT_EQ(r.code, 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("cannot be made: ")) << r.err.toStdString();  // and why
}

}  // namespace

namespace {

// What a received library or picture could do to the user, tried end to end.
class HostileInput : public CliFailures {};

TEST_F(HostileInput, OutputThroughALinkToASpecialFileIsRefused) {
    const QString fifo = path("fifo");
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(fifo, path("out.bmp")));
    const CliResult r = mosaic({}, path("out.bmp"));
    EXPECT_EQ(r.code, 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("not a regular file")) << r.err.toStdString();
    EXPECT_TRUE(QFileInfo(path("out.bmp")).isSymLink());  // the link and the pipe are as they were
}

TEST_F(HostileInput, APipeAsTheSourceIsRefusedWithoutHanging) {
    const QString fifo = path("photo.bmp.fifo");
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    const CliResult r = mosaic({}, path("m.bmp"), fifo);  // runCli waits 120 s at most
    EXPECT_EQ(r.code, 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("Please select a valid source image.")) << r.err.toStdString();
}

TEST_F(HostileInput, ADatabaseLinkIsReplacedNotWrittenThrough) {
    const QString outside = path("precious.txt");
    txtest::writeFile(outside, "keep me");
    ASSERT_TRUE(QFile::link(outside, path("Tiles/tiny/3x3.txt")));
    const CliResult r = run({"library", "index", "tiny", "--quiet"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(txtest::readFile(outside), QByteArray("keep me"));
    EXPECT_FALSE(QFileInfo(path("Tiles/tiny/3x3.txt")).isSymLink());
    EXPECT_TRUE(txtest::readFile(path("Tiles/tiny/3x3.txt")).startsWith("20\r\n"));
}

TEST_F(HostileInput, DeceptiveNamesAreRefusedLikeAnyBadName) {
    for (const QString& name : {QString("evil\u202Egpj.exe"), QString("a/b"), QString(".."), QString("zero\u200Bwidth")}) {
        const CliResult r = run({"library", "info", name});
        EXPECT_EQ(r.code, 2) << name.toStdString();
        EXPECT_TRUE(r.err.contains("Please select a valid name.")) << r.err.toStdString();
    }
}

TEST_F(HostileInput, ATopDownBmpIsAValidSource) {
    txtest::writeFile(path("topdown.bmp"), txtest::topDownBmp(txtest::readFile(source)));
    const CliResult r = mosaic({}, path("td.bmp"), path("topdown.bmp"));
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(txtest::sizeOf(path("td.bmp")), QSize(4 * 8, 3 * 8));
}

}  // namespace
