#include "mosaic/EvenUseAuction.h"

#include <algorithm>
#include <atomic>
#include <limits>
#include <memory>
#include <stdexcept>

#include "mosaic/EvenUsePasses.h"
#include "mosaic/PriceRefinement.h"
#include "mosaic/PricedPass.h"
#include "support/Parallel.h"
#include "support/SpinningHelpers.h"

namespace tx {

namespace {

constexpr std::int64_t kNone = kNoValue;

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
          m_quiet{hooks.running, {}},
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
        m_length.resize(static_cast<std::size_t>(m_n));
        // Bids of a few tiles are too short to share.
        m_threads = m_m >= 1024 ? std::clamp(workerCount(), 1, 8) : 1;
        if (m_cost.skipsGroups()) {
            const int groups = (m_m + kPricedGroup - 1) / kPricedGroup;
            m_groupPrice.resize(static_cast<std::size_t>(groups));
            m_groupKeys.resize(static_cast<std::size_t>(groups) * kGroupKeys);
            m_tileKeys.resize(static_cast<std::size_t>(m_m) * kGroupKeys);
            for (int t = 0; t < m_m; ++t) {
                m_cost.tileKeys(t, &m_tileKeys[static_cast<std::size_t>(t) * kGroupKeys]);
                for (int k = 0; k < kGroupKeys; ++k) m_tileKeys[static_cast<std::size_t>(t) * kGroupKeys + k] *= m_scale;
            }
            for (int g = 0; g < groups; ++g) refreshGroup(g);
            m_groups = groups;
            // Floors take 4 bytes per cell and group: left out where that would
            // be more than the options allow, the groups' own bounds still skipping.
            if (std::int64_t{m_n} * groups * 4 <= options.floorBytes) m_floor.assign(static_cast<std::size_t>(m_n) * groups, 0);
            // Floors in units that keep the values there can be below 2^32.
            const std::int64_t most = 4 * std::max<std::int64_t>(1, m_cost.maxDistance()) * m_scale;
            while ((most >> m_floorShift) > 0xFFFFFFFFll) ++m_floorShift;
        }
        m_takenIn.assign(static_cast<std::size_t>(m_m), 0);
        m_scratch.resize(static_cast<std::size_t>(m_threads));
        if (m_threads > 1) m_helpers = std::make_unique<SpinningHelpers>(m_threads);
    }

