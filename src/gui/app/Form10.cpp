#include "app/Form10.h"

namespace tx::gui {

// Placeholder until the preferences window is built.
void Form10::showPreferences(QWidget*) {}

}  // namespace tx::gui
