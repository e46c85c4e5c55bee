#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "support/AppPaths.h"

namespace {

// Sets or clears TESSELIX_HOME for one test and restores it afterwards.
class HomeOverride {
public:
    explicit HomeOverride(const QString& value) : m_old(qgetenv("TESSELIX_HOME")), m_had(qEnvironmentVariableIsSet("TESSELIX_HOME")) {
        if (value.isEmpty())
            qunsetenv("TESSELIX_HOME");
        else
            qputenv("TESSELIX_HOME", value.toUtf8());
    }
    ~HomeOverride() {
        if (m_had)
            qputenv("TESSELIX_HOME", m_old);
        else
            qunsetenv("TESSELIX_HOME");
    }

private:
    QByteArray m_old;
    bool m_had;
};

}  // namespace

TEST(AppPaths, ApplicationFolderChoice) {
    struct Case {
        const char* override;
        bool writable, hasTiles;
        const char* expected;
    } cases[] = {
        {"", false, false, "/home/u/.local/share/Tesselix/"},  // installed under /usr
        {"", true, false, "/home/u/.local/share/Tesselix/"},   // a build tree: no Tiles folder
        {"", false, true, "/home/u/.local/share/Tesselix/"},   // Tiles, but read-only (Program Files)
        {"", true, true, "/opt/tx/bin/"},                       // a portable copy
        {"/data/tx/", true, true, "/data/tx/"},                 // the override wins over all
        {"/data/tx/", false, false, "/data/tx/"},
    };
    for (const Case& c : cases) {
        tx::FolderFacts f;
        f.homeOverride = QString::fromLatin1(c.override);
        f.programFolder = QStringLiteral("/opt/tx/bin/");
        f.programWritable = c.writable;
        f.programHasTiles = c.hasTiles;
        f.userDataFolder = QStringLiteral("/home/u/.local/share/Tesselix/");
        EXPECT_EQ(tx::chooseApplicationFolder(f), QString::fromLatin1(c.expected))
            << c.override << " " << c.writable << " " << c.hasTiles;
    }
}

TEST(AppPaths, GfxCandidatesInOrder) {
    tx::FolderFacts f;
    f.programFolder = QStringLiteral("/usr/bin/");
    EXPECT_EQ(tx::gfxCandidates(f), (QStringList{"/usr/bin/Gfx/", "/usr/share/tesselix/Gfx/"}));
    f.homeOverride = QStringLiteral("/data/tx/");
    EXPECT_EQ(tx::gfxCandidates(f), (QStringList{"/data/tx/Gfx/", "/usr/bin/Gfx/", "/usr/share/tesselix/Gfx/"}));
}

TEST(AppPaths, OverrideIsCleanedAndHoldsTheSubfolders) {
    QTemporaryDir dir;
    const HomeOverride env(dir.path() + "/./");
    const QString home = QDir(dir.path()).absolutePath() + "/";
    EXPECT_EQ(tx::applicationFolder(), home);
    EXPECT_EQ(tx::tilesRoot(), home + "Tiles/");
    // Which candidate serves before the override has pictures depends on the build
    // tree (the sanitizer build copies none); once it has them, they win.
    ASSERT_TRUE(QDir(home).mkdir("Gfx"));
    EXPECT_EQ(tx::gfxFolder(), home + "Gfx/");
}

TEST(AppPaths, WithoutOverrideTheUserDataFolderUnlessPortable) {
    QTemporaryDir data;
    const HomeOverride env({});
    const QByteArray oldXdg = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
    const tx::FolderFacts f = tx::currentFolderFacts();
    EXPECT_EQ(f.userDataFolder, QDir(data.path()).absolutePath() + "/Tesselix/");
    // scripts/demo.sh keeps its library in the build folder, which makes the test
    // program's folder a portable copy: the rule is then another test's case.
    if (f.programHasTiles) {
        qputenv("XDG_DATA_HOME", oldXdg);
        if (oldXdg.isEmpty()) qunsetenv("XDG_DATA_HOME");
        GTEST_SKIP() << "the build folder holds a Tiles folder (scripts/demo.sh)";
    }
    EXPECT_EQ(tx::tilesRoot(), f.userDataFolder + "Tiles/");
    qputenv("XDG_DATA_HOME", oldXdg);
    if (oldXdg.isEmpty()) qunsetenv("XDG_DATA_HOME");
}
