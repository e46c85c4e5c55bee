#pragma once
// The preferences window: machine limits, JPEG quality, the machine test.

#include <QDialog>

namespace tx::gui {

class Form10 : public QDialog {
    Q_OBJECT
public:
    // Modal over `wizard`; "&OK" validates and writes the settings.
    static void showPreferences(QWidget* wizard);
};

}  // namespace tx::gui
