#pragma once
// Helpers shared by the tests: files, small pictures and libraries, recording and
// cancelling hosts, and a runner for the command-line program.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSize>
#include <QStringList>
#include <QTemporaryDir>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <random>
#include <vector>

#include "support/Picture.h"
#include "support/PictureFile.h"
#include "task/Task.h"
#include "task/TaskHost.h"

namespace txtest {

inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Writes or replaces a file.
inline void writeFile(const QString& path, const QByteArray& data = "x") {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(data);
}

// Every byte drawn from a seeded generator.
inline tx::Picture noise(int w, int h, unsigned seed) {
    tx::Picture p(w, h);
    std::mt19937 g(seed);
    for (std::size_t k = 0; k < p.byteCount(); ++k) p.bits()[k] = static_cast<std::uint8_t>(g());
    return p;
}

// Every pixel different: red = x, green = y, blue = x + y (mod 256).
inline tx::Picture gradient(int w, int h) {
    tx::Picture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.setPixel(x, y, tx::rgb(x, y, x + y));
    return p;
}

// One flat picture per colour.
inline std::vector<tx::Picture> flatTiles(const std::vector<tx::Colour>& colours, int w = 8, int h = 8) {
    std::vector<tx::Picture> out;
    for (tx::Colour c : colours) out.emplace_back(w, h, c);
    return out;
}

// Saves the pictures as 1.bmp, 2.bmp, ... into `folder` (made if missing); returns it with a slash.
inline QString makeLibrary(const QString& folder, const std::vector<tx::Picture>& tiles) {
    QDir().mkpath(folder);
    const QString f = folder.endsWith('/') ? folder : folder + "/";
    for (std::size_t k = 0; k < tiles.size(); ++k)
        EXPECT_TRUE(tx::saveBmp(tiles[k], f + QString::number(k + 1) + ".bmp"));
    return f;
}

// The same uncompressed BMP stored top-down: rows in reverse order, height negated.
inline QByteArray topDownBmp(const QByteArray& bmp) {
    if (bmp.size() < 54) return {};
    const auto field = [&](int at) {
        const auto byte = [&](int k) { return static_cast<quint32>(static_cast<quint8>(bmp.at(at + k))); };
        return static_cast<qint32>(byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24);
    };
    const qint32 offset = field(10), width = field(18), height = field(22), stride = (width * bmp[28] + 31) / 32 * 4;
    QByteArray out = bmp.left(offset);
    for (int y = height - 1; y >= 0; --y) out += bmp.mid(offset + y * stride, stride);
    const qint32 negative = -height;
    out.replace(22, 4, QByteArray(reinterpret_cast<const char*>(&negative), 4));
    return out;
}

inline QSize sizeOf(const QString& file) {
    int w = 0, h = 0;
    return tx::pictureSize(file, w, h) ? QSize(w, h) : QSize();
}

// Points the settings store at `file` while the object lives.
class ScopedSettingsFile {
public:
    explicit ScopedSettingsFile(const QString& file) : m_old(qgetenv("TESSELIX_SETTINGS")) {
        qputenv("TESSELIX_SETTINGS", file.toUtf8());
    }
    ~ScopedSettingsFile() {
        if (m_old.isNull()) qunsetenv("TESSELIX_SETTINGS");
        else qputenv("TESSELIX_SETTINGS", m_old);
    }
    ScopedSettingsFile(const ScopedSettingsFile&) = delete;
    ScopedSettingsFile& operator=(const ScopedSettingsFile&) = delete;

private:
    QByteArray m_old;
};

// Arms the guard and sets the task running, as DispatchJob does before an engine.
inline void start(tx::Task& task) {
    task.guard().arm();
    task.setRunning(true);
}

// Records everything an engine reports; answers questions from queues.
class RecordingHost : public tx::TaskHost {
public:
    void statusChanged(const QString& text) override { std::lock_guard l(m); statuses << text; }
    void progressChanged(int value, int maximum) override {
        std::lock_guard l(m);
        lastValue = value;
        lastMaximum = maximum;
        values.push_back(value);
    }
    void timeTextChanged(const QString& text) override { std::lock_guard l(m); timeTexts << text; }
    void buttonCaptionChanged(const QString& caption) override { std::lock_guard l(m); buttons << caption; }
    void previewChanged(const tx::Picture& p) override {
        std::lock_guard l(m);
        lastPreview = p;
        ++previewCount;
    }
    void showMessage(tx::MessageIcon icon, const QString& text, tx::MessageEffect effect) override {
        std::lock_guard l(m);
        messages << text;
        icons.push_back(icon);
        effects.push_back(effect);
    }
    tx::DoublesAnswer askDoubles(const tx::DoublesQuestion& q) override {
        std::lock_guard l(m);
        questions.push_back(q);
        if (answers.empty()) return tx::DoublesAnswer::Keep;
        auto a = answers.front();
        answers.erase(answers.begin());
        return a;
    }
    void analysisResult(const QString& scoreText, const tx::Picture& graph) override {
        std::lock_guard l(m);
        score = scoreText;
        this->graph = graph;
    }
    void closeRequested() override { closed = true; }

