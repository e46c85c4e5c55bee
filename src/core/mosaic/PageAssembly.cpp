#include "mosaic/PageAssembly.h"

#include <QDir>
#include <algorithm>
#include <atomic>
#include <cmath>

#include <future>
#include <memory>

#include "mosaic/OutputFormat.h"
#include "mosaic/StripRenderer.h"
#include "mosaic/TileCache.h"
#include "mosaic/ZoomViewer.h"
#include "mosaic/ZoomablePageWriter.h"
#include "support/BmpStripWriter.h"
#include "support/JpegStripWriter.h"
#include "support/PngStripWriter.h"

namespace tx {

PageSplit splitPages(int cells, int maxPerPage) {
    PageSplit split;
    maxPerPage = std::max(1, maxPerPage);
    if (cells <= maxPerPage) {
        split.cells = {std::max(0, cells)};
        return split;
    }
    split.pages = cells / maxPerPage + 1;
    split.perPage = static_cast<int>(std::nearbyint(static_cast<double>(cells) / split.pages));
    split.cells.assign(split.pages - 1, split.perPage);
    split.cells.push_back(cells - (split.pages - 1) * split.perPage);
    // 6 cells with room for 2 splits 2, 2, 2, 0: the empty last page is not made.
    while (split.pages > 1 && split.cells.back() <= 0) {
        split.cells.pop_back();
        --split.pages;
    }
    return split;
}

QString pageFileName(const QString& target, int px, int py, bool multiplePages) {
    if (!multiplePages) return target;
    const QString number = QString::number(px) + QLatin1Char('-') + QString::number(py);
    if (target.right(5).compare(QLatin1String(".jpeg"), Qt::CaseInsensitive) == 0)
        return target.chopped(5) + number + target.right(5);
    if (target.size() < 4) return target + number;
    return target.chopped(4) + number + target.right(4);
}

namespace {

// Pages are files the user named: a link to a regular file is followed.
constexpr LinkPolicy kPageLinks = LinkPolicy::FollowToRegularFile;
const QString kJpgFallback = QStringLiteral("Error saving to Jpg. Trying to save to Bmp instead.");
const QString kBmpFailed = QStringLiteral("Error saving to Bmp. The image is probably too big.");
const QString kPngFailed = QStringLiteral("Error saving to Png.");
const QString kZoomableFailed = QStringLiteral("Error saving the zoomable web page.");

// Prepared tiles kept between pages: 5000 tiles of 32 x 32 need 15 MB.
constexpr std::size_t kTileCacheBytes = std::size_t{192} << 20;

// What the zoomable page says under the pointer: the tile of every cell.
ZoomableCells zoomableCells(const PageInput& in) {
    const MosaicJob& job = *in.job;
    ZoomableCells cells;
    cells.across = job.cellsX;
    cells.down = job.cellsY;
    cells.cellWidth = job.tileWidth;
    cells.cellHeight = job.tileHeight;
    std::vector<int> index(static_cast<std::size_t>(in.tiles.size()), -1);
    cells.tileOfCell.reserve(static_cast<std::size_t>(job.cellsX) * job.cellsY);
    for (int y = 0; y < job.cellsY; ++y)
        for (int x = 0; x < job.cellsX; ++x) {
            const int t = in.plan ? in.plan->at(x, y) : 0;
            if (t < 1 || t > in.tiles.size()) {
                cells.tileOfCell.push_back(-1);
                continue;
            }
            int& k = index[static_cast<std::size_t>(t - 1)];
            if (k < 0) {
                k = static_cast<int>(cells.names.size());
                cells.names << in.tiles[t - 1];
            }
            cells.tileOfCell.push_back(k);
        }
    if (in.mirrored && !in.mirrored->empty())
        for (int y = 0; y < job.cellsY; ++y)
            for (int x = 0; x < job.cellsX; ++x) cells.mirrored.push_back(in.mirrored->at(x, y));
    return cells;
}

std::unique_ptr<StripWriter> writerFor(OutputFormat format, const QString& name, int quality, const PageInput& in) {
    switch (format) {
    case OutputFormat::Zoomable:
        return std::make_unique<ZoomablePageWriter>(name, quality, zoomViewerFolder(), zoomableCells(in));
    case OutputFormat::Jpeg:
        return std::make_unique<JpegStripWriter>(name, quality, kPageLinks);
    case OutputFormat::Png:
        return std::make_unique<PngStripWriter>(name, kPageLinks);
    default:
        return std::make_unique<BmpStripWriter>(name, kPageLinks);
    }
}

class PageAssembler {
public:
    PageAssembler(Task& task, const PageInput& in)
        : m_task(task), m_in(in), m_job(*in.job),
          m_cache(in.libraryFolder, in.tiles, in.job->tileWidth, in.job->tileHeight, in.job->greyscale,
                  in.tileCacheBytes > 0 ? in.tileCacheBytes : kTileCacheBytes) {}