    bool run(std::vector<int>& tileOfCell) {
        // The first lists: each cell's nearest tiles (a tile without uses has no
        // slot and stays out of reach at price kNone).
        if (!forEveryCell(m_n, 0, m_hooks, [&](int c, std::vector<TileDistance>&) {
                thread_local PricedTiles kept, sample;
                thread_local std::vector<ListEntry> tiles;
                kept.reset(m_m);
                m_cost.pricedPass(c, 0, m_m, pricedPass(c, std::min(kNone - 1, sampledCap(c, sample))), kept);
                tiles.resize(static_cast<std::size_t>(kept.count));
                for (int i = 0; i < kept.count; ++i) tiles[static_cast<std::size_t>(i)] = entryOf(kept, i);
                std::int64_t bound = kept.above;
                int boundTile = kept.aboveTile;
                const int length = std::min(m_k, kept.count);
                if (kept.count > m_k) {
                    std::nth_element(tiles.begin(), tiles.begin() + m_k, tiles.end());
                    const ListEntry& next = tiles[static_cast<std::size_t>(m_k)];
                    if (next.looked <= bound) bound = next.looked, boundTile = next.tile;
                }
                std::sort(tiles.begin(), tiles.begin() + length);
                keepList(c, tiles.data(), length, bound, boundTile);
            }))
            return false;

        const std::int64_t top = std::max<std::int64_t>(1, m_cost.maxDistance()) * m_scale;
        const int scaling = std::max(2, m_options.scaling);
        std::int64_t eps = std::max<std::int64_t>(1, top / scaling);
        int phases = 1;
        for (std::int64_t e = eps; e > 1; e = std::max<std::int64_t>(1, e / scaling)) ++phases;

        bool proven = false;
        for (int phase = 0;; ++phase) {
            releaseBeyond(eps);
            // Last in, first out: one who was just outbid bids again soon (on
            // the bench 1-7 % fewer looks than first in, first out).
            while (!m_queue.empty()) {
                m_batch.clear();
                while (static_cast<int>(m_batch.size()) < kBatch && !m_queue.empty()) {
                    m_batch.push_back(m_queue.back());
                    m_queue.pop_back();
                }
                prepareBids(eps);
                // In turn: a bid made before an earlier one of the batch took
                // the same tile is made again.
                ++m_stamp;
                for (std::size_t i = 0; i < m_batch.size(); ++i) {
                    const int p = m_batch[i];
                    if (p < m_n) {
                        Bid bid = m_bids[i];
                        if (m_takenIn[static_cast<std::size_t>(bid.tile)] == m_stamp) bid = cellBid(p, eps, m_scratch[0]);
                        apply(bid);
                    } else {
                        bidSpare(p, eps);
                    }
                    if ((++m_stats.bids & 1023) == 0) {
                        if (!keepGoing(m_hooks)) return false;
                        report(phase, phases);
                    }
                }
            }
            ++m_stats.phases;
            report(phase + 1, phases);
            if (eps == 1) break;
            // Once the assignment is near its optimum, prices that prove it may
            // be a shortest-path computation away: that ends the auction here.
            if (m_options.refine && eps <= m_scale / kRefineFrom && refinePrices(eps)) {
                ++m_stats.refinements;
                bool held = false;
                if (!proofPass(held, m_quiet)) return false;
                if (held) {
                    proven = true;
                    break;
                }
            }
            if (!keepGoing(m_hooks)) return false;
            eps = std::max<std::int64_t>(1, eps / scaling);
        }
        if (!proven) {
            bool held = false;
            if (!proofPass(held, m_hooks)) return false;
            if (!held) throw std::logic_error("the auction ended off the optimum");
        }
        for (const Scratch& scratch : m_scratch) m_stats.looks += scratch.looks;
        tileOfCell.resize(static_cast<std::size_t>(m_n));
        for (int c = 0; c < m_n; ++c)
            tileOfCell[static_cast<std::size_t>(c)] = m_slots.tileOf[static_cast<std::size_t>(m_personSlot[static_cast<std::size_t>(c)])];
        return true;
    }

private:
    struct Scratch;
    struct ListEntry {
        std::int64_t looked;     // value at the look, or a lower bound of it
        std::int32_t distance;
        std::int32_t tile;
        bool operator<(const ListEntry& o) const { return looked != o.looked ? looked < o.looked : tile < o.tile; }
    };

    std::size_t at(int c) const { return static_cast<std::size_t>(c) * m_k; }

    static ListEntry entryOf(const PricedTiles& kept, int i) {
        const std::uint64_t dt = kept.distanceTile[static_cast<std::size_t>(i)];
        return {kept.value[static_cast<std::size_t>(i)], PricedTiles::distanceOf(dt), PricedTiles::tileOf(dt)};
    }
    // A pass keeping the tiles valued at most cap, skipping groups where it can.
    PricedPass pricedPass(int c, std::int64_t cap) {
        if (m_groupPrice.empty()) return {m_scale, m_slots.best.data(), cap};
        return {m_scale, m_slots.best.data(), cap, m_groupPrice.data(), m_groupKeys.data(),
                m_floor.empty() ? nullptr : &m_floor[static_cast<std::size_t>(c) * m_groups], m_floorShift};
    }
    // A group's least price, and its least price + key for every key.
    void refreshGroup(int g) {
        const int end = std::min(m_m, (g + 1) * kPricedGroup);
        std::int64_t least = kNone;
        std::int64_t* keys = &m_groupKeys[static_cast<std::size_t>(g) * kGroupKeys];
        std::fill_n(keys, kGroupKeys, std::numeric_limits<std::int64_t>::max());
        for (int t = g * kPricedGroup; t < end; ++t) {
            const std::int64_t p = m_slots.best[static_cast<std::size_t>(t)];
            least = std::min(least, p);
            const std::int64_t* tk = &m_tileKeys[static_cast<std::size_t>(t) * kGroupKeys];
            for (int k = 0; k < kGroupKeys; ++k) keys[k] = std::min(keys[k], p + tk[k]);
        }
        m_groupPrice[static_cast<std::size_t>(g)] = least;
    }
    // After a rise of tile t's least price from `was`: the group's bounds change
    // only where they were this tile's.
    void priceRose(int t, std::int64_t was) {
        const int g = t / kPricedGroup;
        bool held = was == m_groupPrice[static_cast<std::size_t>(g)];
        const std::int64_t* keys = &m_groupKeys[static_cast<std::size_t>(g) * kGroupKeys];
        const std::int64_t* tk = &m_tileKeys[static_cast<std::size_t>(t) * kGroupKeys];
        for (int k = 0; k < kGroupKeys; ++k) held = held || was + tk[k] == keys[k];
        if (held) refreshGroup(g);
    }

