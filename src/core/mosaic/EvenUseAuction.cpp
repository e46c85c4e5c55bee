#include "mosaic/EvenUseAuction.h"

#include <algorithm>
#include <atomic>
#include <limits>
#include <numeric>
#include <stdexcept>

#include "mosaic/EvenUsePasses.h"

namespace tx {

namespace {

constexpr std::int64_t kNone = std::numeric_limits<std::int64_t>::max() / 4;

// Every tile's slots with their prices and holders, and per tile the two
// cheapest slots (of all, and of those open to spare bidders).
struct Slots {
    std::vector<int> first;       // per tile, tiles + 1 entries
    std::vector<int> spareFirst;  // per tile: slots from here on are beyond the lower cap
    std::vector<int> tileOf;      // per slot
    std::vector<std::int64_t> price;
    std::vector<int> holder;  // person, or -1
    std::vector<std::int64_t> best, second;
    std::vector<int> bestSlot;
    std::vector<std::int64_t> spareBest, spareSecond;
    std::vector<int> spareSlot;

    explicit Slots(const UseCaps& caps) {
        const int m = static_cast<int>(caps.upper.size());
        first.resize(static_cast<std::size_t>(m) + 1);
        spareFirst.resize(static_cast<std::size_t>(m));
        int count = 0;
        for (int t = 0; t < m; ++t) {
            first[static_cast<std::size_t>(t)] = count;
            spareFirst[static_cast<std::size_t>(t)] = count + caps.lower[static_cast<std::size_t>(t)];
            count += caps.upper[static_cast<std::size_t>(t)];
            tileOf.resize(static_cast<std::size_t>(count), t);
        }
        first[static_cast<std::size_t>(m)] = count;
        price.assign(static_cast<std::size_t>(count), 0);
        holder.assign(static_cast<std::size_t>(count), -1);
        best.resize(static_cast<std::size_t>(m));
        second.resize(static_cast<std::size_t>(m));
        bestSlot.resize(static_cast<std::size_t>(m));
        spareBest.resize(static_cast<std::size_t>(m));
        spareSecond.resize(static_cast<std::size_t>(m));
        spareSlot.resize(static_cast<std::size_t>(m));
        for (int t = 0; t < m; ++t) refresh(t);
    }
    int count() const { return static_cast<int>(price.size()); }
    bool spare(int s) const { return s >= spareFirst[static_cast<std::size_t>(tileOf[static_cast<std::size_t>(s)])]; }

    void refresh(int t) {
        const auto ut = static_cast<std::size_t>(t);
        std::int64_t b = kNone, b2 = kNone, sb = kNone, sb2 = kNone;
        int bs = -1, ss = -1;
        for (int s = first[ut]; s < first[ut + 1]; ++s) {
            const std::int64_t p = price[static_cast<std::size_t>(s)];
            if (p < b) b2 = b, b = p, bs = s;
            else if (p < b2) b2 = p;
            if (s < spareFirst[ut]) continue;
            if (p < sb) sb2 = sb, sb = p, ss = s;
            else if (p < sb2) sb2 = p;
        }
        best[ut] = b, second[ut] = b2, bestSlot[ut] = bs;
        spareBest[ut] = sb, spareSecond[ut] = sb2, spareSlot[ut] = ss;
    }
};

// The cheapest spare slot over all tiles and the cheapest of any other tile:
// a tournament tree over the tiles' cheapest spare slots.
class SpareTree {
public:
    explicit SpareTree(const std::vector<std::int64_t>& spareBest) {
        const int m = static_cast<int>(spareBest.size());
        while (m_size < m) m_size *= 2;
        m_v1.assign(2 * static_cast<std::size_t>(m_size), kNone);
        m_v2.assign(2 * static_cast<std::size_t>(m_size), kNone);
        m_t1.assign(2 * static_cast<std::size_t>(m_size), -1);
        for (int t = 0; t < m; ++t) {
            m_v1[static_cast<std::size_t>(m_size + t)] = spareBest[static_cast<std::size_t>(t)];
            m_t1[static_cast<std::size_t>(m_size + t)] = t;
        }
        for (int i = m_size - 1; i >= 1; --i) merge(i);
    }
    void set(int t, std::int64_t value) {
        int i = m_size + t;
        m_v1[static_cast<std::size_t>(i)] = value;
        for (i /= 2; i >= 1; i /= 2) merge(i);
    }
    std::int64_t bestValue() const { return m_v1[1]; }
    int bestTile() const { return m_t1[1]; }
    std::int64_t otherTilesValue() const { return m_v2[1]; }

private:
    void merge(int i) {
        const auto u = static_cast<std::size_t>(i), l = 2 * u, r = 2 * u + 1;
        const bool left = m_v1[l] <= m_v1[r];
        const std::size_t win = left ? l : r, lose = left ? r : l;
        m_v1[u] = m_v1[win];
        m_t1[u] = m_t1[win];
        m_v2[u] = std::min(m_v2[win], m_v1[lose]);
    }
    int m_size = 1;
    std::vector<std::int64_t> m_v1, m_v2;
    std::vector<int> m_t1;
};

class Auction {
public:
    Auction(const PairDistance& cost, const UseCaps& caps, const AuctionOptions& options, AuctionStats& stats,
            const EvenUseHooks& hooks)
        : m_cost(cost),
          m_hooks(hooks),
          m_stats(stats),
          m_options(options),
          m_n(cost.cellCount()),
          m_m(cost.tileCount()),
          m_slots(caps),
          m_spares(m_slots.spareBest) {
        m_scale = std::int64_t{m_slots.count()} + 1;
        m_persons = m_slots.count();
        m_k = std::clamp(options.listLength, 1, m_m);
        m_personSlot.assign(static_cast<std::size_t>(m_persons), -1);
        m_cellDistance.assign(static_cast<std::size_t>(m_n), 0);
        m_list.resize(static_cast<std::size_t>(m_n) * m_k);
        m_bound.resize(static_cast<std::size_t>(m_n));
        m_boundTile.resize(static_cast<std::size_t>(m_n));
        m_all.resize(static_cast<std::size_t>(m_m));
    }

