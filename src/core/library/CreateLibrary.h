#pragma once
// The "CreateLibrary" job: every source picture becomes one tile of the library.

#include <QString>
#include <QStringList>

#include "library/CropGeometry.h"
#include "support/Picture.h"
#include "task/Task.h"

namespace tx {

enum class TileFormat { Jpeg, Bmp };

struct CreateLibraryJob {
    QString sourceFolder;       // the folder the file scan started from
    QStringList sourceEntries;  // paths relative to sourceFolder
    QString targetFolder;       // the library folder
    int tileWidth = 32;
    int tileHeight = 32;
    int cropMargin = 0;
    CropPosition anchor = CropPosition::Center;
    TileFormat format = TileFormat::Jpeg;
    int jpegQuality = 90;       // of JPEG tiles, 0..100
};

// Pictures that cannot be read are skipped; the result lists each with the reason.
JobResult CreateLibrary(Task& task, const CreateLibraryJob& job);

// One tile from the picture file: cropped (cropRegion), drawn onto a canvas of
// twice the tile size, blurred and halved. Empty when the file cannot be read
// (the reason in *error).
Picture makeTile(const QString& path, int tileW, int tileH, int margin, CropAnchor anchor, QString* error = nullptr);

}  // namespace tx
