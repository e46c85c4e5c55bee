#include "viewer/TileView.h"

#include "app/FontScale.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QUrl>

#include "app/ExternalLinks.h"
#include "app/MessageBoxes.h"
#include "app/WizardPictures.h"
#include "library/TileLibrary.h"
#include "support/FileHelpers.h"
#include "support/PictureFile.h"
#include "viewer/DeleteTiles.h"
#include "viewer/TilePictures.h"
#include "viewer/ViewerLayout.h"

namespace tx::gui {

namespace {

// Decoded pages kept around the shown one, and how far ahead pages are decoded.
constexpr int kKeptPages = 5;
constexpr int kAheadPages = 1;
// Tile size when no tile of the library can be read: the cells still show crosses.
constexpr int kFallbackTileSize = 32;

Colour colourOf(const QColor& c) { return rgb(c.red(), c.green(), c.blue()); }

QPushButton* stripButton(const QString& caption, const QString& name, int x, QWidget* strip) {
    auto* b = new QPushButton(caption, strip);
    b->setObjectName(name);
    b->setGeometry(scaled(QRect(x, 4, 83, 23), strip->font()));
    QString accessible = caption;
    b->setAccessibleName(accessible.remove(QLatin1Char('&')).remove(QLatin1Char('<')).remove(QLatin1Char('>')).trimmed());
    return b;
}

}  // namespace

viewer::TileBrowser TileViewer::openLibrary(const QString& folder) {
    if (folder.isEmpty()) return viewer::TileBrowser({}, kFallbackTileSize, kFallbackTileSize);
    QStringList tiles = tileList(folder);
    const QSize size = libraryTileSize(folder, tiles).value_or(QSize(kFallbackTileSize, kFallbackTileSize));
    return viewer::TileBrowser(std::move(tiles), size.width(), size.height());
}

TileViewer::TileViewer(const QString& libraryFolder, QWidget* parent)
    : QDialog(parent), m_folder(libraryFolder), m_browser(openLibrary(libraryFolder)) {
    m_hasTiles = !m_folder.isEmpty() && m_browser.tileCount() > 0;
    m_pool.setMaxThreadCount(2);
    buildControls();
    showPage();
}

TileViewer::~TileViewer() {
    m_stop->store(true);
    m_pool.waitForDone();
}

void TileViewer::buildControls() {
    setObjectName(QStringLiteral("Form9"));
    const QString name = QFileInfo(QDir::cleanPath(m_folder)).fileName();
    setWindowTitle(m_folder.isEmpty() ? QStringLiteral("Tiles") : QStringLiteral("Tiles of '%1'").arg(name));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    const int areaWidth = m_hasTiles ? m_browser.grid().areaWidth : viewer::kAreaWidth;
    const int areaHeight = m_hasTiles ? m_browser.grid().areaHeight : viewer::kAreaHeight;
    const int stripWidth = scaled(viewer::kStripWidth, font());
    const int stripHeight = scaled(viewer::kStripHeight, font());
    const viewer::WindowSize size = viewer::viewerClientSize(areaWidth, areaHeight, stripWidth, stripHeight);
    setFixedSize(size.width, size.height);

    m_area = new QLabel(this);
    m_area->setObjectName(QStringLiteral("bildschirm"));
    // A strip wider than the area (a large font) widens the window; the area stays in the middle.
    m_area->setGeometry((size.width - areaWidth) / 2, viewer::kAreaTop, areaWidth, areaHeight);
    m_area->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_area->setAccessibleName(QStringLiteral("Tiles"));
    m_area->setAccessibleDescription(
        QStringLiteral("Click selects a tile, double click opens it, Delete marks it for deletion"));
    m_area->setFocusPolicy(Qt::ClickFocus);
    m_area->installEventFilter(this);
    m_area->setVisible(m_hasTiles);

    m_magnifier = new QLabel(m_area);
    m_magnifier->setObjectName(QStringLiteral("Image1"));
    // presses go to the tile underneath
    m_magnifier->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_magnifier->hide();

    m_strip = new QWidget(this);
    m_strip->setObjectName(QStringLiteral("editbtns"));
    m_strip->setGeometry((size.width - stripWidth) / 2, size.height - stripHeight - 1, stripWidth, stripHeight);
    m_ok = stripButton(QStringLiteral("&OK"), QStringLiteral("Command2"), 0, m_strip);
    m_ok->setDefault(true);
    m_cancel = stripButton(QStringLiteral("&Cancel"), QStringLiteral("Command3"), 83, m_strip);
    m_indicator = new QLabel(QStringLiteral("1/1"), m_strip);
    m_indicator->setObjectName(QStringLiteral("Label2"));
    m_indicator->setGeometry(scaled(QRect(168, 6, 62, 21), font()));
    m_indicator->setAccessibleDescription(QStringLiteral("Page"));  // the name is the text itself
    m_back = stripButton(QStringLiteral("< &Back"), QStringLiteral("Command5"), 233, m_strip);
    m_next = stripButton(QStringLiteral("&Next >"), QStringLiteral("Command4"), 316, m_strip);
    m_back->setEnabled(false);
    m_next->setEnabled(false);
    setTabOrder(m_ok, m_cancel);
    setTabOrder(m_cancel, m_back);
    setTabOrder(m_back, m_next);

    connect(m_ok, &QPushButton::clicked, this, &TileViewer::acceptDeletions);
    // Escape rejects the same way: the marks are dropped, no file is touched
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_next, &QPushButton::clicked, this, [this] {
        if (m_browser.next()) showPage();
    });
    connect(m_back, &QPushButton::clicked, this, [this] {
        if (m_browser.back()) showPage();
    });

    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("popupmnu"));
    QAction* open = m_menu->addAction(QStringLiteral("Open in graphic &editor..."));
    open->setObjectName(QStringLiteral("reloadmnu"));
    m_menu->addSeparator()->setObjectName(QStringLiteral("linemnu"));
    QAction* remove = m_menu->addAction(QStringLiteral("&Delete Tile..."));
    remove->setObjectName(QStringLiteral("deletetilemnu"));
    connect(open, &QAction::triggered, this, &TileViewer::openSelected);
    connect(remove, &QAction::triggered, this, &TileViewer::deleteSelected);
}