    bool run(std::vector<int>& tileOfCell) {
        // The first lists: each cell's nearest tiles (a tile without uses has no
        // slot and stays out of reach at price kNone).
        if (!forEveryCell(m_n, 0, m_hooks, [&](int c, std::vector<TileDistance>& scratch) {
                // All prices are still 0 but for tiles without uses.
                m_cost.nearest(c, m_k + 1, scratch);
                for (TileDistance& td : scratch) td.distance = td.distance * m_scale + m_slots.best[static_cast<std::size_t>(td.tile)];
                std::int64_t bound = kNone;
                int boundTile = -1;
                if (static_cast<int>(scratch.size()) > m_k) {
                    const TileDistance next = scratch[static_cast<std::size_t>(m_k)];
                    bound = next.distance - m_slots.best[static_cast<std::size_t>(next.tile)];  // prices are at least 0
                    boundTile = next.tile;
                    scratch.resize(static_cast<std::size_t>(m_k));
                }
                std::sort(scratch.begin(), scratch.end());
                keepList(c, scratch, bound, boundTile);
            }))
            return false;

        const std::int64_t top = std::max<std::int64_t>(1, m_cost.maxDistance()) * m_scale;
        const int scaling = std::max(2, m_options.scaling);
        std::int64_t eps = std::max<std::int64_t>(1, top / scaling);
        int phases = 1;
        for (std::int64_t e = eps; e > 1; e = std::max<std::int64_t>(1, e / scaling)) ++phases;

        for (int phase = 0;; ++phase) {
            releaseBeyond(eps);
            while (m_head < m_queue.size()) {
                const int p = m_queue[m_head++];
                if (m_head > 4096 && m_head * 2 > m_queue.size()) {
                    m_queue.erase(m_queue.begin(), m_queue.begin() + static_cast<std::ptrdiff_t>(m_head));
                    m_head = 0;
                }
                if (p < m_n) bidCell(p, eps);
                else bidSpare(p, eps);
                if ((++m_stats.bids & 1023) == 0) {
                    if (!keepGoing(m_hooks)) return false;
                    report(phase, phases);
                }
            }
            ++m_stats.phases;
            report(phase + 1, phases);
            if (eps == 1) break;
            eps = std::max<std::int64_t>(1, eps / scaling);
        }
        if (!prove()) return false;
        tileOfCell.resize(static_cast<std::size_t>(m_n));
        for (int c = 0; c < m_n; ++c)
            tileOfCell[static_cast<std::size_t>(c)] = m_slots.tileOf[static_cast<std::size_t>(m_personSlot[static_cast<std::size_t>(c)])];
        return true;
    }

private:
    std::size_t at(int c) const { return static_cast<std::size_t>(c) * m_k; }

