#pragma once
// Maps a job name to its engine. Knows every engine, so it sits above them all.

#include <QString>

#include "library/AnalyseLibrary.h"
#include "library/CreateLibrary.h"
#include "library/SearchDoubles.h"
#include "mosaic/MosaicJob.h"
#include "task/Task.h"

namespace tx {

// Everything a job may need; the dispatcher hands each engine its part.
struct JobRequest {
    QString name;  // "CreateMosaic", "CreateLibrary", "SearchDoubles", "AnalyseLibrary"
    MosaicJob mosaic;
    CreateLibraryJob createLibrary;
    AnalyseLibraryJob analyse;
    SearchDoublesJob doubles;
};

bool isKnownJob(const QString& name);

// Arms the run-once guard, sets Running and runs the engine of the name on the
// calling thread. Names are compared exactly; an unknown name starts nothing and
// returns false.
bool DispatchJob(Task& task, const JobRequest& request);

}  // namespace tx
