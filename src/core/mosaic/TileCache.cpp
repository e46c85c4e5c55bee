#include "mosaic/TileCache.h"

#include <algorithm>

#include "support/Effects.h"
#include "support/Parallel.h"
#include "support/PictureFile.h"

namespace tx {

bool prepareTile(const QString& path, int tileWidth, int tileHeight, bool grey, Picture& out) {
    try {
        Picture loaded;
        // No decoder downscaling here: the smoothing below must see the file's own
        // pixels, or the tile would differ from the one the exact procedure makes.
        if (!loadPicture(path, loaded) || loaded.isEmpty()) return false;
        if (loaded.width() != tileWidth || loaded.height() != tileHeight) {
            Picture twice = stretchPlain(loaded, 2 * tileWidth, 2 * tileHeight);
            FoxBlur(twice);
            loaded = stretchPlain(twice, tileWidth, tileHeight);
        }
        if (grey) FoxHSL(loaded, 0.0f);
        out = std::move(loaded);
        return true;
    } catch (const std::exception&) {  // a tile size too large to hold twice over
        return false;
    }
}

TileCache::TileCache(QString folder, QStringList tiles, int tileWidth, int tileHeight, bool grey,
                     std::size_t budgetBytes)
    : m_folder(std::move(folder)), m_tiles(std::move(tiles)), m_tileWidth(tileWidth), m_tileHeight(tileHeight),
      m_grey(grey) {
    const std::size_t bytes = std::max<std::size_t>(1, static_cast<std::size_t>(std::max(1, tileWidth)) *
                                                           static_cast<std::size_t>(std::max(1, tileHeight)) * 3);
    m_capacity = static_cast<int>(std::clamp<std::size_t>(budgetBytes / bytes, 1, 1 << 20));
}

const Picture* TileCache::find(int t) const {
    auto it = m_entries.find(t);
    return it == m_entries.end() ? nullptr : &it->second.picture;
}

void TileCache::evictFor(const std::vector<int>& keep, int incoming) {
    const int excess = static_cast<int>(m_entries.size()) + incoming - m_capacity;
    if (excess <= 0) return;
    std::unordered_set<int> keepSet(keep.begin(), keep.end());
    std::vector<std::pair<std::uint64_t, int>> candidates;
    for (const auto& [t, e] : m_entries)
        if (!keepSet.count(t)) candidates.emplace_back(e.lastUse, t);
    std::sort(candidates.begin(), candidates.end());
    const int drop = std::min<int>(excess, static_cast<int>(candidates.size()));
    for (int k = 0; k < drop; ++k) m_entries.erase(candidates[k].second);
}

bool TileCache::load(const std::vector<int>& tiles, const std::function<bool()>& keepGoing) {
    const std::uint64_t stamp = ++m_clock;
    std::vector<int> missing;
    for (int t : tiles) {
        auto it = m_entries.find(t);
        if (it != m_entries.end()) {
            it->second.lastUse = stamp;
        } else if (!m_failed.count(t) && std::find(missing.begin(), missing.end(), t) == missing.end()) {
            if (t < 1 || t > m_tiles.size())
                m_failed.insert(t);
            else
                missing.push_back(t);
        }
    }
    if (missing.empty()) return !keepGoing || keepGoing();
    evictFor(tiles, static_cast<int>(missing.size()));

    std::vector<Picture> prepared(missing.size());
    std::vector<char> ok(missing.size(), 0);
    std::atomic<bool> stop{false};
    parallelFor(static_cast<std::int64_t>(missing.size()), 1, [&](std::int64_t b, std::int64_t e) {
        for (std::int64_t k = b; k < e; ++k) {
            if (stop.load(std::memory_order_relaxed)) return;
            if (keepGoing && !keepGoing()) {
                stop.store(true);
                return;
            }
            const QString path = m_folder + m_tiles[missing[k] - 1];
            ok[k] = prepareTile(path, m_tileWidth, m_tileHeight, m_grey, prepared[k]) ? 1 : 2;
        }
    });
    for (std::size_t k = 0; k < missing.size(); ++k) {
        if (ok[k] == 1) {
            m_entries[missing[k]] = Entry{std::move(prepared[k]), stamp};
            ++m_decodes;
        } else if (ok[k] == 2) {
            m_failed.insert(missing[k]);
        }
    }
    return !stop.load();
}

}  // namespace tx
