#pragma once
// The viewer's zoom pointers, drawn at run time: a magnifier with a plus sign
// (zoom in, the usual pointer over the preview) and with a minus sign (while the
// right button is held).

#include <QCursor>

namespace tx::gui {

QCursor zoomInCursor();
QCursor zoomOutCursor();

}  // namespace tx::gui
