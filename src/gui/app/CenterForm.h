#pragma once
// Centring one window over another.

class QWidget;

namespace tx::gui {

// Moves `window` so that it is centred over `reference`:
// left = Int((reference width - window width) / 2) + reference left, top likewise.
void CenterForm(QWidget* window, const QWidget* reference);

}  // namespace tx::gui
