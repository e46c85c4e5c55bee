#pragma once
// The tiles of one mosaic job as every cell starts from them: loaded, brought to
// the output tile size (with the blur-and-halve smoothing when the size differs)
// and made grey for a greyscale mosaic. Each tile is prepared once per job as long
// as the memory budget holds it; preparing runs on every core.
//
// Error rules: a tile that cannot be loaded (missing file, not a picture, a tile
// number outside the list) is remembered as failed; find() returns null for it and
// it is not tried again. Nothing throws.

#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <functional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "support/Picture.h"

namespace tx {

// One tile as a cell starts from it. False when the file cannot be loaded.
bool prepareTile(const QString& path, int tileWidth, int tileHeight, bool grey, Picture& out);

class TileCache {
public:
    // folder ends in "/"; tile t is folder + tiles[t - 1].
    TileCache(QString folder, QStringList tiles, int tileWidth, int tileHeight, bool grey,
              std::size_t budgetBytes = std::size_t{192} << 20);

    // How many prepared tiles the budget holds (at least 1).
    int capacity() const { return m_capacity; }

    // Prepares those of `tiles` that are neither held nor known to fail, in
    // parallel, after dropping the least recently used tiles outside `tiles` as far
    // as needed to stay within the budget. `keepGoing` is polled between tiles;
    // returns false when it said stop (what was prepared so far stays usable).
    bool load(const std::vector<int>& tiles, const std::function<bool()>& keepGoing = {});

    // The prepared tile, or null when it failed or is not held.
    const Picture* find(int t) const;
    bool failed(int t) const { return m_failed.count(t) > 0; }
    int held() const { return static_cast<int>(m_entries.size()); }
    // Tiles decoded so far (a tile dropped and needed again counts twice).
    int decodeCount() const { return m_decodes; }

private:
    struct Entry {
        Picture picture;
        std::uint64_t lastUse = 0;
    };
    void evictFor(const std::vector<int>& keep, int incoming);

    QString m_folder;
    QStringList m_tiles;
    int m_tileWidth;
    int m_tileHeight;
    bool m_grey;
    int m_capacity;
    std::uint64_t m_clock = 0;
    int m_decodes = 0;
    std::unordered_map<int, Entry> m_entries;
    std::unordered_set<int> m_failed;
};

}  // namespace tx
