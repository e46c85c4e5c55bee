#pragma once
// The wizard, the program's start window: the welcome page, the mosaic branch
// (source and library, scan matrix, source adjustments, output), the launch of the
// mosaic job, the recent source pictures and the quit question.
//
// The options live in the controls, as the engine always read them; "&Render!"
// copies them into a MosaicJob. The size fields recompute each other through the
// core's size arithmetic, with one re-entrancy guard so that a recomputation's own
// writes do not recompute in turn.

#include <QSize>
#include <QStringList>
#include <QWidget>
#include <functional>

#include "support/Picture.h"
#include "support/SettingsSchema.h"
#include "task/JobResult.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace tx::gui {

class WelcomePage;
class SourcePage;
class NewLibraryPage;
class EditLibraryPage;
class ScanPage;
class AdjustPage;
class OutputPage;

class WizardWindow : public QWidget {
    Q_OBJECT
public:
    explicit WizardWindow(QWidget* parent = nullptr);
    ~WizardWindow() override;

    // Shows the intro, then the wizard with the focus on the first branch.
    void start();

    // The page code: 0 welcome, 1/11/12/13 mosaic, 2 new library, 3 edit library.
    int page() const { return m_page; }
    // What the last launched job came to.
    const JobResult& lastJobResult() const { return m_lastResult; }

    // Every read and write of a mosaic setting, in the order made (tests).
    using SettingsTrace = std::function<void(bool write, Setting setting)>;
    static void setSettingsTrace(SettingsTrace trace);

protected:
    void closeEvent(QCloseEvent* event) override;
    // Return and Enter press the focused push button, else the page's default button.
    void keyPressEvent(QKeyEvent* event) override;

private:
    // page machine
    void next();
    void back();
    void showPanel(int index);
    void enterMosaicBranch();
    bool leaveSourcePage();
    bool leaveScanPage();
    void renderMosaic();
    bool chooseTarget();
    bool chooseRenderTarget();
    void browseSource();
    void openWebsite();

    // settings
    void loadMosaicSettings();
    void storeMosaicSettings();
    void storeHistory();

    // source and library
    void sourceChanged(const QString& text);
    void rememberSource(const QString& text);
    void libraryChosen();
    void drawLibraryPreview();
    void previewClicked();

    // size arithmetic and option handlers
    void cellsXChanged();
    void cellsYChanged();
    void tileWidthChanged();
    void tileHeightChanged();
    void totalWidthChanged();
    void totalHeightChanged();
    void updateTotalsFromTiles();
    void updateTilesFromTotals();
    void updatePreviewButton();
    void keepSizeClicked();
    void linkClicked();
    void useAllTilesClicked();
    void unitChanged();
    void matrixXChanged();
    void matrixYChanged();
    void lockClicked();
    bool keepsProportions() const;

    // previews
    void drawScanMatrixPreview();
    void showMatchingNote();  // the note under the scan-matrix preview follows the perceptual option
    void drawRenderOrderPreview();
    void renderOrderStep();
    void drawSourcePreview();
    void applySourceAdjustments();
    void drawColourCorrectionPreview();
    void saturationChanged();
    void brightnessChanged();
    void distanceChanged();
    void blendChanged();
    void evenUseChanged();
    // Cells and tiles of the job as the pages now stand (0 where unknown).
    int cellsInUse() const;
    int tilesInUse() const;

    // Sets a field's text with the guard set, so its handler does not recompute.
    void setGuarded(QLineEdit* field, const QString& text);
    double sourceWidth() const;
    double sourceHeight() const;

    WelcomePage* m_welcome;
    SourcePage* m_p1;
    NewLibraryPage* m_p2;
    EditLibraryPage* m_p3;
    ScanPage* m_p11;
    AdjustPage* m_p12;
    OutputPage* m_p13;
    QWidget* m_panels[7] = {};
    QLabel* m_header;  // Picture2
    QLabel* m_title;   // Label3
    QPushButton* m_next;   // Command2
    QPushButton* m_back;   // Command4
    QPushButton* m_quit;   // Command5
    QPushButton* m_about;  // Command8
    QPushButton* m_prefs;  // Command10

    int m_page = 0;
    bool m_guard = false;         // a recomputation is writing into the size fields
    bool m_sourceLoaded = false;
    bool m_dontAsk = false;       // the size questions of "Preview..." were accepted for this source
    bool m_intro = true;
    QString m_task;               // the job last launched
    Picture m_source;             // source_orig
    QSize m_tileSize{32, 32};     // tile_orig: the chosen library's tile size
    QString m_libraryFolder;      // File1
    QString m_confirmedTarget;    // the user agreed to overwrite it in the dialog
    QStringList m_tiles;
    Picture m_sample;             // the sample of the scan-matrix and render-order previews
    Picture m_sourceBase;         // the unadjusted source preview
    Picture m_renderOrder;        // the render-order grid as drawn so far
    QList<int> m_renderQueue;     // cells still to draw, c + 6 r
    QTimer* m_renderTimer;
    JobResult m_lastResult;
};

}  // namespace tx::gui
