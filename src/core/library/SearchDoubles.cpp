#include "library/SearchDoubles.h"

#include <QFile>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "library/DoublesCompare.h"
#include "library/TileLibrary.h"
#include "support/FileHelpers.h"
#include "support/Parallel.h"
#include "support/PictureFile.h"
#include "support/Trash.h"
#include "task/EngineRun.h"

namespace tx {

namespace {

// Decoded tiles are kept in memory up to this many bytes; beyond it a tile is
// decoded again whenever a pair needs its pixels.
constexpr std::int64_t kPictureBudget = std::int64_t{2} << 30;
// Tiles of different sizes are bounded through reductions in each other's geometry;
// with more sizes than this such pairs are simply compared in full.
constexpr int kMaxFittedSizes = 8;

// The window measured ahead of the decisions. Work is handed out in chunks of pairs
// of one row, from kMinChunk pairs where most pairs are doubles to kMaxChunk where
// doubles are rare. Nothing more is handed out while kWindowDoubles doubles wait
// for a decision, and no row is started beyond kWindowRows rows or kWindowPairs
// pairs ahead of the row being decided. Speculation stays small, so a row whose
// tile is deleted at its first double wastes little measuring.
constexpr int kMinChunk = 64;
constexpr int kMaxChunk = 1024;
constexpr int kWindowDoubles = 256;
constexpr int kWindowRows = 4096;
constexpr std::int64_t kWindowPairs = std::int64_t{1} << 18;

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

// One measured double of a row: tile j and d (tile i is the row).
struct RowDouble {
    int j = 0;
    double d = 0;
};

// Counts of deleted tiles below a position (Fenwick tree), so that a tile's place
// in the shortened list is found in O(log n).
class DeletedBelow {
public:
    explicit DeletedBelow(int n) : m_tree(static_cast<std::size_t>(n) + 1, 0) {}
    void add(int t) {
        for (std::size_t k = static_cast<std::size_t>(t) + 1; k < m_tree.size(); k += k & (~k + 1)) ++m_tree[k];
    }
    // Deleted tiles with an index below t.
    int below(int t) const {
        int sum = 0;
        for (std::size_t k = static_cast<std::size_t>(t); k > 0; k -= k & (~k + 1)) sum += m_tree[k];
        return sum;
    }

private:
    std::vector<int> m_tree;
};

// The status while the pairs of tile `row` are compared.
QString comparingText(const QStringList& files, int row) {
    const int n = static_cast<int>(files.size());
    const QString later = row + 2 == n ? files[row + 1] : files[row + 1] + QStringLiteral(" to ") + files[n - 1];
    return QStringLiteral("Comparing %1 with %2 (tile %3 of %4)...").arg(files[row], later).arg(row + 1).arg(n);
}

// Pairs are measured on every core a bounded window of rows ahead of the
// decisions, and handed over row by row in order: memory grows with the tile
// count and the window, never with the number of doubles.
class DoublesScan {
public:
    // Asked for each double of row i in order of j; false stops the search.
    using Decide = std::function<bool(int i, int j, double d)>;

    DoublesScan(Task& task, QString folder, QStringList files)
        : m_task(task),
          m_folder(std::move(folder)),
          m_files(std::move(files)),
          m_tiles(static_cast<std::size_t>(m_files.size())),
          m_alive(static_cast<std::size_t>(m_files.size())) {
        for (auto& a : m_alive) a.store(true, std::memory_order_relaxed);
    }

    // False when cancelled or stopped by `decide`.
    bool run(const Decide& decide);

    // Deleted tiles are left out of every later pair, and their rows are not measured.
    void markDeleted(int t) { m_alive[static_cast<std::size_t>(t)].store(false, std::memory_order_relaxed); }
    bool alive(int t) const { return m_alive[static_cast<std::size_t>(t)].load(std::memory_order_relaxed); }

