// tesselix-cli mosaic and demo: the mosaic job of the wizard, with the wizard's
// defaults, run headless.
#include <QDir>
#include <QFileInfo>

#include "Cli.h"
#include "CliArgs.h"
#include "CliHost.h"
#include "JobRun.h"
#include "JobSettings.h"
#include "MosaicFiles.h"
#include "demo/DemoLibrary.h"
#include "library/TileLibrary.h"
#include "mosaic/MosaicOptions.h"
#include "support/FileHelpers.h"
#include "support/PictureFile.h"

namespace tx::cli {

namespace {

int usageError(Io io, const QString& message) {
    io.err << "tesselix-cli: " << message << "\n";
    io.err.flush();
    return Usage;
}

bool isMosaicTarget(const QString& path) { return IsJpgFile(path) || IsBmpFile(path); }

}  // namespace

int runMosaic(const QStringList& args, Io io) {
    Args a(args);
    const auto source = a.option(QStringLiteral("source"));
    const auto library = a.option(QStringLiteral("library"));
    const auto out = a.option(QStringLiteral("out"));
    const auto cells = a.sizeOption(QStringLiteral("cells"), 1, 32767);
    const auto cellsAcross = a.intOption(QStringLiteral("cells-x"), 1, 32767);
    const auto tiles = a.intOption(QStringLiteral("tiles"), 1, 32767);
    const auto matrix = a.sizeOption(QStringLiteral("matrix"), 1, 12);
    const auto distance = a.intOption(QStringLiteral("distance"), 0, 50);
    const bool linear = a.flag(QStringLiteral("linear"));
    const bool smart = a.flag(QStringLiteral("smart"));
    const bool filter = a.flag(QStringLiteral("filter"));
    const bool noFilter = a.flag(QStringLiteral("no-filter"));
    const auto saturation = a.intOption(QStringLiteral("saturation"), 0, 200);
    const auto brightness = a.intOption(QStringLiteral("brightness"), -100, 100);
    const bool grey = a.flag(QStringLiteral("grey"));
    const auto blend = a.intOption(QStringLiteral("blend"), 0, 100);
    const auto tileSize = a.sizeOption(QStringLiteral("tile-size"), 1, 32767);
    const bool forceDb = a.flag(QStringLiteral("force-db"));
    const auto planPath = a.option(QStringLiteral("plan"));
    const auto workDir = a.option(QStringLiteral("work-dir"));
    const bool quiet = a.flag(QStringLiteral("quiet"));
    if (!a.finish(io)) return Usage;

    if (!a.positional().isEmpty()) return usageError(io, QStringLiteral("unexpected argument %1").arg(a.positional().first()));
    if (!source || !library || !out || source->isEmpty() || library->isEmpty() || out->isEmpty())
        return usageError(io, QStringLiteral("mosaic needs --source PHOTO, --library NAME and --out FILE"));
    if (cells && cellsAcross) return usageError(io, QStringLiteral("give either --cells or --cells-x, not both"));
    if (linear && smart) return usageError(io, QStringLiteral("give either --linear or --smart, not both"));
    if (filter && noFilter) return usageError(io, QStringLiteral("give either --filter or --no-filter, not both"));

    const QFileInfo target(*out);
    if (!isMosaicTarget(target.fileName()) || target.completeBaseName().isEmpty())
        return usageError(io, QStringLiteral("--out must name a .jpg, .jpeg or .bmp file"));
    if (!QFileInfo(target.absolutePath()).isDir())
        return usageError(io, QStringLiteral("the folder of --out does not exist: %1").arg(target.absolutePath()));
    if (target.isDir()) return usageError(io, QStringLiteral("--out names a folder: %1").arg(*out));

    if (!isPlainName(*library)) return usageError(io, QStringLiteral("Please select a valid name."));
    const QString folder = libraryFolder(*library);
    // The library's own tile size drives the link rule and is the default output size.
    const LibraryInfo info = libraryInfo(folder);
    if (info.tileCount == 0) return usageError(io, QStringLiteral("Please select a valid tile library."));
    if (tiles && *tiles > info.tileCount) return usageError(io, QStringLiteral("Please select a valid number of tiles."));

    int sourceWidth = 0, sourceHeight = 0;
    if (!pictureSize(*source, sourceWidth, sourceHeight) || sourceWidth <= 0 || sourceHeight <= 0) {
        io.err << "Please select a valid source image.\n";
        io.err.flush();
        return JobFailed;
    }

    const int libraryTileWidth = info.tileWidth > 0 ? info.tileWidth : 32;
    const int libraryTileHeight = info.tileHeight > 0 ? info.tileHeight : 32;

    int cellsX = 0, cellsY = 0;
    if (cells) {
        cellsX = cells->first;
        cellsY = cells->second;
    } else {
        cellsX = cellsAcross ? *cellsAcross : proposedCellsX(sourceWidth, sourceHeight);
        cellsY = linkedCellsY(cellsX, sourceWidth, sourceHeight, libraryTileWidth, libraryTileHeight);
    }
    if (cellsX <= 0 || cellsY <= 0 || static_cast<long long>(cellsX) * cellsY > 32767)
        return usageError(io, QStringLiteral("A mosaic can have at most 32767 cells."));

    MosaicJob job;
    job.cellsX = cellsX;
    job.cellsY = cellsY;
    job.tileWidth = tileSize ? tileSize->first : libraryTileWidth;
    job.tileHeight = tileSize ? tileSize->second : libraryTileHeight;
    job.matrX = matrix ? matrix->first : 3;
    job.matrY = matrix ? matrix->second : 3;
    job.distance = distance.value_or(6);
    job.saturation = saturation.value_or(100);
    job.brightness = brightness.value_or(0);
    job.alpha = alphaFromBlend(blend.value_or(20));
    job.number = tiles.value_or(0);
    job.forceNewDatabase = forceDb;
    job.greyscale = grey;
    job.smart = !linear;
    job.filter = !noFilter;
    job.sourcePath = QFileInfo(*source).absoluteFilePath();
    job.targetPath = target.absoluteFilePath();
    job.libraryFolder = folder;

    MosaicFiles files;
    if (planPath) {
        files.planPath = QFileInfo(*planPath).absoluteFilePath();
        if (!QFileInfo(QFileInfo(files.planPath).absolutePath()).isDir()) {
            io.err << "tesselix-cli: --plan " << *planPath << ": the folder does not exist\n";
            return JobFailed;
        }
    }
    if (workDir) {
        if (!QDir().mkpath(*workDir)) {
            io.err << "tesselix-cli: --work-dir " << *workDir << ": the folder cannot be made\n";
            return JobFailed;
        }
        files.workDir = QDir(*workDir).absolutePath();
    }
    job.jpegQuality = jpegQualitySetting();
    job.fixedLimits = fixedLimitsSetting();

    CliHost host(io.err, quiet);
    const JobResult result = runJob(host, jobRequest(job), &files);

    // Pages written before a stop stay on disk; say which they are either way.
    for (const QString& name : result.filesWritten) io.out << QDir::toNativeSeparators(name) << "\n";
    int rc = finishJob(result, io, true);
    for (const QString& error : files.errors) io.err << "tesselix-cli: cannot write " << error << "\n";
    if (!files.errors.isEmpty()) rc = JobFailed;
    io.err.flush();
    return rc;
}

int runDemo(const QStringList& args, Io io) {
    Args a(args);
    const auto out = a.option(QStringLiteral("out"));
    const bool quiet = a.flag(QStringLiteral("quiet"));
    if (!a.finish(io)) return Usage;
    if (!a.positional().isEmpty()) return usageError(io, QStringLiteral("unexpected argument %1").arg(a.positional().first()));
    if (out && (out->isEmpty() || !isMosaicTarget(*out)))
        return usageError(io, QStringLiteral("--out must name a .jpg, .jpeg or .bmp file"));

    if (!quiet) {
        io.err << "Preparing the demo library and picture...\n";
        io.err.flush();
    }
    QString error;
    if (!ensureDemoLibrary(&error) || !ensureDemoPicture(demoSourcePath(), &error)) {
        io.err << "tesselix-cli: " << error << "\n";
        io.err.flush();
        return JobFailed;
    }
    // A few hundred tiles cannot keep copies six cells apart and still match well;
    // two cells apart shows the picture clearly.
    QStringList mosaicArgs{QStringLiteral("--source"), demoSourcePath(), QStringLiteral("--library"), demoLibraryName(),
                           QStringLiteral("--out"), out ? *out : demoMosaicPath(), QStringLiteral("--distance"),
                           QStringLiteral("2")};
    if (quiet) mosaicArgs << QStringLiteral("--quiet");
    return runMosaic(mosaicArgs, io);
}

}  // namespace tx::cli
