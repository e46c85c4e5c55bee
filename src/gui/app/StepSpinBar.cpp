#include "app/StepSpinBar.h"

#include <QKeyEvent>
#include <QWheelEvent>
#include <algorithm>

namespace tx::gui {

StepSpinBar::StepSpinBar(QWidget* parent) : QScrollBar(Qt::Vertical, parent) {
    setInvertedAppearance(true);  // the handle rises with the value
    setInvertedControls(true);
    connect(this, &QAbstractSlider::actionTriggered, this, &StepSpinBar::mirrorStep);
}

// The arrows, the keys and the groove all step through these actions; each is
// mirrored about the value before it is applied.
void StepSpinBar::mirrorStep(int action) {
    switch (action) {
    case SliderSingleStepAdd:
    case SliderSingleStepSub:
    case SliderPageStepAdd:
    case SliderPageStepSub:
        setSliderPosition(std::clamp(2 * value() - sliderPosition(), minimum(), maximum()));
        break;
    default:
        break;
    }
}

void StepSpinBar::operateFrom(QWidget* field) {
    m_field = field;
    field->installEventFilter(this);
}

bool StepSpinBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_field && event->type() == QEvent::KeyPress && isEnabled()) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            if (key->modifiers() & ~Qt::KeypadModifier) break;
            keyPressEvent(key);
            return true;
        default:
            break;
        }
    }
    return QScrollBar::eventFilter(watched, event);
}

void StepSpinBar::wheelEvent(QWheelEvent* event) {
    setInvertedControls(false);
    QScrollBar::wheelEvent(event);
    setInvertedControls(true);
}

}  // namespace tx::gui
