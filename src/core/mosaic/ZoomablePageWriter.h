#pragma once
// Writes a zoomable mosaic from strips: NAME.html, NAME.dzi and NAME_files/ (the
// pyramid and, in NAME_files/openseadragon, the viewer with its licence). Like
// every page it is atomic: until finish() succeeds nothing appears under these
// names, and a cancel or a failure leaves none of them behind.

#include <QString>
#include <memory>

#include "mosaic/ZoomablePage.h"
#include "support/AtomicFile.h"
#include "support/DeepZoomWriter.h"
#include "support/StripWriter.h"

namespace tx {

class ZoomablePageWriter : public StripWriter {
public:
    // viewerFolder: the OpenSeadragon copy to take along (empty: missing).
    ZoomablePageWriter(QString htmlPath, int quality, QString viewerFolder, ZoomableCells cells);
    ~ZoomablePageWriter() override;

    bool begin(int width, int height) override;
    bool write(const Picture& strip) override;
    bool finish() override;
    void cancel() override;

private:
    QString m_htmlPath;
    QString m_viewer;
    ZoomableCells m_cells;
    DeepZoomWriter m_pyramid;
    int m_width = 0;
    int m_height = 0;
};

}  // namespace tx
