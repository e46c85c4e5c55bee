// "library analyse" and "library doubles" run as a separate process.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "support/PictureFile.h"

using namespace tx;

namespace {

struct Result {
    int code = -1;
    QString out, err;
};

class AnalyseCli : public ::testing::Test {
protected:
    QTemporaryDir home;
    QString tiles() const { return home.path() + "/Tiles/"; }

    QString library(const QString& name, const std::vector<Picture>& pictures) {
        const QString folder = tiles() + name + "/";
        QDir().mkpath(folder);
        for (std::size_t k = 0; k < pictures.size(); ++k)
            EXPECT_TRUE(saveBmp(pictures[k], folder + QString::number(k + 1) + ".bmp"));
        return folder;
    }

    Result cli(const QStringList& args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TESSELIX_HOME", home.path());
        env.insert("TESSELIX_SETTINGS", home.path() + "/settings.ini");
        p.setProcessEnvironment(env);
        p.start(TX_CLI_PATH, args);
        EXPECT_TRUE(p.waitForFinished(60000));
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    }
};

Picture grain(int seed, int w = 16, int h = 16) {
    Picture p(w, h);
    unsigned v = static_cast<unsigned>(seed) * 2654435761u + 1;
    for (std::size_t k = 0; k < p.byteCount(); ++k) {
        v = v * 1103515245u + 12345u;
        p.bits()[k] = static_cast<std::uint8_t>(v >> 16);
    }
    return p;
}

}  // namespace

TEST_F(AnalyseCli, AnalysePrintsScoreAndWritesGraph) {
    library("Even", {Picture(8, 8, rgb(0, 0, 0)), Picture(8, 8, rgb(255, 0, 0)), Picture(8, 8, rgb(255, 255, 0)),
                     Picture(8, 8, rgb(255, 255, 255))});
    const QString png = home.path() + "/graph.png";
    const Result r = cli({"library", "analyse", "Even", "--graph", png, "--quiet"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("84%")) << r.out.toStdString();
    QImage graph(png);
    ASSERT_FALSE(graph.isNull());
    EXPECT_EQ(graph.size(), QSize(256, 128));
    EXPECT_EQ(graph.pixelColor(254, 127), QColor(255, 0, 0));
    EXPECT_TRUE(QFile::exists(tiles() + "Even/1x1.txt"));
}

TEST_F(AnalyseCli, AnalyseRefusesMissingOrEmptyLibraries) {
    EXPECT_EQ(cli({"library", "analyse", "Nowhere"}).code, 1);
    QDir().mkpath(tiles() + "Empty");
    EXPECT_EQ(cli({"library", "analyse", "Empty"}).code, 1);
    EXPECT_EQ(cli({"library", "analyse", "../x"}).code, 2);
    EXPECT_EQ(cli({"library", "analyse"}).code, 2);
}

TEST_F(AnalyseCli, DoublesListsWithoutDeleting) {
    const QString folder = library("Dup", {grain(1), grain(2), grain(1), grain(3), grain(2)});
    const Result r = cli({"library", "doubles", "Dup", "--quiet"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("1.bmp\t3.bmp\t0")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("2.bmp\t5.bmp\t0")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("2 doubles found, 0 tiles deleted")) << r.out.toStdString();
    EXPECT_EQ(QDir(folder).entryList({"*.bmp"}).size(), 5);
}

TEST_F(AnalyseCli, DoublesDeletesAsAsked) {
    const QString folder = library("Dup", {grain(1), grain(2), grain(1), grain(1)});
    const Result r = cli({"library", "doubles", "Dup", "--delete", "second", "--quiet"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(QDir(folder).entryList({"*.bmp"}), (QStringList{"1.bmp", "2.bmp"}));

    const QString other = library("Dup2", {grain(1), grain(2), grain(1)});
    EXPECT_EQ(cli({"library", "doubles", "Dup2", "--delete", "first", "--quiet"}).code, 0);
    EXPECT_EQ(QDir(other).entryList({"*.bmp"}), (QStringList{"2.bmp", "3.bmp"}));

    EXPECT_EQ(cli({"library", "doubles", "Dup2", "--delete", "both"}).code, 2);
}