    mutable std::mutex m;
    QStringList statuses, timeTexts, buttons, messages;
    std::vector<tx::MessageIcon> icons;
    std::vector<tx::MessageEffect> effects;
    std::vector<int> values;
    int lastValue = 0, lastMaximum = 0;
    tx::Picture lastPreview;
    int previewCount = 0;
    std::vector<tx::DoublesQuestion> questions;
    std::vector<tx::DoublesAnswer> answers;
    QString score;
    tx::Picture graph;
    bool closed = false;
};

// Cancels `task` as soon as when(latest status, value) holds; value is -1 for a status report.
class CancellingHost : public RecordingHost {
public:
    tx::Task* task = nullptr;
    std::function<bool(const QString& status, int value)> when;

    void statusChanged(const QString& text) override {
        RecordingHost::statusChanged(text);
        check(-1);
    }
    void progressChanged(int value, int maximum) override {
        RecordingHost::progressChanged(value, maximum);
        check(value);
    }

private:
    void check(int value) {
        QString status;
        {
            std::lock_guard l(m);
            status = statuses.isEmpty() ? QString() : statuses.last();
        }
        if (task && when && when(status, value)) task->cancel();
    }
};

#ifdef TX_CLI_PATH
struct CliResult {
    int code = -1;
    QString out, err;
};

// Runs tesselix-cli as a child process with its own home folder and settings file.
inline CliResult runCli(const QStringList& args, const QString& home) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TESSELIX_HOME", home);
    env.insert("TESSELIX_SETTINGS", home + "/settings.ini");
    p.setProcessEnvironment(env);
    p.start(QString::fromUtf8(TX_CLI_PATH), args);
    EXPECT_TRUE(p.waitForFinished(120000)) << args.join(' ').toStdString();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

// A test with its own home folder (and settings file) for the command-line program.
class CliHome : public ::testing::Test {
protected:
    QString path(const QString& name) const { return QDir(home.path()).filePath(name); }
    CliResult run(const QStringList& args) { return runCli(args, home.path()); }
    // Fixed page limits instead of a machine test before every mosaic.
    void skipMachineTest() { ASSERT_EQ(run({"settings", "Check", "0"}).code, 0); }

    QTemporaryDir home;
};

// A home with the library "tiny" (20 flat tiles from dark to light, warm and cool by
// turns), a 40 x 30 source picture and fixed page limits.
class TinyMosaicHome : public CliHome {
protected:
    void SetUp() override {
        std::vector<tx::Colour> colours;
        for (int t = 0, v = 10; t < 20; ++t, v += 12)
            colours.push_back(t % 2 ? tx::rgb(v, v / 2, 255 - v) : tx::rgb(v, v, v / 3));
        library = makeLibrary(path("Tiles/tiny"), flatTiles(colours));
        tx::Picture photo(40, 30);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) photo.setPixel(x, y, tx::rgb(x * 6, y * 8, 255 - x * 6));
        ASSERT_TRUE(tx::saveBmp(photo, source = path("source.bmp")));
        skipMachineTest();
    }

    QString library, source;
};
#endif

}  // namespace txtest
