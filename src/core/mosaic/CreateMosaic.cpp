#include <QFileInfo>
#include <cmath>
#include <future>
#include <memory>

#include "library/ColourDatabase.h"
#include "library/TileLibrary.h"
#include "mosaic/MachineLimits.h"
#include "mosaic/MatchingChoice.h"
#include "mosaic/MosaicJob.h"
#include "mosaic/MosaicObserver.h"
#include "mosaic/OrderTables.h"
#include "mosaic/OutputFormat.h"
#include "mosaic/PageAssembly.h"
#include "mosaic/LabPairDistance.h"
#include "mosaic/RgbPairDistance.h"
#include "mosaic/Plan.h"
#include "mosaic/SourcePreparation.h"
#include "mosaic/TileChoice.h"
#include "mosaic/ZoomViewer.h"
#include "support/DeepZoomGeometry.h"
#include "support/FileHelpers.h"
#include "support/Messages.h"
#include "support/PictureFile.h"
#include "task/EngineRun.h"

namespace tx {

namespace {

constexpr int kMostTiles = 32767;  // Plan holds 16-bit tile numbers

const QString kMatrixTooBig = QStringLiteral(
    "Your system can not handle the recognition matrix.\r\nPlease use a smaller matrix or less cells.");
const QString kTilesTooBig = QStringLiteral("Your system can not handle tile size.\r\nPlease use smaller tiles.");
const QString kOutOfMemory =
    QStringLiteral("There is not enough memory for this mosaic.\r\nPlease use a smaller matrix or less cells.");
const QString kStripTooBig = QStringLiteral(
    "Your system can not handle a row of tiles this wide.\r\nPlease use smaller tiles or less cells.");
// The side of a zoomable picture in pixels: ample for any plan, and far below int's range.
constexpr std::int64_t kMostZoomablePixels = 1 << 28;
const QString kNoDatabase = QStringLiteral("The color database of the library could not be read.");

// One run of the engine: the phases in the order the user sees them.
class MosaicRun {
public:
    MosaicRun(Task& task, const MosaicJob& job, MosaicObserver* observer)
        : m_task(task), m_job(job), m_observer(observer), m_feed(task) {}

    void run() {
        if (checkOptions() && measureLimits() && checkScanSize() && checkPageSize() && openLibrary() && checkEvenUse() &&
            checkSource() && readDatabase() && prepareSource() && chooseTiles() && assemble())
            m_task.finish();
    }

private:
    bool checkOptions();
    bool measureLimits();
    bool checkScanSize();
    bool openLibrary();
    bool checkEvenUse();
    bool chooseEvenly();
    bool checkSource();
    bool readDatabase();
    bool prepareSource();
    bool chooseTiles();
    bool checkPageSize();
    bool assemble();

    struct LoadedSource {
        Picture picture;
        QString error;
        bool ok = false;
    };

    Task& m_task;
    const MosaicJob& m_job;
    MosaicObserver* m_observer;
    PreviewFeed m_feed;

