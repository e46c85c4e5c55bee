#pragma once
// The command line's TaskHost: a progress line on stderr (status text, percent,
// "Time left"), messages printed as they stand, questions answered from options.
// installInterruptHandler makes Ctrl+C cancel the running task like "&Cancel".

#include <QStringList>
#include <QTextStream>
#include <chrono>
#include <functional>

#include "task/Task.h"

namespace tx::cli {

class CliHost : public TaskHost {
public:
    CliHost(QTextStream& err, bool quiet) : m_err(err), m_quiet(quiet) {}
    ~CliHost() override;

    void statusChanged(const QString& text) override;
    void progressChanged(int value, int maximum) override;
    void timeTextChanged(const QString& text) override;
    void showMessage(MessageIcon icon, const QString& text, MessageEffect effect) override;
    DoublesAnswer askDoubles(const DoublesQuestion& question) override;

    std::function<DoublesAnswer(const DoublesQuestion&)> doublesHandler;

    // Ends the progress line (a newline when one is open).
    void endLine();

private:
    void draw(bool force);
    void printStatusLine();

    QTextStream& m_err;
    bool m_quiet;
    QString m_status;
    QString m_time;
    QString m_printed;  // last status written as a line of its own (logs only)
    int m_value = 0;
    int m_maximum = 0;
    bool m_lineOpen = false;
    std::chrono::steady_clock::time_point m_lastDraw{};
};

// While alive, SIGINT cancels the task instead of killing the program.
class InterruptGuard {
public:
    explicit InterruptGuard(Task& task);
    ~InterruptGuard();
    static bool interrupted();
};

}  // namespace tx::cli
