#pragma once
// The small vertical bar beside a step field: the upper arrow, Up, Page Up and the
// wheel turned away from the user count up, as on a spin box. A plain vertical
// scroll bar counts down from its upper arrow.
// The bar is no Tab stop of its own: its field is, and Up, Down, Page Up and Page
// Down typed in the field step the bar, as in a spin box.

#include <QScrollBar>

namespace tx::gui {

class StepSpinBar : public QScrollBar {
    Q_OBJECT
public:
    explicit StepSpinBar(QWidget* parent);

    // The arrow keys typed in `field` step this bar.
    void operateFrom(QWidget* field);

protected:
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void mirrorStep(int action);
    QWidget* m_field = nullptr;
};

}  // namespace tx::gui
