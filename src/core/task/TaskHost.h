#pragma once
// The one interface through which an engine talks to whoever runs it: the task
// window (GUI), the progress line (CLI) or a recorder (tests).
//
// Threads: the engine calls every member from its worker thread (never from the
// window's thread), one call at a time per job. Reports (status, progress, time,
// preview) must return quickly: a window posts a copy to its own thread. Questions
// (messages, the doubles decision) block the engine until the user or the caller
// has answered. A host may throw from any member; the job then stops (the
// dispatcher turns the exception into a "stopped" result).

#include <QString>

#include "support/Picture.h"

namespace tx {

enum class MessageIcon { Information, Critical, Exclamation, Question };
// Whether the job ends after a message box or goes on once it is dismissed.
enum class MessageEffect { StopsJob, JobGoesOn };

// What the doubles search asks about one pair of near-identical tiles.
struct DoublesQuestion {
    int i = 0;          // positions in the current tile list (0-based)
    int j = 0;
    QString fileI;      // file names of the two tiles
    QString fileJ;
    QString folder;     // the library folder, ending in "/"
    double d = 0;       // the difference value
    Picture tileI;      // the two tiles as loaded
    Picture tileJ;
};

// "kill1", "kill2", "abort", "" and the unattended "killall".
enum class DoublesAnswer { Kill1, Kill2, Abort, Keep, KillAll };

class TaskHost {
public:
    virtual ~TaskHost() = default;

    virtual void statusChanged(const QString& /*text*/) {}                 // Label1
    virtual void progressChanged(int /*value*/, int /*maximum*/) {}        // ProgressBar1
    virtual void timeTextChanged(const QString& /*text*/) {}               // TimeText
    virtual void buttonCaptionChanged(const QString& /*caption*/) {}       // "&Cancel" / "&Finished"

    // The preview changed (only sent while Task::previewWanted()); the host copies
    // what it needs before returning.
    virtual void previewChanged(const Picture& /*preview*/) {}

    // A message box titled with the product name; blocks until dismissed.
    virtual void showMessage(MessageIcon /*icon*/, const QString& /*text*/, MessageEffect /*effect*/) {}
    // The find-doubles dialog; blocks until answered.
    virtual DoublesAnswer askDoubles(const DoublesQuestion& /*question*/) { return DoublesAnswer::Keep; }

    // The library analysis: the score and the graph (drawn in the job's graph size).
    virtual void analysisResult(const QString& /*scoreText*/, const Picture& /*graph*/) {}

    // The engine asks the task window to close itself (the analysis does at its end).
    virtual void closeRequested() {}
};

}  // namespace tx