    // The tile's pixels: the kept picture, or a fresh decode into `scratch`.
    const Picture& picture(int t, Picture& scratch) const {
        const TileData& tile = m_tiles[static_cast<std::size_t>(t)];
        if (!tile.picture.isEmpty() || !tile.ok) return tile.picture;
        if (!loadPicture(m_folder + m_files.at(t), scratch)) scratch = Picture();
        return scratch;
    }

private:
    // A run of pairs (i, j) for j below jEnd, measured as one unit of work.
    struct Chunk {
        bool done = false;
        std::vector<RowDouble> found;
    };
    // A row being measured or decided; slots are reused round robin.
    struct RowSlot {
        int row = -1;               // -1 once the decisions have left the row
        bool fullyClaimed = false;  // no more chunks will be added
        std::vector<Chunk> chunks;  // in order of j
    };

    bool decode();
    bool fitSignatures();
    bool scanPairs(const Decide& decide);
    // Progress after the decisions of `row`; the status names the next row's tile.
    void report(std::int64_t done, int row, bool force);

    void measureChunk(int i, int jBegin, int jEnd, std::vector<RowDouble>& out) const;
    void worker();
    bool claimable() const;
    // Pairs of the rows [from, to).
    std::int64_t pairsOfRows(int from, int to) const {
        const auto n = static_cast<std::int64_t>(m_tiles.size());
        auto before = [n](std::int64_t r) { return r * (2 * n - r - 1) / 2; };
        return before(to) - before(from);
    }

    Task& m_task;
    QString m_folder;
    QStringList m_files;
    std::vector<TileData> m_tiles;
    std::vector<std::atomic<bool>> m_alive;
    std::vector<Size2> m_sizes;
    std::int64_t m_pairs = 0;
    std::int64_t m_scale = 1;  // pairs per progress unit (1 unless the count outgrows int)
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_lastReport;
    std::int64_t m_lastReported = 0;

