// The preferences window (validation, settings written, nothing on cancel) and the
// About box (credits scrolling through the splash, the intro closing itself).
#include <QtTest>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include "app/ExternalLinks.h"
#include "app/PreferencesDialog.h"
#include "app/AboutDialog.h"
#include "app/MessageBoxes.h"
#include "mosaic/MachineLimits.h"
#include "support/Registry.h"
#include "support/SettingsSchema.h"

using namespace tx;
using namespace tx::gui;

namespace {

struct ShownMessage {
    MessageIcon icon;
    QString text;
};

template <class W>
W* child(QWidget& w, const char* name) {
    W* c = w.findChild<W*>(QLatin1String(name));
    if (!c) qFatal("no child %s", name);
    return c;
}

bool isStored(const QString& name) { return readSetting(name, QStringLiteral("<none>")) != QLatin1String("<none>"); }

// The rows where the frame differs from the splash picture. Every changed pixel
// must be white text inside the band (220, 220, 92 rows high).
int changedRows(const AboutDialog& box) {
    int rows = 0;
    for (int y = 0; y < box.frame().height(); ++y) {
        bool changed = false;
        for (int x = 0; x < box.frame().width(); ++x) {
            const QRgb shown = box.frame().pixel(x, y);
            if (shown == box.splash().pixel(x, y)) continue;
            changed = true;
            if (shown != qRgb(255, 255, 255) || x < 220 || y < 220 || y >= 312) {
                qWarning("pixel (%d, %d) is %08x", x, y, shown);
                return -1;
            }
        }
        rows += changed;
    }
    return rows;
}

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT
    QList<ShownMessage> m_shown;

private slots:
    void init() {
        QFile::remove(qEnvironmentVariable("TESSELIX_SETTINGS"));
        m_shown.clear();
        setMessageBoxHook([this](QWidget*, MessageIcon icon, const QString& text, MessageButtons) {
            m_shown.append({icon, text});
            return MessageAnswer::Ok;
        });
    }
    void cleanup() {
        setMessageBoxHook({});
        setUrlOpenerHook({});
    }

    void preferencesShowTheStoredValues() {
        setSettingText(Setting::MaxWidth, QStringLiteral("7000"));
        setSettingText(Setting::JPGQuality, QStringLiteral("0"));
        setSettingText(Setting::Check, QStringLiteral("0"));
        PreferencesDialog w;
        QCOMPARE(w.windowTitle(), QStringLiteral("Preferences"));
        QCOMPARE(child<QLineEdit>(w, "Text1")->text(), QStringLiteral("7000"));
        QCOMPARE(child<QLineEdit>(w, "Text2")->text(), QStringLiteral("5000"));
        QCOMPARE(child<QSlider>(w, "Slider1")->value(), 0);
        QCOMPARE(child<QLabel>(w, "Label5")->text(), QStringLiteral("0%"));
        QVERIFY(!child<QCheckBox>(w, "Check1")->isChecked());
        QVERIFY(child<QPushButton>(w, "Command3")->isEnabled());

        // Ticking the check greys the sizes and "Auto"; the label follows the slider.
        child<QCheckBox>(w, "Check1")->click();
        QVERIFY(!child<QLineEdit>(w, "Text1")->isEnabled());
        QVERIFY(!child<QLineEdit>(w, "Text2")->isEnabled());
        QVERIFY(!child<QPushButton>(w, "Command3")->isEnabled());
        child<QSlider>(w, "Slider1")->setValue(75);
        QCOMPARE(child<QLabel>(w, "Label5")->text(), QStringLiteral("75%"));
        QCOMPARE(child<QLineEdit>(w, "Text1")->accessibleName(), QStringLiteral("Width"));
    }

