#pragma once
// The mosaic job as the engine reads it when it starts, and the engine entry point.

#include <QString>
#include <functional>

#include "task/Task.h"

namespace tx {

struct MosaicJob {
    int cellsX = 60;
    int cellsY = 60;
    int tileWidth = 32;       // output size of one tile, pixels
    int tileHeight = 32;
    int matrX = 3;            // scan matrix: samples per cell across and down
    int matrY = 3;
    int distance = 6;         // minimal distance between two identical tiles, cells
    int saturation = 100;     // percent; 100 leaves it unchanged
    int alpha = 51;           // colour correction 0..255 (blend percent / 100 * 255, half to even)
    int brightness = 0;       // -100..100
    int number = 0;           // tiles to use; 0 or more than the library holds: all
    bool forceNewDatabase = false;
    bool greyscale = false;
    bool smart = true;        // smart rendering; false: linear
    bool filter = true;       // "Additional Filtering" of the colour database build
    QString sourcePath;
    QString targetPath;       // extension chooses JPEG (.jpg/.jpeg) or BMP
    QString libraryFolder;

    // Extras of the command line.
    QString planPath;         // CSV of the chosen tile of every cell
    QString workDir;          // keeps scan.bmp, cells.bmp and order.csv
    // Called with the name of every page file written (the ".bmp" fallback name
    // when that is what was written), in page order, on the engine's thread.
    std::function<void(const QString&)> pageSaved;
};

// Alpha from the blend slider percentage: value / 100 * 255 rounded half to even.
int alphaFromBlend(int blendPercent);

void CreateMosaic(Task& task, const MosaicJob& job);

}  // namespace tx
