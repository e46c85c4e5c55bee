#pragma once
// A cell's priced pass over a run of tiles, the inner loop of the even-use
// auction: each tile's value is distance * scale + price[tile]; the pass keeps
// the tiles valued at most a cap and finds the least value above it.

#include <cstdint>
#include <limits>
#include <vector>

namespace tx {

// Larger than any value of a pair (and the price of a tile without uses), with
// room to add distances to it.
inline constexpr std::int64_t kNoValue = std::numeric_limits<std::int64_t>::max() / 4;

// Passes run fastest over whole blocks of this many tiles (from tile 0 on).
inline constexpr int kPricedBlock = 4;
// Tiles g * kPricedGroup .. of a group share bounds of their values, so a pass
// given them can skip a group none of which is kept.
inline constexpr int kPricedGroup = 32;
// Keys of a measure that bound its distances: d(cell, tile) >= key_k(tile) -
// key_k(cell) for every k (PairDistance::tileKeys).
inline constexpr int kGroupKeys = 8;

struct PricedPass {
    std::int64_t scale = 1;
    const std::int64_t* price = nullptr;  // by tile
    std::int64_t cap = -1;                // tiles valued at most this are kept
    // By group: no tile's price in it is lower; and kGroupKeys per group, no
    // tile's price + scale * key_k(tile) lower. With both a pass may skip
    // groups (see PairDistance::skipsGroups); `above` is then a bound no
    // skipped tile is below, with aboveTile -1 where the bound is a group's.
    const std::int64_t* groupPrice = nullptr;
    const std::int64_t* groupKeys = nullptr;
    // By group, the cell's own floors (optional): no value in the group was
    // below floor << floorShift when the pass wrote it. Values only rise, so
    // a pass skips a group whose floor is above the cap, and raises the floors
    // of the groups it sees.
    std::uint32_t* groupFloor = nullptr;
    int floorShift = 0;
};

struct PricedTiles {
    // The kept tiles in tile order: value[i], and distance | tile << 32.
    std::vector<std::int64_t> value;
    std::vector<std::uint64_t> distanceTile;
    int count = 0;
    std::int64_t above = kNoValue;  // the least value above the cap (lowest tile on a tie)
    int aboveTile = -1;

    static std::int32_t distanceOf(std::uint64_t dt) { return static_cast<std::int32_t>(dt & 0xFFFFFFFFu); }
    static std::int32_t tileOf(std::uint64_t dt) { return static_cast<std::int32_t>(dt >> 32); }

    // Empties it with room for a pass over `tiles` tiles (vector stores may
    // write a few entries past the kept ones).
    void reset(int tiles) {
        const auto room = static_cast<std::size_t>(tiles) + 8;
        if (value.size() < room) value.resize(room), distanceTile.resize(room);
        count = 0;
        above = kNoValue;
        aboveTile = -1;
    }
    // One tile, in tile order.
    void offer(int tile, std::int64_t distance, std::int64_t v, std::int64_t cap) {
        if (v <= cap) {
            value[static_cast<std::size_t>(count)] = v;
            distanceTile[static_cast<std::size_t>(count)] =
                static_cast<std::uint32_t>(distance) | std::uint64_t{static_cast<std::uint32_t>(tile)} << 32;
            ++count;
        } else if (v < above) {
            above = v, aboveTile = tile;
        }
    }
};

}  // namespace tx
