#pragma once
// What one run of an engine came to. Plain values, safe to hand across threads.

#include <QString>
#include <QStringList>

namespace tx {

enum class JobOutcome {
    NotStarted,             // unknown job name, or the run-once guard was not armed
    Completed,
    CompletedWithProblems,  // finished, but something was skipped or lost (see warnings, problems)
    Stopped,                // stopped by a message (see message); the window keeps "&Cancel"
    Cancelled,              // Running was cleared before the job finished
};

struct JobResult {
    JobOutcome outcome = JobOutcome::NotStarted;
    QString message;            // Stopped: the text that stopped the job, as shown
    QStringList warnings;       // messages shown after which the job went on, in order
    QStringList problems;       // what was skipped or lost, one line each (not shown as a message)
    QStringList filesWritten;   // full paths, in the order they were written
    QStringList filesRemoved;   // full paths of files the job deleted

    bool completed() const {
        return outcome == JobOutcome::Completed || outcome == JobOutcome::CompletedWithProblems;
    }
};

}  // namespace tx
