#pragma once
// The "CreateLibrary" job: every source picture becomes one tile of the library.

#include <QString>
#include <QStringList>

#include "task/Task.h"

namespace tx {

struct CreateLibraryJob {
    QString sourceFolder;       // the folder the file scan started from
    QStringList sourceEntries;  // paths relative to sourceFolder
    QString targetFolder;       // the library folder
    int tileWidth = 32;
    int tileHeight = 32;
    int cropMargin = 0;
    int anchor = 4;             // crop(0..8) row by row; -1: none selected
    bool jpeg = true;           // JPEG tiles; false: BMP
};

void CreateLibrary(Task& task, const CreateLibraryJob& job);

}  // namespace tx
