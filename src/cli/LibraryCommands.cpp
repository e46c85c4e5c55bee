#include <QDir>
#include <QFile>
#include <cerrno>
#include <QFileInfo>
#include <algorithm>

#include "Cli.h"
#include "CliArgs.h"
#include "CliHost.h"
#include "JobRun.h"
#include "library/ColourDatabase.h"
#include "library/CreateLibraryValidation.h"
#include "library/LibraryDeletion.h"
#include "library/SourcePictures.h"
#include "library/TileLibrary.h"
#include "support/AppPaths.h"
#include "support/AtomicFile.h"
#include "support/FileHelpers.h"
#include "support/Messages.h"
#include "support/NumberText.h"
#include "support/Platform.h"
#include "support/SettingsSchema.h"

namespace tx::cli {

int runLibraryCreate(const QStringList& args, Io io) {
    Args a(args);
    const auto from = a.option(QStringLiteral("from"));
    const bool recurse = a.flag(QStringLiteral("recurse"));
    const auto to = a.option(QStringLiteral("to"));
    // The tile size and margin are checked below as the wizard checks them.
    const auto size = a.option(QStringLiteral("tile-size"));
    const auto margin = a.option(QStringLiteral("crop-margin"));
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
        io.err << msg::kValidName << "\n";
        return Usage;
    }

    CreateLibraryJob job;
    const auto found = scanSourceFolder(*from, recurse);
    job.targetFolder = libraryFolder(*to);
    const QFileInfo target(job.targetFolder);

    LibraryEntries e;
    e.sourceFolder = *from;
    e.sourceFolderReadable = found.has_value();
    e.targetLibrary = *to;
    e.targetLibraryUsable = target.isDir() || !target.exists();
    e.tileWidth = e.tileHeight = QString::number(job.tileWidth);
    if (size) {
        const QStringList parts = size->toLower().split(QLatin1Char('x'));
        e.tileWidth = parts.value(0);
        e.tileHeight = parts.size() == 2 ? parts[1] : QString();
    }
    e.imagesFound = found ? static_cast<int>(found->size()) : 0;
    e.cropMargin = margin.value_or(QStringLiteral("0"));
    if (const auto problem = checkLibraryEntries(e)) {
        io.err << problem->message << "\n";
        // A folder without pictures is a fact of the disk; the rest are refused option values.
        return problem->message == msg::kNoImagesFound ? JobFailed : Usage;
    }
    job.sourceFolder = AddBackslash(QFileInfo(*from).absoluteFilePath());
    job.sourceEntries = *found;
    if (!QDir().mkpath(job.targetFolder)) {
        // mkpath gives no reason; asking the system once more does.
        const int err = platform::makeFolder(job.targetFolder);
        const QString why = err != 0 ? fileErrorReason(err) : QString();
        io.err << msg::kValidTileLibrary << "\n";
        io.err << "tesselix-cli: the library folder " << QDir::toNativeSeparators(job.targetFolder)
               << " cannot be made" << (why.isEmpty() ? QString() : QStringLiteral(": ") + why) << "\n";
        return JobFailed;
    }
    job.tileWidth = *asInteger(e.tileWidth);
    job.tileHeight = *asInteger(e.tileHeight);
    job.cropMargin = *asInteger(e.cropMargin);
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
    const bool force = a.flag(QStringLiteral("force"));
    if (!a.finish(io)) return Usage;
    int rc = Ok;
    const auto name = existingLibraryName(a.positional(), "delete", io, rc);
    if (!name) return rc;
    const QString folder = libraryFolder(*name);
    const LibraryContents contents = libraryContents(folder);
    // Nobody is asked here: what is not a library file is never taken along unbidden.
    if (!contents.others.isEmpty() && !force) {
        io.err << "The library '" << *name << "' was not deleted: its folder also holds "
               << contents.others.join(QStringLiteral(", "))
               << ", which are not tiles or color databases. Move them out, or add --force to delete them with it.\n";
        return JobFailed;
    }
    QString error;
    if (!discardFolder(folder, &error)) {
        io.err << "The library '" << *name << "' could not be deleted. " << error << "\n";
        return JobFailed;
    }
    const bool trashed = platformDisposal() == Disposal::Trash;
    io.out << "'" << *name << "' was successfully deleted. (" << QDir::toNativeSeparators(folder) << ", "
           << contents.tiles << (contents.tiles == 1 ? " tile, " : " tiles, ") << contents.files
           << (contents.files == 1 ? " file" : " files") << (trashed ? " moved to the trash)\n" : " deleted)\n");
    return Ok;
}

}  // namespace tx::cli
