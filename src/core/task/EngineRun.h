#pragma once
// The exception boundary of every engine: nothing an engine throws (out of memory,
// a system error, a host that gave up) leaves the worker thread; it becomes a
// "stopped" result with a message the user can read.

#include <QString>
#include <functional>

#include "task/Task.h"

namespace tx {

// Runs the engine body and returns the task's result. `outOfMemoryText` is the
// message shown when the body runs out of memory.
JobResult runEngine(Task& task, const std::function<void()>& body, const QString& outOfMemoryText = {});

// "There is not enough memory for this job."
QString notEnoughMemoryText();

}  // namespace tx
