#pragma once
// The "AnalyseLibrary" job: brightness distribution of a library against the ideal.

#include <QSize>
#include <QString>

#include "task/Task.h"

namespace tx {

struct AnalyseLibraryJob {
    QString libraryFolder;
    bool updateDatabase = false;  // "Update Database"
    bool greyscale = false;       // options of the colour database build
    bool filter = true;
    QSize graphSize{256, 128};    // the graph box `Analyse`, pixels
};

// Completes with the score and the graph handed to TaskHost::analysisResult.
JobResult AnalyseLibrary(Task& task, const AnalyseLibraryJob& job);

}  // namespace tx
