#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "app/MessageBoxes.h"
#include "support/SettingsSchema.h"
#include "viewer/ViewerWindow.h"
#include "viewer/MagnifierCursors.h"

using tx::gui::ViewerWindow;
using tx::gui::MessageAnswer;
using tx::gui::MessageButtons;

namespace {

// A source whose cells all differ: red across, green down, never black.
tx::Picture gradient(int w, int h) {
    tx::Picture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.setPixel(x, y, tx::rgb(20 + x * 200 / w, 20 + y * 200 / h, 128));
    return p;
}

QRgb cellColour(const ViewerWindow& f, tx::viewer::Cell c) {
    const tx::Colour v = f.cellPicture().pixel(static_cast<int>(c.x), static_cast<int>(c.y));
    return qRgb(tx::redOf(v), tx::greenOf(v), tx::blueOf(v));
}

struct Asked {
    tx::MessageIcon icon;
    QString text;
    MessageButtons buttons;
};

}  // namespace

class ViewerWindowTest : public QObject {
    Q_OBJECT
private slots:
    void opensWithItsCaptionAndControls() {
        tx::setSettingText(tx::Setting::Lines, QStringLiteral("1"));
        ViewerWindow f(gradient(100, 100), 10, 10, QSize(32, 32));
        f.show();
        QCOMPARE(f.objectName(), QStringLiteral("Form9"));
        QCOMPARE(f.windowTitle(), QStringLiteral("Source Preview"));
        QCOMPARE(f.size(), QSize(408, 342));
        auto* area = f.findChild<QLabel*>(QStringLiteral("bildschirm"));
        QVERIFY(area);
        QCOMPARE(area->geometry(), QRect(4, 4, 400, 300));
        QCOMPARE(f.findChild<QCheckBox*>(QStringLiteral("Check1"))->text(), QStringLiteral("Show &lines"));
        QCOMPARE(f.findChild<QPushButton*>(QStringLiteral("Command1"))->text(), QStringLiteral("&Close"));
        // 10 x 10 square cells: the covering view, 40 pixels per cell, cell (0, 0) top left
        QCOMPARE(f.geometry().view().width, 400);
        QCOMPARE(f.buffer().pixel(20, 20), cellColour(f, {0, 0}));
        QCOMPARE(f.buffer().pixel(380, 290), cellColour(f, {9, 7}));
    }

    void clicksZoomOnTheClickedCell() {
        ViewerWindow f(gradient(400, 400), 100, 100, QSize(32, 32));
        f.show();
        auto* area = f.findChild<QLabel*>(QStringLiteral("bildschirm"));
        QTest::mouseClick(area, Qt::LeftButton, {}, QPoint(200, 150));
        QCOMPARE(f.geometry().view().width, 800);
        QCOMPARE(f.geometry().cellAt(200, 150), (tx::viewer::Cell{50, 37}));
        QCOMPARE(f.buffer().pixel(203, 153), cellColour(f, {50, 37}));  // inside the cell, off its lines

        // the right button shows the minus magnifier while held, then zooms out
        QTest::mousePress(area, Qt::RightButton, {}, QPoint(200, 150));
        QCOMPARE(area->cursor().pixmap().toImage(), tx::gui::zoomOutCursor().pixmap().toImage());
        QTest::mouseRelease(area, Qt::RightButton, {}, QPoint(200, 150));
        QCOMPARE(area->cursor().pixmap().toImage(), tx::gui::zoomInCursor().pixmap().toImage());
        QCOMPARE(f.geometry().view().width, 400);
    }

