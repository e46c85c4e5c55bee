#pragma once
// The viewer window in its "Source Preview" mode: the planned mosaic's cell grid,
// one flat colour per cell, zoomed in with the left button and out with the right
// one on the clicked cell, with optional grid lines (setting "Lines").

#include <QDialog>
#include <QImage>
#include <QSize>

#include "support/Picture.h"
#include "viewer/PreviewGeometry.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace tx::gui {

class ViewerWindow : public QDialog {
    Q_OBJECT
public:
    // The "ViewTiles" mode: the tiles of the library in `libraryFolder`, modal.
    // Returns the tiles that were deleted.
    static QStringList showTiles(QWidget* wizard, const QString& libraryFolder);
    // A preview of cellsX x cellsY cells (at least 1 each) of `source`, for tiles
    // of `tileSize`. The grid-line check box starts from the "Lines" setting.
    ViewerWindow(const Picture& source, int cellsX, int cellsY, QSize tileSize, QWidget* parent = nullptr);

    // The "Preview" mode over `wizard`, modal. Opens nothing for a grid without cells.
    static void showPreview(QWidget* wizard, const Picture& source, int cellsX, int cellsY, QSize tileSize);

    const viewer::PreviewGeometry& geometry() const { return m_geometry; }
    const Picture& cellPicture() const { return m_cells; }
    // The composed picture the area shows.
    const QImage& buffer() const { return m_buffer; }

    // Closing by any way stores the check box as "Lines".
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void drawPreview();

    Picture m_cells;  // one pixel per cell
    viewer::PreviewGeometry m_geometry;
    QImage m_buffer;
    QLabel* m_area = nullptr;  // bildschirm
    QCheckBox* m_lines = nullptr;
    QPushButton* m_close = nullptr;
};

// The questions of the "Preview..." button (a very big mosaic, a huge source), unless
// `dontAsk`; a Yes sets `dontAsk`. False when the user said No.
bool confirmPreview(QWidget* parent, int cellsX, int cellsY, QSize sourceSize, bool& dontAsk);

}  // namespace tx::gui