    // list: the k cheapest tiles by value, least first; no other tile is below bound.
    void keepList(int c, const std::vector<TileDistance>& list, std::int64_t bound, int boundTile) {
        ListEntry* entry = &m_list[at(c)];
        for (int j = 0; j < m_k; ++j) {
            const TileDistance& td = list[static_cast<std::size_t>(j)];
            entry[j] = {td.distance, static_cast<std::int32_t>((td.distance - m_slots.best[static_cast<std::size_t>(td.tile)]) / m_scale), td.tile};
        }
        m_bound[static_cast<std::size_t>(c)] = bound;
        m_boundTile[static_cast<std::size_t>(c)] = boundTile;
    }

    std::int64_t valueNow(int t, std::int64_t d) const { return d * m_scale + m_slots.best[static_cast<std::size_t>(t)]; }

    // The cell's k cheapest tiles again. Values only rise, so the list and bound
    // tile's values now cap the new k + 1 cheapest: only tiles at or below that
    // can come in.
    void look(int c) {
        ++m_stats.looks;
        m_cost.distancesToAll(c, m_all.data());
        const ListEntry* entry = &m_list[at(c)];
        std::int64_t cap = 0;
        for (int j = 0; j < m_k; ++j) cap = std::max(cap, valueNow(entry[j].tile, entry[j].distance));
        const int bt = m_boundTile[static_cast<std::size_t>(c)];
        if (bt >= 0) cap = std::max(cap, valueNow(bt, m_all[static_cast<std::size_t>(bt)]));
        m_scratch.clear();
        for (int t = 0; t < m_m; ++t) {
            const std::int64_t v = m_all[static_cast<std::size_t>(t)] * m_scale + m_slots.best[static_cast<std::size_t>(t)];
            if (v <= cap) m_scratch.push_back({v, t});
        }
        std::int64_t bound = kNone;
        int boundTile = -1;
        if (static_cast<int>(m_scratch.size()) > m_k) {
            std::nth_element(m_scratch.begin(), m_scratch.begin() + m_k, m_scratch.end());
            bound = m_scratch[static_cast<std::size_t>(m_k)].distance;
            boundTile = m_scratch[static_cast<std::size_t>(m_k)].tile;
            m_scratch.resize(static_cast<std::size_t>(m_k));
        }
        std::sort(m_scratch.begin(), m_scratch.end());
        keepList(c, m_scratch, bound, boundTile);
    }

    struct Choice {
        std::int64_t v1 = kNone, v2 = kNone, d1 = 0;
        int t1 = -1;
    };
    // The two cheapest of the list now. Entries are in rising value at the
    // look and a value never falls, so the scan stops at one above v2.
    Choice fromList(int c) const {
        Choice ch;
        const ListEntry* entry = &m_list[at(c)];
        for (int j = 0; j < m_k && entry[j].looked < ch.v2; ++j) {
            const std::int64_t v = valueNow(entry[j].tile, entry[j].distance);
            if (v < ch.v1) ch.v2 = ch.v1, ch.v1 = v, ch.t1 = entry[j].tile, ch.d1 = entry[j].distance;
            else if (v < ch.v2) ch.v2 = v;
        }
        return ch;
    }

    void bidCell(int c, std::int64_t eps) {
        Choice ch = fromList(c);
        const std::int64_t bound = m_bound[static_cast<std::size_t>(c)];
        if (ch.v1 > bound) {
            look(c);
            ch = fromList(c);
        }
        std::int64_t v2 = std::min(ch.v2, m_bound[static_cast<std::size_t>(c)]);
        const std::int64_t next = m_slots.second[static_cast<std::size_t>(ch.t1)];
        if (next < kNone) v2 = std::min(v2, ch.d1 * m_scale + next);
        if (v2 >= kNone) v2 = ch.v1;
        const int s = m_slots.bestSlot[static_cast<std::size_t>(ch.t1)];
        m_cellDistance[static_cast<std::size_t>(c)] = ch.d1;
        take(c, s, m_slots.price[static_cast<std::size_t>(s)] + (v2 - ch.v1) + eps);
    }

    void bidSpare(int p, std::int64_t eps) {
        const int t = m_spares.bestTile();
        std::int64_t v2 = std::min(m_spares.otherTilesValue(), m_slots.spareSecond[static_cast<std::size_t>(t)]);
        if (v2 >= kNone) v2 = m_spares.bestValue();
        take(p, m_slots.spareSlot[static_cast<std::size_t>(t)], v2 + eps);
    }

