#pragma once
// The "SearchDoubles" job: finds near-identical tiles and asks what to do with each pair.

#include <QString>

#include "task/Task.h"

namespace tx {

struct SearchDoublesJob {
    QString libraryFolder;
};

// Deleted tiles go to the trash where there is one and are listed in the result's filesRemoved; a deletion that fails is
// a problem, and the tile stays.
JobResult SearchDoubles(Task& task, const SearchDoublesJob& job);

}  // namespace tx
