#pragma once
// The preferences window: machine limits, JPEG quality, the machine test.

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace tx::gui {

class PreferencesDialog : public QDialog {
    Q_OBJECT
public:
    // Modal over `wizard`; "&OK" validates and writes the settings.
    static void showPreferences(QWidget* wizard);

    // Filled from the settings; nothing is written until "&OK" succeeds.
    explicit PreferencesDialog(QWidget* parent = nullptr);

private:
    void checkClicked();
    void qualityChanged(int value);
    void okClicked();
    void autoClicked();

    QCheckBox* m_check = nullptr;     // Check1
    QLineEdit* m_width = nullptr;     // Text1
    QLineEdit* m_height = nullptr;    // Text2
    QPushButton* m_auto = nullptr;    // Command3
    QSlider* m_quality = nullptr;     // Slider1
    QLabel* m_qualityText = nullptr;  // Label5
};

}  // namespace tx::gui
