#pragma once
// Page assembly: cuts the mosaic into pages of whole tiles within the limits,
// places every tile (resized, greyed, colour-corrected) and saves each page.

#include <QString>
#include <QStringList>
#include <vector>

#include "mosaic/MirroredTiles.h"
#include "mosaic/MosaicJob.h"
#include "mosaic/Plan.h"
#include "mosaic/PreviewLayout.h"
#include "support/Picture.h"
#include "support/SortTable.h"
#include "task/Task.h"

namespace tx {

// How one direction is split: the cells of each page column (or row).
struct PageSplit {
    int pages = 1;
    int perPage = 0;          // ColumnsPerPage / RowsPerPage; 0 with a single page
    std::vector<int> cells;   // cells of page 1..pages
};
// cells across (or down) and the most tiles a page may hold in that direction.
PageSplit splitPages(int cells, int maxPerPage);

// Name of page (px, py): the target itself for a single page, otherwise
// mosaic.jpg -> mosaic1-1.jpg, mosaic.jpeg -> mosaic1-1.jpeg (case ignored).
QString pageFileName(const QString& target, int px, int py, bool multiplePages);

struct PageInput {
    const MosaicJob* job = nullptr;
    QString libraryFolder;        // ends in "/"
    QStringList tiles;            // the tile list; tile t is tiles[t - 1]
    const Plan* plan = nullptr;
    const MirrorPlan* mirrored = nullptr;   // cells whose tile is placed flipped; null: none
    const OrderTable* pageTable = nullptr;  // sorted by tile
    const Picture* cellImage = nullptr;     // kleinevorlage: one pixel per cell
    int maxTilesX = 0;            // tiles per page across and down
    int maxTilesY = 0;
    int alpha = 0;                // colour correction 0..255
    Picture* preview = nullptr;   // vorschau, or null when no preview is drawn
    PreviewFeed* previewFeed = nullptr;  // hands the preview to the host while wanted
    PreviewLayout layout;
    std::size_t tileCacheBytes = 0;  // memory for prepared tiles; 0: the default budget
};

// Assembles and saves every page with the status texts, progress (continuing the
// cell count of the tile choice) and time estimate. Returns false when cancelled.
bool assemblePages(Task& task, const PageInput& input);

}  // namespace tx
