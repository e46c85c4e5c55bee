#pragma once
// The demo: a tile library "Demo" that the program draws itself (flat colours,
// gradients, shapes and patterns over the whole range of hue and brightness) and a
// colourful landscape to turn into a mosaic. Everything is drawn deterministically,
// so every installation makes the same demo.
//
// Error rules: the ensure* functions write nothing over existing work (a library
// that already holds tiles, a picture that exists) and never leave a half-made
// library or picture behind; they return false with a short reason in *error.

#include <QString>

#include "support/Picture.h"

namespace tx {

inline constexpr int kDemoTileCount = 320;
inline constexpr int kDemoTileSize = 64;
inline constexpr int kDemoPictureWidth = 1200;
inline constexpr int kDemoPictureHeight = 900;

QString demoLibraryName();   // "Demo"
QString demoFolder();        // <home>/demo/
QString demoSourcePath();    // <home>/demo/demo-source.jpg
QString demoMosaicPath();    // <home>/demo/demo-mosaic.jpg

// Tile `index` (0-based) of the demo library.
Picture drawDemoTile(int index, int size = kDemoTileSize);
// The demo picture: a lake under mountains at sunset, with a meadow in front.
Picture drawDemoPicture(int width = kDemoPictureWidth, int height = kDemoPictureHeight);

// Makes <tilesRoot>/Demo/ with kDemoTileCount JPEG tiles (1.jpg, 2.jpg, ...) unless
// it already holds tiles.
bool ensureDemoLibrary(QString* error = nullptr);
// Writes the demo picture as a JPEG at `path` unless that file exists.
bool ensureDemoPicture(const QString& path, QString* error = nullptr);

}  // namespace tx
