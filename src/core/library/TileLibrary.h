#pragma once
// Tile libraries on disk: every sub-folder of <home>/Tiles/ is a library; its tiles
// are the files matching *.bmp, *.jpeg, *.jpg, listed by name without regard to
// case (so 10.bmp comes before 2.bmp). Tile number t (from 1) is entry t - 1.

#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>

namespace tx {

// The names of all libraries (sub-folders of the libraries root), sorted.
QStringList libraryList();
// <tilesRoot>/<name>/
QString libraryFolder(const QString& name);

// File names (no folder) of the library's tiles, in tile-number order.
QStringList tileList(const QString& folder);

// The size of the library's tiles: that of the first of `tiles` (names in `folder`)
// that really decodes, since a header alone can claim any size. Empty when none does.
std::optional<QSize> libraryTileSize(const QString& folder, const QStringList& tiles);

struct LibraryInfo {
    int tileCount = 0;
    int tileWidth = 0;   // from the first listed tile that can be read; 0 when none can
    int tileHeight = 0;
    QString format;      // "bmp", "jpg" or "mixed"; empty for an empty library
};
LibraryInfo libraryInfo(const QString& folder);

// <folder>/<mx>x<my>.txt
QString databasePath(const QString& folder, int matrX, int matrY);
// File names of the library's colour databases ("<mx>x<my>.txt"), sorted by name.
QStringList databaseFiles(const QString& folder);
// Deletes every colour database file ("*x*.txt") of the library and the records of
// how they were built ("*x*.txt.build"); used whenever tiles are deleted, so that no
// database matches tiles by stale positions.
void deleteColourDatabases(const QString& folder);

}  // namespace tx
