#pragma once
// The "CreateLibrary" job: every source picture becomes one tile of the library.

#include <QString>
#include <QStringList>

#include "library/CropGeometry.h"
#include "support/Picture.h"
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

// One tile from the picture file: cropped (cropRegion), drawn onto a canvas of
// twice the tile size, blurred and halved. Empty when the file cannot be read.
Picture makeTile(const QString& path, int tileW, int tileH, int margin, CropAnchor anchor);

}  // namespace tx
