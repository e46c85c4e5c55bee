#include "viewer/ViewerWindow.h"

#include "app/FontScale.h"

#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>

#include "app/MessageBoxes.h"
#include "support/SettingsSchema.h"
#include "viewer/CellPicture.h"
#include "viewer/MagnifierCursors.h"
#include "viewer/PreviewQuestions.h"
#include "viewer/TileView.h"
#include "viewer/ViewerLayout.h"

namespace tx::gui {

namespace {

viewer::MouseButton buttonOf(Qt::MouseButton b) {
    switch (b) {
    case Qt::LeftButton:
        return viewer::MouseButton::Left;
    case Qt::RightButton:
        return viewer::MouseButton::Right;
    default:
        return viewer::MouseButton::Other;
    }
}

QRgb qtColour(Colour c) { return qRgb(redOf(c), greenOf(c), blueOf(c)); }

}  // namespace

ViewerWindow::ViewerWindow(const Picture& source, int cellsX, int cellsY, QSize tileSize, QWidget* parent)
    : QDialog(parent),
      m_cells(viewer::previewCellPicture(source, cellsX, cellsY)),
      m_geometry(cellsX, cellsY, viewer::previewAspect(cellsX, cellsY, tileSize.width(), tileSize.height()),
                 viewer::kAreaWidth, viewer::kAreaHeight),
      m_buffer(viewer::kAreaWidth, viewer::kAreaHeight, QImage::Format_RGB32) {
    setObjectName(QStringLiteral("Form9"));
    setWindowTitle(QStringLiteral("Source Preview"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    const int stripHeight = scaled(viewer::kStripHeight, font());
    const viewer::WindowSize size = viewer::viewerClientSize(viewer::kAreaWidth, viewer::kAreaHeight,
                                                             scaled(viewer::kStripWidth, font()), stripHeight);
    setFixedSize(size.width, size.height);
    const int stripTop = size.height - stripHeight - 1;

    m_area = new QLabel(this);
    m_area->setObjectName(QStringLiteral("bildschirm"));
    // A strip wider than the area (a large font) widens the window; the area stays in the middle.
    m_area->setGeometry((size.width - viewer::kAreaWidth) / 2, viewer::kAreaTop, viewer::kAreaWidth,
                        viewer::kAreaHeight);
    m_area->setAccessibleName(QStringLiteral("Source Preview"));
    m_area->setAccessibleDescription(
        QStringLiteral("Left click zooms in on the cell, right click zooms out"));
    m_area->setCursor(zoomInCursor());
    m_area->installEventFilter(this);

    m_lines = new QCheckBox(QStringLiteral("Show &lines"), this);
    m_lines->setObjectName(QStringLiteral("Check1"));
    m_lines->setAccessibleName(QStringLiteral("Show lines"));
    m_lines->adjustSize();
    m_lines->move(scaled(12, font()), stripTop + (stripHeight - m_lines->height()) / 2);
    m_lines->setChecked(settingBool(Setting::Lines));

    m_close = new QPushButton(QStringLiteral("&Close"), this);
    m_close->setObjectName(QStringLiteral("Command1"));
    m_close->setAccessibleName(QStringLiteral("Close"));
    const QRect close = scaled(QRect(164, 4, 81, 23), font());
    m_close->setGeometry((size.width - close.width()) / 2, stripTop + close.y(), close.width(), close.height());
    // Escape closes through reject(), the same way as the button.
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_lines, &QCheckBox::toggled, this, [this] { drawPreview(); });
    setTabOrder(m_lines, m_close);

    drawPreview();
}

void ViewerWindow::showPreview(QWidget* wizard, const Picture& source, int cellsX, int cellsY, QSize tileSize) {
    if (cellsX < 1 || cellsY < 1) return;
    ViewerWindow window(source, cellsX, cellsY, tileSize, wizard);
    window.exec();
}

void ViewerWindow::done(int result) {
    setSettingBool(Setting::Lines, m_lines->isChecked());
    QDialog::done(result);
}

bool ViewerWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_area) return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress) {
        if (static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) m_area->setCursor(zoomOutCursor());
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint at = mouse->position().toPoint();
        if (m_geometry.zoomAt(at.x(), at.y(), buttonOf(mouse->button()))) drawPreview();
        m_area->setCursor(zoomInCursor());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// Composes the whole area in the buffer first, so it never shows a half-drawn state.
void ViewerWindow::drawPreview() {
    m_buffer.fill(palette().color(QPalette::Window));
    const std::vector<int> cols = m_geometry.columnCells();
    const std::vector<int> rows = m_geometry.rowCells();
    const int w = m_buffer.width(), h = m_buffer.height();
    if (!m_cells.isEmpty()) {
        for (int y = 0; y < h; ++y) {
            const int row = rows[static_cast<std::size_t>(y)];
            if (row < 0) continue;
            auto* line = reinterpret_cast<QRgb*>(m_buffer.scanLine(y));
            for (int x = 0; x < w; ++x) {
                const int col = cols[static_cast<std::size_t>(x)];
                if (col >= 0) line[x] = qtColour(m_cells.pixel(col, row));
            }
        }
    }
    if (m_lines->isChecked()) {
        const QRgb black = qRgb(0, 0, 0);
        for (const viewer::GridLine& l : m_geometry.horizontalLines()) {
            if (l.position >= h) continue;
            auto* line = reinterpret_cast<QRgb*>(m_buffer.scanLine(static_cast<int>(l.position)));
            for (auto x = l.from; x < l.to; ++x) line[x] = black;
        }
        for (const viewer::GridLine& l : m_geometry.verticalLines()) {
            if (l.position >= w) continue;
            for (auto y = l.from; y < l.to; ++y)
                reinterpret_cast<QRgb*>(m_buffer.scanLine(static_cast<int>(y)))[l.position] = black;
        }
    }
    m_area->setPixmap(QPixmap::fromImage(m_buffer));
}

bool confirmPreview(QWidget* parent, int cellsX, int cellsY, QSize sourceSize, bool& dontAsk) {
    if (dontAsk) return true;
    for (const viewer::PreviewQuestion q :
         viewer::previewQuestions(cellsX, cellsY, sourceSize.width(), sourceSize.height())) {
        if (showMessageBox(parent, MessageIcon::Critical, QString(viewer::previewQuestionText(q)),
                           MessageButtons::YesNo) != MessageAnswer::Yes)
            return false;
        dontAsk = true;
    }
    return true;
}

QStringList ViewerWindow::showTiles(QWidget* wizard, const QString& libraryFolder) {
    TileViewer window(libraryFolder, wizard);
    window.exec();
    return window.deletedTiles();
}

}  // namespace tx::gui
