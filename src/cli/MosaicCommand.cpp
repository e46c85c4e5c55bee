// tesselix-cli mosaic and demo: the mosaic job of the wizard, with the wizard's
// defaults, run headless.
#include <QDir>
#include <QFileInfo>

#include "Cli.h"
#include "CliArgs.h"
#include "CliHost.h"
#include "JobRun.h"
#include "MosaicFiles.h"
#include "demo/DemoLibrary.h"
#include "library/TileLibrary.h"
#include "mosaic/MosaicOptions.h"
#include "mosaic/OutputFormat.h"
#include "mosaic/MosaicValidation.h"
#include "support/Messages.h"
#include "support/FileHelpers.h"
#include "support/PictureFile.h"
#include "support/SettingsSchema.h"

namespace tx::cli {

namespace {

int usageError(Io io, const QString& message) {
    io.err << "tesselix-cli: " << message << "\n";
    io.err.flush();
    return Usage;
}

// A target the mosaic can be written to by its name, or a usage error saying why not.
std::optional<int> refuseTarget(Io io, const QString& path) {
    QString problem;
    if (outputFormatFor(path, &problem)) return std::nullopt;
    return usageError(io, QStringLiteral("--out %1: %2").arg(path, problem));
}

// "AxB" as its two texts; a text without one "x" gives an empty second part,
// which the checks refuse like any value that is not a number.
std::pair<QString, QString> sizeTexts(const QString& text) {
    const QStringList parts = text.toLower().split(QLatin1Char('x'));
    if (parts.size() != 2) return {text, QString()};
    return {parts[0], parts[1]};
}

}  // namespace

int runMosaic(const QStringList& args, Io io) {
    namespace D = MosaicDefaults;
    Args a(args);
    const auto source = a.option(QStringLiteral("source"));
    const auto library = a.option(QStringLiteral("library"));
    const auto out = a.option(QStringLiteral("out"));
    // Counts and sizes are checked below as the wizard checks them, with its messages.
    const auto cells = a.option(QStringLiteral("cells"));
    const auto cellsAcross = a.option(QStringLiteral("cells-x"));
    const auto tiles = a.option(QStringLiteral("tiles"));
    const auto matrix = a.option(QStringLiteral("matrix"));
    const auto distance = a.intOption(QStringLiteral("distance"), D::kDistanceMin, D::kDistanceMax);
    const bool linear = a.flag(QStringLiteral("linear"));
    const bool smart = a.flag(QStringLiteral("smart"));
    const bool everyTile = a.flag(QStringLiteral("every-tile"));
    const auto maxUses = a.intOption(QStringLiteral("max-uses"), 1, 32767);
    const bool filter = a.flag(QStringLiteral("filter"));
    const bool noFilter = a.flag(QStringLiteral("no-filter"));
    const auto saturation = a.intOption(QStringLiteral("saturation"), D::kSaturationMin, D::kSaturationMax);
    const auto brightness = a.intOption(QStringLiteral("brightness"), D::kBrightnessMin, D::kBrightnessMax);
    const bool grey = a.flag(QStringLiteral("grey"));
    const auto blend = a.intOption(QStringLiteral("blend"), D::kBlendMin, D::kBlendMax);
    const auto tileSize = a.option(QStringLiteral("tile-size"));
    const bool forceDb = a.flag(QStringLiteral("force-db"));
    const bool perceptual = a.flag(QStringLiteral("perceptual"));
    const bool mirror = a.flag(QStringLiteral("mirror"));
    const auto planPath = a.option(QStringLiteral("plan"));
    const auto workDir = a.option(QStringLiteral("work-dir"));
    const bool quiet = a.flag(QStringLiteral("quiet"));
    if (!a.finish(io)) return Usage;

    if (!a.positional().isEmpty()) return usageError(io, QStringLiteral("unexpected argument %1").arg(a.positional().first()));
    if (!source || !library || !out || source->isEmpty() || library->isEmpty() || out->isEmpty())
        return usageError(io, QStringLiteral("mosaic needs --source PHOTO, --library NAME and --out FILE"));
    if (cells && cellsAcross) return usageError(io, QStringLiteral("give either --cells or --cells-x, not both"));
    if (linear && smart) return usageError(io, QStringLiteral("give either --linear or --smart, not both"));
    if (everyTile && maxUses) return usageError(io, QStringLiteral("give either --every-tile or --max-uses, not both"));
    if ((everyTile || maxUses) && (linear || smart))
        return usageError(io, QStringLiteral("--linear and --smart order the greedy choice only; even tile use (--every-tile, --max-uses) chooses all cells at once"));
    if ((everyTile || maxUses) && !evenUseAvailable())
        return usageError(io, QStringLiteral("even tile use is not available: this program was built without the LEMON library"));
    if (filter && noFilter) return usageError(io, QStringLiteral("give either --filter or --no-filter, not both"));

    const QFileInfo target(*out);
    if (const auto refused = refuseTarget(io, *out)) return *refused;
    if (!QFileInfo(target.absolutePath()).isDir())
        return usageError(io, QStringLiteral("the folder of --out does not exist: %1").arg(target.absolutePath()));
    if (target.isDir()) return usageError(io, QStringLiteral("--out names a folder: %1").arg(*out));
    // Only regular files are replaced: a device, pipe or socket (also behind a link) is refused.
    if (target.exists() && !target.isFile()) {
        io.err << "tesselix-cli: --out " << *out << ": not a regular file\n";
        return JobFailed;
    }

    if (!isPlainName(*library)) return usageError(io, msg::kValidName);
    const QString folder = libraryFolder(*library);
    // The library's own tile size drives the link rule and is the default output size.
    const LibraryInfo info = libraryInfo(folder);
    const int libraryTileWidth = info.tileWidth > 0 ? info.tileWidth : D::kTileWidth;
    const int libraryTileHeight = info.tileHeight > 0 ? info.tileHeight : D::kTileHeight;

    MosaicEntries e;
    e.sourcePath = *source;
    int sourceWidth = 0, sourceHeight = 0;
    e.sourceLoads = pictureSize(*source, sourceWidth, sourceHeight) && sourceWidth > 0 && sourceHeight > 0;
    if (cells) {
        const auto [x, y] = sizeTexts(*cells);
        e.cellsX = asInteger(x);
        e.cellsY = asInteger(y);
    } else if (e.sourceLoads) {
        // Cells down follow cells across by the link rule, as in the wizard.
        e.cellsX = cellsAcross ? asInteger(*cellsAcross) : proposedCellsX(sourceWidth, sourceHeight);
        if (e.cellsX)
            e.cellsY = linkedCellsY(*e.cellsX, sourceWidth, sourceHeight, libraryTileWidth, libraryTileHeight);
    }
    e.library = *library;
    e.libraryTileCount = info.tileCount;
    e.numberOfTiles = tiles ? asInteger(*tiles) : std::optional<int>(info.tileCount);
    e.matrX = D::kMatrixX;
    e.matrY = D::kMatrixY;
    if (matrix) {
        const auto [x, y] = sizeTexts(*matrix);
        e.matrX = asInteger(x);
        e.matrY = asInteger(y);
    }
    e.tileWidth = libraryTileWidth;
    e.tileHeight = libraryTileHeight;
    if (tileSize) {
        const auto [w, h] = sizeTexts(*tileSize);
        e.tileWidth = asInteger(w);
        e.tileHeight = asInteger(h);
    }
    if (const auto problem = checkMosaicEntries(e)) {
        io.err << problem->message << "\n";
        io.err.flush();
        // An unreadable source is a fact of the file; every other refusal is of an option value.
        return problem->field == OptionField::SourceImage ? JobFailed : Usage;
    }

    MosaicJob job;
    job.cellsX = *e.cellsX;
    job.cellsY = *e.cellsY;
    job.tileWidth = *e.tileWidth;
    job.tileHeight = *e.tileHeight;
    job.matrX = *e.matrX;
    job.matrY = *e.matrY;
    job.distance = distance.value_or(D::kDistance);
    job.saturation = saturation.value_or(D::kSaturation);
    job.brightness = brightness.value_or(D::kBrightness);
    job.alpha = alphaFromBlend(blend.value_or(D::kBlend));
    job.number = tiles ? *e.numberOfTiles : 0;
    job.forceNewDatabase = forceDb;
    job.greyscale = grey;
    job.smart = !linear;
    job.filter = !noFilter;
    if (everyTile) job.evenUse = {EvenUseMode::EveryTile, 1};
    if (maxUses) job.evenUse = {EvenUseMode::MaxUses, *maxUses};
    job.perceptual = perceptual;
    job.mirror = mirror;
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
    if (files.evenUse && !quiet) {
        const EvenUseStats& s = *files.evenUse;
        io.err << QStringLiteral("Even tile use: total distance %1 (optimum %2 proven after %3 auction phases, %4 bids%5)")
                      .arg(s.cost)
                      .arg(s.optimumCost)
                      .arg(s.rounds)
                      .arg(s.bids)
                      .arg(perceptual ? QStringLiteral("; in 1/256 of a CIE76 colour difference") : QString());
        if (s.movedCells > 0 || s.unresolvedPairs > 0)
            io.err << QStringLiteral("; the minimal distance moved %1 cells for %2 more (%3%)")
                          .arg(s.movedCells)
                          .arg(s.cost - s.optimumCost)
                          .arg(s.optimumCost > 0 ? 100.0 * (s.cost - s.optimumCost) / s.optimumCost : 0.0, 0, 'f', 2);
        if (s.unresolvedPairs > 0) io.err << QStringLiteral(", %1 pairs still too close").arg(s.unresolvedPairs);
        io.err << "\n";
    }
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
    if (out) {
        if (const auto refused = refuseTarget(io, *out)) return *refused;
    }

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