    // The window, guarded by m_lock.
    std::mutex m_lock;
    std::condition_variable m_workReady;  // a chunk can be claimed, or stop
    std::condition_variable m_measured;   // a chunk is measured, a row fully claimed, or a worker failed
    std::vector<RowSlot> m_slots;
    int m_nextRow = 0;     // the row being decided
    int m_claimRow = 0;    // the next chunk to measure: row and first j (0: row not started)
    int m_claimJ = 0;
    int m_chunkPairs = 0;  // size of the next chunk, smaller where doubles are dense
    int m_buffered = 0;    // doubles measured and not yet decided
    bool m_stop = false;
    std::exception_ptr m_failure;
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

void DoublesScan::report(std::int64_t done, int row, bool force) {
    // At most about a thousand reports by count, plus one whenever 50 ms have passed.
    const auto now = std::chrono::steady_clock::now();
    if (!force && done - m_lastReported < m_pairs / 1000 && now - m_lastReport < std::chrono::milliseconds(50))
        return;
    m_lastReport = now;
    m_lastReported = done;
    m_task.setValue(static_cast<int>(done / m_scale));
    const int n = static_cast<int>(m_files.size());
    if (row + 1 < n - 1)
        m_task.setStatus(comparingText(m_files, row + 1));
    const double elapsed = std::chrono::duration<double>(now - m_start).count();
    if (done > 0 && elapsed > 0.5)
        m_task.host().timeTextChanged(formatTimeLeft(elapsed / static_cast<double>(done) * static_cast<double>(m_pairs - done)));
}

void DoublesScan::measureChunk(int i, int jBegin, int jEnd, std::vector<RowDouble>& out) const {
    const TileData& a = m_tiles[static_cast<std::size_t>(i)];
    Picture scratchI, scratchJ;
    const Picture* picI = nullptr;
    int exactSinceCheck = 0;
    for (int j = jBegin; j < jEnd; ++j) {
        const TileData& b = m_tiles[static_cast<std::size_t>(j)];
        if (!b.ok || !alive(j)) continue;
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
        if (!picI) picI = &picture(i, scratchI);
        const Picture& picJ = picture(j, scratchJ);
        if (pixelLowerBound(*picI, picJ, kDoublesThreshold) > kDoublesThreshold) continue;
        const double d = pairDifference(*picI, picJ);
        if (d <= kDoublesThreshold) out.push_back({j, d});
        if (++exactSinceCheck == 64) {
            exactSinceCheck = 0;
            if (!m_task.running() || !alive(i)) return;  // a deleted row is never decided
        }
    }
}

bool DoublesScan::claimable() const {
    const int n = static_cast<int>(m_tiles.size());
    if (m_claimRow >= n - 1) return false;  // the last row has no pairs
    if (m_buffered >= kWindowDoubles) return false;
    if (m_claimRow == m_nextRow) return true;
    return m_claimRow - m_nextRow < kWindowRows && pairsOfRows(m_nextRow, m_claimRow) < kWindowPairs;
}

void DoublesScan::worker() {
    const int n = static_cast<int>(m_tiles.size());
    std::unique_lock lock(m_lock);
    try {
        for (;;) {
            m_workReady.wait(lock, [&] { return m_stop || claimable(); });
            if (m_stop) return;
            const int i = m_claimRow;
            RowSlot& slot = m_slots[static_cast<std::size_t>(i % kWindowRows)];
            if (m_claimJ == 0) {
                slot.row = i;
                slot.fullyClaimed = false;
                slot.chunks.clear();
                m_claimJ = i + 1;
            }
            // Rows of deleted or unreadable tiles are never decided: the rest of the row is dropped.
            if (!m_tiles[static_cast<std::size_t>(i)].ok || !alive(i)) {
                slot.fullyClaimed = true;
                ++m_claimRow;
                m_claimJ = 0;
                m_measured.notify_one();
                continue;
            }
            const int jBegin = m_claimJ;
            const int jEnd = std::min(n, jBegin + m_chunkPairs);
            const std::size_t index = slot.chunks.size();
            slot.chunks.emplace_back();
            if (jEnd == n) {
                slot.fullyClaimed = true;
                ++m_claimRow;
                m_claimJ = 0;
            } else {
                m_claimJ = jEnd;
            }
            lock.unlock();
            std::vector<RowDouble> found;
            if (m_task.running()) measureChunk(i, jBegin, jEnd, found);
            lock.lock();
            // About sixteen doubles per chunk.
            m_chunkPairs = static_cast<int>(std::clamp<std::int64_t>(
                16 * std::int64_t{jEnd - jBegin} / (static_cast<std::int64_t>(found.size()) + 1), kMinChunk, kMaxChunk));
            if (slot.row != i) continue;  // the decisions have left the row (its tile was deleted)
            m_buffered += static_cast<int>(found.size());
            slot.chunks[index].found = std::move(found);
            slot.chunks[index].done = true;
            m_measured.notify_one();
        }
    } catch (...) {
        if (!lock.owns_lock()) lock.lock();
        if (!m_failure) m_failure = std::current_exception();
        m_stop = true;
        m_workReady.notify_all();
        m_measured.notify_one();
    }
}

bool DoublesScan::scanPairs(const Decide& decide) {
    const int n = static_cast<int>(m_tiles.size());
    m_start = m_lastReport = std::chrono::steady_clock::now();
    m_slots.assign(static_cast<std::size_t>(std::min(n, kWindowRows)), {});
    m_chunkPairs = kMaxChunk;

    // Workers are stopped and joined however the decisions end (a host may throw).
    std::vector<std::thread> pool;
    auto stopWorkers = [&] {
        {
            std::lock_guard lock(m_lock);
            m_stop = true;
        }
        m_workReady.notify_all();
        for (std::thread& t : pool) t.join();
        pool.clear();
    };
    struct Joiner {
        std::function<void()> stop;
        ~Joiner() { stop(); }
    } joiner{stopWorkers};
    const int threads = std::max(1, workerCount());
    for (int t = 0; t < threads; ++t) pool.emplace_back([this] { worker(); });

    std::int64_t done = 0;
    std::vector<RowDouble> found;
    for (int i = 0; i < n - 1; ++i) {
        RowSlot& slot = m_slots[static_cast<std::size_t>(i % kWindowRows)];
        for (std::size_t c = 0; alive(i); ++c) {
            {
                std::unique_lock lock(m_lock);
                // Wait for chunk c of row i, or for the row to end before it.
                auto ready = [&] {
                    return slot.row == i && (c < slot.chunks.size() ? slot.chunks[c].done : slot.fullyClaimed);
                };
                while (!m_failure && !ready()) {
                    if (!m_task.running()) return false;
                    m_measured.wait_for(lock, std::chrono::milliseconds(50));
                }
                if (m_failure) std::rethrow_exception(m_failure);
                if (c == slot.chunks.size()) break;
                found.swap(slot.chunks[c].found);
                m_buffered -= static_cast<int>(found.size());
            }
            m_workReady.notify_all();
            for (const RowDouble& pair : found) {
                if (!m_task.running()) return false;
                if (!alive(i)) break;
                if (!alive(pair.j)) continue;
                if (!decide(i, pair.j, pair.d)) return false;
            }
            found.clear();
        }
        {
            // Leave the row; what was measured of it and not decided is dropped.
            std::lock_guard lock(m_lock);
            if (slot.row == i) {
                for (Chunk& chunk : slot.chunks) m_buffered -= static_cast<int>(chunk.found.size());
                slot.chunks.clear();
                slot.row = -1;
            }
            m_nextRow = i + 1;
        }
        m_workReady.notify_all();
        if (!m_task.running()) return false;
        done += n - 1 - i;
        report(done, i, false);
    }
    report(m_pairs, n, true);
    return m_task.running();
}

bool DoublesScan::run(const Decide& decide) {
    const auto n = static_cast<std::int64_t>(m_tiles.size());
    m_pairs = n * (n - 1) / 2;
    m_scale = m_pairs / INT_MAX + 1;
    m_task.setValue(0);
    m_task.setMaximum(static_cast<int>(m_pairs / m_scale));
    if (n < 2) return true;
    m_task.setStatus(QStringLiteral("Reading %1 tiles...").arg(n));
    if (!decode() || !fitSignatures()) return false;
    m_task.setStatus(comparingText(m_files, 0));
    return scanPairs(decide);
}

}  // namespace

namespace {

void searchDoubles(Task& task, const SearchDoublesJob& job) {
    TaskHost& host = task.host();

    const QString folder = AddBackslash(job.libraryFolder);
    const QStringList files = job.libraryFolder.isEmpty() ? QStringList() : tileList(folder);
    const int n = static_cast<int>(files.size());

    // The decisions follow the pair-by-pair search: i ascending, then j. Tiles are
    // followed by identity, so after a deletion each remaining pair is still visited
    // exactly once; questions name the tiles' positions in the shortened list.
    DoublesScan scan(task, folder, files);
    DeletedBelow deleted(n);
    bool databasesGone = false;
    auto remove = [&](int t) {
        const QString path = folder + files[t];
        QString error = QStringLiteral("it is gone");
        // could not be deleted (or someone else did): the tile stays in the list
        if (!entryExists(path) || !discardFileEntry(path, &error)) {
            task.addProblem(QStringLiteral("%1 could not be deleted: %2").arg(files[t], error));
            return;
        }
        task.addFileRemoved(path);
        scan.markDeleted(t);
        deleted.add(t);
        // Databases match tiles by position; after a deletion they are stale.
        if (!databasesGone) deleteColourDatabases(folder);
        databasesGone = true;
    };

    bool killAll = false;
    const bool completed = scan.run([&](int i, int j, double d) {
        DoublesAnswer answer = DoublesAnswer::KillAll;
        if (!killAll) {
            DoublesQuestion q;
            q.i = i - deleted.below(i);
            q.j = j - deleted.below(j);
            q.fileI = files[i];
            q.fileJ = files[j];
            q.folder = folder;
            q.d = d;
            Picture scratchI, scratchJ;
            q.tileI = scan.picture(i, scratchI);
            q.tileJ = scan.picture(j, scratchJ);
            answer = host.askDoubles(q);
        }
        switch (answer) {
        case DoublesAnswer::Kill1:
            remove(i);
            break;
        case DoublesAnswer::KillAll:
            killAll = true;
            [[fallthrough]];
        case DoublesAnswer::Kill2:
            remove(j);
            break;
        case DoublesAnswer::Abort:
            task.cancel();
            host.closeRequested();
            return false;
        case DoublesAnswer::Keep:
            break;
        }
        return true;
    });
    if (!completed) return;
    if (!task.running()) return;
    task.finish();
}

}  // namespace

JobResult SearchDoubles(Task& task, const SearchDoublesJob& job) {
    return runEngine(task, [&] {
        if (task.begin()) searchDoubles(task, job);
    });
}

}  // namespace tx
