#include "library/SearchDoubles.h"

#include <QFile>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <mutex>
#include <thread>
#include <vector>

#include "library/DoublesCompare.h"
#include "library/TileLibrary.h"
#include "support/FileHelpers.h"
#include "support/Parallel.h"
#include "support/PictureFile.h"

namespace tx {

namespace {

// Decoded tiles are kept in memory up to this many bytes; beyond it a tile is
// decoded again whenever a pair needs its pixels.
constexpr std::int64_t kPictureBudget = std::int64_t{2} << 30;
// Tiles of different sizes are bounded through reductions in each other's geometry;
// with more sizes than this such pairs are simply compared in full.
constexpr int kMaxFittedSizes = 8;

struct Size2 {
    int w = 0, h = 0;
    bool operator==(const Size2&) const = default;
};

struct TileData {
    bool ok = false;
    Size2 size;
    int sizeIndex = -1;
    Picture picture;  // empty when over the budget
    DoublesSignature own;
    std::vector<DoublesSignature> fitted;  // in the geometry of each distinct size, when bounded
};

struct FoundDouble {
    int i = 0, j = 0;
    double d = 0;
};

class DoublesScan {
public:
    DoublesScan(Task& task, QString folder, QStringList files)
        : m_task(task), m_folder(std::move(folder)), m_files(std::move(files)), m_tiles(m_files.size()) {}

    // False when cancelled.
    bool run(std::vector<FoundDouble>& found);

    // The tile's pixels: the kept picture, or a fresh decode into `scratch`.
    const Picture& picture(int t, Picture& scratch) const {
        const TileData& tile = m_tiles[static_cast<std::size_t>(t)];
        if (!tile.picture.isEmpty() || !tile.ok) return tile.picture;
        if (!loadPicture(m_folder + m_files.at(t), scratch)) scratch = Picture();
        return scratch;
    }

private:
    bool decode();
    bool fitSignatures();
    bool scanPairs(std::vector<FoundDouble>& found);
    void report(std::int64_t done, bool force);

    Task& m_task;
    QString m_folder;
    QStringList m_files;
    std::vector<TileData> m_tiles;
    std::vector<Size2> m_sizes;
    std::int64_t m_pairs = 0;
    std::int64_t m_scale = 1;  // pairs per progress unit (1 unless the count outgrows int)
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_lastReport;
};

bool DoublesScan::decode() {
    const int n = static_cast<int>(m_tiles.size());
    std::atomic<std::int64_t> kept{0};
    parallelFor(n, 8, [&](std::int64_t begin, std::int64_t end) {
        for (std::int64_t t = begin; t < end; ++t) {
            if (!m_task.running()) return;
            TileData& tile = m_tiles[static_cast<std::size_t>(t)];
            Picture pic;
            if (!loadPicture(m_folder + m_files.at(static_cast<int>(t)), pic) || pic.isEmpty()) continue;
            tile.ok = true;
            tile.size = {pic.width(), pic.height()};
            tile.own = doublesSignature(pic);
            const auto bytes = static_cast<std::int64_t>(pic.byteCount());
            if (kept.fetch_add(bytes) + bytes <= kPictureBudget) tile.picture = std::move(pic);
        }
    });
    if (!m_task.running()) return false;

    // Distinct sizes, in order of first appearance.
    for (TileData& tile : m_tiles) {
        if (!tile.ok) continue;
        auto it = std::find(m_sizes.begin(), m_sizes.end(), tile.size);
        tile.sizeIndex = static_cast<int>(it - m_sizes.begin());
        if (it == m_sizes.end()) m_sizes.push_back(tile.size);
    }
    return true;
}

bool DoublesScan::fitSignatures() {
    if (m_sizes.size() <= 1 || m_sizes.size() > static_cast<std::size_t>(kMaxFittedSizes)) return true;
    const int n = static_cast<int>(m_tiles.size());
    parallelFor(n, 4, [&](std::int64_t begin, std::int64_t end) {
        Picture scratch;
        for (std::int64_t t = begin; t < end; ++t) {
            if (!m_task.running()) return;
            TileData& tile = m_tiles[static_cast<std::size_t>(t)];
            if (!tile.ok) continue;
            const Picture& pic = picture(static_cast<int>(t), scratch);
            if (pic.isEmpty()) continue;
            std::vector<DoublesSignature> fitted(m_sizes.size());
            for (std::size_t s = 0; s < m_sizes.size(); ++s)
                fitted[s] = m_sizes[s] == tile.size ? tile.own
                                                    : doublesSignature(fitToSize(pic, m_sizes[s].w, m_sizes[s].h));
            tile.fitted = std::move(fitted);
        }
    });
    return m_task.running();
}

void DoublesScan::report(std::int64_t done, bool force) {
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - m_lastReport < std::chrono::milliseconds(50)) return;
    m_lastReport = now;
    m_task.setValue(static_cast<int>(done / m_scale));
    const double elapsed = std::chrono::duration<double>(now - m_start).count();
    if (done > 0 && elapsed > 0.5)
        m_task.host().timeTextChanged(formatTimeLeft(elapsed / done * static_cast<double>(m_pairs - done)));
}

bool DoublesScan::scanPairs(std::vector<FoundDouble>& found) {
    const int n = static_cast<int>(m_tiles.size());
    std::atomic<std::int64_t> done{0};
    std::mutex foundLock;
    const auto caller = std::this_thread::get_id();
    m_start = m_lastReport = std::chrono::steady_clock::now();

    parallelFor(n, 4, [&](std::int64_t begin, std::int64_t end) {
        std::vector<FoundDouble> local;
        Picture scratchI, scratchJ;
        for (std::int64_t i = begin; i < end && m_task.running(); ++i) {
            const TileData& a = m_tiles[static_cast<std::size_t>(i)];
            if (a.ok) {
                const Picture* picI = nullptr;
                int exactSinceCheck = 0;
                for (int j = static_cast<int>(i) + 1; j < n; ++j) {
                    const TileData& b = m_tiles[static_cast<std::size_t>(j)];
                    if (!b.ok) continue;
                    // Tile i in tile j's geometry, against tile j itself.
                    const DoublesSignature* sa = nullptr;
                    if (a.size == b.size)
                        sa = &a.own;
                    else if (!a.fitted.empty())
                        sa = &a.fitted[static_cast<std::size_t>(b.sizeIndex)];
                    if (sa) {
                        if (coarseLowerBound(*sa, b.own) > kDoublesThreshold) continue;
                        if (bitPlaneLowerBound(*sa, b.own) > kDoublesThreshold) continue;
                        if (fineLowerBound(*sa, b.own) > kDoublesThreshold) continue;
                    }
                    if (!picI) picI = &picture(static_cast<int>(i), scratchI);
                    const Picture& picJ = picture(j, scratchJ);
                    if (pixelLowerBound(*picI, picJ, kDoublesThreshold) > kDoublesThreshold) continue;
                    const double d = pairDifference(*picI, picJ);
                    if (d <= kDoublesThreshold) local.push_back({static_cast<int>(i), j, d});
                    if (++exactSinceCheck == 64) {
                        exactSinceCheck = 0;
                        if (!m_task.running()) return;
                    }
                }
            }
            const std::int64_t now = done.fetch_add(n - 1 - i) + (n - 1 - i);
            if (std::this_thread::get_id() == caller) report(now, false);
        }
        if (!local.empty()) {
            std::lock_guard lock(foundLock);
            found.insert(found.end(), local.begin(), local.end());
        }
    });
    if (!m_task.running()) return false;
    report(m_pairs, true);
    std::sort(found.begin(), found.end(),
              [](const FoundDouble& x, const FoundDouble& y) { return x.i != y.i ? x.i < y.i : x.j < y.j; });
    return true;
}

bool DoublesScan::run(std::vector<FoundDouble>& found) {
    const auto n = static_cast<std::int64_t>(m_tiles.size());
    m_pairs = n * (n - 1) / 2;
    m_scale = m_pairs / INT_MAX + 1;
    m_task.setValue(0);
    m_task.setMaximum(static_cast<int>(m_pairs / m_scale));
    if (n < 2) return true;
    return decode() && fitSignatures() && scanPairs(found);
}

}  // namespace

