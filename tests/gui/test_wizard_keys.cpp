// The wizard driven by the keyboard alone: Return presses each page's default
// button, Alt+letter reaches its control, the arrow keys and arrows of the scan
// matrix's spin bars count the way they point; the matching options typed on
// the adjustment page reach the mosaic and come back from the settings.

#include <QtTest>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTemporaryDir>
#include <map>

#include "WindowTestUtil.h"
#include "app/FileDialogs.h"
#include "app/MessageBoxes.h"
#include "app/PreferencesDialog.h"
#include "app/WizardWindow.h"
#include "support/Picture.h"
#include "support/PictureFile.h"
#include "support/SettingsSchema.h"

using namespace tx;
using namespace tx::gui;
using txgui::child;
using txgui::textOf;
using txgui::type;

namespace {

// Types `key` into whatever has the focus, as a user would.
void typeKey(QWidget& w, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &w;
    QTest::keyClick(target, key, modifiers);
}

}  // namespace

class WizardKeysTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QStringList m_messages;
    int m_saveDialogs = 0;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    void showActive(WizardWindow& w) {
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
    }

    // Page 11 reached with the keyboard from a fresh wizard.
    void reachScanPage(WizardWindow& w, const QString& source = QStringLiteral("source.bmp"),
                       const QString& library = QStringLiteral("Lib"), const QString& cellsX = QString()) {
        showActive(w);
        typeKey(w, Qt::Key_Return);
        QCOMPARE(w.page(), 1);
        child<QComboBox>(w, "photo_source")->setEditText(path(source));
        auto* libraries = child<QComboBox>(w, "Combo1");
        libraries->setCurrentIndex(libraries->findText(library));
        if (!cellsX.isEmpty()) {
            child(w, "CellsX")->setFocus();
            typeKey(w, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(QApplication::focusWidget(), cellsX);
        }
        child(w, "CellsX")->setFocus();
        typeKey(w, Qt::Key_Return);
        QCOMPARE(w.page(), 11);
    }

    // Tiles of 96 x 96 in thirds, so that a 3 x 3 scan samples them exactly. Tile 1
    // is the darker blue that RGB prefers for a blue cell, tile 2 the lighter blue
    // CIELAB prefers; tile 3 is black with a yellow left third. The source's left
    // cell is blue, its right cell black with a yellow right third: tile 3 mirrored.
    void makeMatchingLibrary() {
        QDir().mkpath(path("home/Tiles/Match"));
        const Colour yellow = rgb(255, 255, 0), black = rgb(0, 0, 0);
        QVERIFY(saveBmp(Picture(96, 96, rgb(0, 0, 140)), path("home/Tiles/Match/1.bmp")));
        QVERIFY(saveBmp(Picture(96, 96, rgb(60, 60, 255)), path("home/Tiles/Match/2.bmp")));
        Picture third(96, 96, black);
        third.fillRect({0, 0, 32, 96}, yellow);
        QVERIFY(saveBmp(third, path("home/Tiles/Match/3.bmp")));
        Picture source(192, 96, black);
        source.fillRect({0, 0, 96, 96}, rgb(0, 0, 255));
        source.fillRect({160, 0, 32, 96}, yellow);
        QVERIFY(saveBmp(source, path("match.bmp")));
    }

    // "&Render!" from page 13 to `target`; the task window is closed once finished.
    void renderTo(WizardWindow& w, const QString& target) {
        QCOMPARE(w.page(), 13);
        type(w, "photo_target", target);
        QTimer finisher;
        connect(&finisher, &QTimer::timeout, &w, [] {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                auto* button = top->findChild<QPushButton*>("Command1");
                if (top->objectName() == "Form1" && top->isVisible() && button &&
                    button->text() == QStringLiteral("&Finished"))
                    button->click();
            }
        });
        finisher.start(50);
        child(w, "breite")->setFocus();
        typeKey(w, Qt::Key_Return);
        finisher.stop();
    }

    // Red of the mosaic at the middle of the left cell and of the right cell's right third.
    static std::pair<int, int> probe(const QString& mosaic) {
        Picture out;
        if (!loadPicture(mosaic, out) || out.width() != 192 || out.height() != 96) return {-1, -1};
        return {redOf(out.pixel(48, 48)), redOf(out.pixel(192 - 16, 48))};
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        qputenv("TESSELIX_HOME", path("home").toUtf8());
        QDir().mkpath(path("home/Tiles/Lib"));
        for (int i = 1; i <= 3; ++i)
            QVERIFY(saveBmp(Picture(32, 32, rgb(60 * i, 90, 200 - 50 * i)), path("home/Tiles/Lib/%1.bmp").arg(i)));
        QVERIFY(saveBmp(Picture(64, 64, rgb(90, 180, 90)), path("source.bmp")));
        makeMatchingLibrary();
        setMessageBoxHook([this](QWidget*, MessageIcon, const QString& text, MessageButtons buttons) {
            m_messages << text;
            return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No;
        });
        setFileDialogHook([this](FileDialogKind, const QString&) {
            ++m_saveDialogs;
            return QString();
        });
    }
    void init() {
        QFile::remove(qEnvironmentVariable("TESSELIX_SETTINGS"));
        m_messages.clear();
        m_saveDialogs = 0;
    }

    void returnPressesEachPagesDefaultButton() {
        WizardWindow w;
        reachScanPage(w);
        typeKey(w, Qt::Key_Enter, Qt::KeypadModifier);  // the keypad's Enter too
        QCOMPARE(w.page(), 12);
        typeKey(w, Qt::Key_Return);
        QCOMPARE(w.page(), 13);
        auto* next = child<QPushButton>(w, "Command2");
        QCOMPARE(next->text(), QStringLiteral("&Render!"));
        // From a field of the page, as a user who has just typed a size.
        child(w, "breite")->setFocus();
        typeKey(w, Qt::Key_Return);
        QCOMPARE(m_saveDialogs, 1);  // "&Render!" asked for the target
        QCOMPARE(w.page(), 13);

        // A focused button takes Return itself, as in a dialog.
        child(w, "Command4")->setFocus();
        typeKey(w, Qt::Key_Return);
        QCOMPARE(w.page(), 12);
        QCOMPARE(m_saveDialogs, 1);

        // Return with a modifier is not a press.
        child(w, "Slider4")->setFocus();
        typeKey(w, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(w.page(), 12);
    }

    void returnStartsTheLibraryJob() {
        WizardWindow w;
        showActive(w);
        child<QRadioButton>(w, "Option2")->setFocus();
        typeKey(w, Qt::Key_T, Qt::AltModifier);
        QTRY_VERIFY(child<QRadioButton>(w, "Option2")->isChecked());  // a mnemonic clicks with a short delay
        typeKey(w, Qt::Key_Return);
        QCOMPARE(w.page(), 2);
        QCOMPARE(child<QPushButton>(w, "Command2")->text(), QStringLiteral("&Start!"));
        child(w, "convert_source")->setFocus();
        typeKey(w, Qt::Key_Return);
        QVERIFY2(!m_messages.isEmpty(), "\"&Start!\" was not pressed");  // no source: the first check speaks
        QCOMPARE(w.page(), 2);
    }

    void altLettersReachTheirControls() {
        WizardWindow w;
        showActive(w);
        typeKey(w, Qt::Key_E, Qt::AltModifier);
        QTRY_VERIFY(child<QRadioButton>(w, "Option3")->isChecked());  // a mnemonic clicks with a short delay
        typeKey(w, Qt::Key_M, Qt::AltModifier);
        QTRY_VERIFY(child<QRadioButton>(w, "Option1")->isChecked());

        QString opened;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &w, [&] {
            auto* dialog = qobject_cast<PreferencesDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            opened = dialog->objectName();
            dialog->reject();
        });
        poll.start(5);
        typeKey(w, Qt::Key_P, Qt::AltModifier);
        QTRY_VERIFY2(!opened.isEmpty(), "Alt+P did not open the preferences");
        poll.stop();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));

        typeKey(w, Qt::Key_N, Qt::AltModifier);
        QTRY_COMPARE(w.page(), 1);
        typeKey(w, Qt::Key_S, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), child(w, "photo_source"));
        typeKey(w, Qt::Key_H, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), child(w, "CellsX"));
        typeKey(w, Qt::Key_B, Qt::AltModifier);
        QTRY_COMPARE(w.page(), 0);
    }

    void arrowKeysInAStepFieldStepItsBar() {
        WizardWindow w;
        reachScanPage(w);
        if (child<QAbstractButton>(w, "Check8")->isChecked()) child<QAbstractButton>(w, "Check8")->click();
        const struct {
            const char* field;
            Qt::Key key;
            int times;
            QString expected;
        } cases[] = {
            {"matrX", Qt::Key_Up, 1, "6"},     {"matrX", Qt::Key_Down, 2, "3"}, {"matrY", Qt::Key_Up, 1, "6"},
            {"matrY", Qt::Key_Down, 1, "4"},   {"matrX", Qt::Key_Up, 20, "12"}, {"matrY", Qt::Key_Down, 20, "1"},
        };
        for (const auto& c : cases) {
            type(w, c.field, QStringLiteral("5"));
            auto* field = child<QLineEdit>(w, c.field);
            field->setFocus();
            for (int i = 0; i < c.times; ++i) QTest::keyClick(field, c.key);
            QVERIFY2(textOf(w, c.field) == c.expected,
                     qPrintable(QStringLiteral("%1 after %2 x key %3: %4").arg(c.field).arg(c.times).arg(c.key).arg(textOf(w, c.field))));
            QCOMPARE(QApplication::focusWidget(), field);
        }
        // Locked, the vertical field follows the horizontal one and its keys do nothing.
        child<QAbstractButton>(w, "Check8")->click();
        type(w, "matrX", QStringLiteral("7"));
        QTest::keyClick(child<QLineEdit>(w, "matrX"), Qt::Key_Up);
        QCOMPARE(textOf(w, "matrY"), QStringLiteral("8"));
    }

    void spinBarsCountUpwardsWithTheUpperArrowAndKey() {
        WizardWindow w;
        reachScanPage(w);
        if (child<QAbstractButton>(w, "Check8")->isChecked()) child<QAbstractButton>(w, "Check8")->click();
        struct Bar {
            const char* bar;
            const char* field;
        };
        for (const Bar b : {Bar{"VScroll3", "matrX"}, Bar{"VScroll2", "matrY"}}) {
            auto* bar = child<QScrollBar>(w, b.bar);
            type(w, b.field, QStringLiteral("5"));
            QTest::keyClick(bar, Qt::Key_Up);
            QCOMPARE(textOf(w, b.field), QStringLiteral("6"));
            QTest::keyClick(bar, Qt::Key_Down);
            QTest::keyClick(bar, Qt::Key_Down);
            QCOMPARE(textOf(w, b.field), QStringLiteral("4"));
            QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, 2));
            QCOMPARE(textOf(w, b.field), QStringLiteral("5"));
            QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, bar->height() - 2));
            QCOMPARE(textOf(w, b.field), QStringLiteral("4"));
            // The wheel turned away from the user counts up too.
            QWheelEvent wheel(QPointF(4, 4), bar->mapToGlobal(QPointF(4, 4)), {}, QPoint(0, 120), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(bar, &wheel);
            QCOMPARE(textOf(w, b.field), QString::number(std::min(12, 4 + QApplication::wheelScrollLines())));
            // At the top of the range the upper arrow stays there.
            type(w, b.field, QStringLiteral("12"));
            QTest::keyClick(bar, Qt::Key_Up);
            QCOMPARE(textOf(w, b.field), QStringLiteral("12"));
        }
    }

    // Even tile use chosen with the keyboard on page 11 reaches the job: 16 cells
    // of a uniform source from 3 tiles, without blending or minimal distance, use
    // every tile 5 or 6 times where the greedy choice takes the nearest 16 times.
    void evenTileUseTypedOnPage11ReachesTheJob() {
        setSettingText(Setting::Check, "0");  // fixed limits: no machine test
        setSettingText(Setting::Distance, "0");
        setSettingText(Setting::Blend, "0");
        WizardWindow w;
        reachScanPage(w, QStringLiteral("source.bmp"), QStringLiteral("Lib"), QStringLiteral("4"));
        QCOMPARE(textOf(w, "CellsY"), QStringLiteral("4"));

        auto* even = child<QCheckBox>(w, "evenUse");
        auto* every = child<QRadioButton>(w, "everyTile");
        auto* atMost = child<QRadioButton>(w, "atMost");
        auto* uses = child<QSpinBox>(w, "maxUses");
        auto* note = child<QLabel>(w, "evenNote");
        QVERIFY(!even->isChecked());
        QVERIFY(!every->isEnabled());
        QVERIFY(!note->isVisible());
        typeKey(w, Qt::Key_E, Qt::AltModifier);
        QTRY_VERIFY(even->isChecked());
        QVERIFY(every->isChecked());
        QVERIFY(!uses->isEnabled());
        QVERIFY(!child<QRadioButton>(w, "render_smart")->isEnabled());  // the order is the greedy pass's only
        QVERIFY(note->isVisible());
        QCOMPARE(note->text(), QStringLiteral("Every tile is used 5 or 6 times. All cells are chosen at once."));

        // "at most" with the arrow key from the first choice, K from its label's letter.
        every->setFocus();
        typeKey(w, Qt::Key_Right);
        QVERIFY(atMost->isChecked());
        QVERIFY(uses->isEnabled());
        typeKey(w, Qt::Key_T, Qt::AltModifier);
        QVERIFY(uses->isAncestorOf(QApplication::focusWidget()) || QApplication::focusWidget() == uses);
        QCOMPARE(uses->value(), 2);
        typeKey(w, Qt::Key_Down);
        QCOMPARE(uses->value(), 1);
        QCOMPARE(note->text(), QStringLiteral("Too few: 3 tiles used at most once cannot fill 16 cells."));
        typeKey(w, Qt::Key_Return);  // refused: 3 tiles once each are not 16
        QCOMPARE(w.page(), 11);
        QCOMPARE(m_messages.size(), 1);
        QVERIFY(m_messages.last().startsWith(QStringLiteral("3 tiles used at most 1 times cannot fill 16 cells.")));
        for (int i = 0; i < 5; ++i) typeKey(w, Qt::Key_Up);
        QCOMPARE(uses->value(), 6);
        QCOMPARE(note->text(), QStringLiteral("No tile is used more than 6 times. All cells are chosen at once."));
        typeKey(w, Qt::Key_R, Qt::AltModifier);
        QTRY_VERIFY(every->isChecked());

        typeKey(w, Qt::Key_Return);
        QCOMPARE(w.page(), 12);
        typeKey(w, Qt::Key_Return);
        QCOMPARE(w.page(), 13);
        renderTo(w, path("even.bmp"));
        QVERIFY2(w.lastJobResult().completed(), qPrintable(w.lastJobResult().message));

        Picture out;
        QVERIFY(loadPicture(path("even.bmp"), out));
        QCOMPARE(out.width(), 4 * 32);
        std::map<Colour, int> uses16;
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) ++uses16[out.pixel(x * 32 + 16, y * 32 + 16)];
        QCOMPARE(uses16.size(), std::size_t{3});
        for (const auto& [colour, n] : uses16) QVERIFY2(n == 5 || n == 6, qPrintable(QString::number(n)));

        // The choice is kept for the next start.
        QCOMPARE(settingInt(Setting::EvenUse), 1);
        QCOMPARE(settingInt(Setting::MaxUses), 6);
        WizardWindow again;
        showActive(again);
        typeKey(again, Qt::Key_Return);
        QVERIFY(child<QCheckBox>(again, "evenUse")->isChecked());
        QVERIFY(child<QRadioButton>(again, "everyTile")->isChecked());
        QCOMPARE(child<QSpinBox>(again, "maxUses")->value(), 6);
    }

    // Alt+R and Alt+M tick the options, Space toggles the focused one; the job
    // then matches in CIELAB and places tile 3 mirrored, and a new wizard shows
    // both options and the note under the scan-matrix preview again.
    void matchingOptionsReachTheJobAndComeBack() {
        setSettingText(Setting::Check, "0");   // fixed limits: no machine test
        setSettingText(Setting::Filter, "0");  // the blur would mix the two cells
        const int kRgbBlue = 0, kLabBlue = 60;  // red of tiles 1 and 2; the colour correction moves it a little
        {
            WizardWindow w;
            reachScanPage(w, "match.bmp", "Match", "2");
            QCOMPARE(textOf(w, "CellsY"), QStringLiteral("1"));
            auto* note = child<QLabel>(w, "matchingNote");
            QVERIFY(!note->isVisible());
            typeKey(w, Qt::Key_Return);
            QCOMPARE(w.page(), 12);
            auto* perceptual = child<QCheckBox>(w, "perceptual");
            auto* mirror = child<QCheckBox>(w, "mirror");
            QVERIFY(!perceptual->isChecked() && !mirror->isChecked());
            typeKey(w, Qt::Key_R, Qt::AltModifier);
            QTRY_VERIFY(perceptual->isChecked());  // a mnemonic clicks with a short delay
            typeKey(w, Qt::Key_M, Qt::AltModifier);
            QTRY_VERIFY(mirror->isChecked());
            QCOMPARE(QApplication::focusWidget(), mirror);
            typeKey(w, Qt::Key_Space);
            QVERIFY(!mirror->isChecked());
            typeKey(w, Qt::Key_Space);
            QVERIFY(mirror->isChecked());

            // Back on page 11 the preview carries the note, and loses it with the option.
            typeKey(w, Qt::Key_B, Qt::AltModifier);
            QTRY_COMPARE(w.page(), 11);
            QVERIFY(note->isVisible());
            QVERIFY(w.rect().contains(note->geometry().translated(note->parentWidget()->mapTo(&w, QPoint()))));
            perceptual->setFocus();
            typeKey(w, Qt::Key_Space);
            QVERIFY(!note->isVisible());
            typeKey(w, Qt::Key_Space);
            QVERIFY(note->isVisible());

            child(w, "matrX")->setFocus();
            typeKey(w, Qt::Key_Return);
            QCOMPARE(w.page(), 12);
            typeKey(w, Qt::Key_Return);
            renderTo(w, path("matched.bmp"));
            QVERIFY(w.lastJobResult().completed());
            const auto [left, right] = probe(path("matched.bmp"));
            QVERIFY2(std::abs(left - kLabBlue) < std::abs(left - kRgbBlue), qPrintable(QString::number(left)));
            QVERIFY2(right > 150, qPrintable(QString::number(right)));  // yellow, not black or blue
        }
        QCOMPARE(settingText(Setting::Perceptual), QStringLiteral("1"));
        QCOMPARE(settingText(Setting::Mirror), QStringLiteral("1"));

        WizardWindow again;
        reachScanPage(again, "match.bmp", "Match", "2");
        QVERIFY(child<QLabel>(again, "matchingNote")->isVisible());
        typeKey(again, Qt::Key_Return);
        QVERIFY(child<QCheckBox>(again, "perceptual")->isChecked());
        QVERIFY(child<QCheckBox>(again, "mirror")->isChecked());
        typeKey(again, Qt::Key_Return);
        renderTo(again, path("again.bmp"));
        QCOMPARE(probe(path("again.bmp")), probe(path("matched.bmp")));
    }
};

QTEST_MAIN(WizardKeysTest)
#include "test_wizard_keys.moc"