    // list: at most k tiles, `looked` not falling along it (the value at the look
    // or a lower bound of it); no other tile is below bound.
    void keepList(int c, const ListEntry* list, int length, std::int64_t bound, int boundTile) {
        ListEntry* entry = &m_list[at(c)];
        if (entry != list) std::copy_n(list, length, entry);
        m_length[static_cast<std::size_t>(c)] = length;
        m_bound[static_cast<std::size_t>(c)] = bound;
        m_boundTile[static_cast<std::size_t>(c)] = boundTile;
    }

    std::int64_t valueNow(int t, std::int64_t d) const { return d * m_scale + m_slots.best[static_cast<std::size_t>(t)]; }

    // The cell's cheapest tiles again: those below a bound that leaves at most k
    // of them. A sample of the tiles sets a cap about k are under (on a small
    // library the old list's values now, as values only rise); the tiles under
    // the cap go into buckets by value, and the buckets below the one that
    // would overflow the list make it.
    void look(int c, Scratch& scratch) {
        ++scratch.looks;
        const ListEntry* entry = &m_list[at(c)];
        const int length = m_length[static_cast<std::size_t>(c)];
        std::int64_t cap = sampledCap(c, scratch.sample);
        if (cap == kNone) {
            cap = 0;
            for (int j = 0; j < length; ++j) cap = std::max(cap, valueNow(entry[j].tile, entry[j].distance));
            const int bt = m_boundTile[static_cast<std::size_t>(c)];
            if (bt >= 0) cap = std::max(cap, valueNow(bt, m_cost.distance(c, bt)));
        }
        // Buckets by value between a floor no value is below (values only rose
        // since the last look) and the cap.
        const std::int64_t floor = length > 0 ? std::min(entry[0].looked, m_bound[static_cast<std::size_t>(c)]) : 0;
        const Buckets grid{floor, kBuckets / double(cap - floor + 1)};
        PartBuffer& pb = scratch.part;
        underCap(c, cap, grid, pb);
        int counts[kBuckets + 1] = {};
        for (int k = 0; k < kBuckets; ++k) counts[k + 1] = pb.counts[k];
        const std::int64_t* bucketLeast = pb.bucketLeast;
        std::int64_t above = pb.kept.above;
        int aboveTile = pb.kept.aboveTile;
        const int total = pb.kept.count;
        int full = 0, listed = 0;  // buckets [0, full) fit the list
        for (; full < kBuckets && listed + counts[full + 1] <= m_k; ++full) listed += counts[full + 1];
        if (listed == 0) {
            // The first bucket that holds any overflows the list: the k least exactly.
            std::vector<ListEntry>& under = scratch.merged;
            under.clear();
            for (int i = 0; i < pb.kept.count; ++i) under.push_back(entryOf(pb.kept, i));
            if (total > m_k) {
                std::nth_element(under.begin(), under.begin() + m_k, under.end());
                above = under[static_cast<std::size_t>(m_k)].looked;
                aboveTile = under[static_cast<std::size_t>(m_k)].tile;
                under.resize(static_cast<std::size_t>(m_k));
            }
            std::sort(under.begin(), under.end());
            keepList(c, under.data(), static_cast<int>(under.size()), above, aboveTile);
            return;
        }
        for (int k = 1; k <= kBuckets; ++k) counts[k] += counts[k - 1];  // where each bucket starts
        // Straight into the cell's list: the old one is no longer read.
        ListEntry* list = &m_list[at(c)];
        // Bucket by bucket; within a bucket in any order, each entry's `looked`
        // being its bucket's least value (buckets never overlap in value).
        for (int i = 0; i < pb.kept.count; ++i) {
            const int k = pb.bucket[static_cast<std::size_t>(i)];
            const std::uint64_t dt = pb.kept.distanceTile[static_cast<std::size_t>(i)];
            if (k < full) {
                list[counts[k]++] = {bucketLeast[k], PricedTiles::distanceOf(dt), PricedTiles::tileOf(dt)};
            } else if (const std::int64_t v = pb.kept.value[static_cast<std::size_t>(i)]; v < above) {
                above = v, aboveTile = PricedTiles::tileOf(dt);
            }
        }
        keepList(c, list, listed, above, aboveTile);
    }

