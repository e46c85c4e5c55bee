// The settings schema over the store, name matching without regard to case, and the
// machine limits (stored or measured within a control group's memory limit).
#include <QRegularExpression>
#include <gtest/gtest.h>

#include "TestUtil.h"
#include "mosaic/MachineLimits.h"
#include "support/Registry.h"
#include "support/SettingsSchema.h"

using namespace tx;

namespace {

constexpr std::uint64_t MiB = 1ull << 20, GiB = 1ull << 30;

// A fresh settings file for each test.
class Settings : public ::testing::Test {
protected:

    // How many entries of the file carry `name`, whatever its case.
    int entriesNamed(const QString& name) const {
        const QRegularExpression re("(^|\\\\)" + QRegularExpression::escape(name) + "=",
                                    QRegularExpression::CaseInsensitiveOption | QRegularExpression::MultilineOption);
        return int(QString::fromUtf8(txtest::readFile(m_file)).count(re));
    }

    QTemporaryDir m_dir;
    QString m_file = m_dir.filePath("store.ini");
    txtest::ScopedSettingsFile m_store{m_file};
};

TEST_F(Settings, EveryDefaultIsAValidValueOfItsOwnSetting) {
    const auto specs = settingSpecs();
    ASSERT_EQ(specs.size(), std::size_t(32));
    for (const SettingSpec& spec : specs) {
        SCOPED_TRACE(spec.name);
        EXPECT_EQ(settingName(spec.id), QString(spec.name));
        EXPECT_EQ(findSettingSpec(QString(spec.name).toUpper()), &spec);
        EXPECT_EQ(settingText(spec.id), QString(spec.defaultText));
        QString why;
        EXPECT_EQ(normalisedSettingText(spec.id, spec.defaultText, &why), QString(spec.defaultText)) << why.toStdString();
    }
    // The first run as the wizard and the engine see it; nothing is written by reading.
    EXPECT_EQ(settingInt(Setting::Blend), 20);
    EXPECT_EQ(settingInt(Setting::Enhance), 100);
    EXPECT_EQ(settingInt(Setting::Unit), 2);
    EXPECT_EQ(jpegQualitySetting(), 90);
    EXPECT_TRUE(settingBool(Setting::Check));
    EXPECT_TRUE(settingBool(Setting::Lines));
    EXPECT_FALSE(settingBool(Setting::RenderNorm));
    EXPECT_EQ(historySetting(3), Setting::History3);
    EXPECT_FALSE(QFile::exists(m_file));
}

TEST_F(Settings, StoreKeepsAnyTextPerKeyAndRoot) {
    EXPECT_EQ(GetRegValue(RegRoot::LocalMachine, "Software\\nobody\\here", "Value", "dflt"), "dflt");
    for (const char* text : {"", "C:\\Tiles\\a=b;c,d \"q\" %x"}) {
        ASSERT_TRUE(writeSetting("Path", text));
        EXPECT_EQ(readSetting("Path", "dflt"), QString(text));
    }
    // A trailing backslash names the same key; roots are separate stores; the empty
    // name is the key's default value.
    const QString key = "Software\\quorvel Software\\Tesselix\\1.0";
    ASSERT_TRUE(SetRegValue(RegRoot::LocalMachine, key + "\\", "Lines", REG_SZ, "True"));
    EXPECT_EQ(GetRegValue(RegRoot::LocalMachine, key, "Lines", "False"), "True");
    EXPECT_EQ(readSetting("Lines", "False"), "True");
    EXPECT_EQ(GetRegValue(RegRoot::ClassesRoot, key, "Lines", "none"), "none");
    ASSERT_TRUE(SetRegValue(RegRoot::ClassesRoot, "Tesselix.Document", "", REG_SZ, "Mosaic"));
    EXPECT_EQ(GetRegValue(RegRoot::ClassesRoot, "Tesselix.Document\\", "", "-"), "Mosaic");
}

TEST_F(Settings, StoredNumbersAreReadIntoRange) {
    struct Case {
        Setting s;
        const char* stored;
        int expected;
    } cases[] = {
        {Setting::JPGQuality, "40", 40},     {Setting::JPGQuality, "150", 100},   {Setting::JPGQuality, "-3", 0},
        {Setting::JPGQuality, "abc", 90},    {Setting::JPGQuality, "", 90},       {Setting::JPGQuality, " 7 ", 7},
        {Setting::JPGQuality, "40.5", 40},   {Setting::JPGQuality, "41.5", 42},   {Setting::MaxWidth, "0", 1},
        {Setting::MaxWidth, "99000", 32767}, {Setting::Brightness, "-300", -100}, {Setting::MatrixX, "0", 1},
        {Setting::Distance, "51", 50},       {Setting::Check, "0", 0},            {Setting::Check, "2", 1},
        {Setting::Check, "-1", 1},           {Setting::Check, "x", 1},            {Setting::Greyscale, "x", 0},
        {Setting::Dpi, "72.5", 72},          {Setting::Dpi, "73.5", 74},          {Setting::MatrixX, "5.0", 5},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(writeSetting(settingName(c.s), c.stored));
        EXPECT_EQ(settingInt(c.s), c.expected) << settingName(c.s).toStdString() << "=" << c.stored;
    }
    // Only the exact "True" selects linear rendering.
    for (auto [stored, expected] : {std::pair{"True", true}, {"true", false}, {"False", false}, {"1", false}}) {
        ASSERT_TRUE(writeSetting("RenderNorm", stored));
        EXPECT_EQ(settingBool(Setting::RenderNorm), expected) << stored;
    }
}

TEST_F(Settings, WritesAreCheckedAndNormalised) {
    struct Case {
        Setting s;
        const char* text;
        const char* stored;  // nullptr: refused
    } cases[] = {
        {Setting::JPGQuality, "40", "40"},   {Setting::JPGQuality, " 0 ", "0"},   {Setting::JPGQuality, "+100", "100"},
        {Setting::JPGQuality, "101", nullptr}, {Setting::JPGQuality, "-1", nullptr}, {Setting::JPGQuality, "40.5", nullptr},
        {Setting::JPGQuality, "4x", nullptr}, {Setting::JPGQuality, "", nullptr},  {Setting::MaxWidth, "32767", "32767"},
        {Setting::MaxWidth, "32768", nullptr}, {Setting::MaxWidth, "0", nullptr},   {Setting::Brightness, "-100", "-100"},
        {Setting::MatrixY, "13", nullptr},   {Setting::Greyscale, "1", "1"},       {Setting::Greyscale, "2", nullptr},
        {Setting::Greyscale, "True", nullptr}, {Setting::RenderNorm, "true", "True"}, {Setting::RenderNorm, "FALSE", "False"},
        {Setting::RenderNorm, "1", nullptr}, {Setting::History0, " /p/a, b.jpg", " /p/a, b.jpg"},
        {Setting::Dpi, "99999999999", nullptr}, {Setting::Dpi, "72.5", "72.5"},   {Setting::Dpi, " 300 ", "300"},
        {Setting::Dpi, ".5", nullptr},       {Setting::Dpi, "7e2", nullptr},       {Setting::Dpi, "72,5", nullptr},
        {Setting::MatrixX, "5.0", "5.0"},    {Setting::MatrixX, "12.4", "12.4"},   {Setting::MatrixX, "12.6", nullptr},
        {Setting::MatrixY, "0.5", nullptr},  {Setting::MatrixY, "x", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(settingName(c.s).toStdString() + " <- " + c.text);
        QString why;
        const auto text = normalisedSettingText(c.s, c.text, &why);
        ASSERT_EQ(text.has_value(), c.stored != nullptr);
        if (!text) {
            EXPECT_TRUE(why.startsWith(settingName(c.s))) << why.toStdString();
            const QString before = settingText(c.s);
            EXPECT_FALSE(setSettingText(c.s, c.text));
            EXPECT_EQ(settingText(c.s), before);
            continue;
        }
        EXPECT_EQ(*text, QString(c.stored));
        EXPECT_TRUE(setSettingText(c.s, c.text));
        EXPECT_EQ(readSetting(settingName(c.s), "missing"), QString(c.stored));
    }
    // Typed writes clamp, and use the setting's own text forms.
    EXPECT_TRUE(setSettingInt(Setting::JPGQuality, 250));
    EXPECT_EQ(readSetting("JPGQuality", ""), "100");
    EXPECT_TRUE(setSettingInt(Setting::Brightness, -250));
    EXPECT_EQ(readSetting("Brightness", ""), "-100");
    EXPECT_TRUE(setSettingBool(Setting::RenderNorm, true));
    EXPECT_EQ(readSetting("RenderNorm", ""), "True");
    EXPECT_TRUE(setSettingInt(Setting::Prev, 7));
    EXPECT_EQ(readSetting("Prev", ""), "1");
    EXPECT_FALSE(setSettingInt(Setting::History1, 3));
}

TEST_F(Settings, NamesMatchWithoutRegardToCase) {
    // A value stored under another spelling is found, and a write replaces it in place.
    ASSERT_TRUE(writeSetting("jpgquality", "40"));
    EXPECT_EQ(jpegQualitySetting(), 40);
    ASSERT_TRUE(setSettingInt(Setting::JPGQuality, 55));
    EXPECT_EQ(readSetting("JpgQuality", ""), "55");
    EXPECT_EQ(entriesNamed("JPGQuality"), 1);

    // Key paths too.
    ASSERT_TRUE(SetRegValue(RegRoot::LocalMachine, "SOFTWARE\\Quorvel software\\TESSELIX\\1.0\\", "lines", REG_SZ, "0"));
    EXPECT_FALSE(settingBool(Setting::Lines));
    EXPECT_EQ(entriesNamed("Lines"), 1);
    EXPECT_FALSE(QString::fromUtf8(txtest::readFile(m_file)).contains("TESSELIX"));

    // A file that already holds two spellings: the exact one is read, a write leaves one.
    {
        QFile f(m_file);
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write("Software\\quorvel%20Software\\Tesselix\\1.0\\distance=4\n"
                "Software\\quorvel%20Software\\Tesselix\\1.0\\Distance=9\n");
    }
    ASSERT_EQ(entriesNamed("Distance"), 2);
    EXPECT_EQ(settingInt(Setting::Distance), 9);
    ASSERT_TRUE(writeSetting("DISTANCE", "7"));
    EXPECT_EQ(entriesNamed("Distance"), 1);
    EXPECT_EQ(readSetting("distance", ""), "7");
}

TEST_F(Settings, BadNamesAndUnreadableValuesAreRefused) {
    for (const char* name : {"a/b", "a\\b", "/", "\\JPGQuality"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(writeSetting(name, "1"));
        EXPECT_FALSE(SetRegValue(RegRoot::LocalMachine, settingsKey(), name, REG_SZ, "1"));
        EXPECT_EQ(readSetting(name, "d"), "d");
    }
    EXPECT_FALSE(writeSetting("", "1"));
    EXPECT_FALSE(QFile::exists(m_file));
    // A value the store could not read back is not written; the old one stays.
    ASSERT_TRUE(setSettingText(Setting::History0, "/old.jpg"));
    const QString tooLong(kMostValueBytes + 1, QLatin1Char('x'));
    EXPECT_FALSE(setSettingText(Setting::History0, tooLong));
    EXPECT_FALSE(writeSetting("History0", tooLong));
    EXPECT_EQ(settingText(Setting::History0), "/old.jpg");
    EXPECT_TRUE(setSettingText(Setting::History0, QString(kMostValueBytes, QLatin1Char('y'))));
    EXPECT_EQ(settingText(Setting::History0).size(), kMostValueBytes);
}

TEST_F(Settings, AFailedWriteIsReported) {
    txtest::writeFile(m_dir.filePath("plain"));
    qputenv("TESSELIX_SETTINGS", m_dir.filePath("plain/store.ini").toUtf8());
    EXPECT_FALSE(setSettingInt(Setting::JPGQuality, 40));
    EXPECT_EQ(jpegQualitySetting(), 90);
}

TEST_F(Settings, FixedLimitsOnlyWhenTheMachineIsNotChecked) {
    struct Case {
        const char *check, *width, *height;  // nullptr: not stored
        std::optional<std::pair<int, int>> expected;
    } cases[] = {
        {nullptr, nullptr, nullptr, std::nullopt},
        {"1", "3000", "3000", std::nullopt},
        {"0", nullptr, nullptr, std::pair{5000, 5000}},
        {"0", "40000", "-5", std::pair{32767, 1}},
        {"0", "6000", "abc", std::pair{6000, 5000}},
    };
    for (const Case& c : cases) {
        QFile::remove(m_file);
        if (c.check) writeSetting("Check", c.check);
        if (c.width) writeSetting("MaxWidth", c.width);
        if (c.height) writeSetting("MaxHeight", c.height);
        const auto got = fixedLimitsSetting();
        ASSERT_EQ(got.has_value(), c.expected.has_value()) << (c.check ? c.check : "-");
        if (got) {
            EXPECT_EQ(std::pair(got->maxWidth, got->maxHeight), *c.expected);
        }
    }
}

TEST(MachineMemory, GroupLimitTakesTheSmallerOfTheTwo) {
    for (auto [text, bytes] : {std::pair{"max\n", 0ull}, {"536870912\n", 512 * MiB}, {"", 0ull}, {"junk", 0ull},
                               {"-1", 0ull}, {"9223372036854771712", 9223372036854771712ull}})
        EXPECT_EQ(parseGroupLimit(text), bytes) << text;
    struct Case {
        std::uint64_t physical, group, usable;
    } cases[] = {
        {8 * GiB, 0, 8 * GiB},           {8 * GiB, 512 * MiB, 512 * MiB},
        {8 * GiB, 16 * GiB, 8 * GiB},    {0, 512 * MiB, 512 * MiB},
        {8 * GiB, 9223372036854771712ull, 8 * GiB},  // cgroup v1 "no limit"
    };
    for (const Case& c : cases) EXPECT_EQ(usableMemory(c.physical, c.group), c.usable) << c.physical << " " << c.group;
    // A 64 GiB machine in a 1 GiB container plans pages for 1 GiB.
    EXPECT_EQ(limitsForMemory(usableMemory(64 * GiB, GiB)).maxWidth, 9000);
}

TEST(MachineMemory, GroupLimitIsFoundInTheCgroupTree) {
    QTemporaryDir root;
    auto put = [&](const QString& rel, const QByteArray& text) {
        QDir().mkpath(QFileInfo(root.filePath(rel)).path());
        txtest::writeFile(root.filePath(rel), text);
    };
    put("user.slice/memory.max", "1073741824\n");
    put("user.slice/app/memory.max", "max\n");
    put("memory/docker/abc/memory.limit_in_bytes", "3221225472\n");
    put("memory/docker/memory.limit_in_bytes", "9223372036854771712\n");
    put("v1root/memory/memory.limit_in_bytes", "2147483648\n");
    put("v2root/memory.max", "805306368\n");
    put("outside/memory.max", "1024\n");  // beside the mount, out of reach

    struct Case {
        const char* procSelfCgroup;
        const char* under;  // sub-folder of the temporary root standing for /sys/fs/cgroup
        std::uint64_t limit;
    } cases[] = {
        {"0::/user.slice/app\n", "", GiB},                        // a parent's limit binds its children
        {"0::/user.slice\n", "", GiB},
        {"0::/\n", "", 0},                                        // root group: no limit
        {"0::/elsewhere\n", "v2root", 768 * MiB},                 // container: the mount root is the own group
        {"0::/../outside\n", "v2root", 768 * MiB},                // no escape from the mount
        {"5:cpu:/x\n4:cpuacct,memory:/docker/abc\n", "", 3 * GiB},
        {"4:memory:/docker/abc\n", "v1root", 2 * GiB},            // host path not visible inside
        {"1:name=systemd:/\n", "", 0},
        {"", "", 0},
        {"", "v2root", 768 * MiB},                                // /proc/self/cgroup unreadable
        {"", "v1root", 2 * GiB},
    };
    for (const Case& c : cases)
        EXPECT_EQ(groupMemoryLimit(c.procSelfCgroup, root.filePath(c.under)), c.limit) << c.procSelfCgroup << c.under;
}

}  // namespace
