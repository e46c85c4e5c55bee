#pragma once
// State of the tile viewer without widgets: the page shown, the selected tile and
// the tiles marked for deletion. Marks are file names, kept in the order they were
// made, each once; a marked tile leaves its cell empty (later tiles do not move up)
// and cannot be selected. Nothing here touches the disk.

#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "viewer/TilePages.h"
#include "viewer/ViewerLayout.h"

namespace tx::viewer {

class TileBrowser {
public:
    // `tiles` in tile order (only the first kMaxShownTiles are shown); every cell is
    // tileWidth x tileHeight, laid out in an area designed as areaWidth x areaHeight.
    TileBrowser(QStringList tiles, int tileWidth, int tileHeight, int areaWidth = kAreaWidth,
                int areaHeight = kAreaHeight);

    const TilePageGrid& grid() const { return m_grid; }
    int tileWidth() const { return m_tileWidth; }
    int tileHeight() const { return m_tileHeight; }
    int tileCount() const { return static_cast<int>(m_tiles.size()); }
    const QStringList& tiles() const { return m_tiles; }

    int page() const { return m_page; }
    int lastPage() const { return m_lastPage; }
    bool canGoBack() const { return m_page > 0; }
    bool canGoForward() const { return m_page < m_lastPage; }
    // One page forward or back, ending the selection; false (and no change) at either end.
    bool next();
    bool back();
    QString pageLabel() const { return tilePageLabel(m_page, m_lastPage); }

    // Tile index of every cell of `page`, row by row; -1 for a cell past the last
    // tile or holding a marked tile.
    std::vector<int> pageTiles(int page) const;
    // Indexes of `page` that exist, marked or not (what a page decode loads).
    std::vector<int> pageIndexes(int page) const;

    // Selects the tile under (x, y) of the current page. A press past the last tile,
    // on a marked tile or outside the grid selects nothing. Returns the selection.
    int selectAt(int x, int y);
    int selected() const { return m_selected; }
    void clearSelection() { m_selected = -1; }
    // The cell of the selected tile when it lies on the current page.
    std::optional<TileCell> selectedCell() const;

    // Marks the selected tile for deletion and clears the selection; false when
    // nothing is selected.
    bool markSelected();
    bool isMarked(int index) const;
    const QStringList& marks() const { return m_marks; }

private:
    QStringList m_tiles;
    int m_tileWidth, m_tileHeight;
    TilePageGrid m_grid;
    int m_page = 0;
    int m_lastPage = 0;
    int m_selected = -1;
    QStringList m_marks;
    QSet<QString> m_marked;
};

}  // namespace tx::viewer
