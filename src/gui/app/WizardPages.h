#pragma once
// The wizard's page panels: the welcome page and the four pages of the mosaic branch.
// Each page only builds its controls (object names are what the other windows and
// the tests know them by); WizardWindow wires them.

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QSlider;

namespace tx::gui {

class EvenUseBox;

// Top of the page content below the header band.
inline constexpr int kHeaderHeight = 56;

// Page 0: the choice of branch.
class WelcomePage : public QWidget {
    Q_OBJECT
public:
    explicit WelcomePage(QWidget* parent);
    QLabel* Image1;
    QRadioButton* Option1;
    QRadioButton* Option2;
    QRadioButton* Option3;
    QLabel* link[2];  // Label44, over the artwork

signals:
    void linkClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Page 1: source image, tile library, cells, tiles used.
class SourcePage : public QWidget {
    Q_OBJECT
public:
    explicit SourcePage(QWidget* parent);
    QComboBox* photo_source;
    QPushButton* br1;
    QComboBox* Combo1;
    QLabel* tile_preview;
    QLineEdit* CellsX;
    QLineEdit* CellsY;
    QCheckBox* Check9;
    QCheckBox* Check2;
    QPushButton* Command9;
    QCheckBox* Check6;
    QLineEdit* number;
    QCheckBox* force;
};

// Page 11: scan matrix, distance, rendering order, filter.
class ScanPage : public QWidget {
    Q_OBJECT
public:
    explicit ScanPage(QWidget* parent);
    QLineEdit* matrX;
    QScrollBar* VScroll3;
    QLineEdit* matrY;
    QScrollBar* VScroll2;
    QCheckBox* Check8;
    QLabel* Picture16;
    QLabel* Picture17;
    QSlider* Slider3;
    QLabel* Label8;
    QRadioButton* render_norm;
    QRadioButton* render_smart;
    QLabel* Picture3;
    QCheckBox* filter;
    QLabel* matchingNote;  // under the scan-matrix preview while matching is perceptual
    EvenUseBox* evenUse;
    QLabel* evenNote;  // beside the render-order preview: what even use will do
};

// Page 12: greyscale, saturation and brightness of the source.
class AdjustPage : public QWidget {
    Q_OBJECT
public:
    explicit AdjustPage(QWidget* parent);
    QCheckBox* grey;
    QSlider* Slider1;
    QLabel* Label42;
    QSlider* Slider4;
    QLabel* Label48;
    QWidget* Picture19;  // frame
    QLabel* Picture21;   // the adjusted source, centred in the frame
    QCheckBox* perceptual;  // CIELAB colour matching
    QCheckBox* mirror;      // tiles also placed mirrored
};

// Page 13: colour correction, tile size, output size, resolution, target file.
class OutputPage : public QWidget {
    Q_OBJECT
public:
    explicit OutputPage(QWidget* parent);
    QSlider* Slider2;
    QLabel* Label27;
    QLabel* Picture12;
    QLabel* Picture13;
    QLabel* Picture10;
    QCheckBox* Check5;
    QCheckBox* Check11;
    QLineEdit* breite;
    QLineEdit* hoehe;  // object name "höhe"
    QLineEdit* breite_ges;
    QLineEdit* hoehe_ges;  // object name "höhe_ges"
    QComboBox* Combo4;
    QComboBox* Combo5;
    QLineEdit* photo_target;
    QPushButton* Command1;
};

// A label for `buddy` whose text, without "&" and a trailing ":", names the buddy
// for screen readers.
QLabel* makeBuddyLabel(QWidget* parent, const char* objectName, const QString& text, QWidget* buddy);

}  // namespace tx::gui