    void take(int person, int s, std::int64_t price) {
        const auto us = static_cast<std::size_t>(s);
        if (const int previous = m_slots.holder[us]; previous >= 0) release(previous);
        m_slots.holder[us] = person;
        m_slots.price[us] = price;
        m_personSlot[static_cast<std::size_t>(person)] = s;
        const int t = m_slots.tileOf[us];
        m_slots.refresh(t);
        if (m_slots.spare(s)) m_spares.set(t, m_slots.spareBest[static_cast<std::size_t>(t)]);
        if (person < m_n) ++m_assignedCells;
    }

    void release(int person) {
        const auto up = static_cast<std::size_t>(person);
        m_slots.holder[static_cast<std::size_t>(m_personSlot[up])] = -1;
        m_personSlot[up] = -1;
        if (person < m_n) --m_assignedCells;
        m_queue.push_back(person);
    }

    // A new phase keeps those whose slot is within eps of their best; the rest bid again.
    void releaseBeyond(std::int64_t eps) {
        for (int p = 0; p < m_persons; ++p) {
            const int s = m_personSlot[static_cast<std::size_t>(p)];
            if (s < 0) {
                if (m_stats.phases == 0) m_queue.push_back(p);
                continue;
            }
            const std::int64_t price = m_slots.price[static_cast<std::size_t>(s)];
            std::int64_t own, least;
            if (p < m_n) {
                own = m_cellDistance[static_cast<std::size_t>(p)] * m_scale + price;
                least = std::min(fromList(p).v1, m_bound[static_cast<std::size_t>(p)]);
            } else {
                own = price;
                least = m_spares.bestValue();
            }
            if (own > least + eps) release(p);
        }
    }

    // Every cell's slot within 1 of its best over all tiles: with distances
    // scaled by slots + 1 that makes the total the least there is.
    bool prove() {
        std::atomic<bool> held{true};
        if (!forEveryCell(m_n, m_stats.phases + 1, m_hooks, [&](int c, std::vector<TileDistance>&) {
                thread_local std::vector<std::int64_t> all;
                all.resize(static_cast<std::size_t>(m_m));
                m_cost.distancesToAll(c, all.data());
                std::int64_t least = kNone;
                for (int t = 0; t < m_m; ++t) least = std::min(least, all[static_cast<std::size_t>(t)] * m_scale + m_slots.best[static_cast<std::size_t>(t)]);
                const std::int64_t own = m_cellDistance[static_cast<std::size_t>(c)] * m_scale +
                                         m_slots.price[static_cast<std::size_t>(m_personSlot[static_cast<std::size_t>(c)])];
                if (own > least + 1) held = false;
            }))
            return false;
        for (int p = m_n; p < m_persons; ++p)
            if (m_slots.price[static_cast<std::size_t>(m_personSlot[static_cast<std::size_t>(p)])] > m_spares.bestValue() + 1)
                held = false;
        if (!held) throw std::logic_error("the auction ended off the optimum");
        return true;
    }

    void report(int phase, int phases) {
        if (!m_hooks.progress) return;
        const std::int64_t total = std::int64_t{phases} * m_n;
        const std::int64_t done = std::min(total, std::int64_t{phase} * m_n + (phase < phases ? m_assignedCells : 0));
        m_reported = std::max(m_reported, done);
        m_hooks.progress(1, static_cast<int>(m_reported), static_cast<int>(total));
    }

    const PairDistance& m_cost;
    const EvenUseHooks& m_hooks;
    AuctionStats& m_stats;
    AuctionOptions m_options;
    int m_n = 0, m_m = 0, m_k = 1, m_persons = 0;
    std::int64_t m_scale = 1;
    Slots m_slots;
    SpareTree m_spares;
    std::vector<int> m_personSlot;
    std::vector<std::int64_t> m_cellDistance;  // of the slot a cell holds
    struct ListEntry {
        std::int64_t looked;     // value at the look
        std::int32_t distance;
        std::int32_t tile;
    };
    std::vector<ListEntry> m_list;      // k per cell
    std::vector<std::int64_t> m_bound;  // no tile off the list is cheaper for the cell
    std::vector<int> m_boundTile;       // the tile that set the bound, or -1
    std::vector<std::int64_t> m_all;    // a look's distances
    std::vector<int> m_queue;
    std::size_t m_head = 0;
    std::vector<TileDistance> m_scratch;
    std::int64_t m_assignedCells = 0, m_reported = 0;
};

}  // namespace

bool auctionAssignment(const PairDistance& cost, const UseCaps& caps, const AuctionOptions& options,
                       std::vector<int>& tileOfCell, AuctionStats& stats, const EvenUseHooks& hooks) {
    stats = AuctionStats();
    Auction auction(cost, caps, options, stats, hooks);
    return auction.run(tileOfCell);
}

}  // namespace tx
