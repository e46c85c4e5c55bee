#pragma once
// Runs one job for a command: the progress host, Ctrl+C as "&Cancel", and the exit
// status and summary read from the job's result.

#include "Cli.h"
#include "CliHost.h"
#include "JobDispatch.h"

namespace tx::cli {

// Runs the request with `host` (Ctrl+C cancels it) and ends the progress line.
JobResult runJob(CliHost& host, const JobRequest& request, MosaicObserver* observer = nullptr);

// Prints what the result says beyond the messages already shown (problems,
// "Cancelled.") and returns the exit status: Ok for a completed job, JobFailed for
// one that stopped or was cancelled, and for one that lost something (problems,
// such as a mosaic page that could not be saved) when `problemsFail`.
int finishJob(const JobResult& result, Io io, bool problemsFail);

}  // namespace tx::cli
