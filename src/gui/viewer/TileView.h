#pragma once
// The viewer window in its "ViewTiles" mode: a library's tiles page by page with
// one-pixel gaps, a magnified copy of the selected tile, opening a tile in the
// desktop's default program, and marking tiles that "&OK" deletes.
//
// Threads: pages are decoded on the window's own thread pool (pictures only, never
// pixmaps) and posted back; the window composes and shows them on its thread. The
// pages next to the shown one are decoded ahead and a few are kept, so paging
// through decoded pages shows at once. The destructor stops and waits for every
// decode, so nothing is posted to a window that is gone.

#include <QDialog>
#include <QImage>
#include <QThreadPool>
#include <atomic>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "support/FileStamp.h"
#include "support/Picture.h"
#include "viewer/TileBrowser.h"

class QLabel;
class QMenu;
class QPushButton;
class QWidget;

namespace tx::gui {

class TileViewer : public QDialog {
    Q_OBJECT
public:
    // The tiles of the library in `libraryFolder`; an empty folder name means no
    // library is chosen.
    explicit TileViewer(const QString& libraryFolder, QWidget* parent = nullptr);
    ~TileViewer() override;

    const viewer::TileBrowser& browser() const { return m_browser; }
    // The composed page the area shows (empty while nothing is shown).
    const QImage& buffer() const { return m_buffer; }
    // What "&OK" deleted and what it could not.
    const QStringList& deletedTiles() const { return m_deleted; }

signals:
    // A page is on screen with its indicator "n/m".
    void pageShown(int page);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    struct TilePictures {
        std::vector<Picture> tiles;    // one per index of a page; empty when unreadable
        std::vector<FileStamp> stamps; // of each file as it was before it was read
    };

    static viewer::TileBrowser openLibrary(const QString& folder);
    void buildControls();
    void showPage();
    void present();
    void requestPage(int page);
    void pageDecoded(int page, std::shared_ptr<TilePictures> pictures);
    void keepPagesNear(int page);
    bool pageChangedOnDisk(int page) const;
    const Picture* cachedTile(int index) const;
    void selectAt(const QPoint& at);
    void hideMagnifier();
    void openSelected();
    void deleteSelected();
    void acceptDeletions();
    void clearSelection();

    QString m_folder;
    viewer::TileBrowser m_browser;
    bool m_hasTiles = false;
    QImage m_buffer;

    std::map<int, std::shared_ptr<TilePictures>> m_pages;  // decoded pages by number
    std::set<int> m_decoding;
    bool m_waiting = false;  // the current page is shown once its decode arrives
    QThreadPool m_pool;
    std::shared_ptr<std::atomic<bool>> m_stop = std::make_shared<std::atomic<bool>>(false);

    QStringList m_deleted;

    QLabel* m_area = nullptr;     // bildschirm
    QLabel* m_magnifier = nullptr;  // Image1
    QWidget* m_strip = nullptr;   // editbtns
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QLabel* m_indicator = nullptr;  // Label2
    QPushButton* m_back = nullptr;
    QPushButton* m_next = nullptr;
    QMenu* m_menu = nullptr;  // popupmnu
};

}  // namespace tx::gui