    bool run();

private:
    // The strips of one page, each row's runs in page-table order.
    struct Page {
        int x0 = 0, y0 = 0, columns = 0, rows = 0;
        std::vector<std::vector<StripRun>> strips;
    };
    enum class Outcome { Written, Failed, Cancelled };

    bool makePage(int px, int py, Page& page);
    // Streams the page's strips into the writer, rendering the next strip while the
    // writer takes the last one.
    Outcome stream(const Page& page, StripWriter& writer, bool report);
    QString pageText(const char* verb) const {
        return QStringLiteral("%1 mosaic (Page %2/%3)...").arg(QLatin1String(verb)).arg(m_pageNumber).arg(m_pageCount);
    }

    Task& m_task;
    const PageInput& m_in;
    const MosaicJob& m_job;
    TileCache m_cache;
    std::unique_ptr<StripRenderer> m_renderer;
    OutputFormat m_format = OutputFormat::Bmp;
    PageSplit m_splitX;
    PageSplit m_splitY;
    int m_pageNumber = 1;
    int m_pageCount = 1;
};

bool PageAssembler::run() {
    const int cellsX = m_job.cellsX;
    const int cellsY = m_job.cellsY;
    m_task.setMaximum(cellsX * cellsY);
    m_task.setValue(0);
    m_task.clearTimeText();
    m_task.setStatus(QStringLiteral("Preparing page(s)..."));
    if (!m_task.running()) return false;

    m_format = outputFormatFor(m_job.targetPath).value_or(OutputFormat::Bmp);
    // A zoomable picture is never cut: the limits bound only its strips.
    const bool whole = m_format == OutputFormat::Zoomable;
    m_splitX = splitPages(cellsX, whole ? cellsX : m_in.maxTilesX);
    m_splitY = splitPages(cellsY, whole ? cellsY : m_in.maxTilesY);
    m_pageCount = m_splitX.pages * m_splitY.pages;

    auto pageIndex = [](const PageSplit& s, int c) {
        return s.pages == 1 ? 0 : std::min(c / s.perPage, s.pages - 1);
    };
    std::vector<Page> pages(static_cast<std::size_t>(m_pageCount));
    for (int py = 0; py < m_splitY.pages; ++py)
        for (int px = 0; px < m_splitX.pages; ++px) {
            Page& p = pages[static_cast<std::size_t>(py * m_splitX.pages + px)];
            p.x0 = px * m_splitX.perPage;
            p.y0 = py * m_splitY.perPage;
            p.columns = m_splitX.cells[static_cast<std::size_t>(px)];
            p.rows = m_splitY.cells[static_cast<std::size_t>(py)];
            p.strips.resize(static_cast<std::size_t>(std::max(0, p.rows)));
        }

    // The page table's records page by page, each page in the table's sorted order:
    // the order in which a tile that fails finds its stand-in.
    std::vector<std::vector<const OrderRecord*>> byPage(pages.size());
    if (m_in.pageTable)
        for (const OrderRecord& r : *m_in.pageTable) {
            if (r.x < 0 || r.x >= cellsX || r.y < 0 || r.y >= cellsY) continue;
            byPage[static_cast<std::size_t>(pageIndex(m_splitY, r.y) * m_splitX.pages + pageIndex(m_splitX, r.x))]
                .push_back(&r);
        }
    std::vector<int> orderTiles;
    for (std::size_t k = 0; k < pages.size(); ++k)
        for (const OrderRecord* r : byPage[k]) {
            auto& runs = pages[k].strips[static_cast<std::size_t>(r->y - pages[k].y0)];
            if (runs.empty() || runs.back().tile != r->key) runs.push_back(StripRun{r->key, {}});
            runs.back().cells.push_back(StripCell{r->x, r->y, static_cast<int>(orderTiles.size())});
            orderTiles.push_back(r->key);
        }
    m_renderer = std::make_unique<StripRenderer>(m_task, m_in, m_cache, std::move(orderTiles));

    for (int py = 1; py <= m_splitY.pages; ++py)
        for (int px = 1; px <= m_splitX.pages; ++px) {
            if (!makePage(px, py, pages[static_cast<std::size_t>((py - 1) * m_splitX.pages + (px - 1))])) return false;
            ++m_pageNumber;
        }
    return true;
}

PageAssembler::Outcome PageAssembler::stream(const Page& page, StripWriter& writer, bool report) {
    const int tw = m_job.tileWidth;
    const int th = m_job.tileHeight;
    if (!writer.begin(tw * page.columns, th * page.rows)) return Outcome::Failed;

    Picture strips[2];
    std::future<bool> pending;
    const auto writeDone = [&] { return !pending.valid() || pending.get(); };
    for (int row = 0; row < page.rows; ++row) {
        Picture& strip = strips[row % 2];
        bool drawn = false;
        try {
            drawn = m_renderer->render(page.strips[static_cast<std::size_t>(row)], page.x0, page.columns, strip, report);
        } catch (const std::exception&) {
            writeDone();
            throw;
        }
        if (!drawn) {
            writeDone();
            writer.cancel();
            return Outcome::Cancelled;
        }
        if (!writeDone()) return Outcome::Failed;
        pending = std::async(std::launch::async, [&writer, &strip] { return writer.write(strip); });
    }
    if (!writeDone()) return Outcome::Failed;
    if (report) {
        if (m_in.preview && m_in.previewFeed) m_in.previewFeed->offer(*m_in.preview, true);
        m_task.clearTimeText();
        m_task.setStatus(pageText("Saving"));
    }
    // A cancel before the page is complete leaves nothing under its name.
    if (!m_task.running()) {
        writer.cancel();
        return Outcome::Cancelled;
    }
    return writer.finish() ? Outcome::Written : Outcome::Failed;
}

bool PageAssembler::makePage(int px, int py, Page& page) {
    m_task.setStatus(pageText("Creating"));
    if (!m_task.running()) return false;

    const bool multiple = m_splitX.pages > 1 || m_splitY.pages > 1;
    const QString name = pageFileName(m_job.targetPath, px, py, multiple);
    std::unique_ptr<StripWriter> writer = writerFor(m_format, name, std::clamp(m_job.jpegQuality, 0, 100), m_in);
    const Outcome outcome = stream(page, *writer, true);
    if (outcome == Outcome::Cancelled) return false;
    if (outcome == Outcome::Written) {
        m_task.addFileWritten(name);
        return true;
    }

    QString reason = writer->error();
    writer->cancel();
    if (m_format == OutputFormat::Jpeg) {
        // The page is drawn once more, into a bitmap beside the target.
        m_task.warn(MessageIcon::Information, kJpgFallback);
        BmpStripWriter bmp(name + QStringLiteral(".bmp"), kPageLinks);
        const Outcome again = stream(page, bmp, false);
        if (again == Outcome::Cancelled) return false;
        if (again == Outcome::Written) {
            m_task.addFileWritten(name + QStringLiteral(".bmp"));
            return true;
        }
        if (!bmp.error().isEmpty()) reason = bmp.error();
        m_task.warn(MessageIcon::Information, kBmpFailed);
    } else {
        // A BMP, PNG or zoomable target has nothing to fall back to: one message, no second file.
        m_task.warn(MessageIcon::Information, m_format == OutputFormat::Png        ? kPngFailed
                                              : m_format == OutputFormat::Zoomable ? kZoomableFailed
                                                                                   : kBmpFailed);
    }
    m_task.addProblem(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(name),
                                                   reason.isEmpty() ? QStringLiteral("not saved") : reason));
    return true;
}

}  // namespace

bool assemblePages(Task& task, const PageInput& input) {
    if (!input.job) return false;
    PageAssembler assembler(task, input);
    return assembler.run();
}

}  // namespace tx