    MachineLimits m_limits;
    QString m_folder;
    QStringList m_tiles;
    int m_tileCount = 0;
    std::future<LoadedSource> m_loading;
    TileColourTable m_table;
    PreparedSource m_prepared;
    OrderTable m_order;
    Plan m_plan;
    MirrorPlan m_mirrored;
    Picture m_preview;
    UseCaps m_caps;
    PreviewLayout m_layout;
    int m_tilesAcross = 0;
    int m_tilesDown = 0;
};

bool MosaicRun::checkOptions() {
    const MosaicJob& j = m_job;
    // A cell count of 0 and one beyond 16 bits are the same mistake to the user.
    if (j.cellsX <= 0 || j.cellsY <= 0 || std::int64_t{j.cellsX} * j.cellsY > MosaicDefaults::kMostCells || j.tileWidth <= 0 ||
        j.tileHeight <= 0) {
        m_task.stop(MessageIcon::Information, msg::kValidPixelSize);
        return false;
    }
    if (j.matrX < 1 || j.matrY < 1) {
        m_task.stop(MessageIcon::Information, msg::kValueBetween1And12);
        return false;
    }
    QString formatProblem;
    const std::optional<OutputFormat> format = outputFormatFor(j.targetPath, &formatProblem);
    if (!format) {
        m_task.stop(MessageIcon::Information, formatProblem);
        return false;
    }
    if (*format == OutputFormat::Zoomable && zoomViewerFolder().isEmpty()) {
        m_task.stop(MessageIcon::Information, zoomViewerMissingText());
        return false;
    }
    m_plan = Plan(j.cellsX, j.cellsY);
    return true;
}

bool MosaicRun::measureLimits() {
    if (m_job.fixedLimits) {
        m_limits = *m_job.fixedLimits;
        return true;
    }
    m_task.setStatus(QStringLiteral("Testing machine..."));
    if (!m_task.running()) return false;
    m_limits = TestMachine();
    return true;
}

bool MosaicRun::checkScanSize() {
    // The source is processed at twice the scan resolution.
    if (std::int64_t{m_job.cellsX} * m_job.matrX * 2 > m_limits.maxWidth ||
        std::int64_t{m_job.cellsY} * m_job.matrY * 2 > m_limits.maxHeight) {
        m_task.stop(MessageIcon::Critical, kMatrixTooBig);
        return false;
    }
    return true;
}

bool MosaicRun::openLibrary() {
    m_folder = AddBackslash(m_job.libraryFolder);
    m_tiles = tileList(m_folder);
    if (m_tiles.isEmpty()) {
        m_task.stop(MessageIcon::Information, msg::kValidTileLibrary);
        return false;
    }
    m_tileCount = static_cast<int>(std::min<qsizetype>(m_tiles.size(), kMostTiles));
    if (m_job.number > 0 && m_job.number < m_tileCount) m_tileCount = m_job.number;
    return true;
}

// Refuses caps no assignment can meet before any long work.
bool MosaicRun::checkEvenUse() {
    if (m_job.evenUse.mode == EvenUseMode::Off) return true;
    if (!evenUseAvailable()) {
        m_task.stop(MessageIcon::Critical,
                    QStringLiteral("Even tile use is not available: this program was built without the LEMON library."));
        return false;
    }
    const QString refused = useCaps(m_job.evenUse, m_job.cellsX * m_job.cellsY, m_tileCount, m_caps);
    if (!refused.isEmpty()) {
        m_task.stop(MessageIcon::Information, refused);
        return false;
    }
    return true;
}

// Refuses an unreadable source before a possibly long database build, then lets
// it decode while the database is read or built.
bool MosaicRun::checkSource() {
    int w = 0, h = 0;
    if (!pictureSize(m_job.sourcePath, w, h) || w <= 0 || h <= 0) {
        m_task.stop(MessageIcon::Information, msg::kValidSourceImage);
        return false;
    }
    m_loading = std::async(std::launch::async, [path = m_job.sourcePath] {
        LoadedSource s;
        try {
            s.ok = loadPicture(path, s.picture, &s.error) && !s.picture.isEmpty();
        } catch (const std::exception& e) {  // out of memory: the source counts as unreadable
            s.error = QString::fromLocal8Bit(e.what());
        }
        return s;
    });
    return true;
}

bool MosaicRun::readDatabase() {
    ColourDatabaseRequest request;
    request.libraryFolder = m_folder;
    request.tiles = m_tiles;
    request.tileCount = m_tileCount;
    request.matrX = m_job.matrX;
    request.matrY = m_job.matrY;
    request.force = m_job.forceNewDatabase;
    request.greyscale = m_job.greyscale;
    request.filter = m_job.filter;
    if (!LoadColourDatabase(m_task, request, m_table) || !m_task.running()) return false;
    if (m_table.tiles < m_tileCount || m_table.matrX != m_job.matrX || m_table.matrY != m_job.matrY) {
        m_task.stop(MessageIcon::Critical, kNoDatabase);
        return false;
    }
    return true;
}

bool MosaicRun::prepareSource() {
    m_task.setStatus(QStringLiteral("Creating source image..."));
    if (!m_task.running()) return false;
    {
        LoadedSource source = m_loading.get();
        if (!source.ok) {
            if (!source.error.isEmpty())
                m_task.addProblem(QStringLiteral("%1: %2").arg(QFileInfo(m_job.sourcePath).fileName(), source.error));
            m_task.stop(MessageIcon::Information, msg::kValidSourceImage);
            return false;
        }
        m_prepared = tx::prepareSource(source.picture, m_job.cellsX, m_job.cellsY, m_job.matrX, m_job.matrY,
                                       Adjustments{m_job.brightness, m_job.saturation, m_job.greyscale});
    }
    if (m_job.smart) m_order = buildDetailOrder(m_prepared.cells);
    if (m_observer) m_observer->sourcePrepared(m_prepared.scan, m_prepared.cells, m_job.smart ? &m_order : nullptr);

    // The preview is drawn whenever the window has room for it; it is only sent
    // while the user wants to see it.
    if (!m_job.previewSize.isEmpty()) {
        m_preview = Picture(m_job.previewSize.width(), m_job.previewSize.height());
        m_layout = PreparePreview(m_preview, m_job.cellsX, m_job.cellsY, m_job.tileWidth, m_job.tileHeight);
        m_feed.offer(m_preview, true);
    }
    return true;
}

bool MosaicRun::chooseTiles() {
    if (m_job.evenUse.mode != EvenUseMode::Off) return chooseEvenly();
    m_task.setStatus(QStringLiteral("Calculating mosaic..."));
    m_task.setMaximum(m_job.cellsX * m_job.cellsY);
    m_task.setValue(0);
    TileChoiceInput input;
    input.scan = &m_prepared.scan;
    input.tiles = &m_table;
    input.cellsX = m_job.cellsX;
    input.cellsY = m_job.cellsY;
    input.matrX = m_job.matrX;
    input.matrY = m_job.matrY;
    input.tileCount = m_tileCount;
    input.distance = m_job.distance;
    input.order = m_job.smart ? &m_order : nullptr;
    const bool drawPreview = !m_preview.isEmpty();
    TileChoiceHooks hooks;
    hooks.running = [&] { return m_task.running(); };
    hooks.cellDone = [&](int x, int y) {
        if (drawPreview) {
            drawPreviewCell(m_preview, m_layout, x, y, m_prepared.cells.pixel(x, y));
            m_feed.offer(m_preview);
        }
        m_task.step();
        if (!m_task.running()) return false;
        m_task.countUnit();
        return true;
    };
    bool chosen = false;
    if (m_job.perceptual || m_job.mirror) {
        if (m_job.mirror) m_mirrored = MirrorPlan(m_job.cellsX, m_job.cellsY);
        chosen = chooseTilesMatching(input, MatchingOptions{m_job.perceptual, m_job.mirror}, m_plan,
                                     m_job.mirror ? &m_mirrored : nullptr, hooks);
    } else {
        chosen = tx::chooseTiles(input, m_plan, hooks);
    }
    if (!chosen || !m_task.running()) return false;
    if (drawPreview) m_feed.offer(m_preview, true);
    m_task.setValue(0);
    m_task.clearTimeText();
    if (m_observer && m_job.mirror) m_observer->mirrorsChosen(m_mirrored);
    if (m_observer) m_observer->planChosen(m_plan, m_tiles);

    m_task.setStatus(QStringLiteral("Preparing smart table..."));
    m_order = buildPageTable(m_plan);
    return true;
}

bool MosaicRun::chooseEvenly() {
    m_task.setStatus(QStringLiteral("Balancing tile use..."));
    if (!m_task.running()) return false;
    // The measure of the greedy choice with the same options; a tile and its mirror are one tile.
    std::unique_ptr<PairDistance> measure;
    if (m_job.perceptual)
        measure = std::make_unique<LabPairDistance>(LabPairDistance::fromScan(
            m_prepared.scan, m_job.cellsX, m_job.cellsY, m_table, m_tileCount, m_job.mirror));
    else
        measure = std::make_unique<RgbPairDistance>(RgbPairDistance::fromScan(
            m_prepared.scan, m_job.cellsX, m_job.cellsY, m_table, m_tileCount, m_job.mirror));
    const PairDistance& cost = *measure;
    EvenUseOptions options;
    options.distance = m_job.distance;
    options.cellsX = m_job.cellsX;
    options.cellsY = m_job.cellsY;
    EvenUseHooks hooks;
    hooks.running = [&] { return m_task.running(); };
    // Each pass over the cells has its own bar and time estimate, in blocks.
    int currentPass = -1;
    hooks.progress = [&](int pass, int done, int total) {
        constexpr int kBlock = 1024;
        if (pass != currentPass) {
            currentPass = pass;
            m_task.setMaximum((total + kBlock - 1) / kBlock);
            m_task.setValue(0);
            m_task.clearTimeText();
        }
        m_task.setValue((done + kBlock - 1) / kBlock);
        m_task.countUnit();
    };
    std::vector<int> tileOfCell;
    EvenUseStats stats;
    if (!solveEvenUse(cost, m_caps, options, tileOfCell, stats, hooks) || !m_task.running()) return false;
    m_task.setValue(0);
    m_task.clearTimeText();
    const bool drawPreview = !m_preview.isEmpty();
    if (m_job.mirror) m_mirrored = MirrorPlan(m_job.cellsX, m_job.cellsY);
    for (int y = 0; y < m_job.cellsY; ++y)
        for (int x = 0; x < m_job.cellsX; ++x) {
            const int cell = y * m_job.cellsX + x;
            const int tile = tileOfCell[static_cast<std::size_t>(cell)];
            m_plan.set(x, y, static_cast<std::int16_t>(tile + 1));
            if (m_job.mirror) m_mirrored.set(x, y, cost.mirrored(cell, tile));
            if (drawPreview) drawPreviewCell(m_preview, m_layout, x, y, m_prepared.cells.pixel(x, y));
        }
    if (drawPreview) m_feed.offer(m_preview, true);
    if (stats.unresolvedPairs > 0)
        m_task.warn(MessageIcon::Information,
                    QStringLiteral("%1 pairs of identical tiles are closer than the minimal distance of %2.")
                        .arg(stats.unresolvedPairs)
                        .arg(m_job.distance));
    if (m_observer) {
        m_observer->evenUseSolved(stats);
        if (m_job.mirror) m_observer->mirrorsChosen(m_mirrored);
        m_observer->planChosen(m_plan, m_tiles);
    }
    m_task.setStatus(QStringLiteral("Preparing smart table..."));
    m_order = buildPageTable(m_plan);
    return true;
}

bool MosaicRun::checkPageSize() {
    // Page limits, now in tiles per page.
    m_tilesAcross = m_limits.maxWidth / m_job.tileWidth;
    m_tilesDown = m_limits.maxHeight / m_job.tileHeight;
    if (m_tilesAcross <= 1 || m_tilesDown <= 1) {
        m_task.stop(MessageIcon::Critical, kTilesTooBig);
        return false;
    }
    // A zoomable picture is one page of any size. What it holds is a few rows of the
    // full width: two strips (one drawn, one written) and, for the pyramid, up to a
    // tile row with its overlap at the finest level and as much again over the
    // coarser ones. Those rows must fit the limits, not the picture.
    if (outputFormatFor(m_job.targetPath) == OutputFormat::Zoomable) {
        const std::int64_t width = std::int64_t{m_job.cellsX} * m_job.tileWidth;
        const std::int64_t height = std::int64_t{m_job.cellsY} * m_job.tileHeight;
        const std::int64_t rows = 2 * std::int64_t{m_job.tileHeight} + 2 * (kDeepZoomTileSize + 2 * kDeepZoomOverlap);
        if (width * rows > std::int64_t{m_limits.maxWidth} * m_limits.maxHeight ||
            std::max(width, height) > kMostZoomablePixels) {
            m_task.stop(MessageIcon::Critical, kStripTooBig);
            return false;
        }
    }
    return true;
}

bool MosaicRun::assemble() {
    PageInput pages;
    pages.job = &m_job;
    pages.libraryFolder = m_folder;
    pages.tiles = m_tiles;
    pages.plan = &m_plan;
    pages.mirrored = m_mirrored.empty() ? nullptr : &m_mirrored;
    pages.pageTable = &m_order;
    pages.cellImage = &m_prepared.cells;
    pages.maxTilesX = m_tilesAcross;
    pages.maxTilesY = m_tilesDown;
    pages.alpha = m_job.alpha;
    pages.preview = m_preview.isEmpty() ? nullptr : &m_preview;
    pages.previewFeed = &m_feed;
    pages.layout = m_layout;
    if (!assemblePages(m_task, pages) || !m_task.running()) return false;
    m_prepared = PreparedSource();
    return true;
}

}  // namespace

int alphaFromBlend(int blendPercent) {
    return static_cast<int>(std::nearbyint(blendPercent / 100.0 * 255.0));
}

JobResult CreateMosaic(Task& task, const MosaicJob& job, MosaicObserver* observer) {
    return runEngine(
        task,
        [&] {
            if (!task.begin()) return;
            MosaicRun(task, job, observer).run();
        },
        kOutOfMemory);
}

}  // namespace tx
