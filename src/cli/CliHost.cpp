#include "CliHost.h"

#include <algorithm>
#include <atomic>

#include "support/Platform.h"

namespace tx::cli {

namespace {
// "Creating color database (7/320)..." and "(8/320)" are one phase: same text before "(".
QString phaseOf(const QString& status) {
    const int paren = status.indexOf(QLatin1Char('('));
    return paren < 0 ? status : status.left(paren).trimmed();
}

bool stderrIsTerminal() {
    static const bool tty = platform::stderrIsTerminal();
    return tty;
}
}  // namespace

CliHost::~CliHost() { endLine(); }

void CliHost::printStatusLine() {
    if (m_quiet || m_status.isEmpty() || m_status == m_printed) return;
    m_err << m_status << "\n";
    m_err.flush();
    m_printed = m_status;
}

void CliHost::endLine() {
    if (!stderrIsTerminal()) printStatusLine();
    if (m_lineOpen) {
        m_err << "\n";
        m_err.flush();
        m_lineOpen = false;
    }
}


void CliHost::draw(bool force) {
    if (m_quiet || m_status.isEmpty()) return;
    if (!stderrIsTerminal()) {
        // A log, not a terminal: no redrawing; the first and the last status of each
        // phase get a line of their own.
        if (force) printStatusLine();
        return;
    }
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
    // Each new phase starts its own line, so the sequence of phases stays readable;
    // a counter within a phase is redrawn in place.
    const bool newPhase = phaseOf(text) != phaseOf(m_status);
    if (newPhase) {
        endLine();
        m_time.clear();
    }
    m_status = text;
    draw(newPhase);
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

void CliHost::showMessage(MessageIcon, const QString& text, MessageEffect) {
    endLine();
    // The old message boxes broke lines with CR LF; a terminal wants LF.
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    m_err << shown << "\n";
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
    platform::setInterruptHandler(onInterrupt);
}

InterruptGuard::~InterruptGuard() {
    platform::setInterruptHandler(nullptr);
    g_task.store(nullptr);
}

bool InterruptGuard::interrupted() { return g_interrupted.load(); }

}  // namespace tx::cli
