#pragma once
// The web page of a zoomable mosaic: OpenSeadragon from NAME_files/openseadragon,
// the pyramid's description and the plan embedded (a page opened from file:// may
// not load the .dzi), and a line that names the tile under the pointer.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace tx {

struct ZoomableCells {
    int across = 0;
    int down = 0;
    int cellWidth = 0;   // pixels of one cell in the full picture
    int cellHeight = 0;
    QStringList names;            // the tiles' file names
    std::vector<int> tileOfCell;  // row-major, an index into names or -1 for none
    std::vector<bool> mirrored;   // row-major; empty: nothing mirrored
};

// The page for a picture of width x height saved as `htmlPath` (its title is the
// file's base name; tiles and viewer are looked up in the folder filesFolder(htmlPath)).
QByteArray zoomablePageHtml(const QString& htmlPath, int width, int height, const ZoomableCells& cells);

// "folder/NAME.html" -> "folder/NAME_files"; "folder/NAME.dzi" likewise.
QString zoomableFilesFolder(const QString& path);
// "folder/NAME.html" -> "folder/NAME.dzi".
QString zoomableDziPath(const QString& htmlPath);

}  // namespace tx
