#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "../TrashedFiles.h"
#include "app/ExternalLinks.h"
#include "app/MessageBoxes.h"
#include "support/PictureFile.h"
#include "viewer/TileView.h"

using tx::gui::MessageAnswer;
using tx::gui::MessageButtons;
using tx::gui::TileViewer;

namespace {

// A colour of its own for every tile, never grey, black or the background.
tx::Colour tileColour(int i) { return tx::rgb(40 + i % 200, 250 - i % 170, 20 + (i * 7) % 60); }
QRgb qtColour(tx::Colour c) { return qRgb(tx::redOf(c), tx::greenOf(c), tx::blueOf(c)); }

QString tileName(int i) { return QStringLiteral("t%1.bmp").arg(i, 4, 10, QLatin1Char('0')); }

// `count` flat 32 x 32 tiles named in list order, and one colour database.
QString makeLibrary(const QTemporaryDir& dir, int count) {
    const QString folder = dir.path() + QStringLiteral("/Lib/");
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i) tx::saveBmp(tx::Picture(32, 32, tileColour(i)), folder + tileName(i));
    QFile db(folder + QStringLiteral("4x4.txt"));
    db.open(QIODevice::WriteOnly);
    db.write("1\n");
    return folder;
}

struct Asked {
    tx::MessageIcon icon;
    QString text;
};

}  // namespace

class TileViewerTest : public QObject {
    Q_OBJECT

    QList<Asked> m_asked;
    MessageAnswer m_answer = MessageAnswer::Yes;

    static QLabel* area(TileViewer& v) { return v.findChild<QLabel*>(QStringLiteral("bildschirm")); }
    static QLabel* magnifier(TileViewer& v) { return v.findChild<QLabel*>(QStringLiteral("Image1")); }
    static QLabel* indicator(TileViewer& v) { return v.findChild<QLabel*>(QStringLiteral("Label2")); }
    static QPushButton* button(TileViewer& v, const char* name) {
        return v.findChild<QPushButton*>(QString::fromLatin1(name));
    }
    static void press(TileViewer& v, QPoint at) { QTest::mousePress(area(v), Qt::LeftButton, {}, at); }
    // Selects the tile at `at` and answers the question of the Delete key.
    void markAt(TileViewer& v, QPoint at) {
        press(v, at);
        QTest::keyClick(area(v), Qt::Key_Delete);
    }

    QTemporaryDir m_data;  // holds the desktop's trash

private slots:
    void initTestCase() { qputenv("XDG_DATA_HOME", m_data.path().toUtf8()); }
    void init() {
        m_asked.clear();
        m_answer = MessageAnswer::Yes;
        tx::gui::setMessageBoxHook([this](QWidget*, tx::MessageIcon icon, const QString& text, MessageButtons) {
            m_asked.append({icon, text});
            return m_answer;
        });
    }
    void cleanup() {
        tx::gui::setMessageBoxHook({});
        tx::gui::setUrlOpenerHook({});
    }

    void pagesThroughTheLibrary() {
        QTemporaryDir dir;
        TileViewer v(makeLibrary(dir, 131));
        v.show();
        QTRY_COMPARE(indicator(v)->text(), QStringLiteral("1/2"));
        // 13 x 10 tiles of 32 x 32: the area grows to 428 x 329
        QCOMPARE(area(v)->geometry(), QRect(4, 4, 428, 329));
        QCOMPARE(v.size(), QSize(436, 371));
        QCOMPARE(v.findChild<QWidget*>(QStringLiteral("editbtns"))->geometry(), QRect(18, 337, 400, 33));
        QVERIFY(!button(v, "Command5")->isEnabled());
        QVERIFY(button(v, "Command4")->isEnabled());
        QCOMPARE(v.buffer().pixel(33 * 12, 33 * 9), qtColour(tileColour(129)));
        QCOMPARE(v.buffer().pixel(32, 5), qRgb(0, 0, 0));

        QTest::mouseClick(button(v, "Command4"), Qt::LeftButton);
        QTRY_COMPARE(indicator(v)->text(), QStringLiteral("2/2"));
        QCOMPARE(v.buffer().pixel(5, 5), qtColour(tileColour(130)));
        QCOMPARE(v.buffer().pixel(40, 5), v.palette().color(QPalette::Window).rgb());
        QVERIFY(button(v, "Command5")->isEnabled());
        QVERIFY(!button(v, "Command4")->isEnabled());

        // an exact multiple of a page has no empty last page
        QTemporaryDir exact;
        TileViewer one(makeLibrary(exact, 130));
        QTRY_COMPARE(indicator(one)->text(), QStringLiteral("1/1"));
        QVERIFY(!button(one, "Command4")->isEnabled());

        // no library: no area, both page buttons off
        TileViewer none(QString{});
        QVERIFY(area(none)->isHidden());
        QVERIFY(!button(none, "Command4")->isEnabled());
        QVERIFY(!button(none, "Command5")->isEnabled());
    }

