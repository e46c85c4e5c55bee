#pragma once
// The "AnalyseLibrary" job: brightness distribution of a library against the ideal.

#include <QString>

#include "task/Task.h"

namespace tx {

struct AnalyseLibraryJob {
    QString libraryFolder;
    bool updateDatabase = false;  // "Update Database"
    bool greyscale = false;       // options of the colour database build
    bool filter = true;
};

void AnalyseLibrary(Task& task, const AnalyseLibraryJob& job);

}  // namespace tx
