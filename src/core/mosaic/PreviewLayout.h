#pragma once
// Where each cell sits in the task window's preview picture.

namespace tx {

struct PreviewLayout {
    int cellWidth = 0;   // PreviewCellWidth
    int cellHeight = 0;  // PreviewCellHeight
    int offsetX = 0;     // PreviewOffsetX
    int offsetY = 0;     // PreviewOffsetY
};

}  // namespace tx