    void invalidSizesKeepTheWindowOpenAndWriteNothing_data() {
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("height");
        QTest::newRow("width 0") << "0" << "5000";
        QTest::newRow("width empty") << "" << "5000";
        QTest::newRow("height not a number") << "4000" << "x";
        QTest::newRow("above 16 bits") << "99000" << "99000";
    }
    void invalidSizesKeepTheWindowOpenAndWriteNothing() {
        QFETCH(QString, width);
        QFETCH(QString, height);
        setSettingText(Setting::Check, QStringLiteral("0"));  // focus can only go to an enabled field
        PreferencesDialog w;
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        child<QLineEdit>(w, "Text1")->setText(width);
        child<QLineEdit>(w, "Text2")->setText(height);
        child<QPushButton>(w, "Command2")->setFocus();
        child<QPushButton>(w, "Command1")->click();
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown[0].text, QStringLiteral("Please select a valid pixel size."));
        QCOMPARE(m_shown[0].icon, MessageIcon::Information);
        QVERIFY(w.isVisible());
        QCOMPARE(QApplication::focusWidget(), child<QLineEdit>(w, "Text1"));
        for (const char* name : {"MaxWidth", "MaxHeight", "JPGQuality"})
            QVERIFY2(!isStored(QLatin1String(name)), name);
    }

    void okWritesEveryValueAndCancelNone() {
        {
            PreferencesDialog w;
            child<QLineEdit>(w, "Text1")->setText(QStringLiteral("6000"));
            child<QSlider>(w, "Slider1")->setValue(42);
            child<QPushButton>(w, "Command2")->click();
            QCOMPARE(w.result(), int(QDialog::Rejected));
            QVERIFY(!isStored(QStringLiteral("MaxWidth")));
            QVERIFY(!isStored(QStringLiteral("JPGQuality")));
        }
        PreferencesDialog w;
        child<QLineEdit>(w, "Text1")->setText(QStringLiteral("6000"));
        child<QLineEdit>(w, "Text2")->setText(QStringLiteral("32767"));
        child<QSlider>(w, "Slider1")->setValue(0);
        child<QCheckBox>(w, "Check1")->click();  // sizes greyed but still validated and written
        child<QPushButton>(w, "Command1")->click();
        QVERIFY(m_shown.isEmpty());
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QCOMPARE(settingText(Setting::MaxWidth), QStringLiteral("6000"));
        QCOMPARE(settingText(Setting::MaxHeight), QStringLiteral("32767"));
        QCOMPARE(settingText(Setting::JPGQuality), QStringLiteral("0"));
        QCOMPARE(settingText(Setting::Check), QStringLiteral("0"));
    }

    void autoFillsTheMeasuredLimits() {
        setSettingText(Setting::Check, QStringLiteral("0"));
        PreferencesDialog w;
        auto* autoButton = child<QPushButton>(w, "Command3");
        autoButton->click();
        const MachineLimits measured = TestMachine();
        QCOMPARE(child<QLineEdit>(w, "Text1")->text(), QString::number(measured.maxWidth));
        QCOMPARE(child<QLineEdit>(w, "Text2")->text(), QString::number(measured.maxHeight));
        QVERIFY(autoButton->isEnabled());
        QVERIFY(!isStored(QStringLiteral("MaxWidth")));  // stored only by "&OK"
    }

    void creditsScrollThroughTheBandAndOut() {
        AboutDialog box(false);
        QCOMPARE(box.windowTitle(), QStringLiteral("About "));
        QCOMPARE(box.size(), box.splash().size());
        const int start = box.scrollPosition();
        QVERIFY(start > 0);
        box.scrollStep();
        const int first = changedRows(box);
        QVERIFY2(first > 0 && first < 92, qPrintable(QString::number(first)));  // entering from below
        for (int i = 0; i < 60; ++i) box.scrollStep();
        QVERIFY(changedRows(box) > first);
        QCOMPARE(box.scrollPosition(), start + 61);
        // Long after the text has passed, the band shows the plain splash.
        for (int i = 0; i < 1000; ++i) box.scrollStep();
        QCOMPARE(changedRows(box), 0);
    }

    void creditsStartScrollingOnTheirOwn() {
        AboutDialog box(false);
        box.show();
        const int start = box.scrollPosition();
        QTRY_VERIFY_WITH_TIMEOUT(box.scrollPosition() > start + 2, 3000);
        QTest::keyClick(&box, Qt::Key_Escape);
        QVERIFY(!box.isVisible());
    }

    void introIgnoresEscapeAndClosesItself() {
        AboutDialog box(true);
        box.show();
        QVERIFY(!child<QLabel>(box, "Label3")->isVisible());
        QTest::keyClick(&box, Qt::Key_Escape);
        QTest::mouseClick(&box, Qt::LeftButton);
        QVERIFY(box.isVisible());
        const int start = box.scrollPosition();
        QTRY_VERIFY_WITH_TIMEOUT(!box.isVisible(), 4000);
        QCOMPARE(box.scrollPosition(), start);  // the intro does not scroll
    }

    void websiteLinkOpensTheBrowser() {
        QList<QUrl> opened;
        setUrlOpenerHook([&](const QUrl& url) {
            opened.append(url);
            return true;
        });
        AboutDialog box(false);
        box.show();
        QTest::mouseClick(child<QLabel>(box, "Label3"), Qt::LeftButton);
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened[0].scheme(), QStringLiteral("https"));
        QVERIFY(box.isVisible());  // the click on the link does not close the box
        QVERIFY(m_shown.isEmpty());

        setUrlOpenerHook([](const QUrl&) { return false; });  // no browser at all
        QTest::mouseClick(child<QLabel>(box, "Label3"), Qt::LeftButton);
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown[0].icon, MessageIcon::Exclamation);
        QCOMPARE(m_shown[0].text, noProgramMessage(opened[0]));
        QVERIFY(box.isVisible());
        QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(!box.isVisible());
    }

    void noProgramMessageNamesWhatCouldNotBeOpened_data() {
        QTest::addColumn<QUrl>("url");
        QTest::addColumn<QString>("says");
        QTest::addColumn<QString>("doesNotSay");
        QTest::newRow("a picture file") << QUrl::fromLocalFile(QStringLiteral("/tmp/my mosaic.jpg"))
                                        << QStringLiteral("No program is set up to open \"/tmp/my mosaic.jpg\".")
                                        << QStringLiteral("browser");
        QTest::newRow("a web address") << QUrl(QStringLiteral("https://tesselix.org/"))
                                       << QStringLiteral("No web browser could be started for https://tesselix.org/.")
                                       << QStringLiteral("file:");
    }
    void noProgramMessageNamesWhatCouldNotBeOpened() {
        QFETCH(QUrl, url);
        QFETCH(QString, says);
        QFETCH(QString, doesNotSay);
        const QString text = noProgramMessage(url);
        QVERIFY2(text.startsWith(says), qPrintable(text));
        QVERIFY(!text.contains(doesNotSay));
    }
};

QTEST_MAIN(DialogsTest)
#include "test_dialogs.moc"
