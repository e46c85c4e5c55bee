#pragma once
// Helpers shared by the tests: a temporary folder, small pictures, a recording host.

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <mutex>
#include <vector>

#include "task/TaskHost.h"

namespace txtest {

// Records everything an engine reports; answers questions from queues.
class RecordingHost : public tx::TaskHost {
public:
    void statusChanged(const QString& text) override {
        std::lock_guard l(m);
        statuses << text;
    }
    void progressChanged(int value, int maximum) override {
        std::lock_guard l(m);
        lastValue = value;
        lastMaximum = maximum;
        values.push_back(value);
    }
    void timeTextChanged(const QString& text) override {
        std::lock_guard l(m);
        timeTexts << text;
    }
    void buttonCaptionChanged(const QString& caption) override {
        std::lock_guard l(m);
        buttons << caption;
    }
    QSize previewSize() const override { return preview; }
    void previewChanged(const tx::Picture& p) override {
        std::lock_guard l(m);
        lastPreview = p;
        ++previewCount;
    }
    void showMessage(tx::MessageIcon icon, const QString& text) override {
        std::lock_guard l(m);
        messages << text;
        icons.push_back(icon);
    }
    tx::DoublesAnswer askDoubles(const tx::DoublesQuestion& q) override {
        std::lock_guard l(m);
        questions.push_back(q);
        if (answers.empty()) return tx::DoublesAnswer::Keep;
        auto a = answers.front();
        answers.erase(answers.begin());
        return a;
    }
    QSize analysisGraphSize() const override { return graphSize; }
    void analysisResult(const QString& scoreText, const tx::Picture& graph) override {
        std::lock_guard l(m);
        score = scoreText;
        this->graph = graph;
    }
    void closeRequested() override { closed = true; }

    mutable std::mutex m;
    QStringList statuses, timeTexts, buttons, messages;
    std::vector<tx::MessageIcon> icons;
    std::vector<int> values;
    int lastValue = 0, lastMaximum = 0;
    QSize preview;
    tx::Picture lastPreview;
    int previewCount = 0;
    std::vector<tx::DoublesQuestion> questions;
    std::vector<tx::DoublesAnswer> answers;
    QSize graphSize{256, 128};
    QString score;
    tx::Picture graph;
    bool closed = false;
};

}  // namespace txtest
