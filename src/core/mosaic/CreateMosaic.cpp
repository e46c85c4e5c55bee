#include <QDir>
#include <new>
#include <QFileInfo>
#include <chrono>
#include <future>
#include <cmath>

#include "library/ColourDatabase.h"
#include "library/TileLibrary.h"
#include "mosaic/MachineLimits.h"
#include "mosaic/MosaicJob.h"
#include "mosaic/OrderTables.h"
#include "mosaic/PageAssembly.h"
#include "mosaic/Plan.h"
#include "mosaic/SourcePreparation.h"
#include "mosaic/TileChoice.h"
#include "support/FileHelpers.h"
#include "support/PictureFile.h"

namespace tx {

namespace {

constexpr int kMostCells = 32767;  // cells are counted in 16 bits
constexpr int kMostTiles = 32767;  // Plan holds 16-bit tile numbers

const QString kMatrixTooBig = QStringLiteral(
    "Your system can not handle the recognition matrix.\r\nPlease use a smaller matrix or less cells.");
const QString kTilesTooBig = QStringLiteral("Your system can not handle tile size.\r\nPlease use smaller tiles.");
const QString kTooManyCells =
    QStringLiteral("A mosaic can have at most 32767 cells.\r\nPlease use less cells.");
const QString kBadOptions = QStringLiteral("Please check the mosaic options.");
const QString kOutOfMemory =
    QStringLiteral("There is not enough memory for this mosaic.\r\nPlease use a smaller matrix or less cells.");
const QString kNoDatabase = QStringLiteral("The color database of the library could not be read.");
const QString kBadSource = QStringLiteral("Please select a valid source image.");
const QString kEmptyLibrary =
    QStringLiteral("The selected library contains no tiles.\r\nPlease select another library.");

QString csvField(const QString& s) {
    if (!s.contains(QLatin1Char(',')) && !s.contains(QLatin1Char('"')) && !s.contains(QLatin1Char('\n')))
        return s;
    QString q = s;
    q.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

bool writePlanCsv(const QString& path, const Plan& plan, const QStringList& tiles) {
    QByteArray out = "x,y,tile,file\n";
    for (int y = 0; y < plan.cellsY(); ++y)
        for (int x = 0; x < plan.cellsX(); ++x) {
            const int t = plan.at(x, y);
            const QString file = t >= 1 && t <= tiles.size() ? tiles[t - 1] : QString();
            out += QStringLiteral("%1,%2,%3,%4\n").arg(x).arg(y).arg(t).arg(csvField(file)).toUtf8();
        }
    return writeFileAtomically(path, out);
}

bool writeOrderCsv(const QString& path, const OrderTable& table) {
    QByteArray out = "key,x,y\n";
    for (const OrderRecord& r : table) out += QStringLiteral("%1,%2,%3\n").arg(r.key).arg(r.x).arg(r.y).toUtf8();
    return writeFileAtomically(path, out);
}

}  // namespace

int alphaFromBlend(int blendPercent) {
    return static_cast<int>(std::nearbyint(blendPercent / 100.0 * 255.0));
}

namespace {

void createMosaic(Task& task, const MosaicJob& job) {
    TaskHost& host = task.host();

    const int cellsX = job.cellsX, cellsY = job.cellsY;
    const int tileWidth = job.tileWidth, tileHeight = job.tileHeight;
    const int matrX = job.matrX, matrY = job.matrY;
    if (cellsX <= 0 || cellsY <= 0 || tileWidth <= 0 || tileHeight <= 0 || matrX <= 0 || matrY <= 0 ||
        job.distance < 0) {
        host.showMessage(MessageIcon::Critical, kBadOptions);
        return;
    }
    if (static_cast<std::int64_t>(cellsX) * cellsY > kMostCells) {
        host.showMessage(MessageIcon::Critical, kTooManyCells);
        return;
    }
    Plan plan(cellsX, cellsY);

    // Picture limits in pixels.
    MachineLimits limits;
    if (!machineCheckEnabled()) {
        limits = storedMachineLimits();
    } else {
        task.setStatus(QStringLiteral("Testing machine..."));
        if (!task.running()) return;
        limits = TestMachine();
    }
    // The source is processed at twice the scan resolution.
    if (std::int64_t(cellsX) * matrX * 2 > limits.maxWidth || std::int64_t(cellsY) * matrY * 2 > limits.maxHeight) {
        host.showMessage(MessageIcon::Critical, kMatrixTooBig);
        return;
    }

    const QString folder = AddBackslash(job.libraryFolder);
    const QStringList tiles = tileList(folder);
    if (tiles.isEmpty()) {
        host.showMessage(MessageIcon::Information, kEmptyLibrary);
        return;
    }
    int tileCount = static_cast<int>(std::min<qsizetype>(tiles.size(), kMostTiles));
    if (job.number > 0 && job.number < tileCount) tileCount = job.number;

    // Refuse an unreadable source before a possibly long database build.
    int sourceW = 0, sourceH = 0;
    if (!pictureSize(job.sourcePath, sourceW, sourceH) || sourceW <= 0 || sourceH <= 0) {
        host.showMessage(MessageIcon::Information, kBadSource);
        return;
    }

    // The source decodes while the colour database is read or built.
    struct LoadedSource {
        Picture picture;
        bool ok = false;
    };
    std::future<LoadedSource> loading = std::async(std::launch::async, [path = job.sourcePath] {
        LoadedSource s;
        s.ok = loadPicture(path, s.picture) && !s.picture.isEmpty();
        return s;
    });

    TileColourTable table;
    ColourDatabaseRequest request;
    request.libraryFolder = folder;
    request.tiles = tiles;
    request.tileCount = tileCount;
    request.matrX = matrX;
    request.matrY = matrY;
    request.force = job.forceNewDatabase;
    request.greyscale = job.greyscale;
    request.filter = job.filter;
    if (!LoadColourDatabase(task, request, table) || !task.running()) return;
    if (table.tiles < tileCount || table.matrX != matrX || table.matrY != matrY) {
        host.showMessage(MessageIcon::Critical, kNoDatabase);
        return;
    }

    task.setStatus(QStringLiteral("Creating source image..."));
    if (!task.running()) return;
    PreparedSource prepared;
    OrderTable order;
    {
        LoadedSource source = loading.get();
        if (!source.ok) {
            host.showMessage(MessageIcon::Information, kBadSource);
            return;
        }
        prepared = prepareSource(source.picture, cellsX, cellsY, matrX, matrY,
                                 Adjustments{job.brightness, job.saturation, job.greyscale});
    }
    if (job.smart) order = buildDetailOrder(prepared.cells);
    if (!job.workDir.isEmpty()) {
        QDir().mkpath(job.workDir);
        const QDir dir(job.workDir);
        saveBmp(prepared.scan, dir.filePath(QStringLiteral("scan.bmp")));
        saveBmp(prepared.cells, dir.filePath(QStringLiteral("cells.bmp")));
        if (job.smart) writeOrderCsv(dir.filePath(QStringLiteral("order.csv")), order);
    }

    const QSize previewSize = host.previewSize();
    const bool wantPreview = !previewSize.isEmpty();
    Picture preview;
    PreviewLayout layout;
    if (wantPreview) {
        preview = Picture(previewSize.width(), previewSize.height());
        layout = PreparePreview(preview, cellsX, cellsY, tileWidth, tileHeight);
        host.previewChanged(preview);
    }

    task.setStatus(QStringLiteral("Calculating mosaic..."));
    task.setMaximum(cellsX * cellsY);
    task.setValue(0);
    TileChoiceInput input;
    input.scan = &prepared.scan;
    input.tiles = &table;
    input.cellsX = cellsX;
    input.cellsY = cellsY;
    input.matrX = matrX;
    input.matrY = matrY;
    input.tileCount = tileCount;
    input.distance = job.distance;
    input.order = job.smart ? &order : nullptr;
    PreviewThrottle throttle;
    bool firstCell = true;
    TileChoiceHooks hooks;
    hooks.running = [&] { return task.running(); };
    hooks.cellDone = [&](int x, int y) {
        if (wantPreview) {
            drawPreviewCell(preview, layout, x, y, prepared.cells.pixel(x, y));
            if (throttle.due()) host.previewChanged(preview);
        }
        task.step();
        if (!task.running()) return false;
        if (firstCell) {
            task.startTimeEstimate();
            firstCell = false;
        } else {
            task.updateTimeEstimate();
        }
        return true;
    };
    if (!chooseTiles(input, plan, hooks) || !task.running()) return;
    if (wantPreview) host.previewChanged(preview);
    task.setValue(0);
    task.clearTimeText();
    if (!job.planPath.isEmpty()) writePlanCsv(job.planPath, plan, tiles);

    task.setStatus(QStringLiteral("Preparing smart table..."));
    order = buildPageTable(plan);

    // Page limits, now in tiles per page.
    const int tilesAcross = limits.maxWidth / tileWidth;
    const int tilesDown = limits.maxHeight / tileHeight;
    if (tilesAcross <= 1 || tilesDown <= 1) {
        host.showMessage(MessageIcon::Critical, kTilesTooBig);
        return;
    }

    PageInput pages;
    pages.job = &job;
    pages.libraryFolder = folder;
    pages.tiles = tiles;
    pages.plan = &plan;
    pages.pageTable = &order;
    pages.cellImage = &prepared.cells;
    pages.maxTilesX = tilesAcross;
    pages.maxTilesY = tilesDown;
    pages.alpha = job.alpha;
    pages.preview = wantPreview ? &preview : nullptr;
    pages.layout = layout;
    if (!assemblePages(task, pages) || !task.running()) return;

    prepared = PreparedSource();
    task.finish();
}

}  // namespace

void CreateMosaic(Task& task, const MosaicJob& job) {
    if (!task.begin()) return;
    try {
        createMosaic(task, job);
    } catch (const PictureTooLarge&) {
        task.host().showMessage(MessageIcon::Critical, kOutOfMemory);
    } catch (const std::bad_alloc&) {
        task.host().showMessage(MessageIcon::Critical, kOutOfMemory);
    }
}

}  // namespace tx
