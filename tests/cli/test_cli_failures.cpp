// The command line says what failed and exits 1 when it could not write what it
// was asked to, instead of succeeding silently.
#include <gtest/gtest.h>

#include "TestUtil.h"

using namespace tx;
using txtest::CliResult;

namespace {

class CliFailures : public ::testing::Test {
protected:
    void SetUp() override {
        txtest::makeLibrary(path("Tiles/tiny"), txtest::flatTiles({rgb(10, 10, 10), rgb(240, 240, 240), rgb(200, 0, 0)}));
        ASSERT_TRUE(saveBmp(txtest::gradient(40, 30), source = path("source.bmp")));
        ASSERT_EQ(run({"settings", "Check", "0"}).code, 0);
    }
    QString path(const QString& name) const { return QDir(home.path()).filePath(name); }
    CliResult run(const QStringList& args) { return txtest::runCli(args, home.path()); }
    CliResult mosaic(const QStringList& extra) {
        return run(QStringList{"mosaic", "--source", source, "--library", "tiny", "--quiet", "--cells", "4x3",
                               "--out", path("m.bmp")} +
                   extra);
    }

    QTemporaryDir home;
    QString source;
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
        const CliResult r = run({"mosaic", "--source", source, "--library", "tiny", "--quiet", "--cells", "4x3",
                                 "--out", out});
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
    EXPECT_FALSE(r.err.trimmed().isEmpty());
}

}  // namespace
