#pragma once
// The About box, also the intro splash at start.

#include <QDialog>

namespace tx::gui {

class Form3 : public QDialog {
    Q_OBJECT
public:
    // Modal over `wizard`; as the intro it closes itself after two seconds.
    static void showAbout(QWidget* wizard, bool intro);
};

}  // namespace tx::gui
