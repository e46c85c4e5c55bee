#pragma once
// The viewer window: "Source Preview" of the planned cell grid, and later the tile viewer.

#include <QDialog>
#include <QSize>

#include "support/Picture.h"

namespace tx::gui {

class Form9 : public QDialog {
    Q_OBJECT
public:
    // The "Preview" mode over `wizard`, modal.
    static void showPreview(QWidget* wizard, const Picture& source, int cellsX, int cellsY, QSize tileSize);
};

// The questions of the "Preview..." button (a very big mosaic, a huge source), unless
// `dontAsk`; a Yes sets `dontAsk`. False when the user said No.
bool confirmPreview(QWidget* parent, int cellsX, int cellsY, QSize sourceSize, bool& dontAsk);

}  // namespace tx::gui
