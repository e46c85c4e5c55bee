// Whether a chosen target can take a mosaic, and where the target dialog opens.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "TestUtil.h"
#include "mosaic/MosaicTarget.h"

using namespace tx;

// A zoomable page replaces its description and folder too: any of them asks first.
TEST(MosaicTarget, NamesWhatASaveWouldReplace) {
    QTemporaryDir dir;
    const QString d = dir.path();
    txtest::writeFile(d + "/a.html");
    txtest::writeFile(d + "/b.dzi");
    QDir().mkpath(d + "/c_files");
    txtest::writeFile(d + "/d.jpg");
    QDir().mkpath(d + "/d_files");  // d.jpg does not replace it, d.html does
    struct Case {
        const char* name;
        QStringList replaced;
    } cases[] = {
        {"a.html", {d + "/a.html"}},
        {"b.HTML", {d + "/b.dzi"}},
        {"c.html", {d + "/c_files"}},
        {"d.jpg", {d + "/d.jpg"}},
        {"d.html", {d + "/d_files"}},
        {"e.html", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(existingTargetFiles(d + "/" + c.name), c.replaced) << c.name;
}

TEST(MosaicTarget, UsableTargetsLeaveNoTrace) {
    QTemporaryDir dir;
    const QString d = dir.path();
    QDir().mkpath(d + "/sub.jpg");
    txtest::writeFile(d + "/old.jpg", "x");
    txtest::writeFile(d + "/old.jpg_", "mine");
    struct Case {
        QString path;
        const char* problem;  // part of the message; empty: usable
    } cases[] = {
        {d + "/new.jpg", ""},
        {d + "/old.jpg", ""},
        {d + "/new.png", ""},
        {d + "/new.tif", "\".tif\""},
        {d + "/new", "no extension"},
        {d + "/missing/new.bmp", "does not exist"},
        {d + "/sub.jpg", "is not a file"},
    };
    for (const Case& c : cases) {
        const auto problem = mosaicTargetProblem(c.path);
        EXPECT_EQ(problem.has_value(), *c.problem != 0) << c.path.toStdString();
        if (problem) {
            EXPECT_TRUE(problem->contains(c.problem)) << problem->toStdString();
        }
    }
    // The write test removed its probe and left the user's files alone.
    EXPECT_EQ(QDir(d).entryList(QDir::Files), (QStringList{"old.jpg", "old.jpg_"}));
    EXPECT_EQ(txtest::readFile(d + "/old.jpg_"), "mine");
}

TEST(MosaicTarget, DialogOpensBesideTheTargetOrTheSource) {
    QTemporaryDir dir;
    const QString d = dir.path();
    QDir().mkpath(d + "/out");
    QDir().mkpath(d + "/photos");
    struct Case {
        QString target, source, folder;
    } cases[] = {
        {d + "/out/m.jpg", d + "/photos/p.jpg", d + "/out/"},
        {d + "/gone/m.jpg", d + "/photos/p.jpg", d + "/photos/"},
        {"", d + "/photos/p.jpg", d + "/photos/"},
        {"m.jpg", "", "/app/"},
        {"", "p.jpg", "/app/"},
        {"", "", "/app/"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(targetDialogFolder(c.target, c.source, "/app/"), c.folder) << c.target.toStdString() << " | " << c.source.toStdString();
}
