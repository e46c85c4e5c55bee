// tesselix-cli settings: list, read and write values of the program's settings key.
#include <QRegularExpression>
#include <gtest/gtest.h>

#include "TestUtil.h"
#include "support/Registry.h"
#include "support/SettingsSchema.h"

using txtest::CliResult;

namespace {

class SettingsCli : public txtest::CliHome {
protected:
    QString settingsText() const { return QString::fromUtf8(txtest::readFile(path("settings.ini"))); }
};

TEST_F(SettingsCli, WriteInAnyCaseReplacesTheOneValue) {
    CliResult r = run({"settings", "jpgquality", "40"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    r = run({"settings", "JPGQuality"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "40\n");
    EXPECT_EQ(run({"settings", "JpgQuality", "45"}).code, 0);
    EXPECT_EQ(run({"settings", "jpgQUALITY"}).out, "45\n");
    const QRegularExpression entry("jpgquality=", QRegularExpression::CaseInsensitiveOption);
    EXPECT_EQ(settingsText().count(entry), 1) << settingsText().toStdString();

    // The listing has every setting once, with stored values and defaults.
    r = run({"settings"});
    ASSERT_EQ(r.code, 0);
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.size(), qsizetype(tx::settingSpecs().size()));
    for (const char* line : {"JPGQuality=45", "Check=1", "RenderNorm=False", "History0=", "MaxWidth=5000"})
        EXPECT_TRUE(lines.contains(line)) << line;
}

TEST_F(SettingsCli, BadNamesAndValuesAreUsageErrors) {
    ASSERT_EQ(run({"settings", "Check", "0"}).code, 0);
    struct Case {
        QStringList args;
        const char* message;
    } cases[] = {
        {{"settings", "JPGQuality", "101"}, "JPGQuality takes a whole number from 0 to 100"},
        {{"settings", "jpgquality", "high"}, "JPGQuality takes a whole number from 0 to 100"},
        {{"settings", "MaxWidth", "40000"}, "MaxWidth takes a whole number from 1 to 32767"},
        {{"settings", "check", "yes"}, "Check takes 0 or 1"},
        {{"settings", "RenderNorm", "1"}, "RenderNorm takes True or False"},
        {{"settings", "Dpi", "0.2"}, "Dpi takes a number from 1 to 32767"},
        {{"settings", "NoSuchThing", "1"}, "unknown setting NoSuchThing"},
        {{"settings", "NoSuchThing"}, "unknown setting NoSuchThing"},
        {{"settings", "a/b", "1"}, "must not be empty"},
        {{"settings", "a\\b"}, "must not be empty"},
        {{"settings", "", "1"}, "must not be empty"},
        {{"settings", "a", "b", "c"}, "at most NAME and VALUE"},
    };
    for (const Case& c : cases) {
        const CliResult r = run(c.args);
        EXPECT_EQ(r.code, 2) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
    }
    // Nothing of that reached the store.
    EXPECT_EQ(settingsText().count('='), 1) << settingsText().toStdString();

    // Values are stored in the setting's own form.
    EXPECT_EQ(run({"settings", "rendernorm", "true"}).code, 0);
    EXPECT_EQ(run({"settings", "RenderNorm"}).out, "True\n");
    // Texts keep their fraction.
    EXPECT_EQ(run({"settings", "dpi", "72.5"}).code, 0);
    EXPECT_EQ(run({"settings", "Dpi"}).out, "72.5\n");
}

TEST_F(SettingsCli, ValuesTheProgramDoesNotKnowCanStillBeRead) {
    {
        const txtest::ScopedSettingsFile store(path("settings.ini"));
        ASSERT_TRUE(tx::writeSetting("Legacy", "kept"));
    }
    const CliResult r = run({"settings", "LEGACY"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "kept\n");
}

}  // namespace
