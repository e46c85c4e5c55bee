#include "mosaic/StripRenderer.h"

#include <algorithm>
#include <atomic>

#include "mosaic/MirroredTiles.h"
#include "support/Effects.h"
#include "support/Parallel.h"

namespace tx {

namespace {

// Most distinct tiles prepared and placed in one go: keeps progress, preview and
// cancel responsive while giving every core enough to decode.
constexpr int kBatchTiles = 256;

}  // namespace

void placeCell(Picture& target, int dx, int dy, const Picture* tile, Colour colour, int tileWidth, int tileHeight,
               bool grey, int alpha, Picture& cell, Picture& patch, bool mirrored) {
    if (tile) {
        cell = *tile;
        if (mirrored) flipColumns(cell);
    } else {
        cell = Picture(tileWidth, tileHeight, colour);
        if (grey) FoxHSL(cell, 0.0f);
    }
    if (alpha > 0) {
        if (patch.width() != tileWidth || patch.height() != tileHeight) patch = Picture(tileWidth, tileHeight);
        patch.fill(colour);
        FoxAlphaBlend(cell, 0, 0, tileWidth, tileHeight, patch, 0, 0, alpha);
    }
    blit(target, dx, dy, cell);
}

StripRenderer::StripRenderer(Task& task, const PageInput& in, TileCache& cache, std::vector<int> orderTiles)
    : m_task(task), m_in(in), m_cache(cache), m_orderTiles(std::move(orderTiles)),
      m_standIn(m_orderTiles.size(), -1) {}

int StripRenderer::standIn(int order) {
    // Walks back to the nearest answer known or the nearest tile that loads, then
    // remembers the answer for every record passed.
    int k = order - 1;
    int answer = 0;
    std::vector<int> passed;
    for (; k >= 0; --k) {
        const auto at = static_cast<std::size_t>(k);
        if (m_standIn[at] >= 0) {
            answer = m_standIn[at];
            break;
        }
        const int t = m_orderTiles[at];
        if (!m_cache.failed(t) && (m_cache.find(t) || (m_cache.load({t}), !m_cache.failed(t)))) {
            answer = t;
            break;
        }
        passed.push_back(k);
    }
    for (int p : passed) m_standIn[static_cast<std::size_t>(p)] = answer;
    if (order >= 0 && static_cast<std::size_t>(order) < m_standIn.size()) m_standIn[static_cast<std::size_t>(order)] = answer;
    return answer;
}

bool StripRenderer::render(const std::vector<StripRun>& runs, int x0, int columns, Picture& strip, bool report) {
    const int tw = m_in.job->tileWidth;
    const int th = m_in.job->tileHeight;
    if (strip.width() != tw * columns || strip.height() != th) strip = Picture(tw * columns, th);

    const int batchLimit = std::max(1, std::min(kBatchTiles, m_cache.capacity()));
    std::size_t next = 0;
    while (next < runs.size()) {
        std::vector<int> tiles;
        const std::size_t first = next;
        while (next < runs.size() && static_cast<int>(tiles.size()) < batchLimit) tiles.push_back(runs[next++].tile);
        if (!m_cache.load(tiles, [this] { return m_task.running(); })) return false;

        std::vector<Placement> jobs;
        std::vector<const StripCell*> failed;
        for (std::size_t k = first; k < next; ++k) {
            const Picture* tile = m_cache.find(runs[k].tile);
            for (const StripCell& c : runs[k].cells) {
                if (tile)
                    jobs.push_back(Placement{&c, tile});
                else
                    failed.push_back(&c);
            }
        }
        if (!place(jobs, x0, strip, report)) return false;

        // Cells whose tile failed: rare, so each stand-in is loaded on its own.
        for (const StripCell* c : failed) {
            const int t = standIn(c->order);
            if (t > 0) m_cache.load({t});
            const Picture* tile = t > 0 ? m_cache.find(t) : nullptr;
            if (!place({Placement{c, tile}}, x0, strip, report)) return false;
        }
    }
    return m_task.running();
}

bool StripRenderer::place(const std::vector<Placement>& jobs, int x0, Picture& strip, bool report) {
    const MosaicJob& job = *m_in.job;
    const int tw = job.tileWidth;
    const int th = job.tileHeight;
    Picture* preview = m_in.preview;
    const PreviewLayout& lay = m_in.layout;
    const bool withPreview =
        report && preview && !preview->isEmpty() && lay.cellWidth > 0 && lay.cellHeight > 0;
    const Picture* cellImage = m_in.cellImage;
    std::atomic<bool> cancelled{false};

    // Cells are disjoint rectangles of the strip, so they are placed in parallel.
    parallelFor(static_cast<std::int64_t>(jobs.size()), 16, [&](std::int64_t b, std::int64_t e) {
        Picture cell;   // tempimg1: the tile as placed
        Picture patch;  // farbinfo: the cell's flat colour
        for (std::int64_t k = b; k < e; ++k) {
            if (!m_task.running()) {
                cancelled.store(true);
                return;
            }
            const Placement& p = jobs[static_cast<std::size_t>(k)];
            const Colour colour = cellImage ? cellImage->pixel(p.cell->x, p.cell->y) : 0;
            const bool mirrored = m_in.mirrored && m_in.mirrored->at(p.cell->x, p.cell->y);
            placeCell(strip, (p.cell->x - x0) * tw, 0, p.tile, colour, tw, th, job.greyscale, m_in.alpha, cell, patch,
                      mirrored);
            if (withPreview) {
                const Picture small = stretchHalftone(cell, lay.cellWidth, lay.cellHeight);
                blit(*preview, lay.offsetX + p.cell->x * lay.cellWidth, lay.offsetY + p.cell->y * lay.cellHeight, small);
            }
        }
    });
    if (cancelled.load() || !m_task.running()) return false;
    if (!report) return true;

    // Progress and the time estimate count the cells as they are placed.
    for (const Placement& p : jobs) {
        m_task.step();
        if (p.cell->x == 0 && p.cell->y == 0)
            m_task.startTimeEstimate();
        else
            m_task.updateTimeEstimate();
    }
    if (preview && m_in.previewFeed) m_in.previewFeed->offer(*preview, false);
    return m_task.running();
}

}  // namespace tx
