#pragma once
// The wizard's library pages: page 2 turns a folder of pictures into tiles of a new
// or existing library ("&Start!" runs the library job), page 3 shows a library's
// properties and starts its tools (colour analysis, doubles search, tile viewer).
// Each page builds its controls under the names the other windows and the tests
// know them by, and handles them itself; the wizard only enters them and forwards
// "&Start!".

#include <QSize>
#include <QStringList>
#include <QThreadPool>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <QWidget>

#include "task/JobResult.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tx::gui {

// Page 2, "New Tile Library".
class NewLibraryPage : public QWidget {
    Q_OBJECT
public:
    explicit NewLibraryPage(QWidget* parent);
    ~NewLibraryPage() override;

    // Entering from the welcome page: fresh source, sizes and anchor, lists refilled.
    void enter();
    // "&Start!": every check in order, then the library job; the library's
    // information is read again afterwards.
    void start();

    // Called on the scanning thread after each folder; tests slow the scan down with it.
    using ScanHook = std::function<void()>;
    static void setScanHook(ScanHook hook);

    // Paths of the pictures found, relative to the scan root ("x/a.jpg").
    const QStringList& foundImages() const { return m_found; }
    const JobResult& lastJobResult() const { return m_lastResult; }

    QLineEdit* convert_source;
    QPushButton* Command6;
    QCheckBox* Check7;
    QLabel* convert_found;
    QComboBox* Combo2;
    QPushButton* Command3;
    QPushButton* Command7;
    QCheckBox* Check3;
    QLineEdit* convert_w;
    QLineEdit* convert_h;
    QCheckBox* Check1;
    QLineEdit* Text1;
    QRadioButton* convertbmp;
    QRadioButton* convertjpg;
    QRadioButton* crop[9];
    QLineEdit* cropPX;
    QTimer* Timer1;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void fillLibraries();
    // Starts the scan of the source folder on a worker; the count grows as it runs.
    void sourceChanged();
    void cancelScan();
    void scanDone(const QString& folder, const std::optional<QStringList>& found);
    void targetChosen();
    void readAttributesClicked();
    void widthOrRatioChanged();
    void heightChanged();
    void newLibrary();
    void deleteLibrary();
    void browse();
    void refresh();
    int cropIndex() const;

    bool m_guard = false;       // a coupling writes into the size fields
    bool m_sourceReadable = false;
    QString m_scanRoot;         // the scanned folder, ending in "/"
    QStringList m_found;        // completelist
    QString m_targetFolder;     // convert_targetfiles' folder; empty without a library
    QStringList m_targetTiles;
    QSize m_tileSize{32, 32};   // the first tile of the target library
    QTimer m_scanDelay;         // a typed path is scanned once typing pauses
    QThreadPool m_scanPool;     // one scan at a time; a new path or leaving the page cancels it
    std::shared_ptr<std::atomic<bool>> m_scanStop;
    int m_scanGeneration = 0;   // results of an older scan are dropped
    bool m_scanning = false;
    JobResult m_lastResult;
};

// Page 3, "Edit Tile Library".
class EditLibraryPage : public QWidget {
    Q_OBJECT
public:
    explicit EditLibraryPage(QWidget* parent);

    // Entering from the welcome page: "Auto Analysis" from its setting, lists refilled.
    void enter();
    // Leaving with "< &Back": "Auto Analysis" is stored.
    void leave();

    QComboBox* Combo3;
    QLabel* Label46;
    QPushButton* Command11;
    QLabel* Analyse;
    QLabel* Label49;
    QCheckBox* Check10;
    QPushButton* Command12;
    QCheckBox* Check4;
    QPushButton* Command15;
    QPushButton* Command13;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void fillLibraries();
    void libraryChosen();
    // The tile list and properties read again; the analysis shown is kept when asked
    // (nothing was deleted) and the library is still chosen.
    void showProperties(bool keepAnalysis = false);
    void disableTools(bool keepAnalysis = false);
    void analyse();
    void findDoubles();
    void viewTiles();
    void deleteLibrary();

    QString m_folder;   // File1's folder; empty without a library
    QStringList m_tiles;
    QTimer m_refresh;   // the tile list follows what the tools change on disk
};

// Asks (saying what the folder holds), moves the library's folder to the trash
// (deletes it where there is none) and says so. True when it is gone.
bool deleteLibraryAsked(QWidget* parent, const QString& name);

}  // namespace tx::gui
