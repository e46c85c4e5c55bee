#pragma once
// The engine side of a running job: the run-once guard, the Running flag, progress
// and the time estimate, all reported to a TaskHost.
//
// Running is the cancellation flag. Engines test it at every point where the old
// program yielded to the message loop and return at once when it is false; a press
// on Cancel (or Ctrl+C in the CLI) calls cancel() from another thread.
//
// Threads: running(), cancel(), previewWanted() and setPreviewWanted() may be
// called from any thread (atomics). Every other member belongs to the thread that
// runs the engine: the window learns about progress, the time text and the result
// only through the TaskHost calls and the returned JobResult, never by reading
// the Task while the worker runs.

#include <QString>
#include <atomic>
#include <functional>

#include "task/JobResult.h"
#include "task/TaskHost.h"

namespace tx {

// Run-once guard: the dispatcher arms it, the engine takes it. Taking succeeds once.
class JobGuard {
public:
    void arm() { m_armed.store(true); }
    bool take() { return m_armed.exchange(false); }
    bool armed() const { return m_armed.load(); }

private:
    std::atomic<bool> m_armed{false};
};

// "Time left: HH:MM:SS" from the average time per unit so far. The clock is
// monotonic (seconds); hours are written in full from 10 hours on (at least two
// digits), so the text never overflows.
QString formatTimeLeft(double secondsLeft);

class TimeEstimate {
public:
    using Clock = std::function<double()>;  // seconds on a monotonic clock
    explicit TimeEstimate(Clock clock = {});
    void start();
    // Counts one unit; returns the new time-left text for `maximum - value` units to go.
    QString update(int maximum, int value);

private:
    Clock m_clock;
    double m_last = 0;
    double m_elapsed = 0;
    double m_units = 0;
};

class Task {
public:
    explicit Task(TaskHost& host, TimeEstimate::Clock clock = {});

    TaskHost& host() { return m_host; }
    JobGuard& guard() { return m_guard; }

    // Any thread.
    bool running() const { return m_running.load(std::memory_order_relaxed); }
    void setRunning(bool on) { m_running.store(on); }
    void cancel() { m_running.store(false); }
    // "Show &Preview": the engine sends preview pictures only while this is on, and
    // sends the current state at once when it is switched on mid-job.
    bool previewWanted() const { return m_previewWanted.load(std::memory_order_relaxed); }
    void setPreviewWanted(bool on) { m_previewWanted.store(on); }

    // The engine's thread from here on.

    void setStatus(const QString& text);
    void setButton(const QString& caption);
    void setMaximum(int maximum);
    void setValue(int value);
    void step() { setValue(m_value + 1); }
    int maximum() const { return m_maximum; }
    int value() const { return m_value; }

    void clearTimeText();
    void startTimeEstimate();
    void updateTimeEstimate();
    // After each unit of a phase: starts the estimate after the first unit (the
    // first since setMaximum or clearTimeText) and updates it after every later one.
    void countUnit();
    QString timeText() const { return m_timeText; }

    // The start of every engine: takes the run-once guard and, when it was armed,
    // shows "&Cancel" and clears the time text. False: the engine must not run.
    bool begin();
    // The end of a successful job: "Complete...", "&Finished", time cleared, Running false.
    void finish();
    // The job is done (for an engine that ends otherwise than with finish()).
    void markCompleted() { m_completed = true; }

    // A message that ends the job: shown, then recorded as the reason it stopped.
    // The engine returns right after it.
    void stop(MessageIcon icon, const QString& text);
    // A message after which the job goes on; recorded as a warning.
    void warn(MessageIcon icon, const QString& text);
    // Something went wrong without a message box (a picture that could not be read).
    void addProblem(const QString& text) { m_result.problems << text; }
    void addFileWritten(const QString& path) { m_result.filesWritten << path; }
    void addFileRemoved(const QString& path) { m_result.filesRemoved << path; }

    // The outcome so far: not started when begin() never succeeded, stopped when
    // stop() was called, completed when the engine marked it so, cancelled otherwise.
    JobResult result() const;

private:
    TaskHost& m_host;
    JobGuard m_guard;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_previewWanted{false};
    bool m_estimating = false;
    bool m_began = false;
    bool m_completed = false;
    bool m_stopped = false;
    JobResult m_result;
    int m_maximum = 0;
    int m_value = 0;
    QString m_timeText;
    TimeEstimate m_estimate;
};

}  // namespace tx
