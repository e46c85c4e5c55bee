#pragma once
// Maps a job name to its engine. Knows every engine, so it sits above them all.
//
// Threads: DispatchJob runs the engine on the calling thread, which is the job's
// worker thread; it returns when the engine has ended. Nothing the engine throws
// escapes it: an exception becomes a "stopped" result.

#include <QString>
#include <variant>

#include "library/AnalyseLibrary.h"
#include "library/CreateLibrary.h"
#include "library/SearchDoubles.h"
#include "library/UpdateDatabase.h"
#include "mosaic/MosaicJob.h"
#include "task/Task.h"

namespace tx {

class MosaicObserver;

// The options of one job.
using JobOptions =
    std::variant<std::monostate, MosaicJob, CreateLibraryJob, SearchDoublesJob, AnalyseLibraryJob, UpdateDatabaseJob>;

// The job name as the wizard writes it ("CreateMosaic", "CreateLibrary",
// "SearchDoubles", "AnalyseLibrary", "UpdateDatabase"), and the options for it.
struct JobRequest {
    QString name;
    JobOptions options;
};

// The request for a job's options, named for them.
JobRequest jobRequest(JobOptions options);

bool isKnownJob(const QString& name);

// Arms the run-once guard, sets Running and runs the engine of the name on the
// calling thread. Names are compared exactly; an unknown name, or options that are
// not that job's, start nothing (outcome NotStarted, Running untouched).
JobResult DispatchJob(Task& task, const JobRequest& request, MosaicObserver* observer = nullptr);

}  // namespace tx
