#include "task/Form1.h"

namespace tx::gui {

// Placeholder until the window is built: starts nothing.
JobResult Form1::runJob(QWidget*, const JobRequest&) { return {}; }

}  // namespace tx::gui
