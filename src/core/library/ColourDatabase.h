#pragma once
// The colour database of a library for one scan matrix: for every tile, the colour
// of each cell of a matrX x matrY grid laid over it. Kept in the library folder as
// "<mx>x<my>.txt" (count line, then "red CR green CR blue CR LF" per cell, x
// fastest, then y, then tile) and rebuilt when missing, short, damaged or forced.
//
// How a file was built (greyscale, "Additional Filtering") is recorded beside it in
// "<mx>x<my>.txt.build", together with a digest of the database it describes; a job
// that needs the database built otherwise rebuilds it. A database without a record
// that matches it (older libraries, files written by other programs) is used as it is.
// Only a regular file is read as a database, and never when it is larger than any
// valid database for its count can be.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

#include "support/Picture.h"
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

// Tiles are counted in 16 bits: a larger count is a damaged file.
constexpr int kMaxDatabaseTiles = 32767;

// The largest size in bytes of a valid database for `count` tiles: the count line
// and, per colour value, at most three digits and a two-byte separator.
qint64 maxColourDatabaseSize(qint64 count, int matrX, int matrY);

// Reduces one tile to one pixel per grid cell (optional greyscale, optional
// "Additional Filtering" to 4x the grid, half-tone to 2x, blur, plain draw to 1x)
// and writes matrX * matrY (red, green, blue) triples to out, x fastest. An empty
// picture (a tile that could not be read) gives black.
void measureTile(const Picture& tile, int matrX, int matrY, bool grey, bool filter, std::uint8_t* out);

// The file's bytes for the table's tiles 1..table.tiles.
QByteArray formatColourDatabase(const TileColourTable& table);

// Reads a database file's bytes into the table (tiles 1..min(table.tiles, count);
// the table is sized by the caller). Returns the stored tile count, or -1 when the
// content is damaged: empty, a count or colour field that is not a whole number
// (colours 0..255, count at most kMaxDatabaseTiles), a number of colour values that
// does not match the count, or more bytes than maxColourDatabaseSize allows.
int parseColourDatabase(const QByteArray& data, TileColourTable& table);

// Fills the table for tiles 1..N from the database file, or measures the tiles and
// writes a new file first, with the status texts, progress and time estimate of the
// lookup. Returns false when the task was cancelled (the table is then incomplete).
bool LoadColourDatabase(Task& task, const ColourDatabaseRequest& request, TileColourTable& table);

}  // namespace tx
