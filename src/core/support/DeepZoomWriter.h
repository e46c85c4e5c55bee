#pragma once
// A Deep Zoom pyramid (NAME.dzi + NAME_files/LEVEL/COLUMN_ROW.jpg) written from
// strips: the finest level tile row by tile row as the strips arrive, each coarser
// level from the rows of the one above, so memory stays a few tile rows per level
// whatever the picture's size. Everything goes into a temporary folder beside the
// target and is renamed into place by finish(); cancel() removes it.

#include <deque>
#include <vector>

#include "support/DeepZoomGeometry.h"
#include "support/StripWriter.h"

namespace tx {

class DeepZoomWriter : public StripWriter {
public:
    // dziPath: "folder/NAME.dzi"; the tiles go to "folder/NAME_files".
    DeepZoomWriter(QString dziPath, int quality);
    ~DeepZoomWriter() override;

    bool begin(int width, int height) override;
    bool write(const Picture& strip) override;
    bool finish() override;
    void cancel() override;

    // The description the .dzi file holds, for pages that embed it.
    static QString description(int width, int height);
    static QString filesFolder(const QString& dziPath);
    // The folder that becomes filesFolder() on finish(), between begin() and then:
    // a caller may add files of its own to it.
    const QString& stagingFolder() const { return m_temp; }

private:
    struct Level {
        DeepZoomLevel size;
        int firstRow = 0;  // picture row of rows.front()
        std::deque<std::vector<std::uint8_t>> rows;
        std::vector<std::uint8_t> pending;  // an even row waiting for its partner
        bool hasPending = false;
        int nextTileRow = 0;
    };
    bool pushRow(int level, const std::uint8_t* row);
    // One row of the coarser level from two rows of `level` (a missing partner
    // column or row repeats the last one).
    std::vector<std::uint8_t> halve(int level, const std::uint8_t* a, const std::uint8_t* b) const;
    bool emitReadyTiles(int level, bool all);
    bool writeTileRow(int level, int tileRow);

    QString m_dziPath;
    int m_quality;
    QString m_temp;
    std::vector<Level> m_levels;
    int m_width = 0;
    int m_height = 0;
};

}  // namespace tx