    void selectionShowsTheMagnifiedCopyInsideTheArea() {
        QTemporaryDir dir;
        TileViewer v(makeLibrary(dir, 300));
        v.show();
        QTRY_COMPARE(indicator(v)->text(), QStringLiteral("1/3"));
        press(v, {5, 5});
        QCOMPARE(v.browser().selected(), 0);
        QVERIFY(magnifier(v)->isVisible());
        QCOMPARE(magnifier(v)->geometry(), QRect(0, 0, 54, 54));
        QCOMPARE(magnifier(v)->pixmap().toImage().pixel(27, 27), qtColour(tileColour(0)));

        // last column: the copy ends at the area's right edge
        press(v, {420, 40});
        QCOMPARE(v.browser().selected(), 25);
        QCOMPARE(magnifier(v)->geometry().right(), area(v)->width() - 1);

        // on page 2, (40, 70) is tile 157; paging hides the copy and ends the selection
        QTest::mouseClick(button(v, "Command4"), Qt::LeftButton);
        QTRY_COMPARE(indicator(v)->text(), QStringLiteral("2/3"));
        press(v, {40, 70});
        QCOMPARE(v.browser().selected(), 157);
        QTest::mouseClick(button(v, "Command4"), Qt::LeftButton);
        QTRY_COMPARE(indicator(v)->text(), QStringLiteral("3/3"));
        QVERIFY(!magnifier(v)->isVisible());
        QCOMPARE(v.browser().selected(), -1);

        // past the last tile: no selection; a press on the indicator clears it too
        press(v, {200, 200});
        QCOMPARE(v.browser().selected(), -1);
        press(v, {5, 5});
        QCOMPARE(v.browser().selected(), 260);
        QTest::mousePress(indicator(v), Qt::LeftButton);
        QCOMPARE(v.browser().selected(), -1);
        QVERIFY(!magnifier(v)->isVisible());
    }

