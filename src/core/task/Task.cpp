#include "task/Task.h"

#include <chrono>
#include <cmath>

namespace tx {

namespace {
double monotonicSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

QString twoDigits(long long v) {
    return v < 10 ? QStringLiteral("0") + QString::number(v) : QString::number(v);
}
}  // namespace

QString formatTimeLeft(double secondsLeft) {
    // Whole seconds, fraction dropped; absurd or negative estimates show as 0.
    long long r = 0;
    if (std::isfinite(secondsLeft) && secondsLeft > 0)
        r = secondsLeft >= 9.0e15 ? 9'000'000'000'000'000LL : static_cast<long long>(secondsLeft);
    const long long h = r / 3600;
    const long long m = r / 60 - 60 * h;
    const long long s = r - 60 * m - 3600 * h;
    return QStringLiteral("Time left: ") + twoDigits(h) + ":" + twoDigits(m) + ":" + twoDigits(s);
}

TimeEstimate::TimeEstimate(Clock clock) : m_clock(clock ? std::move(clock) : Clock(monotonicSeconds)) {
    m_last = m_clock();  // an update without start() then counts from construction, not from boot
}

void TimeEstimate::start() {
    m_elapsed = 0;
    m_units = 0;
    m_last = m_clock();
}

QString TimeEstimate::update(int maximum, int value) {
    const double now = m_clock();
    m_units += 1;
    m_elapsed += now - m_last;
    m_last = now;
    const float remaining = static_cast<float>(maximum - value);
    return formatTimeLeft(m_elapsed / m_units * remaining);
}

Task::Task(TaskHost& host, TimeEstimate::Clock clock) : m_host(host), m_estimate(std::move(clock)) {}

void Task::setStatus(const QString& text) { m_host.statusChanged(text); }
void Task::setButton(const QString& caption) { m_host.buttonCaptionChanged(caption); }

void Task::setMaximum(int maximum) {
    m_maximum = maximum;
    m_estimating = false;
    m_host.progressChanged(m_value, m_maximum);
}

void Task::setValue(int value) {
    m_value = value;
    m_host.progressChanged(m_value, m_maximum);
}

void Task::clearTimeText() {
    m_estimating = false;
    m_timeText.clear();
    m_host.timeTextChanged(m_timeText);
}

void Task::startTimeEstimate() {
    m_estimate.start();
    m_estimating = true;
}

void Task::countUnit() {
    if (m_estimating)
        updateTimeEstimate();
    else
        startTimeEstimate();
}

void Task::updateTimeEstimate() {
    m_timeText = m_estimate.update(m_maximum, m_value);
    m_host.timeTextChanged(m_timeText);
}

bool Task::begin() {
    // The result describes this call: a second entry without a dispatch did nothing.
    m_began = m_guard.take();
    if (!m_began) return false;
    setButton(QStringLiteral("&Cancel"));
    clearTimeText();
    return true;
}

void Task::finish() {
    m_timeText.clear();
    m_host.timeTextChanged(m_timeText);
    setStatus(QStringLiteral("Complete..."));
    setButton(QStringLiteral("&Finished"));
    m_completed = true;
    setRunning(false);
}

void Task::stop(MessageIcon icon, const QString& text) {
    m_stopped = true;
    m_result.message = text;
    m_host.showMessage(icon, text, MessageEffect::StopsJob);
}

void Task::warn(MessageIcon icon, const QString& text) {
    m_result.warnings << text;
    m_host.showMessage(icon, text, MessageEffect::JobGoesOn);
}

JobResult Task::result() const {
    JobResult r = m_result;
    if (!m_began)
        r.outcome = JobOutcome::NotStarted;
    else if (m_stopped)
        r.outcome = JobOutcome::Stopped;
    else if (m_completed)
        r.outcome = r.problems.isEmpty() && r.warnings.isEmpty() ? JobOutcome::Completed
                                                                : JobOutcome::CompletedWithProblems;
    else
        r.outcome = JobOutcome::Cancelled;
    return r;
}

}  // namespace tx
