#include "viewer/CellPicture.h"

#include "support/Effects.h"

namespace tx::viewer {

Picture previewCellPicture(const Picture& source, int cellsX, int cellsY) {
    if (cellsX < 1 || cellsY < 1 || source.isEmpty()) return {};
    try {
        Picture doubled = stretchPlain(source, 2 * cellsX, 2 * cellsY);
        FoxBlur(doubled);
        return stretchPlain(doubled, cellsX, cellsY);
    } catch (const PictureTooLarge&) {
        return {};
    }
}

}  // namespace tx::viewer
