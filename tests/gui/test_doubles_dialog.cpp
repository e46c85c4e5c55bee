#include <QtTest>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "library/DoublesDialog.h"
#include "library/SearchDoubles.h"
#include "support/PictureFile.h"
#include "task/TaskWindow.h"

using tx::DoublesAnswer;
using tx::gui::TaskWindow;
using tx::gui::DoublesDialog;

Q_DECLARE_METATYPE(tx::DoublesAnswer)

namespace {

template <class T>
T* child(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(QString::fromLatin1(name));
    if (!c) qFatal("no control %s", name);
    return c;
}

QRgb shown(QWidget* dialog, const char* box, int x, int y) {
    return child<QLabel>(dialog, box)->pixmap().toImage().pixel(x, y) | 0xFF000000u;
}

const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kGreen = qRgb(0, 255, 0);
const QRgb kYellow = qRgb(255, 255, 0);

tx::DoublesQuestion question(tx::Picture a, tx::Picture b, double d) {
    tx::DoublesQuestion q;
    q.i = 0;
    q.j = 1;
    q.fileI = QStringLiteral("a.bmp");
    q.fileJ = QStringLiteral("b.jpg");
    q.d = d;
    q.tileI = std::move(a);
    q.tileJ = std::move(b);
    return q;
}

// A tile whose pixels are all different, so that a wrong tile or a shifted copy shows.
tx::Picture patternTile(int seed) {
    tx::Picture p(12, 12);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) p.setPixel(x, y, tx::rgb(x * 20 + seed, y * 20, (x * y + seed) % 256));
    return p;
}

}  // namespace

class DoublesDialogTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QWidget m_wizard;

    QString library() const { return m_dir.path() + "/Tiles/Doubles/"; }

    void makeLibrary(const QList<int>& seeds) {
        QDir(library()).removeRecursively();
        QVERIFY(QDir().mkpath(library()));
        for (int k = 0; k < seeds.size(); ++k)
            QVERIFY(tx::saveBmp(patternTile(seeds[k]), library() + QString::number(k + 1) + ".bmp"));
    }

    QStringList tiles() const { return QDir(library()).entryList({"*.bmp"}, QDir::Files, QDir::Name); }

    // Runs the search through the task window; `press` answers each dialog by the
    // name of a button (and "Check1" ticks the box first). Returns what the dialogs showed.
    QStringList search(const QStringList& press, tx::JobResult& result) {
        QStringList seen;
        int next = 0;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* dialog = qobject_cast<DoublesDialog*>(QApplication::activeModalWidget());
            if (dialog && dialog->isVisible()) {
                seen << child<QLabel>(dialog, "Label1")->text() + "|" + child<QLabel>(dialog, "Label2")->text() +
                            "|" + child<QLabel>(dialog, "Label3")->text();
                if (next >= press.size()) {
                    dialog->reject();
                    return;
                }
                QStringList steps = press[next++].split('+');
                for (const QString& name : steps) child<QAbstractButton>(dialog, name.toLatin1().constData())->click();
                return;
            }
            TaskWindow* task = m_wizard.findChild<TaskWindow*>(QStringLiteral("Form1"));
            if (task && task->isVisible() && child<QPushButton>(task, "Command1")->text() == "&Finished")
                child<QPushButton>(task, "Command1")->click();
        });
        poll.start(5);
        QTimer watchdog;  // a failing test must not hang
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, this, [] {
            if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
        });
        watchdog.start(20000);
        result = TaskWindow::runJob(&m_wizard, tx::jobRequest(tx::SearchDoublesJob{library()}));
        return seen;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        qputenv("XDG_DATA_HOME", (m_dir.path() + "/data").toUtf8());  // the desktop's trash
        qRegisterMetaType<tx::DoublesAnswer>();
        m_wizard.setGeometry(100, 100, 503, 388);
        m_wizard.show();
    }

    void tilesAreCentredWithTheirProportions() {
        // A wide red tile and a tall green one in 160 x 120 boxes: the red one fills
        // the width (80 high at y 20), the green one the height (60 wide at x 50).
        DoublesDialog dialog(question(tx::Picture(40, 20, tx::rgb(255, 0, 0)), tx::Picture(20, 40, tx::rgb(0, 255, 0)), 0));
        QCOMPARE(child<QLabel>(&dialog, "Picture1")->pixmap().size(), QSize(160, 120));
        QCOMPARE(shown(&dialog, "Picture1", 80, 19), kBlack);
        QCOMPARE(shown(&dialog, "Picture1", 80, 20), kRed);
        QCOMPARE(shown(&dialog, "Picture1", 0, 99), kRed);
        QCOMPARE(shown(&dialog, "Picture1", 159, 100), kBlack);
        QCOMPARE(shown(&dialog, "Picture2", 49, 60), kBlack);
        QCOMPARE(shown(&dialog, "Picture2", 50, 0), kGreen);
        QCOMPARE(shown(&dialog, "Picture2", 109, 119), kGreen);
        QCOMPARE(shown(&dialog, "Picture2", 110, 60), kBlack);

        // The difference at half size: yellow where both tiles overlap, each alone where only one is.
        QCOMPARE(child<QLabel>(&dialog, "Picture3")->pixmap().size(), QSize(80, 60));
        QCOMPARE(shown(&dialog, "Picture3", 40, 30), kYellow);
        QCOMPARE(shown(&dialog, "Picture3", 5, 30), kRed);
        QCOMPARE(shown(&dialog, "Picture3", 40, 2), kGreen);
        QCOMPARE(shown(&dialog, "Picture3", 2, 2), kBlack);
        // The 3 x 3 reduction in blocks: the middle cell lies wholly in the overlap;
        // the top-middle one is half green, half yellow; the middle-left one red
        // with a sliver of yellow.
        const QImage reduced = child<QLabel>(&dialog, "Picture4")->pixmap().toImage();
        QCOMPARE(reduced.size(), QSize(3 * DoublesDialog::kReducedBlock, 3 * DoublesDialog::kReducedBlock));
        QCOMPARE(reduced.pixel(30, 30) | 0xFF000000u, kYellow);
        QCOMPARE(reduced.pixel(20, 20), reduced.pixel(39, 39));
        const QRgb top = reduced.pixel(30, 10), left = reduced.pixel(10, 30);
        QCOMPARE(qGreen(top), 255);
        QVERIFY(qRed(top) > 100 && qRed(top) < 160);
        QCOMPARE(qRed(left), 255);
        QVERIFY(qGreen(left) > 0 && qGreen(left) < 40);
    }

    void labelsShowNamesAndDifference() {
        const struct {
            double d;
            const char* text;
        } cases[] = {{0, "0"}, {1000, "1000"}, {17.5, "17.5"}};
        for (const auto& c : cases) {
            DoublesDialog dialog(question(patternTile(1), patternTile(1), c.d));
            QCOMPARE(child<QLabel>(&dialog, "Label3")->text(), QString::fromLatin1(c.text));
            QCOMPARE(child<QLabel>(&dialog, "Label1")->text(), QStringLiteral("a.bmp"));
            QCOMPARE(child<QLabel>(&dialog, "Label2")->text(), QStringLiteral("b.jpg"));
        }
    }

    void eachButtonGivesItsAnswer_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("box");
        QTest::addColumn<DoublesAnswer>("expected");
        QTest::newRow("delete first") << "Command2" << false << DoublesAnswer::Kill1;
        QTest::newRow("delete second") << "Command1" << false << DoublesAnswer::Kill2;
        QTest::newRow("delete second, every later") << "Command1" << true << DoublesAnswer::KillAll;
        QTest::newRow("cancel") << "Command3" << false << DoublesAnswer::Keep;
        QTest::newRow("cancel with box") << "Command3" << true << DoublesAnswer::Keep;
        QTest::newRow("stop") << "Command4" << false << DoublesAnswer::Abort;
        QTest::newRow("stop with box") << "Command4" << true << DoublesAnswer::Abort;
    }
    void eachButtonGivesItsAnswer() {
        QFETCH(QString, button);
        QFETCH(bool, box);
        QFETCH(DoublesAnswer, expected);
        DoublesDialog dialog(question(patternTile(1), patternTile(2), 5), &m_wizard);
        dialog.show();
        if (box) QTest::mouseClick(child<QCheckBox>(&dialog, "Check1"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(&dialog, button.toLatin1().constData()), Qt::LeftButton);
        QCOMPARE(dialog.answer(), expected);
        QVERIFY(!dialog.isVisible());
    }

    void keyboardAndBoxRules() {
        // Escape keeps both; Enter too (Cancel is the default button), never a deletion.
        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
            DoublesDialog dialog(question(patternTile(1), patternTile(2), 5), &m_wizard);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            QTest::keyClick(&dialog, key);
            QCOMPARE(dialog.answer(), DoublesAnswer::Keep);
            QVERIFY(!dialog.isVisible());
        }
        // The box only goes with the second tile's Delete: the first one is off while it is ticked.
        DoublesDialog dialog(question(patternTile(1), patternTile(2), 5), &m_wizard);
        auto* box = child<QCheckBox>(&dialog, "Check1");
        auto* first = child<QPushButton>(&dialog, "Command2");
        QVERIFY(first->isEnabled());
        box->setChecked(true);
        QVERIFY(!first->isEnabled());
        box->setChecked(false);
        QVERIFY(first->isEnabled());
    }

    void searchDeletesTheSecondTileWhenAsked() {
        makeLibrary({1, 1, 90});
        tx::JobResult result;
        const QStringList seen = search({"Command1"}, result);
        QCOMPARE(seen, QStringList{"1.bmp|2.bmp|0"});
        QCOMPARE(result.outcome, tx::JobOutcome::Completed);
        QCOMPARE(result.filesRemoved, QStringList{library() + "2.bmp"});
        QCOMPARE(tiles(), (QStringList{"1.bmp", "3.bmp"}));
    }

    void searchAnswersEveryLaterDoubleWithTheBox() {
        // Four copies: one question, then the second tile of every later pair goes unasked.
        makeLibrary({7, 7, 7, 7, 90});
        tx::JobResult result;
        const QStringList seen = search({"Check1+Command1"}, result);
        QCOMPARE(seen.size(), 1);
        QCOMPARE(result.outcome, tx::JobOutcome::Completed);
        QCOMPARE(tiles(), (QStringList{"1.bmp", "5.bmp"}));
    }
};

QTEST_MAIN(DoublesDialogTest)
#include "test_doubles_dialog.moc"
