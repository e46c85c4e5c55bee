#include "app/Form2.h"

namespace tx::gui {

Form2::Form2(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Tesselix"));
    setFixedSize(503, 388);
}

}  // namespace tx::gui
