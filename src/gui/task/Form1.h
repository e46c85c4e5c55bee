#pragma once
// The task window: runs one job on a worker thread and shows its status, progress,
// time left and, for mosaics, the live preview; "&Cancel" stops the job and closes
// the window at once, "&Finished" closes it after the job.

#include <QDialog>

#include "JobDispatch.h"

namespace tx::gui {

class Form1 : public QDialog {
    Q_OBJECT
public:
    // Shows the window modally over `wizard`, starts the job exactly once and
    // returns its result when the window has closed.
    static JobResult runJob(QWidget* wizard, const JobRequest& request);
};

}  // namespace tx::gui
