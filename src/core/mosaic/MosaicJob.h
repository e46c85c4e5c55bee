#pragma once
// The mosaic job as the engine reads it when it starts, and the engine entry point.
// Whoever starts the job fills every field, the settings-based ones included
// (JPEG quality, machine limits): the engine reads no settings and no window.

#include <QSize>
#include <QString>
#include <optional>

#include "mosaic/MachineLimits.h"
#include "task/Task.h"

namespace tx {

class MosaicObserver;

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

    int jpegQuality = 90;     // of JPEG pages, 0..100
    // The largest picture the engine may make; empty: measure this machine
    // ("Testing machine...").
    std::optional<MachineLimits> fixedLimits;
    // Inner size of the task window's preview; empty: no preview is drawn at all.
    QSize previewSize;
};

// Alpha from the blend slider percentage: value / 100 * 255 rounded half to even.
int alphaFromBlend(int blendPercent);

// Runs the job on the calling thread. The observer, when given, sees the
// engine's intermediate results (on the same thread).
JobResult CreateMosaic(Task& task, const MosaicJob& job, MosaicObserver* observer = nullptr);

}  // namespace tx