    // A cap about as many tiles as the list holds are under, from a sample of
    // the tiles (the old list's cap lets in several times more on a large
    // library, and every tile under the cap costs a pass that skips less and
    // more sorting into the list); kNone where the sample would not tell much.
    // A few tiles of the sample are under it, so a list never comes out empty.
    std::int64_t sampledCap(int c, PricedTiles& sample) const {
        constexpr int kSampleBlocks = 64;
        const int blocks = m_m / kPricedBlock;
        if (blocks < 4 * kSampleBlocks) return kNone;
        sample.reset(kPricedBlock * (kSampleBlocks + 1));
        m_cost.pricedSample(c, blocks / kSampleBlocks, PricedPass{m_scale, m_slots.best.data(), kNone - 1}, sample);
        const std::int64_t rank = std::int64_t{sample.count} * m_k / m_m;
        if (rank < 2 || rank >= sample.count / 2) return kNone;
        const auto begin = sample.value.begin();
        std::nth_element(begin, begin + rank, begin + sample.count);
        return sample.value[static_cast<std::size_t>(rank)];
    }

    static constexpr int kBuckets = 128;
    struct Buckets {
        std::int64_t floor;
        double perValue;
        int of(std::int64_t v) const { return std::min(kBuckets - 1, static_cast<int>(double(v - floor) * perValue)); }
    };

    struct PartBuffer {
        PricedTiles kept;                  // the tiles under the cap
        std::vector<std::uint8_t> bucket;  // of each kept
        int counts[kBuckets];
        std::int64_t bucketLeast[kBuckets];
    };
    // What a thread's looks work in.
    struct Scratch {
        PartBuffer part;
        std::vector<ListEntry> merged;  // the tiles under the cap when one bucket overflows
        PricedTiles sample;             // for the cap
        std::int64_t looks = 0;
    };

