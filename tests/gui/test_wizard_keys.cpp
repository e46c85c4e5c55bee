// The wizard driven by the keyboard alone: Return presses each page's default
// button, Alt+letter reaches its control, the arrow keys and arrows of the scan
// matrix's spin bars count the way they point.

#include <QtTest>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>

#include "WindowTestUtil.h"
#include "app/FileDialogs.h"
#include "app/MessageBoxes.h"
#include "app/PreferencesDialog.h"
#include "app/WizardWindow.h"
#include "support/Picture.h"
#include "support/PictureFile.h"

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
    void reachScanPage(WizardWindow& w) {
        showActive(w);
        typeKey(w, Qt::Key_Return);
        QCOMPARE(w.page(), 1);
        child<QComboBox>(w, "photo_source")->setEditText(path("source.bmp"));
        auto* libraries = child<QComboBox>(w, "Combo1");
        libraries->setCurrentIndex(libraries->findText(QStringLiteral("Lib")));
        child(w, "CellsX")->setFocus();
        typeKey(w, Qt::Key_Return);
        QCOMPARE(w.page(), 11);
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        qputenv("TESSELIX_HOME", path("home").toUtf8());
        QDir().mkpath(path("home/Tiles/Lib"));
        for (int i = 1; i <= 3; ++i)
            QVERIFY(saveBmp(Picture(32, 32, rgb(60 * i, 90, 200 - 50 * i)), path("home/Tiles/Lib/%1.bmp").arg(i)));
        QVERIFY(saveBmp(Picture(64, 64, rgb(90, 180, 90)), path("source.bmp")));
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
            {"matrX", Qt::Key_Up, 1, "6"},     {"matrX", Qt::Key_Down, 2, "4"}, {"matrY", Qt::Key_Up, 1, "6"},
            {"matrY", Qt::Key_Down, 1, "4"},   {"matrX", Qt::Key_Up, 20, "12"}, {"matrY", Qt::Key_Down, 20, "1"},
        };
        for (const auto& c : cases) {
            type(w, c.field, QStringLiteral("5"));
            auto* field = child<QLineEdit>(w, c.field);
            field->setFocus();
            for (int i = 0; i < c.times; ++i) QTest::keyClick(field, c.key);
            QCOMPARE(textOf(w, c.field), c.expected);
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
};

QTEST_MAIN(WizardKeysTest)
#include "test_wizard_keys.moc"
