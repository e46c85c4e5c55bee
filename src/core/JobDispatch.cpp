#include "JobDispatch.h"

namespace tx {

bool isKnownJob(const QString& name) {
    return name == QLatin1String("CreateMosaic") || name == QLatin1String("CreateLibrary") ||
           name == QLatin1String("SearchDoubles") || name == QLatin1String("AnalyseLibrary");
}

bool DispatchJob(Task& task, const JobRequest& request) {
    if (!isKnownJob(request.name)) return false;
    task.guard().arm();
    task.setRunning(true);
    // Each engine takes the guard as it starts, so its body runs once per dispatch
    // even if it is entered again.
    if (request.name == QLatin1String("CreateMosaic"))
        CreateMosaic(task, request.mosaic);
    else if (request.name == QLatin1String("CreateLibrary"))
        CreateLibrary(task, request.createLibrary);
    else if (request.name == QLatin1String("SearchDoubles"))
        SearchDoubles(task, request.doubles);
    else
        AnalyseLibrary(task, request.analyse);
    return true;
}

}  // namespace tx
