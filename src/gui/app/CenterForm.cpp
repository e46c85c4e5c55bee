#include "app/CenterForm.h"

#include <QWidget>
#include <cmath>

namespace tx::gui {

void CenterForm(QWidget* window, const QWidget* reference) {
    if (!window || !reference) return;
    const QRect r = reference->frameGeometry();
    const QRect w = window->frameGeometry();
    const int left = static_cast<int>(std::floor((r.width() - w.width()) / 2.0)) + r.left();
    const int top = static_cast<int>(std::floor((r.height() - w.height()) / 2.0)) + r.top();
    window->move(left, top);
}

}  // namespace tx::gui
