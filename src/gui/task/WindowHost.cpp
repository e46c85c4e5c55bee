#include "task/WindowHost.h"

#include <QTimer>
#include <QWidget>

#include "app/MessageBoxes.h"

namespace tx::gui {

namespace {

WindowHost::DoublesAsker& doublesAsker() {
    static WindowHost::DoublesAsker asker;
    return asker;
}

WindowHost::AnalysisReceiver& analysisReceiver() {
    static WindowHost::AnalysisReceiver receiver;
    return receiver;
}

WindowHost::WorkerHook& workerHook() {
    static WindowHost::WorkerHook hook;
    return hook;
}

}  // namespace

void WindowHost::setDoublesAsker(DoublesAsker asker) { doublesAsker() = std::move(asker); }
void WindowHost::setAnalysisReceiver(AnalysisReceiver receiver) { analysisReceiver() = std::move(receiver); }
void WindowHost::setWorkerHook(WorkerHook hook) { workerHook() = std::move(hook); }

WindowHost::WindowHost(QObject* parent) : QObject(parent) {}

template <class F>
void WindowHost::report(F&& change) {
    bool post = false;
    {
        std::lock_guard lock(m_mutex);
        change(m_reports);
        post = !std::exchange(m_posted, true);
    }
    // One delivery in flight at most; later reports ride along with it.
    if (post) QMetaObject::invokeMethod(this, &WindowHost::deliver, Qt::QueuedConnection);
}

void WindowHost::deliver() {
    constexpr qint64 kEveryMs = 33;
    if (m_sinceDelivery.isValid() && m_sinceDelivery.elapsed() < kEveryMs) {
        // Still posted: reports keep collecting until the next turn.
        QTimer::singleShot(kEveryMs - m_sinceDelivery.elapsed(), this, &WindowHost::deliver);
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_posted = false;
    }
    m_sinceDelivery.restart();
    if (m_window) emit reportsPending();
}

WindowHost::Reports WindowHost::takeReports() {
    std::lock_guard lock(m_mutex);
    return std::exchange(m_reports, Reports{});
}

void WindowHost::setWindow(QWidget* window) { m_window = window; }

void WindowHost::statusChanged(const QString& text) {
    if (const auto& hook = workerHook()) hook(text);
    report([&](Reports& r) { r.status = text; });
}

void WindowHost::progressChanged(int value, int maximum) {
    report([&](Reports& r) { r.progress = std::make_pair(value, maximum); });
}

void WindowHost::timeTextChanged(const QString& text) {
    report([&](Reports& r) { r.timeText = text; });
}

void WindowHost::buttonCaptionChanged(const QString& caption) {
    report([&](Reports& r) { r.button = caption; });
}

void WindowHost::previewChanged(const Picture& preview) {
    if (preview.isEmpty()) return;
    // The copy is made here, on the worker: the engine goes on drawing into its picture.
    QImage image(preview.bits(), preview.width(), preview.height(), static_cast<qsizetype>(preview.stride()),
                 QImage::Format_RGB888);
    image = image.copy();
    report([&](Reports& r) { r.preview = std::move(image); });
}

void WindowHost::showMessage(MessageIcon icon, const QString& text, MessageEffect) {
    askOnGui<bool>(
        [icon, text](QWidget* window) {
            showMessageBox(window, icon, text);
            return true;
        },
        false);
}

DoublesAnswer WindowHost::askDoubles(const DoublesQuestion& question) {
    return askOnGui<DoublesAnswer>(
        [&question](QWidget* window) {
            const auto& asker = doublesAsker();
            return asker ? asker(window, question) : DoublesAnswer::Keep;
        },
        DoublesAnswer::Keep);
}

void WindowHost::analysisResult(const QString& scoreText, const Picture& graph) {
    QImage image;
    if (!graph.isEmpty())
        image = QImage(graph.bits(), graph.width(), graph.height(), static_cast<qsizetype>(graph.stride()),
                       QImage::Format_RGB888)
                    .copy();
    // Posted, not asked: runJob processes what the worker posted before it returns,
    // so the result arrives even when the window closed first.
    QMetaObject::invokeMethod(
        this,
        [scoreText, image] {
            if (const auto& receive = analysisReceiver()) receive(scoreText, image);
        },
        Qt::QueuedConnection);
}

void WindowHost::closeRequested() {
    report([](Reports& r) { r.closeRequested = true; });
}

}  // namespace tx::gui
