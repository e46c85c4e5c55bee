#pragma once
// A look at a mosaic job's intermediate results, for callers that keep them
// (the command line's --plan and --work-dir). Called on the engine's thread; the
// pictures and tables are only valid during the call.

#include <QStringList>

#include "mosaic/EvenTileUse.h"
#include "mosaic/MirroredTiles.h"
#include "mosaic/Plan.h"
#include "support/Picture.h"
#include "support/SortTable.h"

namespace tx {

class MosaicObserver {
public:
    virtual ~MosaicObserver() = default;
    // The scan picture (twice the cells times the matrix), the one-pixel-per-cell
    // picture and, for smart rendering, the detail order of the cells (else null).
    virtual void sourcePrepared(const Picture& /*scan*/, const Picture& /*cells*/, const OrderTable* /*order*/) {}
    // The chosen tile of every cell; tile t is tiles[t - 1].
    virtual void planChosen(const Plan& /*plan*/, const QStringList& /*tiles*/) {}
    // With even tile use, before planChosen: how the assignment was found.
    virtual void evenUseSolved(const EvenUseStats& /*stats*/) {}
    // With mirrored tiles, before planChosen: the cells that got a mirrored tile.
    virtual void mirrorsChosen(const MirrorPlan& /*mirrored*/) {}
};

}  // namespace tx
