#include "mosaic/PageAssembly.h"

#include <QDir>
#include <algorithm>
#include <atomic>
#include <cmath>

#include "mosaic/OutputFormat.h"
#include "mosaic/TileCache.h"
#include "support/DibSection.h"
#include "support/Effects.h"
#include "support/FileHelpers.h"
#include "support/JpegBridge.h"
#include "support/Parallel.h"
#include "support/PictureFile.h"
#include "support/TxError.h"

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

// Most distinct tiles prepared and placed in one go: keeps progress, preview and
// cancel responsive while giving every core enough to decode.
constexpr int kBatchTiles = 256;
// Prepared tiles kept between pages: 5000 tiles of 32 x 32 need 15 MB.
constexpr std::size_t kTileCacheBytes = std::size_t{192} << 20;

struct Cell {
    int x = 0;
    int y = 0;
};

// All cells of one tile on one page, in page-table order.
struct Run {
    int tile = 0;
    std::vector<Cell> cells;
};

class PageAssembler {
public:
    PageAssembler(Task& task, const PageInput& in)
        : m_task(task), m_in(in), m_job(*in.job),
          m_cache(in.libraryFolder, in.tiles, in.job->tileWidth, in.job->tileHeight, in.job->greyscale,
                  in.tileCacheBytes > 0 ? in.tileCacheBytes : kTileCacheBytes) {}

    bool run();

private:
    bool makePage(int px, int py, const std::vector<Run>& runs);
    bool placeBatch(int x0, int y0, const std::vector<const Run*>& batch);
    void put(const Picture& cell, int dx, int dy);
    void savePage(bool allocated, const QString& name);
    void showPreview(bool force);
    QString pageText(const char* verb) const {
        return QStringLiteral("%1 mosaic (Page %2/%3)...").arg(QLatin1String(verb)).arg(m_pageNumber).arg(m_pageCount);
    }

    Task& m_task;
    const PageInput& m_in;
    const MosaicJob& m_job;
    TileCache m_cache;
    PageSplit m_splitX;
    PageSplit m_splitY;
    int m_pageNumber = 1;
    int m_pageCount = 1;
    // What a tile that cannot be loaded shows: the last tile that did load, as the
    // old program kept it in its tile surface. Empty until one has loaded.
    Picture m_lastGood;
    // The page: JPEG pages are painted straight into the JPEG bridge's buffer (no
    // second page-sized copy), BMP pages into a picture.
    bool m_jpeg = false;
    cDIBSection m_buffer;
    Picture m_page;
};

bool PageAssembler::run() {
    const int cellsX = m_job.cellsX;
    const int cellsY = m_job.cellsY;
    m_task.setMaximum(cellsX * cellsY);
    m_task.setValue(0);
    m_task.clearTimeText();
    m_task.setStatus(QStringLiteral("Preparing page(s)..."));
    if (!m_task.running()) return false;

    m_splitX = splitPages(cellsX, m_in.maxTilesX);
    m_splitY = splitPages(cellsY, m_in.maxTilesY);
    m_pageCount = m_splitX.pages * m_splitY.pages;

    // Records of each page in the table's sorted order, grouped into runs of one tile.
    auto pageIndex = [](const PageSplit& s, int c) {
        return s.pages == 1 ? 0 : std::min(c / s.perPage, s.pages - 1);
    };
    std::vector<std::vector<Run>> pages(static_cast<std::size_t>(m_pageCount));
    if (m_in.pageTable) {
        for (const OrderRecord& r : *m_in.pageTable) {
            if (r.x < 0 || r.x >= cellsX || r.y < 0 || r.y >= cellsY) continue;
            auto& runs = pages[static_cast<std::size_t>(pageIndex(m_splitY, r.y) * m_splitX.pages +
                                                        pageIndex(m_splitX, r.x))];
            if (runs.empty() || runs.back().tile != r.key) runs.push_back(Run{r.key, {}});
            runs.back().cells.push_back(Cell{r.x, r.y});
        }
    }

    for (int py = 1; py <= m_splitY.pages; ++py)
        for (int px = 1; px <= m_splitX.pages; ++px) {
            const auto& runs = pages[static_cast<std::size_t>((py - 1) * m_splitX.pages + (px - 1))];
            if (!makePage(px, py, runs)) return false;
            ++m_pageNumber;
        }
    return true;
}

