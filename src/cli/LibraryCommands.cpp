#include <QDir>
#include <QFileInfo>
#include <algorithm>

#include "Cli.h"
#include "CliArgs.h"
#include "CliHost.h"
#include "JobRun.h"
#include "JobSettings.h"
#include "library/ColourDatabase.h"
#include "library/TileLibrary.h"
#include "support/AppPaths.h"
#include "support/FileHelpers.h"

namespace tx::cli {

namespace {

const QString kInvalidName = QStringLiteral("Please select a valid name.");

bool isSourcePicture(const QString& name) {
    return IsBmpFile(name) || IsJpgFile(name) || name.right(4).compare(QLatin1String(".gif"), Qt::CaseInsensitive) == 0;
}

// Files of the folder first, then those of each sub-folder, as paths relative to root.
void scanFolder(const QString& root, const QString& relative, bool recurse, QStringList& out) {
    QDir dir(root + relative);
    const auto order = QDir::Name | QDir::IgnoreCase;
    for (const QString& f : dir.entryList(QDir::Files, order))
        if (isSourcePicture(f)) out << relative + f;
    if (!recurse) return;
    for (const QString& d : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, order))
        scanFolder(root, relative + d + QLatin1Char('/'), true, out);
}

}  // namespace

int runLibraryCreate(const QStringList& args, Io io) {
    Args a(args);
    const auto from = a.option(QStringLiteral("from"));
    const bool recurse = a.flag(QStringLiteral("recurse"));
    const auto to = a.option(QStringLiteral("to"));
    const auto size = a.sizeOption(QStringLiteral("tile-size"), 1, 4096);
    const auto margin = a.intOption(QStringLiteral("crop-margin"), 0, 32767);
    const auto anchor = a.option(QStringLiteral("anchor"));
    const auto format = a.option(QStringLiteral("format"));
    const bool quiet = a.flag(QStringLiteral("quiet"));
    CropPosition anchorValue = CropPosition::Center;
    if (anchor) {
        anchorValue = cropPositionNamed(*anchor);
        if (anchorValue == CropPosition::None) a.fail(QStringLiteral("unknown --anchor %1").arg(*anchor));
    }
    TileFormat tileFormat = TileFormat::Jpeg;
    if (format) {
        if (format->compare(QLatin1String("bmp"), Qt::CaseInsensitive) == 0)
            tileFormat = TileFormat::Bmp;
        else if (format->compare(QLatin1String("jpg"), Qt::CaseInsensitive) != 0 &&
                 format->compare(QLatin1String("jpeg"), Qt::CaseInsensitive) != 0)
            a.fail(QStringLiteral("--format takes jpg or bmp"));
    }
    if (!a.positional().isEmpty()) a.fail(QStringLiteral("unexpected argument %1").arg(a.positional().first()));
    if (!from || !to) a.fail(QStringLiteral("library create needs --from FOLDER and --to NAME"));
    if (!a.finish(io)) return Usage;
    if (!isPlainName(*to)) {
        io.err << kInvalidName << "\n";
        return Usage;
    }
    const QFileInfo fromInfo(*from);
    if (!fromInfo.isDir()) {
        io.err << "tesselix-cli: --from " << *from << ": - not a valid path -\n";
        return Usage;
    }

    CreateLibraryJob job;
    job.sourceFolder = AddBackslash(fromInfo.absoluteFilePath());
    scanFolder(job.sourceFolder, QString(), recurse, job.sourceEntries);
    if (job.sourceEntries.isEmpty()) {
        io.err << "No images found.\n";
        return JobFailed;
    }
    job.targetFolder = libraryFolder(*to);
    if (!QDir().mkpath(job.targetFolder)) {
        io.err << kInvalidName << "\n";
        return JobFailed;
    }
    if (size) {
        job.tileWidth = size->first;
        job.tileHeight = size->second;
    }
    job.cropMargin = margin.value_or(0);
    job.anchor = anchorValue;
    job.format = tileFormat;
    job.jpegQuality = jpegQualitySetting();

    CliHost host(io.err, quiet);
    const JobResult result = runJob(host, jobRequest(job));
    const int made = static_cast<int>(result.filesWritten.size());
    const int after = static_cast<int>(tileList(job.targetFolder).size());
    io.out << "Library '" << *to << "': " << made << (made == 1 ? " new tile, " : " new tiles, ") << after
           << " in all (" << QDir::toNativeSeparators(job.targetFolder) << ")\n";
    if (!result.problems.isEmpty())
        io.err << result.problems.size()
               << (result.problems.size() == 1 ? " picture could not be read:\n" : " pictures could not be read:\n");
    // Unreadable pictures are skipped, as in the wizard; the job itself succeeded.
    return finishJob(result, io, false);
}

