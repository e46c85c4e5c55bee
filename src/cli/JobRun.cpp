#include "JobRun.h"

namespace tx::cli {

JobResult runJob(CliHost& host, const JobRequest& request, MosaicObserver* observer) {
    Task task(host);
    JobResult result;
    {
        InterruptGuard guard(task);
        result = DispatchJob(task, request, observer);
    }
    host.endLine();
    return result;
}

int finishJob(const JobResult& result, Io io, bool problemsFail) {
    for (const QString& problem : result.problems) io.err << "Problem: " << problem << "\n";
    int rc = Ok;
    switch (result.outcome) {
    case JobOutcome::Completed:
        break;
    case JobOutcome::CompletedWithProblems:  // the warnings were printed when shown
        if (problemsFail && !result.problems.isEmpty()) rc = JobFailed;
        break;
    case JobOutcome::Stopped:  // the message was printed when it was shown
        rc = JobFailed;
        break;
    case JobOutcome::Cancelled:
        io.err << "Cancelled.\n";
        rc = JobFailed;
        break;
    case JobOutcome::NotStarted:
        io.err << "tesselix-cli: the job did not start.\n";
        rc = JobFailed;
        break;
    }
    io.err.flush();
    io.out.flush();
    return rc;
}

}  // namespace tx::cli