// Shows the current page: at once when it is decoded, otherwise once it is.
void TileViewer::showPage() {
    if (!m_hasTiles) {
        m_back->setEnabled(false);
        m_next->setEnabled(false);
        return;
    }
    hideMagnifier();
    // A tile edited meanwhile (say in the graphic editor) is read again.
    if (pageChangedOnDisk(m_browser.page())) m_pages.erase(m_browser.page());
    if (m_pages.count(m_browser.page())) {
        present();
        return;
    }
    m_indicator->setText(QStringLiteral("Loading..."));
    m_area->setEnabled(false);
    m_back->setEnabled(false);
    m_next->setEnabled(false);
    m_waiting = true;
    requestPage(m_browser.page());
}

void TileViewer::present() {
    const int page = m_browser.page();
    const std::vector<int> indexes = m_browser.pageTiles(page);
    std::vector<viewer::PageCell> cells(indexes.size());
    for (std::size_t n = 0; n < indexes.size(); ++n) {
        if (indexes[n] < 0) continue;
        const Picture* tile = cachedTile(indexes[n]);
        cells[n] = tile && !tile->isEmpty() ? viewer::PageCell{viewer::PageCell::Kind::Tile, tile}
                                            : viewer::PageCell{viewer::PageCell::Kind::Unreadable, nullptr};
    }
    m_buffer = toImage(viewer::composeTilePage(m_browser.grid(), m_browser.tileWidth(), m_browser.tileHeight(), cells,
                                               colourOf(palette().color(QPalette::Window))));
    m_area->setPixmap(QPixmap::fromImage(m_buffer));
    hideMagnifier();
    m_indicator->setText(m_browser.pageLabel());
    m_area->setEnabled(true);
    m_next->setEnabled(m_browser.canGoForward());
    m_back->setEnabled(m_browser.canGoBack());
    m_waiting = false;
    keepPagesNear(page);
    emit pageShown(page);
}

void TileViewer::requestPage(int page) {
    if (page < 0 || page > m_browser.lastPage() || m_pages.count(page) || m_decoding.count(page)) return;
    m_decoding.insert(page);
    QStringList paths;
    const QString base = AddBackslash(m_folder);
    for (const int index : m_browser.pageIndexes(page)) paths.append(base + m_browser.tiles()[index]);
    const std::shared_ptr<std::atomic<bool>> stop = m_stop;
    m_pool.start([this, page, paths = std::move(paths), stop] {
        auto pictures = std::make_shared<TilePictures>();
        pictures->tiles.resize(static_cast<std::size_t>(paths.size()));
        for (qsizetype i = 0; i < paths.size(); ++i) {
            if (stop->load()) return;
            const auto n = static_cast<std::size_t>(i);
            pictures->stamps.push_back(fileStamp(paths[i]));
            // an unreadable tile stays empty and shows as a cross
            if (!loadPicture(paths[i], pictures->tiles[n])) pictures->tiles[n] = Picture();
        }
        // the destructor waits for this task, so the window is still there
        QMetaObject::invokeMethod(this, [this, page, pictures] { pageDecoded(page, pictures); }, Qt::QueuedConnection);
    });
}

