#pragma once
// The mosaic job as the engine reads it when it starts, and the engine entry point.
// Whoever starts the job fills every field, the settings-based ones included
// (JPEG quality, machine limits): the engine reads no settings and no window.

#include <QSize>
#include <QString>
#include <optional>

#include "mosaic/EvenTileUse.h"
#include "mosaic/MachineLimits.h"
#include "mosaic/MosaicDefaults.h"
#include "task/Task.h"

namespace tx {

class MosaicObserver;

struct MosaicJob {
    int cellsX = MosaicDefaults::kCellsAcrossSquare;
    int cellsY = MosaicDefaults::kCellsAcrossSquare;
    int tileWidth = MosaicDefaults::kTileWidth;  // output size of one tile, pixels
    int tileHeight = MosaicDefaults::kTileHeight;
    int matrX = MosaicDefaults::kMatrixX;  // scan matrix: samples per cell across and down
    int matrY = MosaicDefaults::kMatrixY;
    int distance = MosaicDefaults::kDistance;         // minimal distance between two identical tiles, cells
    int saturation = MosaicDefaults::kSaturation;     // percent; 100 leaves it unchanged
    int alpha = 51;           // colour correction 0..255: alphaFromBlend(MosaicDefaults::kBlend)
    int brightness = MosaicDefaults::kBrightness;       // -100..100
    int number = 0;           // tiles to use; 0 or more than the library holds: all
    bool forceNewDatabase = MosaicDefaults::kForceNewDatabase;
    bool greyscale = MosaicDefaults::kGreyscale;
    bool smart = MosaicDefaults::kSmartRendering;        // smart rendering; false: linear
    bool filter = MosaicDefaults::kFilter;       // "Additional Filtering" of the colour database build
    // Off: the greedy choice. Otherwise the optimal assignment under use caps;
    // `smart` then orders only the preview, not the choice.
    EvenUse evenUse;
    bool perceptual = false;  // CIELAB colour difference instead of the RGB distance
    bool mirror = false;      // tiles may also be placed mirrored left to right
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
