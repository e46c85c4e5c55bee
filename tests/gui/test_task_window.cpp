#include <QtTest>

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSemaphore>
#include <atomic>
#include <functional>
#include <set>

#include "app/ExternalLinks.h"
#include "app/MessageBoxes.h"
#include "support/PictureFile.h"
#include "support/SettingsSchema.h"
#include "task/TaskWindow.h"

using tx::gui::TaskWindow;

namespace {

const QList<tx::Colour> kTileColours = {tx::rgb(200, 30, 30), tx::rgb(30, 200, 30), tx::rgb(30, 30, 200),
                                        tx::rgb(230, 230, 230), tx::rgb(20, 20, 20)};

// Holds the worker when the engine reports a status starting with one of the
// given texts, until the test releases it.
class StatusGate {
public:
    explicit StatusGate(QStringList stops) : m_stops(std::move(stops)) {
        tx::gui::WindowHost::setWorkerHook([this](const QString& status) {
            statuses.append(status);  // only the worker writes while the job runs
            if (m_next < m_stops.size() && status.startsWith(m_stops[m_next])) {
                ++m_next;
                reached.release();
                m_release.tryAcquire(1, 20000);  // a failing test must not hang the worker
            }
        });
    }
    ~StatusGate() {
        m_release.release(10);
        tx::gui::WindowHost::setWorkerHook({});
    }
    bool waitReached() {
        return QTest::qWaitFor([&] { return reached.tryAcquire(); }, 20000);
    }
    void release() { m_release.release(); }

    QStringList statuses;
    QSemaphore reached;

private:
    QStringList m_stops;
    int m_next = 0;
    QSemaphore m_release;
};

struct RecordedBox {
    QWidget* parent;
    tx::MessageIcon icon;
    QString text;
    bool workerWaiting;
};

TaskWindow* taskWindow(QWidget& wizard) {
    TaskWindow* w = wizard.findChild<TaskWindow*>(QStringLiteral("Form1"));
    return w && w->isVisible() ? w : nullptr;
}

// Runs `drive` inside runJob's modal loop as soon as the task window is shown.
void whileOpen(QWidget& wizard, std::function<void(TaskWindow*)> drive) {
    auto* poll = new QTimer(&wizard);
    QObject::connect(poll, &QTimer::timeout, &wizard, [&wizard, poll, drive] {
        if (TaskWindow* w = taskWindow(wizard)) {
            poll->deleteLater();
            poll->stop();
            drive(w);
            // A failed check returns early: close the window so runJob comes back.
            if (w->isVisible()) w->done(QDialog::Rejected);
        }
    });
    poll->start(1);
}

template <class T>
T* child(QWidget* w, const char* name) {
    return w->findChild<T*>(QString::fromLatin1(name));
}

bool finished(TaskWindow* w) {
    return QTest::qWaitFor([w] { return child<QPushButton>(w, "Command1")->text() == "&Finished"; }, 30000);
}

// How many pixels of the widget as painted have one of the tiles' colours.
int tilePixels(QWidget* w) {
    const QImage image = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    std::set<QRgb> wanted;
    for (tx::Colour c : kTileColours) wanted.insert(qRgb(tx::redOf(c), tx::greenOf(c), tx::blueOf(c)));
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += wanted.count(image.pixel(x, y) | 0xFF000000u) ? 1 : 0;
    return n;
}

}  // namespace

class TaskWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QWidget m_wizard;
    QList<RecordedBox> m_boxes;

    QString path(const QString& name) const { return m_dir.path() + "/" + name; }

    tx::MosaicJob mosaicJob(const QString& target) const {
        tx::MosaicJob job;
        job.cellsX = 8;
        job.cellsY = 8;
        job.tileWidth = 8;
        job.tileHeight = 8;
        job.matrX = 2;
        job.matrY = 2;
        job.alpha = 0;  // tiles unblended, so the preview shows their exact colours
        job.sourcePath = path("source.bmp");
        job.libraryFolder = path("Tiles/Mini/");
        job.targetPath = target;
        job.fixedLimits = tx::MachineLimits{5000, 5000};
        return job;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        qputenv("TESSELIX_SETTINGS", path("settings.ini").toUtf8());
        QDir().mkpath(path("Tiles/Mini"));
        for (int k = 0; k < kTileColours.size(); ++k)
            QVERIFY(tx::saveBmp(tx::Picture(8, 8, kTileColours[k]), path("Tiles/Mini/%1.bmp").arg(k + 1)));
        tx::Picture source(64, 64);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) source.setPixel(x, y, tx::rgb(x * 4, y * 4, 128));
        QVERIFY(tx::saveBmp(source, path("source.bmp")));

        m_wizard.setGeometry(100, 100, 503, 388);
        m_wizard.show();
        tx::gui::setMessageBoxHook([this](QWidget* parent, tx::MessageIcon icon, const QString& text,
                                          tx::gui::MessageButtons) {
            auto* w = qobject_cast<TaskWindow*>(parent);
            m_boxes.append({parent, icon, text, w && w->workerBusy()});
            return tx::gui::MessageAnswer::Ok;
        });
    }
    void init() { m_boxes.clear(); }
    void cleanupTestCase() { tx::gui::setMessageBoxHook({}); }

    void wholeMosaicCompletesAndOffersTheResult() {
        tx::setSettingText(tx::Setting::Prev, "1");
        QStringList opened;
        bool desktopHasAViewer = false;
        tx::gui::setUrlOpenerHook([&](const QUrl& url) {
            opened << url.toLocalFile();
            return desktopHasAViewer;
        });
        const QString target = path("whole.bmp");
        whileOpen(m_wizard, [&](TaskWindow* w) {
            QVERIFY(finished(w));
            QCOMPARE(child<QLabel>(w, "Label1")->text(), QStringLiteral("Complete..."));
            QCOMPARE(child<QLabel>(w, "Timelab")->text(), QString());
            QVERIFY(QTest::qWaitFor([w] { return !w->workerBusy(); }, 5000));  // the result decides "&Open Mosaic"
            auto* bar = child<QProgressBar>(w, "ProgressBar1");
            QCOMPARE(bar->value(), bar->maximum());
            QCOMPARE(w->height(), TaskWindow::kHeightPreviewOn);
            QCOMPARE(child<QWidget>(w, "Picture1")->height(), 200);
            QVERIFY(QTest::qWaitFor([&] { return tilePixels(child<QWidget>(w, "vorschau")) > 1000; }, 5000));
            auto* open = child<QPushButton>(w, "OpenMosaic");
            QVERIFY(open->isVisible());
            // No program for the type: the user is told, the window stays.
            QTest::mouseClick(open, Qt::LeftButton);
            QCOMPARE(m_boxes.size(), 1);
            QCOMPARE(m_boxes[0].parent, static_cast<QWidget*>(w));
            QCOMPARE(m_boxes[0].icon, tx::MessageIcon::Exclamation);
            QCOMPARE(m_boxes[0].text, tx::gui::noProgramMessage(QUrl::fromLocalFile(target)));
            QVERIFY(w->isVisible());
            desktopHasAViewer = true;
            QTest::keyClick(open, Qt::Key_Space);
            QCOMPARE(m_boxes.size(), 1);
            // Switching the preview off changes the layout and is what the next job starts with.
            child<QCheckBox>(w, "Check1")->click();
            QCOMPARE(w->height(), TaskWindow::kHeightPreviewOff);
            QCOMPARE(child<QWidget>(w, "Picture1")->height(), 125);
            QVERIFY(!child<QWidget>(w, "vorschau")->isVisible());
            QTest::mouseClick(child<QPushButton>(w, "Command1"), Qt::LeftButton);
        });
        const tx::JobResult result = TaskWindow::runJob(&m_wizard, tx::jobRequest(mosaicJob(target)));
        tx::gui::setUrlOpenerHook({});
        QCOMPARE(result.outcome, tx::JobOutcome::Completed);
        QCOMPARE(result.filesWritten, QStringList{target});
        QCOMPARE(opened, (QStringList{target, target}));
        int width = 0, height = 0;
        QVERIFY(tx::pictureSize(target, width, height));
        QCOMPARE(QSize(width, height), QSize(64, 64));
        QCOMPARE(tx::settingText(tx::Setting::Prev), QStringLiteral("0"));
        QCOMPARE(m_boxes.size(), 1);
    }

    void returnCancelsNothingWhileTheJobRunsAndClosesOnceFinished() {
        tx::setSettingText(tx::Setting::Prev, "0");
        StatusGate gate({"Calculating mosaic..."});
        bool keptRunning = false, finishedIsDefault = false, closedByReturn = false;
        whileOpen(m_wizard, [&](TaskWindow* w) {
            QVERIFY(gate.waitReached());
            auto* button = child<QPushButton>(w, "Command1");
            QTest::keyClick(w, Qt::Key_Return);
            button->setFocus();
            QTest::keyClick(button, Qt::Key_Return);
            keptRunning = w->isVisible();
            gate.release();
            QVERIFY(finished(w));
            finishedIsDefault = button->isDefault();
            QTest::keyClick(w, Qt::Key_Return);
            closedByReturn = !w->isVisible();
        });
        const tx::JobResult result = TaskWindow::runJob(&m_wizard, tx::jobRequest(mosaicJob(path("kept.bmp"))));
        QVERIFY(keptRunning);
        QVERIFY(finishedIsDefault);
        QVERIFY(closedByReturn);
        QCOMPARE(result.outcome, tx::JobOutcome::Completed);
    }

    void escapeCancelsARunningJob() {
        StatusGate gate({"Calculating mosaic..."});
        bool closed = false;
        whileOpen(m_wizard, [&](TaskWindow* w) {
            QVERIFY(gate.waitReached());
            QTest::keyClick(w, Qt::Key_Escape);
            closed = !w->isVisible();
            gate.release();
        });
        const tx::JobResult result = TaskWindow::runJob(&m_wizard, tx::jobRequest(mosaicJob(path("escaped.bmp"))));
        QVERIFY(closed);
        QCOMPARE(result.outcome, tx::JobOutcome::Cancelled);
    }

    void cancelClosesAtOnceAndWritesNothing() {
        tx::setSettingText(tx::Setting::Prev, "0");
        const QString target = path("cancelled.bmp");
        StatusGate gate({"Calculating mosaic..."});
        bool closedAtOnce = false;
        whileOpen(m_wizard, [&](TaskWindow* w) {
            QCOMPARE(w->height(), TaskWindow::kHeightPreviewOff);
            QVERIFY(gate.waitReached());
            child<QCheckBox>(w, "Check1")->click();
            QTest::mouseClick(child<QPushButton>(w, "Command1"), Qt::LeftButton);
            closedAtOnce = !w->isVisible() && w->workerBusy();  // the worker is still held at the gate
            gate.release();
        });
        const tx::JobResult result = TaskWindow::runJob(&m_wizard, tx::jobRequest(mosaicJob(target)));
        QVERIFY(closedAtOnce);
        QCOMPARE(result.outcome, tx::JobOutcome::Cancelled);
        QVERIFY(result.filesWritten.isEmpty());
        QVERIFY(!QFile::exists(target));
        const QStringList leftovers = QDir(m_dir.path()).entryList({"cancelled*", "*.tmp"}, QDir::Files);
        QVERIFY2(leftovers.isEmpty(), qPrintable(leftovers.join(' ')));
        QCOMPARE(tx::settingText(tx::Setting::Prev), QStringLiteral("1"));  // the box as it was at Cancel
        QVERIFY(!gate.statuses.contains("Complete..."));
    }

    void engineMessageBlocksTheWorkerAndKeepsTheWindowOpen() {
        tx::MosaicJob job = mosaicJob(path("stopped.bmp"));
        job.fixedLimits = tx::MachineLimits{20, 20};  // 8 cells x 2 samples x 2 = 32 > 20
        whileOpen(m_wizard, [&](TaskWindow* w) {
            QVERIFY(QTest::qWaitFor([&] { return !m_boxes.isEmpty() && !w->workerBusy(); }, 20000));
            QCOMPARE(m_boxes.size(), 1);
            QCOMPARE(m_boxes[0].parent, static_cast<QWidget*>(w));
            QVERIFY(m_boxes[0].workerWaiting);
            QTest::qWait(50);
            QVERIFY(w->isVisible());
            QCOMPARE(child<QPushButton>(w, "Command1")->text(), QStringLiteral("&Cancel"));
            QTest::mouseClick(child<QPushButton>(w, "Command1"), Qt::LeftButton);
        });
        const tx::JobResult result = TaskWindow::runJob(&m_wizard, tx::jobRequest(job));
        QCOMPARE(result.outcome, tx::JobOutcome::Stopped);
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].icon, tx::MessageIcon::Critical);
        QCOMPARE(m_boxes[0].text, QStringLiteral("Your system can not handle the recognition matrix.\r\n"
                                                 "Please use a smaller matrix or less cells."));
        QCOMPARE(result.message, m_boxes[0].text);
        QVERIFY(!QFile::exists(path("stopped.bmp")));
    }

    void previewSwitchedOnMidJobShowsTheCurrentState() {
        tx::setSettingText(tx::Setting::Prev, "0");
        const QString target = path("switched.bmp");
        StatusGate gate({"Preparing smart table...", "Saving mosaic"});
        int pixelsBeforeSave = -1;
        whileOpen(m_wizard, [&](TaskWindow* w) {
            auto* vorschau = child<QWidget>(w, "vorschau");
            QVERIFY(gate.waitReached());
            QVERIFY(!vorschau->isVisible());
            child<QCheckBox>(w, "Check1")->click();
            QCOMPARE(w->height(), TaskWindow::kHeightPreviewOn);
            QVERIFY(vorschau->isVisible());
            gate.release();
            // Held before the page is saved: the preview shows the placed tiles already.
            QVERIFY(gate.waitReached());
            QVERIFY(QTest::qWaitFor([&] { return tilePixels(vorschau) > 1000; }, 5000));
            pixelsBeforeSave = tilePixels(vorschau);
            QVERIFY(!QFile::exists(target));
            gate.release();
            QVERIFY(finished(w));
            QTest::mouseClick(child<QPushButton>(w, "Command1"), Qt::LeftButton);
        });
        const tx::JobResult result = TaskWindow::runJob(&m_wizard, tx::jobRequest(mosaicJob(target)));
        QCOMPARE(result.outcome, tx::JobOutcome::Completed);
        QVERIFY(pixelsBeforeSave > 1000);
    }

    void libraryJobsRunOnceWithoutPreview() {
        tx::setSettingText(tx::Setting::Prev, "1");
        StatusGate gate({});
        whileOpen(m_wizard, [&](TaskWindow* w) {
            auto* check = child<QCheckBox>(w, "Check1");
            QVERIFY(!check->isChecked());
            QVERIFY(!check->isEnabled());
            QCOMPARE(w->height(), TaskWindow::kHeightPreviewOff);
            QVERIFY(finished(w));
            QVERIFY(QTest::qWaitFor([&] { return !w->workerBusy(); }, 5000));
            // Shown and activated again: nothing starts a second time.
            w->hide();
            w->show();
            w->activateWindow();
            QTest::qWait(100);
            QTest::mouseClick(child<QPushButton>(w, "Command1"), Qt::LeftButton);
        });
        tx::CreateLibraryJob job;
        job.sourceFolder = m_dir.path();
        job.targetFolder = path("Tiles/New/");
        const tx::JobResult result = TaskWindow::runJob(&m_wizard, tx::jobRequest(job));
        QCOMPARE(result.outcome, tx::JobOutcome::Completed);
        QVERIFY(!gate.statuses.isEmpty());
        QCOMPARE(gate.statuses.count(gate.statuses.first()), 1);
        QCOMPARE(gate.statuses.count("Complete..."), 1);
        QCOMPARE(tx::settingText(tx::Setting::Prev), QStringLiteral("1"));  // library jobs never store it
    }
};

QTEST_MAIN(TaskWindowTest)
#include "test_task_window.moc"
