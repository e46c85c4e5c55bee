#pragma once
// The colour database of a library for one scan matrix: for every tile, the colour
// of each cell of a matrX x matrY grid laid over it. Kept in the library folder as
// "<mx>x<my>.txt" (count line, then "red CR green CR blue CR LF" per cell, x
// fastest, then y, then tile) and rebuilt when missing, short, damaged or forced.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

#include "task/Task.h"

namespace tx {

// Colours of tiles 1..tiles, each matrX x matrY cells of (red, green, blue) bytes.
struct TileColourTable {
    int tiles = 0;
    int matrX = 1;
    int matrY = 1;
    std::vector<std::uint8_t> values;  // ((t - 1) * matrY + y) * matrX + x, times 3

    void reset(int tileCount, int mx, int my) {
        tiles = tileCount;
        matrX = mx;
        matrY = my;
        values.assign(static_cast<std::size_t>(tileCount) * mx * my * 3, 0);
    }
    std::uint8_t* cell(int t, int x, int y) {
        return values.data() + ((static_cast<std::size_t>(t - 1) * matrY + y) * matrX + x) * 3;
    }
    const std::uint8_t* cell(int t, int x, int y) const {
        return values.data() + ((static_cast<std::size_t>(t - 1) * matrY + y) * matrX + x) * 3;
    }
    // All cells of tile t, matrX * matrY * 3 bytes.
    const std::uint8_t* tile(int t) const { return cell(t, 0, 0); }
};

struct ColourDatabaseRequest {
    QString libraryFolder;
    QStringList tiles;       // the library's tile list (tileList())
    int tileCount = 0;       // N: tiles 1..N are needed
    int matrX = 3;
    int matrY = 3;
    bool force = false;      // rebuild even when a valid file exists
    bool greyscale = false;  // measure the tiles in grey
    bool filter = true;      // "Additional Filtering": reduce to 4x the grid first
};

// Fills the table for tiles 1..N from the database file, or measures the tiles and
// writes a new file first, with the status texts, progress and time estimate of the
// lookup. Returns false when the task was cancelled (the table is then incomplete).
bool LoadColourDatabase(Task& task, const ColourDatabaseRequest& request, TileColourTable& table);

}  // namespace tx
