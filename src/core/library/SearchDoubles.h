#pragma once
// The "SearchDoubles" job: finds near-identical tiles and asks what to do with each pair.

#include <QString>

#include "task/Task.h"

namespace tx {

struct SearchDoublesJob {
    QString libraryFolder;
};

void SearchDoubles(Task& task, const SearchDoublesJob& job);

}  // namespace tx
