#include "mosaic/ZoomablePageWriter.h"

#include <QFile>
#include <QFileInfo>

#include "mosaic/ZoomViewer.h"
#include "support/FileHelpers.h"

namespace tx {

ZoomablePageWriter::ZoomablePageWriter(QString htmlPath, int quality, QString viewerFolder, ZoomableCells cells)
    : m_htmlPath(std::move(htmlPath)), m_viewer(std::move(viewerFolder)), m_cells(std::move(cells)),
      m_pyramid(zoomableDziPath(m_htmlPath), quality) {}

ZoomablePageWriter::~ZoomablePageWriter() { cancel(); }

bool ZoomablePageWriter::begin(int width, int height) {
    if (m_viewer.isEmpty()) return fail(QStringLiteral("the viewer OpenSeadragon is missing"));
    if (!m_pyramid.begin(width, height)) return fail(m_pyramid.error());
    QString problem;
    if (!copyZoomViewer(m_viewer, m_pyramid.stagingFolder() + QStringLiteral("/openseadragon"), &problem)) {
        m_pyramid.cancel();
        return fail(problem);
    }
    m_width = width;
    m_height = height;
    return true;
}

bool ZoomablePageWriter::write(const Picture& strip) { return m_pyramid.write(strip) || fail(m_pyramid.error()); }

bool ZoomablePageWriter::finish() {
    if (!m_error.isEmpty()) return false;
    // The page is written before the pyramid is renamed into place, and renamed
    // itself last: a page never shows without its tiles.
    AtomicFile page(m_htmlPath, LinkPolicy::FollowToRegularFile);
    const QByteArray html = zoomablePageHtml(m_htmlPath, m_width, m_height, m_cells);
    if (!page.open() || !page.write(html.constData(), html.size())) return fail(page.errorString());
    if (!m_pyramid.finish()) return fail(m_pyramid.error());
    if (!page.commit()) {
        // Without its page the pyramid is of no use: nothing half-made stays.
        DeleteFolder(zoomableFilesFolder(m_htmlPath));
        QFile::remove(zoomableDziPath(m_htmlPath));
        return fail(page.errorString());
    }
    return true;
}

void ZoomablePageWriter::cancel() { m_pyramid.cancel(); }

}  // namespace tx
