#pragma once
// The task window's TaskHost. The engine calls it on its worker thread; the host
// keeps only the latest state of each report and hands it to the GUI thread in
// one posted call, so a fast engine never floods the event queue. Questions (the
// engine's message boxes, the doubles decision) block the worker until the GUI
// thread has answered.
//
// Threads: the TaskHost members are the worker's; everything else belongs to the
// GUI thread that owns this object. The object must outlive the worker.

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QThread>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "task/TaskHost.h"

class QWidget;

namespace tx::gui {

class WindowHost : public QObject, public TaskHost {
    Q_OBJECT
public:
    // What the worker reported since the last delivery; each field holds the latest value.
    struct Reports {
        std::optional<QString> status;
        std::optional<QString> timeText;
        std::optional<QString> button;
        std::optional<std::pair<int, int>> progress;  // value, maximum
        std::optional<QImage> preview;
        bool closeRequested = false;
    };

    explicit WindowHost(QObject* parent = nullptr);

    // Worker thread.
    void statusChanged(const QString& text) override;
    void progressChanged(int value, int maximum) override;
    void timeTextChanged(const QString& text) override;
    void buttonCaptionChanged(const QString& caption) override;
    void previewChanged(const Picture& preview) override;
    void showMessage(MessageIcon icon, const QString& text, MessageEffect effect) override;
    DoublesAnswer askDoubles(const DoublesQuestion& question) override;
    void analysisResult(const QString& scoreText, const Picture& graph) override;
    void closeRequested() override;

    // GUI thread. The window that shows reports and owns the questions; null once it
    // has closed: reports are then dropped and questions get their default answer
    // at once, so a worker finishing in the background never waits for a window.
    void setWindow(QWidget* window);
    Reports takeReports();

    // Runs `ask` on the GUI thread with the window and blocks the calling worker
    // thread until it returned; `whenClosed` is the answer when there is no window.
    template <class R>
    R askOnGui(std::function<R(QWidget* window)> ask, R whenClosed);

    // The doubles decision (the dialog plugs in here); without one every pair is kept.
    using DoublesAsker = std::function<DoublesAnswer(QWidget* window, const DoublesQuestion&)>;
    static void setDoublesAsker(DoublesAsker asker);

    // Where the library analysis's score and graph go: called on the GUI thread, in
    // the order the engine sent them, also after the window has closed (a cancel keeps
    // what was drawn). Set it before runJob and clear it afterwards.
    using AnalysisReceiver = std::function<void(const QString& scoreText, const QImage& graph)>;
    static void setAnalysisReceiver(AnalysisReceiver receiver);

    // Test seam: called on the worker thread with every status text before it is
    // posted, so a test can hold the engine at a phase.
    using WorkerHook = std::function<void(const QString& status)>;
    static void setWorkerHook(WorkerHook hook);

signals:
    // GUI thread: takeReports() has something.
    void reportsPending();

private:
    template <class F>
    void report(F&& change);
    void deliver();

    std::mutex m_mutex;
    Reports m_reports;
    bool m_posted = false;
    // When reports were last handed to the window: at most ~30 times a second, so a
    // fast engine never keeps the window's thread busy.
    QElapsedTimer m_sinceDelivery;
    QPointer<QWidget> m_window;  // GUI thread only
};

template <class R>
R WindowHost::askOnGui(std::function<R(QWidget* window)> ask, R whenClosed) {
    if (thread() == QThread::currentThread()) return m_window ? ask(m_window) : whenClosed;
    struct Pending {
        std::mutex mutex;
        std::condition_variable answered;
        std::optional<R> answer;
    };
    auto pending = std::make_shared<Pending>();
    QMetaObject::invokeMethod(
        this,
        [this, pending, ask = std::move(ask), whenClosed] {
            deliver();  // the window shows the latest state under the box
            R answer = m_window ? ask(m_window) : whenClosed;
            {
                std::lock_guard lock(pending->mutex);
                pending->answer = std::move(answer);
            }
            pending->answered.notify_one();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(pending->mutex);
    pending->answered.wait(lock, [&] { return pending->answer.has_value(); });
    return *pending->answer;
}

}  // namespace tx::gui
