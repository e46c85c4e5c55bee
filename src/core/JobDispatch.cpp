#include "JobDispatch.h"

#include <algorithm>
#include <array>

#include "task/EngineRun.h"

namespace tx {

namespace {

// Job names in the order of the options' alternatives (index 0 is "no job").
const std::array<const char*, 6> kNames = {"", "CreateMosaic", "CreateLibrary", "SearchDoubles", "AnalyseLibrary",
                                           "UpdateDatabase"};

}  // namespace

JobRequest jobRequest(JobOptions options) {
    JobRequest request;
    request.name = QString::fromLatin1(kNames[options.index()]);
    request.options = std::move(options);
    return request;
}

bool isKnownJob(const QString& name) {
    return !name.isEmpty() && std::find_if(kNames.begin(), kNames.end(), [&](const char* n) {
                                  return name == QLatin1String(n);
                              }) != kNames.end();
}

JobResult DispatchJob(Task& task, const JobRequest& request, MosaicObserver* observer) {
    const std::size_t index = request.options.index();
    if (index == 0 || request.name != QLatin1String(kNames[index])) return {};
    task.guard().arm();
    task.setRunning(true);
    // Each engine takes the guard as it starts, so its body runs once per dispatch
    // even if it is entered again.
    return runEngine(task, [&] {
        std::visit(
            [&](const auto& job) {
                using J = std::decay_t<decltype(job)>;
                if constexpr (std::is_same_v<J, MosaicJob>)
                    CreateMosaic(task, job, observer);
                else if constexpr (std::is_same_v<J, CreateLibraryJob>)
                    CreateLibrary(task, job);
                else if constexpr (std::is_same_v<J, SearchDoublesJob>)
                    SearchDoubles(task, job);
                else if constexpr (std::is_same_v<J, AnalyseLibraryJob>)
                    AnalyseLibrary(task, job);
                else if constexpr (std::is_same_v<J, UpdateDatabaseJob>)
                    UpdateDatabase(task, job);
            },
            request.options);
    });
}

}  // namespace tx