    void linesFollowTheCheckBoxAndAreStored() {
        tx::setSettingText(tx::Setting::Lines, QStringLiteral("0"));
        ViewerWindow f(gradient(100, 100), 10, 10, QSize(32, 32));
        f.show();
        auto* lines = f.findChild<QCheckBox*>(QStringLiteral("Check1"));
        QVERIFY(!lines->isChecked());
        // x = 40 is the first column of cell 1, where its line lies
        QCOMPARE(f.buffer().pixel(40, 100), cellColour(f, {1, 2}));
        QTest::mouseClick(lines, Qt::LeftButton);
        QCOMPARE(f.buffer().pixel(40, 100), qRgb(0, 0, 0));
        QCOMPARE(f.buffer().pixel(100, 40), qRgb(0, 0, 0));
        QCOMPARE(f.buffer().pixel(20, 20), cellColour(f, {0, 0}));
        QTest::mouseClick(f.findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
        QVERIFY(!f.isVisible());
        QCOMPARE(tx::settingText(tx::Setting::Lines), QStringLiteral("1"));
    }

    void opensModallyAndEscapeCloses() {
        tx::setSettingText(tx::Setting::Lines, QStringLiteral("1"));
        QWidget wizard;
        bool opened = false;
        QTimer::singleShot(0, [&] {
            auto* f = qobject_cast<ViewerWindow*>(QApplication::activeModalWidget());
            opened = f != nullptr;
            if (!f) return;
            f->findChild<QCheckBox*>(QStringLiteral("Check1"))->setChecked(false);
            QTest::keyClick(f, Qt::Key_Escape);
        });
        ViewerWindow::showPreview(&wizard, gradient(50, 50), 5, 5, QSize(32, 32));
        QVERIFY(opened);
        QCOMPARE(tx::settingText(tx::Setting::Lines), QStringLiteral("0"));
        // no cells: nothing opens
        opened = false;
        QTimer::singleShot(0, [&] {
            opened = QApplication::activeModalWidget() != nullptr;
            if (opened) QApplication::activeModalWidget()->close();
        });
        ViewerWindow::showPreview(&wizard, gradient(50, 50), 0, 5, QSize(32, 32));
        QTest::qWait(1);
        QVERIFY(!opened);
    }

    void previewQuestionsInOrder() {
        QList<Asked> asked;
        QList<MessageAnswer> answers;
        tx::gui::setMessageBoxHook([&](QWidget*, tx::MessageIcon icon, const QString& text, MessageButtons b) {
            asked.append({icon, text, b});
            return answers.isEmpty() ? MessageAnswer::Yes : answers.takeFirst();
        });
        const QString big = QStringLiteral(
            "The mosaic size is quite big.\r\nNormally your should not need more than 200x200 cells.\r\n"
            "Your system might crash during calculation.\r\n\r\nContinue anyway?");
        const QString huge = QStringLiteral(
            "You imported a huge source image (>1 MegaPixel).\r\nYour system might crash during calculation. "
            "\r\n\r\nContinue anyway?");

        bool dontAsk = false;
        QVERIFY(tx::gui::confirmPreview(nullptr, 200, 200, QSize(1000, 1000), dontAsk));
        QVERIFY(asked.isEmpty());
        QVERIFY(!dontAsk);

        QVERIFY(tx::gui::confirmPreview(nullptr, 201, 200, QSize(1001, 1000), dontAsk));
        QCOMPARE(asked.size(), 2);
        QCOMPARE(asked[0].text, big);
        QCOMPARE(asked[1].text, huge);
        QCOMPARE(asked[0].icon, tx::MessageIcon::Critical);
        QCOMPARE(asked[1].icon, tx::MessageIcon::Critical);
        QCOMPARE(asked[0].buttons, MessageButtons::YesNo);
        QVERIFY(dontAsk);
        // accepted once: not asked again
        asked.clear();
        QVERIFY(tx::gui::confirmPreview(nullptr, 201, 200, QSize(1001, 1000), dontAsk));
        QVERIFY(asked.isEmpty());

        // No to the first question stops at once
        dontAsk = false;
        answers = {MessageAnswer::No};
        QVERIFY(!tx::gui::confirmPreview(nullptr, 201, 200, QSize(1001, 1000), dontAsk));
        QCOMPARE(asked.size(), 1);
        QVERIFY(!dontAsk);
        tx::gui::setMessageBoxHook({});
    }
};

QTEST_MAIN(ViewerWindowTest)
#include "test_viewer_window.moc"