int runLibraryIndex(const QStringList& args, Io io) {
    Args a(args);
    const auto matrix = a.sizeOption(QStringLiteral("matrix"), 1, 12);
    const bool grey = a.flag(QStringLiteral("grey")) || a.flag(QStringLiteral("gray"));
    const bool noFilter = a.flag(QStringLiteral("no-filter"));
    const bool force = a.flag(QStringLiteral("force-db"));
    const bool quiet = a.flag(QStringLiteral("quiet"));
    if (!a.finish(io)) return Usage;
    int rc = Ok;
    const auto name = existingLibraryName(a.positional(), "index", io, rc);
    if (!name) return rc;

    UpdateDatabaseJob job;
    job.libraryFolder = libraryFolder(*name);
    if (matrix) {
        job.matrX = matrix->first;
        job.matrY = matrix->second;
    }
    job.greyscale = grey;
    job.filter = !noFilter;
    job.force = force;

    CliHost host(io.err, quiet);
    const JobResult result = runJob(host, jobRequest(job));
    if (result.completed())
        io.out << QDir::toNativeSeparators(databasePath(job.libraryFolder, job.matrX, job.matrY)) << " ("
               << tileList(job.libraryFolder).size() << " tiles)\n";
    return finishJob(result, io, true);
}

int runLibraryList(const QStringList& args, Io io) {
    Args a(args);
    if (!a.finish(io)) return Usage;
    if (!a.positional().isEmpty()) {
        io.err << "tesselix-cli: library list takes no arguments\n";
        return Usage;
    }
    for (const QString& name : libraryList()) io.out << name << "\n";
    return Ok;
}

int runLibraryInfo(const QStringList& args, Io io) {
    Args a(args);
    if (!a.finish(io)) return Usage;
    int rc = Ok;
    const auto name = existingLibraryName(a.positional(), "info", io, rc);
    if (!name) return rc;
    const QString folder = libraryFolder(*name);
    const LibraryInfo info = libraryInfo(folder);
    io.out << "Library: " << *name << "\n";
    io.out << "Folder: " << QDir::toNativeSeparators(folder) << "\n";
    io.out << "Number of tiles: " << info.tileCount << "\n";
    if (info.tileCount > 0) {
        if (info.tileWidth > 0)
            io.out << "Tile size: " << info.tileWidth << "x" << info.tileHeight << "px\n";
        else
            io.out << "Tile size: unknown (the first tile cannot be read)\n";
        io.out << "Format: " << info.format << "\n";
    }
    const QStringList databases = databaseFiles(folder);
    const QString list = databases.isEmpty() ? QStringLiteral("none") : databases.join(QStringLiteral(", "));
    io.out << "Color databases: " << list << "\n";
    return Ok;
}

int runLibraryDelete(const QStringList& args, Io io) {
    Args a(args);
    if (!a.finish(io)) return Usage;
    int rc = Ok;
    const auto name = existingLibraryName(a.positional(), "delete", io, rc);
    if (!name) return rc;
    const QString folder = libraryFolder(*name);
    const int tiles = static_cast<int>(tileList(folder).size());
    if (!DeleteFolder(folder)) {
        io.err << "The library '" << *name << "' could not be deleted.\n";
        return JobFailed;
    }
    io.out << "'" << *name << "' was successfully deleted. (" << QDir::toNativeSeparators(folder) << ", " << tiles
           << (tiles == 1 ? " tile" : " tiles") << ")\n";
    return Ok;
}

}  // namespace tx::cli
