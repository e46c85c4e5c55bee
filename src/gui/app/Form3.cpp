#include "app/Form3.h"

namespace tx::gui {

// Placeholder until the About box is built.
void Form3::showAbout(QWidget*, bool) {}

}  // namespace tx::gui
