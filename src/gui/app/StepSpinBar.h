#pragma once
// The small vertical bar beside a step field: the upper arrow, Up, Page Up and the
// wheel turned away from the user count up, as on a spin box. A plain vertical
// scroll bar counts down from its upper arrow.

#include <QScrollBar>

namespace tx::gui {

class StepSpinBar : public QScrollBar {
    Q_OBJECT
public:
    explicit StepSpinBar(QWidget* parent);

protected:
    void wheelEvent(QWheelEvent* event) override;

private:
    void mirrorStep(int action);
};

}  // namespace tx::gui
