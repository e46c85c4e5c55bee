#include <QtTest>

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>

#include "WindowTestUtil.h"
#include "app/CenterForm.h"
#include "app/FileDialogs.h"
#include "app/WizardWindow.h"
#include "app/MessageBoxes.h"
#include "support/NumberText.h"
#include "support/Picture.h"
#include "support/PictureFile.h"
#include "support/Registry.h"
#include "support/SettingsSchema.h"

using namespace tx;
using namespace tx::gui;

namespace {

struct Shown {
    MessageIcon icon;
    QString text;
    MessageButtons buttons;
};

using txgui::child;
using txgui::press;
using txgui::textOf;
using txgui::type;

}  // namespace

class WizardWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QList<Shown> m_shown;
    QList<MessageAnswer> m_answers;   // answers to the next boxes; Ok/Yes when empty
    QStringList m_saveAnswers;        // answers of the target dialog; cancel when empty
    QString m_wide, m_tall, m_square;  // sources 800 x 400, 800 x 600, 64 x 64

    QString path(const QString& name) const { return m_dir.filePath(name); }

    void makePicture(const QString& file, int w, int h, Colour c) { QVERIFY(saveBmp(Picture(w, h, c), file)); }

    void makeLibrary(const QString& name, int count, int w, int h) {
        QDir().mkpath(path("home/Tiles/" + name));
        for (int i = 1; i <= count; ++i)
            makePicture(path(QStringLiteral("home/Tiles/%1/%2.bmp").arg(name).arg(i)), w, h, rgb(40 * i, 255 - 40 * i, 90));
    }

    void resetSettings() { QFile::remove(path("settings.ini")); }

    // A wizard on page 1 of the mosaic branch.
    void enterBranch(WizardWindow& w) {
        w.show();
        press(w, "Command2");
        QCOMPARE(w.page(), 1);
    }

    void chooseLibrary(WizardWindow& w, const QString& name) {
        auto* combo = child<QComboBox>(w, "Combo1");
        combo->setCurrentIndex(combo->findText(name));
    }

    // Walks page 1 with a valid source, library and cells to page 13.
    void reachOutputPage(WizardWindow& w) {
        enterBranch(w);
        child<QComboBox>(w, "photo_source")->setEditText(m_square);
        chooseLibrary(w, "Lib");
        press(w, "Command2");
        press(w, "Command2");
        press(w, "Command2");
        QCOMPARE(w.page(), 13);
        m_shown.clear();
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        qputenv("TESSELIX_HOME", path("home").toUtf8());
        qputenv("TESSELIX_SETTINGS", path("settings.ini").toUtf8());
        makeLibrary("Lib", 4, 32, 32);
        makeLibrary("Wide", 2, 40, 15);
        m_wide = path("wide.bmp");
        m_tall = path("tall.bmp");
        m_square = path("square.bmp");
        makePicture(m_wide, 800, 400, rgb(200, 100, 50));
        makePicture(m_tall, 800, 600, rgb(50, 100, 200));
        makePicture(m_square, 64, 64, rgb(90, 180, 90));
        setMessageBoxHook([this](QWidget*, MessageIcon icon, const QString& text, MessageButtons buttons) {
            m_shown.append({icon, text, buttons});
            if (!m_answers.isEmpty()) return m_answers.takeFirst();
            return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Yes;
        });
        setFileDialogHook([this](FileDialogKind, const QString&) {
            return m_saveAnswers.isEmpty() ? QString() : m_saveAnswers.takeFirst();
        });
    }

    void init() {
        resetSettings();
        m_shown.clear();
        m_answers.clear();
        m_saveAnswers.clear();
        WizardWindow::setSettingsTrace({});
    }

    void opensWithItsCaptionAndSize() {
        tx::gui::WizardWindow w;
        w.show();
        QCOMPARE(w.objectName(), QStringLiteral("Form2"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Tesselix"));
        QCOMPARE(w.size(), QSize(503, 388));
    }

    void centresOverTheReference() {
        QWidget ref;
        ref.setGeometry(100, 50, 501, 400);
        QWidget win;
        win.setGeometry(0, 0, 200, 100);
        tx::gui::CenterForm(&win, &ref);
        // Int((501 - 200) / 2) = 150
        QCOMPARE(win.frameGeometry().left() - ref.frameGeometry().left(), 150);
        QCOMPARE(win.frameGeometry().top() - ref.frameGeometry().top(), 150);
    }

    void firstRunShowsTheDefaultsReadInTableOrder() {
        QStringList reads;
        WizardWindow::setSettingsTrace([&](bool write, Setting s) { if (!write) reads << settingName(s); });
        WizardWindow w;
        enterBranch(w);
        QCOMPARE(reads, QStringList({"Blend", "Distance", "Enhance", "Brightness", "Greyscale", "Subdirs", "KeepSize",
                                     "Link", "Lock", "Force", "Filter", "MatrixX", "MatrixY", "Unit", "Dpi",
                                     "RenderNorm", "Perceptual", "Mirror", "EvenUse", "MaxUses"}));
        QCOMPARE(child<QSlider>(w, "Slider2")->value(), 20);
        QCOMPARE(child<QLabel>(w, "Label27")->text(), QStringLiteral("20%"));
        QCOMPARE(child<QSlider>(w, "Slider3")->value(), 6);
        QCOMPARE(child<QLabel>(w, "Label8")->text(), QStringLiteral("6 cells"));
        QCOMPARE(child<QSlider>(w, "Slider1")->value(), 100);
        QCOMPARE(child<QSlider>(w, "Slider4")->value(), 0);
        QCOMPARE(textOf(w, "matrX"), QStringLiteral("3"));
        QCOMPARE(textOf(w, "matrY"), QStringLiteral("3"));
        QCOMPARE(child<QComboBox>(w, "Combo4")->currentText(), QStringLiteral("Pixels"));
        QCOMPARE(child<QComboBox>(w, "Combo5")->currentText(), QStringLiteral("300"));
        QVERIFY(!child<QComboBox>(w, "Combo5")->isEnabled());
        QVERIFY(child<QRadioButton>(w, "render_smart")->isChecked());
        for (const char* ticked : {"Check5", "Check9", "Check8", "filter", "Check6", "Check11"})
            QVERIFY2(child<QCheckBox>(w, ticked)->isChecked(), ticked);
        for (const char* clear : {"grey", "force"}) QVERIFY2(!child<QCheckBox>(w, clear)->isChecked(), clear);
        // "Keep original size" and "Lock" and the link disable what they govern
        QVERIFY(!child<QLineEdit>(w, "breite")->isEnabled());
        QVERIFY(!child<QLineEdit>(w, "höhe_ges")->isEnabled());
        QVERIFY(!child<QLineEdit>(w, "matrY")->isEnabled());
        QVERIFY(!child<QCheckBox>(w, "Check2")->isEnabled());
        QCOMPARE(textOf(w, "breite"), QStringLiteral("32"));
        QCOMPARE(child<QLabel>(w, "Label3")->text(), QStringLiteral("New Photo Mosaic"));
    }

    void storedSettingsFeedTheControls() {
        writeSetting("RenderNorm", "true");  // only the exact "True" means linear
        setSettingText(Setting::KeepSize, "0");
        setSettingText(Setting::Link, "0");
        setSettingText(Setting::Unit, "0");
        setSettingText(Setting::Lock, "0");
        setSettingText(Setting::MatrixX, "5");
        WizardWindow w;
        enterBranch(w);
        QVERIFY(child<QRadioButton>(w, "render_smart")->isChecked());
        QVERIFY(child<QLineEdit>(w, "breite")->isEnabled());
        QVERIFY(child<QCheckBox>(w, "Check2")->isEnabled());
        QVERIFY(child<QComboBox>(w, "Combo5")->isEnabled());
        QVERIFY(child<QLineEdit>(w, "matrY")->isEnabled());
        QCOMPARE(textOf(w, "matrX"), QStringLiteral("5"));
        QCOMPARE(textOf(w, "matrY"), QStringLiteral("3"));
    }

    void pageOneRefusesEachEntryWithItsMessageAndFocus() {
        WizardWindow w;
        enterBranch(w);
        press(w, "Check9");  // counts typed as they stand
        press(w, "Check2");
        struct Case {
            QString source, cellsX, cellsY, library;
            bool allTiles;
            QString number;
            QString message;
            const char* focus;
        };
        const QString image = "Please select a valid source image.", size = "Please select a valid pixel size.",
                      library = "Please select a valid tile library.", tiles = "Please select a valid number of tiles.";
        const QList<Case> cases = {
            {"", "10", "10", "Lib", true, "", image, "photo_source"},
            {path("missing.bmp"), "10", "10", "Lib", true, "", image, "photo_source"},
            {m_square, "182", "181", "Lib", true, "", size, "CellsX"},  // 32942 cells
            {m_square, "200", "200", "Lib", true, "", size, "CellsX"},
            {m_square, "abc", "10", "Lib", true, "", size, "CellsX"},
            {m_square, "0", "10", "Lib", true, "", size, "CellsX"},
            {m_square, "181", "181", "", true, "", library, "Combo1"},  // 32761 cells pass
            {m_square, "10", "10", "Lib", false, "5", tiles, "number"},
            {m_square, "10", "10", "Lib", false, "0", tiles, "number"},
        };
        for (const Case& c : cases) {
            child<QComboBox>(w, "photo_source")->setEditText(c.source);
            chooseLibrary(w, c.library);
            auto* all = child<QCheckBox>(w, "Check6");
            if (all->isChecked() != c.allTiles) all->click();
            if (!c.number.isEmpty()) type(w, "number", c.number);
            type(w, "CellsX", c.cellsX);
            type(w, "CellsY", c.cellsY);
            m_shown.clear();
            press(w, "Command2");
            QCOMPARE(w.page(), 1);
            QCOMPARE(m_shown.size(), 1);
            QCOMPARE(m_shown[0].text, c.message);
            QCOMPARE(m_shown[0].icon, MessageIcon::Information);
            QCOMPARE(m_shown[0].buttons, MessageButtons::Ok);
            QCOMPARE(w.focusWidget(), child(w, c.focus));
        }
        type(w, "number", "4");  // the whole library
        m_shown.clear();
        press(w, "Command2");
        QVERIFY(m_shown.isEmpty());
        QCOMPARE(w.page(), 11);
        QCOMPARE(w.focusWidget(), child(w, "matrX"));
    }

    void scanMatrixSnapsLocksAndRefuses() {
        WizardWindow w;
        reachOutputPage(w);
        press(w, "Command4");
        press(w, "Command4");
        QCOMPARE(w.page(), 11);
        type(w, "matrX", "20");
        QCOMPARE(textOf(w, "matrX"), QStringLiteral("12"));
        QCOMPARE(textOf(w, "matrY"), QStringLiteral("12"));  // locked
        type(w, "matrX", "0");
        QCOMPARE(textOf(w, "matrX"), QStringLiteral("1"));
        press(w, "Check8");  // unlock
        type(w, "matrY", "7");
        type(w, "matrX", "4");
        QCOMPARE(textOf(w, "matrY"), QStringLiteral("7"));
        for (const QString& bad : {QStringLiteral("x"), QString()}) {
            type(w, "matrY", bad);
            m_shown.clear();
            press(w, "Command2");
            QCOMPARE(w.page(), 11);
            QCOMPARE(m_shown.size(), 1);
            QCOMPARE(m_shown[0].text, QStringLiteral("Please select a value between 1 and 12."));
            QCOMPARE(m_shown[0].icon, MessageIcon::Information);
            QCOMPARE(w.focusWidget(), child(w, "matrX"));
        }
        type(w, "matrY", "12");
        press(w, "Command2");
        QCOMPARE(w.page(), 12);
    }

    void pageMachineGoesForwardAndBack() {
        WizardWindow w;
        w.show();
        auto* next = child<QPushButton>(w, "Command2");
        auto* back = child<QPushButton>(w, "Command4");
        auto visiblePanel = [&] {
            int shown = -1;
            for (int i = 0; i < 7; ++i)
                if (child(w, QStringLiteral("Picture1_%1").arg(i).toUtf8())->isVisible()) {
                    if (shown >= 0) return -2;  // two panels at once
                    shown = i;
                }
            return shown;
        };
        QCOMPARE(visiblePanel(), 0);
        QVERIFY(!back->isEnabled());
        QVERIFY(!child(w, "Picture2")->isVisible());
        reachOutputPage(w);
        QCOMPARE(visiblePanel(), 6);
        QCOMPARE(next->text(), QStringLiteral("&Render!"));
        QCOMPARE(w.focusWidget(), child(w, "Check5"));
        back->click();
        QCOMPARE(w.page(), 12);
        QCOMPARE(visiblePanel(), 5);
        QCOMPARE(next->text(), QStringLiteral("&Next >"));
        QCOMPARE(w.focusWidget(), child(w, "Slider4"));
        back->click();
        QCOMPARE(w.page(), 11);
        QCOMPARE(visiblePanel(), 4);
        back->click();
        QCOMPARE(w.page(), 1);
        QCOMPARE(visiblePanel(), 1);
        QCOMPARE(w.focusWidget(), child(w, "photo_source"));
        QVERIFY(child(w, "Picture2")->isVisible());
        back->click();
        QCOMPARE(w.page(), 0);
        QCOMPARE(visiblePanel(), 0);
        QVERIFY(!back->isEnabled());
        QVERIFY(!child(w, "Picture2")->isVisible());

        press(w, "Option2");
        next->click();
        QCOMPARE(w.page(), 2);
        QCOMPARE(visiblePanel(), 2);
        QCOMPARE(next->text(), QStringLiteral("&Start!"));
        QCOMPARE(child<QLabel>(w, "Label3")->text(), QStringLiteral("New Tile Library"));
        back->click();
        QCOMPARE(next->text(), QStringLiteral("&Next >"));
        press(w, "Option3");
        next->click();
        QCOMPARE(w.page(), 3);
        QVERIFY(!next->isEnabled());
        QCOMPARE(child<QLabel>(w, "Label3")->text(), QStringLiteral("Edit Tile Library"));
        back->click();
        QCOMPARE(w.page(), 0);
        QVERIFY(next->isEnabled());
        QVERIFY(m_shown.isEmpty());
    }

    void reenteringTheBranchStartsClean() {
        WizardWindow w;
        reachOutputPage(w);
        child<QSlider>(w, "Slider2")->setValue(70);  // changed, never rendered
        for (int i = 0; i < 4; ++i) press(w, "Command4");
        QCOMPARE(w.page(), 0);
        press(w, "Command2");
        QCOMPARE(child<QComboBox>(w, "photo_source")->currentText(), QString());
        QCOMPARE(textOf(w, "CellsX"), QString());
        QCOMPARE(child<QComboBox>(w, "Combo1")->currentText(), QString());
        QCOMPARE(child<QSlider>(w, "Slider2")->value(), 20);
        QVERIFY(!child(w, "Command9")->isEnabled());
    }

    void cellCountsFollowTheSourceAndTiles() {
        WizardWindow w;
        enterBranch(w);
        chooseLibrary(w, "Wide");  // 40 x 15 tiles: the link would give other counts
        press(w, "Check9");        // no link: source proportions only
        child<QComboBox>(w, "photo_source")->setEditText(m_wide);
        QCOMPARE(textOf(w, "CellsX"), QStringLiteral("85"));  // sqrt(2 * 3600) = 84.85
        type(w, "CellsX", "80");
        QCOMPARE(textOf(w, "CellsY"), QStringLiteral("40"));
        type(w, "CellsY", "30");
        QCOMPARE(textOf(w, "CellsX"), QStringLiteral("60"));

        child<QComboBox>(w, "photo_source")->setEditText(m_square);
        QCOMPARE(textOf(w, "CellsX"), QStringLiteral("60"));
        QCOMPARE(textOf(w, "CellsY"), QStringLiteral("60"));

        press(w, "Check9");  // linked with 40 x 15 tiles
        child<QComboBox>(w, "photo_source")->setEditText(m_tall);
        QCOMPARE(textOf(w, "number"), QStringLiteral("2"));
        type(w, "CellsX", "80");
        QCOMPARE(textOf(w, "CellsY"), QStringLiteral("160"));  // (800/40)/(600/15) = 0.5

        // The preview button needs two positive counts and a loaded source.
        auto* preview = child<QPushButton>(w, "Command9");
        QVERIFY(preview->isEnabled());
        type(w, "CellsX", "");
        QVERIFY(!preview->isEnabled());
        type(w, "CellsX", "12");
        QVERIFY(preview->isEnabled());
        child<QComboBox>(w, "photo_source")->setEditText(path("nothing.bmp"));
        QVERIFY(!preview->isEnabled());
    }

    void outputSizeFollowsCellsTilesAndUnit() {
        WizardWindow w;
        reachOutputPage(w);
        press(w, "Check5");  // free tile size
        press(w, "Check9");  // cells independent of the source
        press(w, "Check2");
        QVERIFY(child<QLineEdit>(w, "breite")->isEnabled());
        QVERIFY(child<QComboBox>(w, "Combo4")->isEnabled());
        // The counts live on page 1; the totals follow them wherever they are typed.
        type(w, "CellsX", "70");
        type(w, "CellsY", "50");
        type(w, "breite", "32");
        QCOMPARE(textOf(w, "höhe"), QStringLiteral("32"));
        QCOMPARE(textOf(w, "breite_ges"), QStringLiteral("2240"));
        QCOMPARE(textOf(w, "höhe_ges"), QStringLiteral("1600"));
        auto* unit = child<QComboBox>(w, "Combo4");
        unit->setCurrentIndex(0);  // Inch
        QVERIFY(child(w, "Combo5")->isEnabled());
        QCOMPARE(textOf(w, "breite_ges"), QStringLiteral("7.46666666666667"));
        QCOMPARE(textOf(w, "höhe_ges"), QStringLiteral("5.33333333333333"));
        unit->setCurrentIndex(1);  // Cm
        QCOMPARE(textOf(w, "breite_ges"), numberText(2240.0 / 300 * 2.54));
        unit->setCurrentIndex(2);
        QVERIFY(!child(w, "Combo5")->isEnabled());

        type(w, "breite_ges", "3000");
        QCOMPARE(textOf(w, "höhe_ges"), QStringLiteral("2142.85714285714"));
        QCOMPARE(textOf(w, "breite"), QStringLiteral("42"));
        QCOMPARE(textOf(w, "höhe"), QStringLiteral("42"));

        press(w, "Check5");  // back to the library's size
        QCOMPARE(textOf(w, "breite"), QStringLiteral("32"));
        QCOMPARE(textOf(w, "höhe"), QStringLiteral("32"));
        for (const char* off : {"breite", "höhe", "breite_ges", "höhe_ges", "Combo4", "Check11"})
            QVERIFY2(!child(w, off)->isEnabled(), off);
    }

    void sliderLabelsShowTheirValues() {
        WizardWindow w;
        enterBranch(w);
        auto* saturation = child<QSlider>(w, "Slider1");
        saturation->setValue(150);
        QCOMPARE(child<QLabel>(w, "Label42")->text(), QStringLiteral("50%"));
        saturation->setValue(40);
        QCOMPARE(child<QLabel>(w, "Label42")->text(), QStringLiteral("-60%"));
        child<QSlider>(w, "Slider4")->setValue(-30);
        QCOMPARE(child<QLabel>(w, "Label48")->text(), QStringLiteral("-30%"));
        child<QSlider>(w, "Slider3")->setValue(0);
        QCOMPARE(child<QLabel>(w, "Label8")->text(), QStringLiteral("0 cells"));
    }

    void renderChecksTileSizeAndTarget() {
        QStringList writes;
        WizardWindow::setSettingsTrace([&](bool write, Setting s) { if (write) writes << settingName(s); });
        WizardWindow w;
        reachOutputPage(w);
        press(w, "Check5");
        type(w, "breite", "0");
        press(w, "Command2");
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown[0].text, QStringLiteral("Please select a valid pixel size."));
        QCOMPARE(m_shown[0].icon, MessageIcon::Information);
        QCOMPARE(w.focusWidget(), child(w, "breite"));
        press(w, "Check5");

        // Cancel in the dialog stops silently; a target that cannot be used says why
        // and keeps the user on the page.
        const QString existing = path("exists.jpg");
        makePicture(existing, 2, 2, 0);
        QDir().mkpath(path("locked"));
        QFile::setPermissions(path("locked"), QFile::ReadOwner | QFile::ExeOwner);
        const bool lockable = !QFileInfo(path("locked")).isWritable() && !QFile(path("locked/probe")).open(QIODevice::WriteOnly);
        struct Refused {
            QString target, message;
        };
        QList<Refused> refused{{QString(), QString()},
                               {path("noext"), "has no extension"},
                               {path("out.tif"), "cannot be saved as a \".tif\" file"},
                               {path("out.abcde"), "\".abcde\""},
                               {path("no/such/dir/out.bmp"), "does not exist"}};
        if (lockable) refused.append({path("locked/out.jpg"), "cannot be written to the folder"});
        for (const Refused& r : refused) {
            m_shown.clear();
            if (!r.target.isEmpty()) m_saveAnswers << r.target;
            press(w, "Command2");
            QVERIFY(m_saveAnswers.isEmpty());
            if (r.message.isEmpty()) {
                QVERIFY(m_shown.isEmpty());
            } else {
                QCOMPARE(m_shown.size(), 1);
                QVERIFY2(m_shown[0].text.contains(r.message), qPrintable(m_shown[0].text));
                QCOMPARE(w.focusWidget(), child(w, "photo_target"));
            }
            QCOMPARE(w.page(), 13);
            QVERIFY(writes.isEmpty());
            QCOMPARE(w.lastJobResult().outcome, JobOutcome::NotStarted);
            QVERIFY(!QFile::exists(path("out.tif")));
        }
        QFile::setPermissions(path("locked"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        // An existing file: No asks again, Cancel empties the target and stops.
        m_saveAnswers << existing << existing;
        m_answers << MessageAnswer::No << MessageAnswer::Cancel;
        m_shown.clear();
        press(w, "Command2");
        QCOMPARE(m_shown.size(), 2);
        QCOMPARE(m_shown[0].text, QStringLiteral("This file already exists. Overwrite it?"));
        QCOMPARE(m_shown[0].icon, MessageIcon::Exclamation);
        QCOMPARE(m_shown[0].buttons, MessageButtons::YesNoCancel);
        QCOMPARE(textOf(w, "photo_target"), QString());
        QVERIFY(writes.isEmpty());
        // A zoomable page replaces its folder of tiles too: an existing one asks first.
        QDir().mkpath(path("zoom_files"));
        m_saveAnswers << path("zoom.html");
        m_answers << MessageAnswer::Cancel;
        m_shown.clear();
        press(w, "Command2");
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown[0].text, QStringLiteral("This file already exists. Overwrite it?"));
        QCOMPARE(textOf(w, "photo_target"), QString());
        QVERIFY(QFileInfo(path("zoom_files")).isDir());

        // Yes: the write test passes and the settings are stored in their order. A file
        // under the probe's name survives the write test.
        const QString bystander = existing + "_";
        makePicture(bystander, 3, 3, rgb(1, 2, 3));
        press(w, "Command4");
        press(w, "Command4");
        press(w, "render_norm");
        press(w, "Command2");
        press(w, "Command2");
        m_saveAnswers << existing;
        m_answers << MessageAnswer::Yes;
        child<QComboBox>(w, "Combo5")->setEditText("72.5");  // kept as typed
        // The job starts in the task window: close it at once, whatever its button says.
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (top->objectName() == "Form1" && top->isVisible())
                    if (auto* button = top->findChild<QPushButton*>("Command1")) button->click();
        });
        closer.start(20);
        press(w, "Command2");
        closer.stop();
        QVERIFY(w.lastJobResult().outcome != JobOutcome::NotStarted);
        QCOMPARE(textOf(w, "photo_target"), existing);
        QCOMPARE(writes, QStringList({"Blend", "Distance", "Greyscale", "Subdirs", "MatrixX", "MatrixY", "Enhance",
                                      "Brightness", "Link", "Lock", "Filter", "Force", "RenderNorm", "Unit", "Dpi",
                                      "KeepSize", "Perceptual", "Mirror", "EvenUse", "MaxUses"}));
        QCOMPARE(settingText(Setting::RenderNorm), QStringLiteral("True"));
        QCOMPARE(settingText(Setting::Dpi), QStringLiteral("72.5"));
        Picture kept;
        QVERIFY(loadPicture(bystander, kept));
        QCOMPARE(kept.width(), 3);
        QCOMPARE(QDir(m_dir.path()).entryList({"exists.jpg_*"}), QStringList{"exists.jpg_"});
        QCOMPARE(w.page(), 13);
    }

    // The target chosen with "Browse..." or typed is the one rendered to; the dialog
    // opens only when the field cannot be used.
    void renderUsesTheChosenTarget() {
        WizardWindow w;
        reachOutputPage(w);
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (top->objectName() == "Form1" && top->isVisible())
                    if (auto* button = top->findChild<QPushButton*>("Command1")) button->click();
        });
        auto render = [&] {
            closer.start(20);
            press(w, "Command2");
            closer.stop();
        };
        const QString chosen = path("chosen.bmp");
        QFile::remove(chosen);
        m_saveAnswers << chosen;
        press(w, "Command1");  // "Browse..."
        QCOMPARE(textOf(w, "photo_target"), chosen);
        m_shown.clear();
        render();
        QVERIFY(m_saveAnswers.isEmpty());
        QVERIFY(m_shown.isEmpty());
        QVERIFY(w.lastJobResult().outcome != JobOutcome::NotStarted);
        QCOMPARE(textOf(w, "photo_target"), chosen);

        // An existing file: rendering asks first; No opens the dialog.
        makePicture(chosen, 2, 2, 0);
        m_answers << MessageAnswer::No;
        render();
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown[0].text, QStringLiteral("This file already exists. Overwrite it?"));
        QCOMPARE(w.page(), 13);

        // Browsing to an existing file asks once, not again on "&Render!".
        m_saveAnswers << chosen;
        m_shown.clear();
        press(w, "Command1");
        QCOMPARE(m_shown.size(), 1);
        render();
        QCOMPARE(m_shown.size(), 1);
        QVERIFY(w.lastJobResult().outcome != JobOutcome::NotStarted);

        // A typed target that cannot be used opens the dialog with it.
        type(w, "photo_target", path("typed.tif"));
        QString preset;
        setFileDialogHook([&](FileDialogKind, const QString& p) { preset = p; return QString(); });
        render();
        setFileDialogHook([this](FileDialogKind, const QString&) {
            return m_saveAnswers.isEmpty() ? QString() : m_saveAnswers.takeFirst();
        });
        QCOMPARE(preset, path("typed.tif"));
    }

    // Unticking and ticking "Keep proportions" recomputes the tile size from the
    // totals shown; it must come back as it was.
    void keepProportionsRoundTripKeepsTheTileSize() {
        auto typeKeys = [](QWidget* field, const QString& text) {
            field->setFocus();
            QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(field, text);
        };
        WizardWindow w;
        enterBranch(w);
        child<QComboBox>(w, "photo_source")->setEditText(m_square);
        chooseLibrary(w, "Lib");
        QTest::keyClick(child(w, "Check9"), Qt::Key_Space);  // cells typed freely
        QTest::keyClick(child(w, "Check2"), Qt::Key_Space);
        typeKeys(child(w, "CellsX"), "181");
        typeKeys(child(w, "CellsY"), "135");
        QCOMPARE(textOf(w, "CellsX"), QStringLiteral("181"));
        QCOMPARE(textOf(w, "CellsY"), QStringLiteral("135"));
        for (int page = 1; page < 13; page = w.page()) press(w, "Command2");
        QCOMPARE(w.page(), 13);

        auto* keepSize = child<QCheckBox>(w, "Check5");
        if (keepSize->isChecked()) QTest::keyClick(keepSize, Qt::Key_Space);
        auto* unit = child<QComboBox>(w, "Combo4");
        unit->setFocus();
        QTest::keyClick(unit, Qt::Key_Home);
        QCOMPARE(unit->currentText(), QStringLiteral("Inch"));
        typeKeys(child(w, "Combo5"), "72.5");
        typeKeys(child(w, "breite"), "128");
        QCOMPARE(textOf(w, "breite"), QStringLiteral("128"));
        QCOMPARE(textOf(w, "höhe"), QStringLiteral("128"));
        const QString width = textOf(w, "breite_ges"), height = textOf(w, "höhe_ges");
        QCOMPARE(width, QStringLiteral("319.558620689655"));  // 181 x 128 / 72.5

        auto* keep = child<QCheckBox>(w, "Check11");
        QVERIFY(keep->isChecked());
        for (bool ticked : {false, true}) {
            QTest::keyClick(keep, Qt::Key_Space);
            QCOMPARE(keep->isChecked(), ticked);
            QCOMPARE(textOf(w, "breite"), QStringLiteral("128"));
            QCOMPARE(textOf(w, "höhe"), QStringLiteral("128"));
            QCOMPARE(textOf(w, "breite_ges"), width);
            QCOMPARE(textOf(w, "höhe_ges"), height);
        }
    }

    void recentSourcesKeepFiveNewestFirst() {
        QStringList old;
        for (int i = 0; i < 5; ++i) {
            old << path(QStringLiteral("recent%1.bmp").arg(i));
            makePicture(old.last(), 8, 8, rgb(i, i, i));
            setSettingText(historySetting(i), old.last());
        }
        auto entries = [](WizardWindow& w) {
            QStringList l;
            auto* list = child<QComboBox>(w, "photo_source");
            for (int i = 0; i < list->count(); ++i) l << list->itemText(i);
            return l;
        };
        {
            WizardWindow w;
            QCOMPARE(entries(w), old);
            enterBranch(w);
            // a new source drops index 3, keeps the oldest and goes on top
            child<QComboBox>(w, "photo_source")->setEditText(m_square);
            QCOMPARE(entries(w), QStringList({m_square, old[0], old[1], old[2], old[4]}));
            // the same again changes nothing
            child<QComboBox>(w, "photo_source")->setEditText(m_square);
            QCOMPARE(entries(w).size(), 5);
            // choosing a listed entry other than index 3 shrinks a full list to four
            child<QComboBox>(w, "photo_source")->setCurrentIndex(1);
            QCOMPARE(entries(w), QStringList({m_square, old[0], old[1], old[4]}));

            // the quit question; No keeps the window and the store
            m_answers << MessageAnswer::No;
            QVERIFY(!w.close());
            QCOMPARE(m_shown.size(), 1);
            QCOMPARE(m_shown[0].text, QStringLiteral("Do you really want to quit?"));
            QCOMPARE(m_shown[0].icon, MessageIcon::Exclamation);
            QCOMPARE(m_shown[0].buttons, MessageButtons::YesNo);
            QCOMPARE(settingText(Setting::History0), old[0]);
            QVERIFY(w.close());
        }
        // four entries written, the fifth left as it was
        QCOMPARE(settingText(Setting::History0), m_square);
        QCOMPARE(settingText(Setting::History3), old[4]);
        QCOMPARE(settingText(Setting::History4), old[4]);
    }

    void everyFieldIsNamedAndTabsInPageOrder() {
        WizardWindow w;
        enterBranch(w);
        const QList<QPair<const char*, const char*>> named = {
            {"photo_source", "Source Image"}, {"Combo1", "Tile Library"}, {"CellsX", "Horizontal Cells"},
            {"CellsY", "Vertical Cells"},     {"matrX", "Horizontal Steps"}, {"breite", "Tile Width"},
            {"höhe", "Tile Height"},          {"Slider2", "Color Correction (average source color)"},
        };
        for (const auto& [name, label] : named) QCOMPARE(child(w, name)->accessibleName(), QString::fromUtf8(label));
        for (QLabel* l : w.findChildren<QLabel*>())
            if (l->buddy()) QVERIFY2(l->text().contains('&'), qPrintable(l->text()));
        // Tab order on page 1
        QStringList order;
        QWidget* start = child(w, "photo_source");
        for (QWidget* f = start->nextInFocusChain(); f != start; f = f->nextInFocusChain())
            if (f->parentWidget() == child(w, "Picture1_1") && (f->focusPolicy() & Qt::TabFocus)) order << f->objectName();
        QCOMPARE(order, QStringList({"br1", "Combo1", "CellsX", "CellsY", "Check9", "Check2", "Command9", "Check6",
                                     "number", "force"}));
    }

    void makesAMosaicFromTheFirstPage() {
        setSettingText(Setting::Check, "0");  // fixed limits: no machine test
        WizardWindow w;
        reachOutputPage(w);
        type(w, "CellsX", "4");
        const QString target = path("mosaic.bmp");
        m_saveAnswers << target;
        // Close the task window once it shows "&Finished".
        QTimer finisher;
        connect(&finisher, &QTimer::timeout, [&] {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                auto* button = top->findChild<QPushButton*>("Command1");
                if (top->objectName() == "Form1" && top->isVisible() && button &&
                    button->text() == QStringLiteral("&Finished"))
                    button->click();
            }
        });
        finisher.start(50);
        press(w, "Command2");
        if (w.lastJobResult().outcome == JobOutcome::NotStarted) QSKIP("the task window starts no job yet");
        QVERIFY(w.lastJobResult().completed());
        Picture out;
        QVERIFY(loadPicture(target, out));
        QCOMPARE(out.width(), 4 * 32);
        QCOMPARE(out.height(), 4 * 32);
    }
};

QTEST_MAIN(WizardWindowTest)
#include "test_wizard_window.moc"