bool PageAssembler::makePage(int px, int py, const std::vector<Run>& runs) {
    m_task.setStatus(pageText("Creating"));
    if (!m_task.running()) return false;

    const int tw = m_job.tileWidth;
    const int th = m_job.tileHeight;
    const int columns = m_splitX.cells[static_cast<std::size_t>(px - 1)];
    const int rows = m_splitY.cells[static_cast<std::size_t>(py - 1)];
    const int x0 = (px - 1) * m_splitX.perPage;
    const int y0 = (py - 1) * m_splitY.perPage;

    m_jpeg = outputFormatFor(m_job.targetPath) == OutputFormat::Jpeg;
    bool allocated = true;
    try {
        if (m_jpeg)
            allocated = m_buffer.Create(tw * columns, th * rows);
        else
            m_page = Picture(tw * columns, th * rows);
    } catch (const std::exception&) {
        allocated = false;
    }

    // Tiles are prepared and placed batch by batch, in the order of the page table.
    const int batchLimit = std::max(1, std::min(kBatchTiles, m_cache.capacity()));
    std::size_t next = 0;
    while (allocated && next < runs.size()) {
        std::vector<const Run*> batch;
        std::vector<int> tiles;
        while (next < runs.size() && static_cast<int>(batch.size()) < batchLimit) {
            batch.push_back(&runs[next]);
            tiles.push_back(runs[next].tile);
            ++next;
        }
        if (!m_cache.load(tiles, [this] { return m_task.running(); })) return false;
        if (!placeBatch(x0, y0, batch)) return false;
    }
    showPreview(true);

    m_task.clearTimeText();
    m_task.setStatus(pageText("Saving"));
    if (!m_task.running()) return false;

    const bool multiple = m_splitX.pages > 1 || m_splitY.pages > 1;
    savePage(allocated, pageFileName(m_job.targetPath, px, py, multiple));
    return true;
}

bool PageAssembler::placeBatch(int x0, int y0, const std::vector<const Run*>& batch) {
    const int tw = m_job.tileWidth;
    const int th = m_job.tileHeight;

    // What each run starts from, resolved in order: its own tile, else the last
    // tile that loaded before it, else (nothing loaded yet) the flat cell colour.
    std::vector<const Picture*> source(batch.size(), nullptr);
    const Picture* lastGood = m_lastGood.isEmpty() ? nullptr : &m_lastGood;
    for (std::size_t k = 0; k < batch.size(); ++k) {
        if (const Picture* p = m_cache.find(batch[k]->tile)) lastGood = p;
        source[k] = lastGood;
    }

    struct Job {
        const Cell* cell;
        const Picture* tile;
    };
    std::vector<Job> jobs;
    for (std::size_t k = 0; k < batch.size(); ++k)
        for (const Cell& c : batch[k]->cells) jobs.push_back(Job{&c, source[k]});

    Picture* preview = m_in.preview;
    const PreviewLayout& lay = m_in.layout;
    const bool withPreview = preview && !preview->isEmpty() && lay.cellWidth > 0 && lay.cellHeight > 0;
    const bool grey = m_job.greyscale;
    const int alpha = m_in.alpha;
    const Picture* cellImage = m_in.cellImage;
    std::atomic<bool> cancelled{false};

    // Cells are disjoint rectangles of the page, so they are placed in parallel.
    parallelFor(static_cast<std::int64_t>(jobs.size()), 64, [&](std::int64_t b, std::int64_t e) {
        Picture cell;   // tempimg1: the tile as placed
        Picture patch;  // farbinfo: the cell's flat colour
        if (alpha > 0) patch = Picture(tw, th);
        for (std::int64_t k = b; k < e; ++k) {
            if (!m_task.running()) {
                cancelled.store(true);
                return;
            }
            const Cell& c = *jobs[static_cast<std::size_t>(k)].cell;
            const Picture* tile = jobs[static_cast<std::size_t>(k)].tile;
            const Colour colour = cellImage ? cellImage->pixel(c.x, c.y) : 0;
            if (tile) {
                cell = *tile;
            } else {
                cell = Picture(tw, th, colour);
                if (grey) FoxHSL(cell, 0.0f);
            }
            if (alpha > 0) {
                patch.fill(colour);
                FoxAlphaBlend(cell, 0, 0, tw, th, patch, 0, 0, alpha);
            }
            put(cell, (c.x - x0) * tw, (c.y - y0) * th);
            if (withPreview) {
                const Picture small = stretchHalftone(cell, lay.cellWidth, lay.cellHeight);
                blit(*preview, lay.offsetX + c.x * lay.cellWidth, lay.offsetY + c.y * lay.cellHeight, small);
            }
        }
    });
    if (cancelled.load() || !m_task.running()) return false;

    if (lastGood && lastGood != &m_lastGood) m_lastGood = *lastGood;

    // Progress and the time estimate count the cells in page-table order.
    for (const Job& j : jobs) {
        m_task.step();
        if (j.cell->x == 0 && j.cell->y == 0)
            m_task.startTimeEstimate();
        else
            m_task.updateTimeEstimate();
    }
    showPreview(false);
    return m_task.running();
}

