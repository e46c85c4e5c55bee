#pragma once
// The "UpdateDatabase" job: builds a library's colour database for one scan matrix,
// or checks that the stored one is whole, as a mosaic would before it starts.

#include <QString>

#include "task/Task.h"

namespace tx {

struct UpdateDatabaseJob {
    QString libraryFolder;
    int matrX = 3;
    int matrY = 3;
    bool force = false;       // rebuild even when a valid database exists
    bool greyscale = false;   // how the tiles are measured
    bool filter = true;
};

JobResult UpdateDatabase(Task& task, const UpdateDatabaseJob& job);

}  // namespace tx