void SearchDoubles(Task& task, const SearchDoublesJob& job) {
    if (!task.begin()) return;
    TaskHost& host = task.host();

    const QString folder = AddBackslash(job.libraryFolder);
    const QStringList files = job.libraryFolder.isEmpty() ? QStringList() : tileList(folder);
    const int n = static_cast<int>(files.size());

    // Every pair is measured first, on every core; the decisions then follow in the
    // order of the pair-by-pair search. Tiles are followed by identity, so after a
    // deletion each remaining pair is still visited exactly once.
    DoublesScan scan(task, folder, files);
    std::vector<FoundDouble> found;
    if (!scan.run(found)) return;

    std::vector<bool> alive(static_cast<std::size_t>(n), true);
    std::vector<int> deletedBefore;  // sorted original indices of deleted tiles
    auto position = [&](int t) {
        return t - static_cast<int>(std::lower_bound(deletedBefore.begin(), deletedBefore.end(), t) -
                                    deletedBefore.begin());
    };
    auto remove = [&](int t) {
        const QString path = folder + files[t];
        QFile file(path);
        if (!file.remove()) {  // could not be deleted: the tile stays in the list
            task.addProblem(QStringLiteral("%1 could not be deleted: %2").arg(files[t], file.errorString()));
            return false;
        }
        task.addFileRemoved(path);
        alive[static_cast<std::size_t>(t)] = false;
        deletedBefore.insert(std::upper_bound(deletedBefore.begin(), deletedBefore.end(), t), t);
        // Databases match tiles by position; after a deletion they are stale.
        deleteColourDatabases(folder);
        return true;
    };

    bool killAll = false;
    for (const FoundDouble& pair : found) {
        if (!task.running()) return;
        if (!alive[static_cast<std::size_t>(pair.i)] || !alive[static_cast<std::size_t>(pair.j)]) continue;
        DoublesAnswer answer = DoublesAnswer::KillAll;
        if (!killAll) {
            DoublesQuestion q;
            q.i = position(pair.i);
            q.j = position(pair.j);
            q.fileI = files[pair.i];
            q.fileJ = files[pair.j];
            q.folder = folder;
            q.d = pair.d;
            Picture scratchI, scratchJ;
            q.tileI = scan.picture(pair.i, scratchI);
            q.tileJ = scan.picture(pair.j, scratchJ);
            answer = host.askDoubles(q);
        }
        switch (answer) {
        case DoublesAnswer::Kill1:
            remove(pair.i);
            break;
        case DoublesAnswer::KillAll:
            killAll = true;
            [[fallthrough]];
        case DoublesAnswer::Kill2:
            remove(pair.j);
            break;
        case DoublesAnswer::Abort:
            task.cancel();
            host.closeRequested();
            return;
        case DoublesAnswer::Keep:
            break;
        }
    }
    if (!task.running()) return;
    task.finish();
}

}  // namespace tx