    // The tiles whose value is at most cap, with their buckets; the least of
    // those above.
    void underCap(int c, std::int64_t cap, const Buckets& grid, PartBuffer& pb) {
        PricedTiles& kept = pb.kept;
        kept.reset(m_m);
        m_cost.pricedPass(c, 0, m_m, pricedPass(c, cap), kept);
        pb.bucket.resize(static_cast<std::size_t>(kept.count));
        std::fill_n(pb.counts, kBuckets, 0);
        std::fill_n(pb.bucketLeast, kBuckets, kNone);
        for (int i = 0; i < kept.count; ++i) {
            const std::int64_t v = kept.value[static_cast<std::size_t>(i)];
            const int k = grid.of(v);
            pb.bucket[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(k);
            ++pb.counts[k];
            pb.bucketLeast[k] = std::min(pb.bucketLeast[k], v);
        }
    }

    struct Choice {
        std::int64_t v1 = kNone, v2 = kNone, d1 = 0;
        int t1 = -1;
    };
    // The two cheapest of the list now. `looked` rises along the list and no
    // value falls below it, so the scan stops at the first one at v2 or above.
    Choice fromList(int c) const {
        Choice ch;
        const ListEntry* entry = &m_list[at(c)];
        const int length = m_length[static_cast<std::size_t>(c)];
        for (int j = 0; j < length && entry[j].looked < ch.v2; ++j) {
            const std::int64_t v = valueNow(entry[j].tile, entry[j].distance);
            if (v < ch.v1) ch.v2 = ch.v1, ch.v1 = v, ch.t1 = entry[j].tile, ch.d1 = entry[j].distance;
            else if (v < ch.v2) ch.v2 = v;
        }
        return ch;
    }

    struct Bid {
        int tile = -1, slot = -1;
        std::int64_t price = 0, distance = 0;
        int cell = -1;
    };
    // A cell's bid at today's prices, looking again when its list has become
    // dearer than its bound. Writes only the cell's own list, so cells of a
    // batch bid on every core at once.
    Bid cellBid(int c, std::int64_t eps, Scratch& scratch) {
        Choice ch = fromList(c);
        // No tile off the list is below the bound, so a bid of the bound as the
        // second best keeps the cell within eps of its best even when the list
        // has risen above the bound; the price then rises by less than eps, and
        // at least by half of it (on the bench 13 % fewer looks).
        if (ch.v1 > m_bound[static_cast<std::size_t>(c)] + eps / 2) {
            look(c, scratch);
            ch = fromList(c);
        }
        std::int64_t v2 = std::min(ch.v2, m_bound[static_cast<std::size_t>(c)]);
        const std::int64_t next = m_slots.second[static_cast<std::size_t>(ch.t1)];
        if (next < kNone) v2 = std::min(v2, ch.d1 * m_scale + next);
        if (v2 >= kNone) v2 = ch.v1;
        const int s = m_slots.bestSlot[static_cast<std::size_t>(ch.t1)];
        return {ch.t1, s, m_slots.price[static_cast<std::size_t>(s)] + (v2 - ch.v1) + eps, ch.d1, c};
    }
    // Prices of other tiles only rose since a bid was made, so it still holds
    // as long as its own tile is as it was.
    void apply(const Bid& bid) {
        m_cellDistance[static_cast<std::size_t>(bid.cell)] = bid.distance;
        take(bid.cell, bid.slot, bid.price);
    }
    // The batch's cells' bids, shared out among the threads as they come free.
    void prepareBids(std::int64_t eps) {
        m_bids.resize(m_batch.size());
        std::atomic<int> next{0};
        const int count = static_cast<int>(m_batch.size());
        auto part = [&](int i) {
            Scratch& scratch = m_scratch[static_cast<std::size_t>(i)];
            for (int j; (j = next.fetch_add(1, std::memory_order_relaxed)) < count;) {
                const int p = m_batch[static_cast<std::size_t>(j)];
                if (p < m_n) m_bids[static_cast<std::size_t>(j)] = cellBid(p, eps, scratch);
            }
        };
        if (m_helpers && count > 1) m_helpers->run(part);
        else part(0);
    }

    void bidSpare(int p, std::int64_t eps) {
        const int t = m_spares.bestTile();
        std::int64_t v2 = std::min(m_spares.otherTilesValue(), m_slots.spareSecond[static_cast<std::size_t>(t)]);
        if (v2 >= kNone) v2 = m_spares.bestValue();
        take(p, m_slots.spareSlot[static_cast<std::size_t>(t)], v2 + eps);
    }

    void take(int person, int s, std::int64_t price) {
        const auto us = static_cast<std::size_t>(s);
        // Every bid raises its slot's price: the lists, bounds and floors rest on it.
        if (price <= m_slots.price[us]) throw std::logic_error("a bid did not raise its slot's price");
        if (const int previous = m_slots.holder[us]; previous >= 0) release(previous);
        m_slots.holder[us] = person;
        m_slots.price[us] = price;
        m_personSlot[static_cast<std::size_t>(person)] = s;
        const int t = m_slots.tileOf[us];
        const std::int64_t was = m_slots.best[static_cast<std::size_t>(t)];
        m_slots.refresh(t);
        if (!m_groupPrice.empty() && m_slots.best[static_cast<std::size_t>(t)] != was) priceRose(t, was);
        if (m_slots.spare(s)) m_spares.set(t, m_slots.spareBest[static_cast<std::size_t>(t)]);
        if (person < m_n) ++m_assignedCells;
        m_takenIn[static_cast<std::size_t>(t)] = m_stamp;
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
                own = ownValue(p);
                least = std::min(fromList(p).v1, m_bound[static_cast<std::size_t>(p)]);
            } else {
                own = price;
                least = m_spares.bestValue();
            }
            if (own > least + eps) release(p);
        }
    }

    // Every cell's slot within 1 of its best over all tiles (and every spare
    // bidder's within 1 of the cheapest spare slot): with distances scaled by
    // slots + 1 that makes the total the least there is. False when stopped.
    bool proofPass(bool& held, const EvenUseHooks& hooks) {
        std::atomic<bool> all{true};
        if (!forEveryCell(m_n, m_stats.phases + 1, hooks, [&](int c, std::vector<TileDistance>&) {
                // Held unless some tile is valued below own - 1.
                thread_local PricedTiles below;
                below.reset(m_m);
                m_cost.pricedPass(c, 0, m_m, pricedPass(c, ownValue(c) - 2), below);
                if (below.count > 0) all = false;
            }))
            return false;
        for (int p = m_n; p < m_persons; ++p)
            if (m_slots.price[static_cast<std::size_t>(m_personSlot[static_cast<std::size_t>(p)])] > m_spares.bestValue() + 1)
                all = false;
        held = all;
        return true;
    }

    // A cell's value of the slot it holds.
    std::int64_t ownValue(int c) const {
        return m_cellDistance[static_cast<std::size_t>(c)] * m_scale +
               m_slots.price[static_cast<std::size_t>(m_personSlot[static_cast<std::size_t>(c)])];
    }
    // Prices within 1 of every holder's best, by the least changes from
    // today's: with d(s) <= 0 for every slot, the holder of s stays within 1
    // of slot s2 when d(s) - d(s2) <= value(s2) - own + 1, a system of
    // difference constraints that shortest paths solve unless the assignment
    // has a cycle that pays. Only slots within a margin of their holder's own
    // value take part: where no d is below minus the margin, the slots left out
    // cannot matter, and otherwise the margin grows to the lowest d. Raises
    // every price (the lowest d to 0), so lists, bounds and floors still hold.
    // False, prices untouched, where it finds none (or was stopped).
    bool refinePrices(std::int64_t eps) {
        // The lowest d came to about 20 epsilon on the bench.
        std::int64_t margin = std::max<std::int64_t>(m_scale, 24 * eps);
        std::vector<std::int64_t> dist;
        for (int attempt = 0;; ++attempt) {
            const std::int64_t lowest = refinedDistances(margin, dist);
            if (lowest == kNone) return false;
            if (-lowest <= margin) {
                for (int s = 0; s < m_slots.count(); ++s) m_slots.price[static_cast<std::size_t>(s)] += dist[static_cast<std::size_t>(s)] - lowest;
                for (int t = 0; t < m_m; ++t) m_slots.refresh(t);
                for (int g = 0; g < m_groups; ++g) refreshGroup(g);
                m_spares = SpareTree(m_slots.spareBest);
                return true;
            }
            if (attempt == kRefineAttempts - 1) return false;
            margin = -lowest + -lowest / 4;
        }
    }

    // The d of refinePrices by slot over the slots within `margin`, and the
    // lowest of them; kNone where there is no solution (or stopped).
    std::int64_t refinedDistances(std::int64_t margin, std::vector<std::int64_t>& dist) {
        const int slotCount = m_slots.count();
        // Every tile a cell values within the margin of its own, from a pass
        // (its list may lack some and its bound be stale).
        std::vector<std::vector<std::uint64_t>> near(static_cast<std::size_t>(m_n));
        if (!forEveryCell(m_n, 0, m_quiet, [&](int c, std::vector<TileDistance>&) {
                thread_local PricedTiles kept;
                kept.reset(m_m);
                m_cost.pricedPass(c, 0, m_m, pricedPass(c, ownValue(c) + margin - 1), kept);
                near[static_cast<std::size_t>(c)].assign(kept.distanceTile.begin(), kept.distanceTile.begin() + kept.count);
            }))
            return kNone;
        // Nodes: the slots, then the tiles (a tile's node stands for its
        // cheapest slot: d(tile) <= d(s2) + price(s2) - best price), then the
        // spare bidders' node, which stands for the cheapest slot open to them:
        // d(spare) <= d(s2) + price(s2) - least, least being the cheapest such
        // slot's price (so that every node starts at 0).
        const int tileNode = slotCount, spare = slotCount + m_m;
        const std::int64_t least = m_spares.bestValue();
        RefinementGraph graph(slotCount + m_m + 1);
        auto arcs = [&](auto&& arc) {
            for (int t = 0; t < m_m; ++t)
                for (int s2 = m_slots.first[static_cast<std::size_t>(t)]; s2 < m_slots.first[static_cast<std::size_t>(t) + 1]; ++s2)
                    arc(s2, tileNode + t, [&] { return m_slots.price[static_cast<std::size_t>(s2)] - m_slots.best[static_cast<std::size_t>(t)]; });
            for (int c = 0; c < m_n; ++c) {
                const int s = m_personSlot[static_cast<std::size_t>(c)];
                const std::int64_t own = ownValue(c);
                for (const std::uint64_t dt : near[static_cast<std::size_t>(c)]) {
                    const int t = PricedTiles::tileOf(dt);
                    arc(tileNode + t, s, [&] { return valueNow(t, PricedTiles::distanceOf(dt)) - own + 1; });
                }
            }
            for (int s = 0; s < slotCount; ++s) {
                if (!m_slots.spare(s)) continue;
                const std::int64_t price = m_slots.price[static_cast<std::size_t>(s)];
                arc(s, spare, [&] { return price - least; });
                if (m_slots.holder[static_cast<std::size_t>(s)] >= m_n) arc(spare, s, [&] { return least + 1 - price; });
            }
        };
        arcs([&](int from, int, auto&&) { graph.countArc(from); });
        graph.allocate();
        arcs([&](int from, int to, auto&& length) { graph.addArc(from, to, length()); });
        std::vector<std::vector<std::uint64_t>>().swap(near);
        graph.sortArcs();
        const bool solved = graph.shortestFromZero(dist, kRefinePops * std::int64_t{slotCount + m_m});
        std::int64_t lowest = 0;
        for (int s = 0; s < slotCount; ++s) lowest = std::min(lowest, dist[static_cast<std::size_t>(s)]);
        return solved ? lowest : kNone;
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
    const EvenUseHooks m_quiet;  // the hooks without progress, for passes within a phase
    AuctionStats& m_stats;
    AuctionOptions m_options;
    int m_n = 0, m_m = 0, m_k = 1, m_persons = 0;
    std::int64_t m_scale = 1;
    Slots m_slots;
    SpareTree m_spares;
    std::vector<int> m_personSlot;
    std::vector<std::int64_t> m_cellDistance;  // of the slot a cell holds
    std::vector<ListEntry> m_list;      // k per cell
    std::vector<std::int64_t> m_bound;  // no tile off the list is cheaper for the cell
    std::vector<int> m_length;          // of each list
    std::vector<int> m_boundTile;       // a tile at the bound, for the next cap, or -1
    // Where passes skip groups of tiles: per group the least price, and the
    // least price + scale * key per key; per tile its keys times scale.
    std::vector<std::int64_t> m_groupPrice, m_groupKeys, m_tileKeys;
    int m_groups = 0;
    std::vector<std::uint32_t> m_floor;  // per cell and group (see PricedPass::groupFloor), or none
    int m_floorShift = 0;
    std::vector<int> m_queue;  // the unassigned, the last released bidding first
    // Bids are made in batches taken from the back of the queue.
    static constexpr int kBatch = 16;
    // Prices are refined after every phase whose epsilon is at most
    // 1/kRefineFrom of a distance unit, in up to kRefineAttempts margins, the
    // shortest paths giving up after kRefinePops times the nodes (a cycle
    // that pays goes on for ever).
    static constexpr int kRefineFrom = 8;
    static constexpr int kRefinePops = 50;
    static constexpr int kRefineAttempts = 3;
    std::vector<int> m_batch;
    std::vector<Bid> m_bids;
    std::vector<unsigned> m_takenIn;  // per tile, the batch that last took a slot of it
    unsigned m_stamp = 0;
    int m_threads = 1;
    std::vector<Scratch> m_scratch;              // per thread
    std::unique_ptr<SpinningHelpers> m_helpers;  // with more than one thread
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