void TileViewer::pageDecoded(int page, std::shared_ptr<TilePictures> pictures) {
    m_decoding.erase(page);
    m_pages[page] = std::move(pictures);
    if (m_waiting && page == m_browser.page()) present();
}

// Decodes the neighbours ahead of need and forgets pages far from `page`.
void TileViewer::keepPagesNear(int page) {
    for (int d = 1; d <= kAheadPages; ++d) {
        requestPage(page + d);
        requestPage(page - d);
    }
    while (static_cast<int>(m_pages.size()) > kKeptPages) {
        auto farthest = m_pages.begin();
        for (auto it = m_pages.begin(); it != m_pages.end(); ++it)
            if (std::abs(it->first - page) > std::abs(farthest->first - page)) farthest = it;
        m_pages.erase(farthest);
    }
}

bool TileViewer::pageChangedOnDisk(int page) const {
    const auto it = m_pages.find(page);
    if (it == m_pages.end()) return false;
    const std::vector<int> indexes = m_browser.pageIndexes(page);
    const QString base = AddBackslash(m_folder);
    for (std::size_t n = 0; n < indexes.size() && n < it->second->stamps.size(); ++n)
        if (fileStamp(base + m_browser.tiles()[indexes[n]]) != it->second->stamps[n]) return true;
    return false;
}

const Picture* TileViewer::cachedTile(int index) const {
    const int perPage = m_browser.grid().tilesPerPage;
    if (index < 0 || perPage <= 0) return nullptr;
    const auto it = m_pages.find(index / perPage);
    if (it == m_pages.end()) return nullptr;
    const auto n = static_cast<std::size_t>(index % perPage);
    return n < it->second->tiles.size() ? &it->second->tiles[n] : nullptr;
}

void TileViewer::selectAt(const QPoint& at) {
    hideMagnifier();
    const int index = m_browser.selectAt(at.x(), at.y());
    const std::optional<viewer::TileCell> cell = m_browser.selectedCell();
    if (index < 0 || !cell) return;

    const int w = m_browser.tileWidth(), h = m_browser.tileHeight();
    Picture loaded;
    const Picture* tile = cachedTile(index);
    if (!tile) {
        loadPicture(AddBackslash(m_folder) + m_browser.tiles()[index], loaded);
        tile = &loaded;
    }
    const Picture copy = viewer::magnifiedTile(*tile, w, h, colourOf(palette().color(QPalette::Highlight)),
                                               colourOf(palette().color(QPalette::Window)));
    const viewer::MagnifierPlace place = viewer::magnifierPlace(m_browser.grid(), *cell, w, h);
    m_magnifier->setPixmap(toPixmap(copy));
    m_magnifier->setGeometry(place.left, place.top, place.width, place.height);
    m_magnifier->show();
}

void TileViewer::hideMagnifier() { m_magnifier->hide(); }

void TileViewer::clearSelection() {
    m_browser.clearSelection();
    hideMagnifier();
}

void TileViewer::openSelected() {
    const int index = m_browser.selected();
    if (index < 0) return;
    // the outcome is the desktop's; an edited file is read again when its page is shown again
    openWithDesktop(this, QUrl::fromLocalFile(AddBackslash(m_folder) + m_browser.tiles()[index]));
}

void TileViewer::deleteSelected() {
    if (m_browser.selected() < 0) return;
    if (showMessageBox(this, MessageIcon::Question, QStringLiteral("Do you really want to delete this tile?"),
                       MessageButtons::YesNo) != MessageAnswer::Yes)
        return;
    m_browser.markSelected();
    if (m_hasTiles && !m_waiting) present();
}

void TileViewer::acceptDeletions() {
    const viewer::TileDeletion result = viewer::deleteTiles(m_folder, m_browser.marks());
    m_deleted = result.deleted;
    const QString problem = viewer::tileDeletionProblem(result);
    if (!problem.isEmpty()) showMessageBox(this, MessageIcon::Information, problem);
    accept();
}

bool TileViewer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_area) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            selectAt(static_cast<QMouseEvent*>(event)->position().toPoint());
            return true;
        case QEvent::MouseButtonRelease: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::RightButton && m_browser.selected() >= 0)
                m_menu->popup(mouse->globalPosition().toPoint());
            return true;
        }
        case QEvent::MouseButtonDblClick:
            // the second press of a double click selects like the first
            selectAt(static_cast<QMouseEvent*>(event)->position().toPoint());
            openSelected();
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TileViewer::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete) {
        deleteSelected();
        return;
    }
    QDialog::keyPressEvent(event);
}

// Presses on the background, the button strip and the page indicator end up here.
void TileViewer::mousePressEvent(QMouseEvent* event) {
    clearSelection();
    QDialog::mousePressEvent(event);
}

}  // namespace tx::gui
