#include "viewer/TileBrowser.h"

#include <algorithm>

namespace tx::viewer {

TileBrowser::TileBrowser(QStringList tiles, int tileWidth, int tileHeight, int areaWidth, int areaHeight)
    : m_tiles(std::move(tiles)),
      m_tileWidth(std::max(tileWidth, 1)),
      m_tileHeight(std::max(tileHeight, 1)),
      m_grid(tilePageGrid(areaWidth, areaHeight, m_tileWidth, m_tileHeight)) {
    if (m_tiles.size() > kMaxShownTiles) m_tiles.resize(kMaxShownTiles);
    m_lastPage = lastTilePage(tileCount(), m_grid.tilesPerPage);
}

bool TileBrowser::next() {
    if (!canGoForward()) return false;
    ++m_page;
    m_selected = -1;  // a selection never outlives its tile's page
    return true;
}

bool TileBrowser::back() {
    if (!canGoBack()) return false;
    --m_page;
    m_selected = -1;
    return true;
}

std::vector<int> TileBrowser::pageTiles(int page) const {
    std::vector<int> cells(static_cast<std::size_t>(m_grid.tilesPerPage), -1);
    const int first = page * m_grid.tilesPerPage;
    for (int n = 0; n < m_grid.tilesPerPage; ++n) {
        const int index = first + n;
        if (index >= 0 && index < tileCount() && !isMarked(index)) cells[static_cast<std::size_t>(n)] = index;
    }
    return cells;
}

std::vector<int> TileBrowser::pageIndexes(int page) const {
    std::vector<int> indexes;
    const int first = std::max(page * m_grid.tilesPerPage, 0);
    for (int index = first; index < std::min(first + m_grid.tilesPerPage, tileCount()); ++index)
        indexes.push_back(index);
    return indexes;
}

int TileBrowser::selectAt(int x, int y) {
    m_selected = -1;
    const std::optional<TileCell> cell = tileCellAt(m_grid, x, y, m_tileWidth, m_tileHeight);
    if (!cell) return m_selected;
    const int index = tileIndexOf(m_grid, m_page, *cell);
    if (index >= 0 && index < tileCount() && !isMarked(index)) m_selected = index;
    return m_selected;
}

std::optional<TileCell> TileBrowser::selectedCell() const {
    if (m_selected < 0 || m_grid.tilesPerPage <= 0 || m_selected / m_grid.tilesPerPage != m_page) return std::nullopt;
    const int n = m_selected % m_grid.tilesPerPage;
    return TileCell{n % m_grid.columns, n / m_grid.columns};
}

bool TileBrowser::markSelected() {
    if (m_selected < 0) return false;
    const QString& name = m_tiles[m_selected];
    if (!m_marked.contains(name)) {
        m_marked.insert(name);
        m_marks.append(name);
    }
    m_selected = -1;
    return true;
}

bool TileBrowser::isMarked(int index) const {
    return index >= 0 && index < tileCount() && m_marked.contains(m_tiles[index]);
}

}  // namespace tx::viewer
