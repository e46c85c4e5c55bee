#include "app/StepSpinBar.h"

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

void StepSpinBar::wheelEvent(QWheelEvent* event) {
    setInvertedControls(false);
    QScrollBar::wheelEvent(event);
    setInvertedControls(true);
}

}  // namespace tx::gui