void PageAssembler::put(const Picture& cell, int dx, int dy) {
    if (!m_jpeg) {
        blit(m_page, dx, dy, cell);
        return;
    }
    // The buffer's rows run bottom-up, blue first.
    const int height = m_buffer.Height();
    const std::size_t stride = static_cast<std::size_t>(m_buffer.BytesPerScanLine());
    std::uint8_t* bits = m_buffer.DIBSectionBitsPtr();
    for (int y = 0; y < cell.height(); ++y) {
        const std::uint8_t* src = cell.scanLine(y);
        std::uint8_t* dst = bits + static_cast<std::size_t>(height - 1 - (dy + y)) * stride + static_cast<std::size_t>(dx) * 3;
        for (int x = 0; x < cell.width(); ++x, src += 3, dst += 3) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
    }
}

void PageAssembler::showPreview(bool force) {
    if (m_in.preview && m_in.previewFeed) m_in.previewFeed->offer(*m_in.preview, force);
}

void PageAssembler::savePage(bool allocated, const QString& name) {
    QString written;
    QString reason = allocated ? QString() : QStringLiteral("not enough memory for the page");
    if (m_jpeg) {
        bool ok = false;
        if (allocated) {
            try {
                ok = SaveJpegFile(m_buffer, name, std::clamp(m_job.jpegQuality, 0, 100), kPageLinks);
            } catch (const TxError& e) {  // 26001
                reason = e.description();
            } catch (const std::exception& e) {
                reason = QString::fromLocal8Bit(e.what());
            }
        }
        if (ok) {
            written = name;
        } else {
            m_task.warn(MessageIcon::Information, kJpgFallback);
            Picture page;
            try {
                if (allocated) page = m_buffer.toPicture();
            } catch (const std::exception&) {
                page.clear();
            }
            QString bmpReason;
            if (!page.isEmpty() && saveBmp(page, name + QStringLiteral(".bmp"), &bmpReason, kPageLinks)) {
                written = name + QStringLiteral(".bmp");
            } else {
                m_task.warn(MessageIcon::Information, kBmpFailed);
                if (!bmpReason.isEmpty()) reason = bmpReason;
            }
        }
    } else {
        // A BMP target has nothing to fall back to: one message, no second file.
        if (allocated && saveBmp(m_page, name, &reason, kPageLinks)) {
            written = name;
        } else {
            m_task.warn(MessageIcon::Information, kBmpFailed);
        }
        m_page.clear();
    }
    if (!written.isEmpty())
        m_task.addFileWritten(written);
    else
        m_task.addProblem(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(name),
                                                       reason.isEmpty() ? QStringLiteral("not saved") : reason));
}

}  // namespace

bool assemblePages(Task& task, const PageInput& input) {
    if (!input.job) return false;
    PageAssembler assembler(task, input);
    return assembler.run();
}

}  // namespace tx