    void doubleClickOpensAndRightButtonShowsTheMenu() {
        QTemporaryDir dir;
        const QString folder = makeLibrary(dir, 20);
        TileViewer v(folder);
        v.show();
        QTRY_COMPARE(indicator(v)->text(), QStringLiteral("1/1"));
        QList<QUrl> opened;
        tx::gui::setUrlOpenerHook([&](const QUrl& u) {
            opened.append(u);
            return true;
        });
        QTest::mouseDClick(area(v), Qt::LeftButton, {}, {40, 5});
        QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(folder + tileName(1))});

        QTest::mousePress(area(v), Qt::RightButton, {}, {70, 5});
        QTest::mouseRelease(area(v), Qt::RightButton, {}, {70, 5});
        auto* menu = v.findChild<QMenu*>(QStringLiteral("popupmnu"));
        QTRY_VERIFY(menu->isVisible());
        menu->findChild<QAction*>(QStringLiteral("reloadmnu"))->trigger();
        QCOMPARE(opened.last(), QUrl::fromLocalFile(folder + tileName(2)));
        menu->hide();
        QVERIFY(m_asked.isEmpty());

        // A desktop without a program for the tile's type: the user is told so.
        tx::gui::setUrlOpenerHook([](const QUrl&) { return false; });
        QTest::mouseDClick(area(v), Qt::LeftButton, {}, {40, 5});
        QCOMPARE(m_asked.size(), 1);
        QCOMPARE(m_asked[0].icon, tx::MessageIcon::Exclamation);
        QVERIFY2(m_asked[0].text.contains(QDir::toNativeSeparators(folder + tileName(1))), qPrintable(m_asked[0].text));
        QVERIFY(v.isVisible());
    }

    void marksSurvivePagingAndOkDeletesExactlyThem() {
        QTemporaryDir dir;
        const QString folder = makeLibrary(dir, 300);
        TileViewer v(folder);
        v.show();
        QTRY_COMPARE(indicator(v)->text(), QStringLiteral("1/3"));

        // Delete with nothing selected asks nothing
        QTest::keyClick(area(v), Qt::Key_Delete);
        QVERIFY(m_asked.isEmpty());

        // No keeps the tile
        m_answer = MessageAnswer::No;
        markAt(v, {5, 5});
        QCOMPARE(m_asked.size(), 1);
        QCOMPARE(m_asked[0].icon, tx::MessageIcon::Question);
        QCOMPARE(m_asked[0].text, QStringLiteral("Do you really want to delete this tile?"));
        QVERIFY(v.browser().marks().isEmpty());

        m_answer = MessageAnswer::Yes;
        markAt(v, {5, 5});
        QTest::mouseClick(button(v, "Command4"), Qt::LeftButton);
        QTRY_COMPARE(indicator(v)->text(), QStringLiteral("2/3"));
        markAt(v, {40, 70});  // tile 157
        const QRgb background = v.palette().color(QPalette::Window).rgb();
        QCOMPARE(v.buffer().pixel(40, 70), background);
        QCOMPARE(v.buffer().pixel(73, 70), qtColour(tileColour(158)));  // later tiles stay put
        QTest::mouseClick(button(v, "Command5"), Qt::LeftButton);
        QTRY_COMPARE(indicator(v)->text(), QStringLiteral("1/3"));
        QCOMPARE(v.buffer().pixel(5, 5), background);
        press(v, {5, 5});  // a marked tile cannot be selected
        QCOMPARE(v.browser().selected(), -1);

        QTest::mouseClick(button(v, "Command2"), Qt::LeftButton);
        QCOMPARE(v.result(), int(QDialog::Accepted));
        QCOMPARE(v.deletedTiles(), (QStringList{tileName(0), tileName(157)}));
        const QStringList left = QDir(folder).entryList(QDir::Files);
        QCOMPARE(left.size(), 298);
        QVERIFY(!left.contains(tileName(0)));
        QVERIFY(!left.contains(tileName(157)));
        QVERIFY(!left.contains(QStringLiteral("4x4.txt")));
        QVERIFY(txtest::trashedPaths().contains(folder + tileName(157)));  // the tiles can be had back
        QCOMPARE(m_asked.size(), 3);  // no problem to report
    }

    void cancelForgetsTheMarks() {
        QTemporaryDir dir;
        const QString folder = makeLibrary(dir, 50);
        TileViewer v(folder);
        v.show();
        QTRY_COMPARE(indicator(v)->text(), QStringLiteral("1/1"));
        markAt(v, {5, 5});
        markAt(v, {40, 5});
        QCOMPARE(v.browser().marks().size(), 2);
        QTest::keyClick(&v, Qt::Key_Escape);
        QCOMPARE(v.result(), int(QDialog::Rejected));
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 51);
    }

    void unreadableTileShowsACross() {
        QTemporaryDir dir;
        const QString folder = makeLibrary(dir, 5);
        QFile broken(folder + tileName(1));
        QVERIFY(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
        broken.write("not a picture");
        broken.close();
        TileViewer v(folder);
        v.show();
        QTRY_COMPARE(indicator(v)->text(), QStringLiteral("1/1"));
        const QImage& page = v.buffer();
        const QRgb background = v.palette().color(QPalette::Window).rgb();
        // cell 1 spans x 33..64: the cross meets its corners, its middle edges stay empty
        QCOMPARE(page.pixel(33, 0), qRgb(128, 128, 128));
        QCOMPARE(page.pixel(64, 31), qRgb(128, 128, 128));
        QCOMPARE(page.pixel(64, 0), qRgb(128, 128, 128));
        QCOMPARE(page.pixel(48, 0), background);
        QCOMPARE(page.pixel(66, 0), qtColour(tileColour(2)));
        // it can still be selected and marked
        press(v, {48, 16});
        QCOMPARE(v.browser().selected(), 1);
        QVERIFY(magnifier(v)->isVisible());
    }

    void titleNamesTheLibrary() {
        QTemporaryDir dir;
        TileViewer v(makeLibrary(dir, 3));
        QCOMPARE(v.windowTitle(), QStringLiteral("Tiles of 'Lib'"));
        QCOMPARE(TileViewer(QString{}).windowTitle(), QStringLiteral("Tiles"));
    }

    void cellSizeComesFromTheFirstTileThatDecodes() {
        QTemporaryDir dir;
        const QString folder = makeLibrary(dir, 131);
        // first in the list, its header says 640 x 480, its data ends early
        QImage big(640, 480, QImage::Format_RGB32);
        big.fill(Qt::red);
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        QVERIFY(buffer.open(QIODevice::WriteOnly) && big.save(&buffer, "JPG"));
        QFile cut(folder + QStringLiteral("a.jpg"));
        QVERIFY(cut.open(QIODevice::WriteOnly));
        cut.write(jpeg.left(jpeg.size() / 3));
        cut.close();
        TileViewer v(folder);
        v.show();
        QTRY_COMPARE(indicator(v)->text(), QStringLiteral("1/2"));
        QCOMPARE(area(v)->geometry(), QRect(4, 4, 428, 329));
    }

    void selectionEndsWhenItsPageIsLeft() {
        QTemporaryDir dir;
        TileViewer v(makeLibrary(dir, 300));
        v.show();
        v.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&v));
        QTRY_COMPARE(indicator(v)->text(), QStringLiteral("1/3"));
        press(v, {5, 5});
        QCOMPARE(v.browser().selected(), 0);
        QTest::keyClick(&v, Qt::Key_N, Qt::AltModifier);
        QTRY_COMPARE(indicator(v)->text(), QStringLiteral("2/3"));
        QTest::keyClick(area(v), Qt::Key_Delete);
        QVERIFY(m_asked.isEmpty());
        QTest::keyClick(&v, Qt::Key_B, Qt::AltModifier);
        QTRY_COMPARE(indicator(v)->text(), QStringLiteral("1/3"));
        QTest::keyClick(area(v), Qt::Key_Delete);
        QVERIFY(m_asked.isEmpty());
        QVERIFY(v.browser().marks().isEmpty());
        QCOMPARE(v.buffer().pixel(5, 5), qtColour(tileColour(0)));
    }

    void editedTileIsReadAgainWhenItsPageIsShownAgain() {
        QTemporaryDir dir;
        const QString folder = makeLibrary(dir, 300);
        TileViewer v(folder);
        v.show();
        v.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&v));
        QTRY_COMPARE(indicator(v)->text(), QStringLiteral("1/3"));
        QCOMPARE(v.buffer().pixel(5, 5), qtColour(tileColour(0)));
        QTest::keyClick(&v, Qt::Key_N, Qt::AltModifier);
        QTRY_COMPARE(indicator(v)->text(), QStringLiteral("2/3"));
        // saved by an editor: same name, same size in bytes, a new time
        const tx::Colour edited = tx::rgb(1, 2, 250);
        QVERIFY(tx::saveBmp(tx::Picture(32, 32, edited), folder + tileName(0)));
        QFile file(folder + tileName(0));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime));
        file.close();
        QTest::keyClick(&v, Qt::Key_B, Qt::AltModifier);
        QTRY_COMPARE(indicator(v)->text(), QStringLiteral("1/3"));
        QCOMPARE(v.buffer().pixel(5, 5), qtColour(edited));
        QCOMPARE(v.buffer().pixel(40, 5), qtColour(tileColour(1)));
    }

    void failedDeletionIsReported() {
        QTemporaryDir dir;
        const QString folder = makeLibrary(dir, 5);
        TileViewer v(folder);
        v.show();
        QTRY_COMPARE(indicator(v)->text(), QStringLiteral("1/1"));
        markAt(v, {5, 5});
        markAt(v, {40, 5});
        // the first marked tile became a folder meanwhile: it cannot go as a file
        QVERIFY(QFile::remove(folder + tileName(0)));
        QVERIFY(QDir().mkdir(folder + tileName(0)));
        QTest::mouseClick(button(v, "Command2"), Qt::LeftButton);
        QCOMPARE(v.deletedTiles(), QStringList{tileName(1)});
        QCOMPARE(m_asked.size(), 3);
        QCOMPARE(m_asked[2].icon, tx::MessageIcon::Information);
        QVERIFY(m_asked[2].text.startsWith(QLatin1String("This tile could not be deleted:")));
        QVERIFY(m_asked[2].text.contains(tileName(0)));
        QVERIFY(!QFile::exists(folder + tileName(1)));
    }
};

QTEST_MAIN(TileViewerTest)
#include "test_tile_viewer.moc"
