#pragma once
// The even-use choice of page 11: "&Even tile use" with "every tile before
// repeats" or "at most [K] times". The choices are only enabled while the box is
// ticked, and K only with "at most".

#include <QWidget>

#include "mosaic/EvenTileUse.h"

class QCheckBox;
class QLabel;
class QRadioButton;
class QSpinBox;

namespace tx::gui {

class EvenUseBox : public QWidget {
    Q_OBJECT
public:
    explicit EvenUseBox(QWidget* parent);
    QCheckBox* evenUse;
    QRadioButton* everyTile;
    QRadioButton* atMost;
    QSpinBox* maxUses;
    QLabel* timesLabel;  // buddy of maxUses

    EvenUse value() const;
    // Without signals; `changed` is not sent.
    void setValue(const EvenUse& use);

signals:
    void changed();

private:
    void updateEnabled();
};

}  // namespace tx::gui
