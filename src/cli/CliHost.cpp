#include "CliHost.h"

#include <algorithm>
#include <atomic>
#include <csignal>

namespace tx::cli {

CliHost::~CliHost() { endLine(); }

void CliHost::endLine() {
    if (m_lineOpen) {
        m_err << "\n";
        m_err.flush();
        m_lineOpen = false;
    }
}

void CliHost::draw(bool force) {
    if (m_quiet) return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - m_lastDraw < std::chrono::milliseconds(100)) return;
    m_lastDraw = now;
    QString line = m_status;
    if (m_maximum > 0) {
        const int percent = static_cast<int>(100.0 * std::clamp(m_value, 0, m_maximum) / m_maximum);
        line += QStringLiteral(" %1%").arg(percent, 3);
    }
    if (!m_time.isEmpty()) line += QStringLiteral("  ") + m_time;
    m_err << "\r" << line.leftJustified(79) << "";
    m_err.flush();
    m_lineOpen = true;
}

void CliHost::statusChanged(const QString& text) {
    if (text == m_status) return;
    // Each new status starts its own line, so the sequence of phases stays readable.
    endLine();
    m_status = text;
    m_time.clear();
    draw(true);
}

void CliHost::progressChanged(int value, int maximum) {
    m_value = value;
    m_maximum = maximum;
    draw(false);
}

void CliHost::timeTextChanged(const QString& text) {
    m_time = text;
    draw(false);
}

void CliHost::showMessage(MessageIcon, const QString& text) {
    endLine();
    messages << text;
    m_err << text << "\n";
    m_err.flush();
}

DoublesAnswer CliHost::askDoubles(const DoublesQuestion& question) {
    return doublesHandler ? doublesHandler(question) : DoublesAnswer::Keep;
}

namespace {
std::atomic<Task*> g_task{nullptr};
std::atomic<bool> g_interrupted{false};

extern "C" void onInterrupt(int) {
    g_interrupted.store(true);
    if (Task* t = g_task.load()) t->cancel();
}
}  // namespace

InterruptGuard::InterruptGuard(Task& task) {
    g_task.store(&task);
    std::signal(SIGINT, onInterrupt);
}

InterruptGuard::~InterruptGuard() {
    std::signal(SIGINT, SIG_DFL);
    g_task.store(nullptr);
}

bool InterruptGuard::interrupted() { return g_interrupted.load(); }

}  // namespace tx::cli
