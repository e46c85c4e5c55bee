#include "task/TaskWindow.h"

#include <QCheckBox>
#include <QEventLoop>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>
#include <algorithm>

#include "app/CenterForm.h"
#include "app/ExternalLinks.h"
#include "app/FontScale.h"
#include "library/DoublesDialog.h"
#include "support/SettingsSchema.h"

namespace tx::gui {

namespace {

constexpr int kWidth = 460;
constexpr int kMargin = 10;
constexpr int kFrameLine = 1;        // Picture1's border around vorschau
constexpr int kPictureOffHeight = 125;
constexpr int kPictureOnHeight = 200;
constexpr int kRowHeight = 28;       // the button row at the bottom
constexpr int kPreviewPaintMs = 33;  // ~30 repaints a second

const QString kCancel = QStringLiteral("&Cancel");

}  // namespace

// Shows the latest preview picture at its own size.
class PreviewPicture : public QWidget {
public:
    using QWidget::QWidget;
    void setImage(QImage image) {
        m_image = std::move(image);
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), palette().color(QPalette::Window));
        if (!m_image.isNull()) p.drawImage(0, 0, m_image);
    }

private:
    QImage m_image;
};

QSize TaskWindow::previewSize() {
    return {kWidth - 2 * kMargin - 2 * kFrameLine, kPictureOnHeight - 2 * kFrameLine};
}

JobResult TaskWindow::runJob(QWidget* wizard, const JobRequest& request) {
    JobRequest job = request;
    // The engine always draws its preview, so switching it on mid-job shows the state so far.
    if (auto* mosaic = std::get_if<MosaicJob>(&job.options)) mosaic->previewSize = previewSize();
    if (job.name == QLatin1String("SearchDoubles")) WindowHost::setDoublesAsker(&DoublesDialog::ask);
    TaskWindow window(wizard, std::move(job));
    window.exec();
    return window.waitForWorker();
}

TaskWindow::TaskWindow(QWidget* wizard, JobRequest request)
    : QDialog(wizard), m_wizard(wizard), m_request(std::move(request)),
      m_isMosaic(m_request.name == QLatin1String("CreateMosaic")), m_task(m_host) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Tesselix"));
    setModal(true);
    buildControls();
    setUpCheckBox();
    applyLayout();

    m_host.setWindow(this);
    connect(&m_host, &WindowHost::reportsPending, this, &TaskWindow::applyReports);

    m_updateTime.setInterval(1000);
    connect(&m_updateTime, &QTimer::timeout, this, [this] {
        if (m_running) m_timelab->setText(m_timeText);
    });
    m_updateTime.start();

    m_previewPaint.setSingleShot(true);
    connect(&m_previewPaint, &QTimer::timeout, this, [this] {
        m_vorschau->setImage(std::exchange(m_pendingPreview, QImage()));
        m_lastPreviewPaint.restart();
    });
}

TaskWindow::~TaskWindow() { waitForWorker(); }

void TaskWindow::buildControls() {
    m_label1 = new QLabel(QStringLiteral("Loading..."), this);
    m_label1->setObjectName(QStringLiteral("Label1"));

    m_timelab = new QLabel(this);
    m_timelab->setObjectName(QStringLiteral("Timelab"));
    m_timelab->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    m_progressBar1 = new QProgressBar(this);
    m_progressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    m_progressBar1->setRange(0, 1);
    m_progressBar1->setValue(0);
    m_progressBar1->setTextVisible(false);
    m_progressBar1->setAccessibleName(QStringLiteral("Progress"));

    m_label2 = new QLabel(QStringLiteral("Preview:"), this);
    m_label2->setObjectName(QStringLiteral("Label2"));

    m_picture1 = new QFrame(this);
    m_picture1->setObjectName(QStringLiteral("Picture1"));
    m_picture1->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_picture1->setLineWidth(kFrameLine);

    m_vorschau = new PreviewPicture(m_picture1);
    m_vorschau->setObjectName(QStringLiteral("vorschau"));
    m_vorschau->setGeometry(QRect(QPoint(kFrameLine, kFrameLine), previewSize()));
    m_vorschau->setAccessibleName(QStringLiteral("Preview"));

    m_check1 = new QCheckBox(QStringLiteral("Show &Preview"), this);
    m_check1->setObjectName(QStringLiteral("Check1"));

    m_openMosaic = new QPushButton(QStringLiteral("&Open Mosaic"), this);
    m_openMosaic->setObjectName(QStringLiteral("OpenMosaic"));
    m_openMosaic->setAutoDefault(false);
    m_openMosaic->hide();

    m_command1 = new QPushButton(kCancel, this);
    m_command1->setObjectName(QStringLiteral("Command1"));
    // A stray Return must not throw a running job away: the button becomes the
    // default only once it says "&Finished".
    m_command1->setAutoDefault(false);

    setTabOrder(m_check1, m_openMosaic);
    setTabOrder(m_openMosaic, m_command1);

    connect(m_command1, &QPushButton::clicked, this, &TaskWindow::buttonPressed);
    connect(m_check1, &QCheckBox::toggled, this, [this](bool on) {
        m_task.setPreviewWanted(on);
        applyLayout();
    });
    connect(m_openMosaic, &QPushButton::clicked, this, [this] {
        if (m_result.filesWritten.isEmpty()) return;
        openWithDesktop(this, QUrl::fromLocalFile(m_result.filesWritten.first()));
    });
}

void TaskWindow::setUpCheckBox() {
    // A name outside the table leaves the check box as it is.
    const QSignalBlocker block(m_check1);
    if (m_isMosaic) {
        m_check1->setChecked(settingBool(Setting::Prev));
        m_check1->setEnabled(true);
    } else if (isKnownJob(m_request.name)) {
        m_check1->setChecked(false);
        m_check1->setEnabled(false);
    }
}

void TaskWindow::applyLayout() {
    // Text rows grow with the font; the preview keeps the pixel size the job draws for.
    const QFont& f = font();
    const bool on = m_check1->isChecked();
    const int width = scaled(kWidth, f);
    const int picture = kWidth - 2 * kMargin;
    const int textRow = scaled(20, f);
    const int captionRow = scaled(16, f);
    const int buttonRow = scaled(kRowHeight, f);

    // With the preview off the status block sits in the middle of the free space.
    const int top = on ? kMargin : scaled(24, f);
    m_label1->setGeometry(kMargin, top, scaled(300, f), textRow);
    m_timelab->setGeometry(width - kMargin - scaled(140, f), top, scaled(140, f), textRow);
    const int barTop = top + textRow + 4;
    m_progressBar1->setGeometry(kMargin, barTop, width - 2 * kMargin, 20);

    const int captionTop = barTop + 24;
    const int pictureTop = captionTop + captionRow + 2;
    m_label2->setGeometry(kMargin, captionTop, scaled(200, f), captionRow);
    m_picture1->setGeometry((width - picture) / 2, pictureTop, picture, on ? kPictureOnHeight : kPictureOffHeight);
    m_label2->setVisible(on);
    m_picture1->setVisible(on);
    m_vorschau->setVisible(on);

    const int rowY = on ? pictureTop + kPictureOnHeight + 3 : barTop + 20 + scaled(39, f);
    const int height = rowY + buttonRow + kMargin;
    m_check1->setGeometry(kMargin, rowY + scaled(3, f), scaled(160, f), scaled(22, f));
    m_command1->setGeometry(width - kMargin - scaled(100, f), rowY, scaled(100, f), buttonRow);
    m_openMosaic->setGeometry(width - kMargin - scaled(210, f), rowY, scaled(104, f), buttonRow);

    setFixedSize(width, height);
    CenterForm(this, m_wizard);
}

void TaskWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CenterForm(this, m_wizard);
    // Only the first show starts the job: a window shown or activated again (after
    // a message box, a switch of applications) starts nothing.
    if (std::exchange(m_startPending, false)) QTimer::singleShot(0, this, &TaskWindow::startJob);
}

void TaskWindow::startJob() {
    if (m_closed || !isKnownJob(m_request.name)) return;
    if (m_isMosaic) m_task.setPreviewWanted(m_check1->isChecked());
    m_running = true;
    m_workerBusy = true;
    m_worker = std::jthread([this] {
        const JobResult result = DispatchJob(m_task, m_request);
        QMetaObject::invokeMethod(&m_host, [this, result] { jobEnded(result); }, Qt::QueuedConnection);
    });
}

void TaskWindow::applyReports() {
    if (m_closed) return;
    WindowHost::Reports r = m_host.takeReports();
    if (r.status) m_label1->setText(*r.status);
    if (r.progress) {
        const int maximum = std::max(1, r.progress->second);
        m_progressBar1->setRange(0, maximum);
        m_progressBar1->setValue(std::clamp(r.progress->first, 0, maximum));
    }
    if (r.timeText) m_timeText = *r.timeText;
    if (r.button) {
        m_command1->setText(*r.button);
        const bool finished = *r.button == QLatin1String("&Finished");
        m_command1->setDefault(finished);
        if (finished) m_timelab->clear();  // the job is done: no time left to show
    }
    if (r.preview) {
        m_pendingPreview = std::move(*r.preview);
        schedulePreviewPaint();
    }
    if (r.closeRequested) closeWindow();
}

void TaskWindow::schedulePreviewPaint() {
    if (m_previewPaint.isActive()) return;  // the latest picture goes out when it fires
    const qint64 since = m_lastPreviewPaint.isValid() ? m_lastPreviewPaint.elapsed() : kPreviewPaintMs;
    m_previewPaint.start(static_cast<int>(std::max<qint64>(0, kPreviewPaintMs - since)));
}

void TaskWindow::jobEnded(const JobResult& result) {
    m_result = result;
    m_workerBusy = false;
    m_running = false;
    if (m_waitLoop) m_waitLoop->quit();
    if (m_closed) return;
    applyReports();  // whatever the worker said last
    if (result.completed()) {
        m_timelab->clear();
        m_openMosaic->setVisible(m_isMosaic && !result.filesWritten.isEmpty());
    }
}

void TaskWindow::buttonPressed() {
    if (m_isMosaic) setSettingText(Setting::Prev, m_check1->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    closeWindow();
}

// Escape and the window's close button act like the button.
void TaskWindow::reject() { buttonPressed(); }

void TaskWindow::closeWindow() {
    if (m_closed) return;
    m_closed = true;
    m_running = false;
    m_task.cancel();
    m_updateTime.stop();
    m_previewPaint.stop();
    m_host.setWindow(nullptr);  // nothing the worker still sends reaches the window
    done(QDialog::Accepted);
}

JobResult TaskWindow::waitForWorker() {
    m_closed = true;
    m_host.setWindow(nullptr);
    m_task.cancel();
    if (m_worker.joinable()) {
        if (m_workerBusy) {
            // Paints and the worker's last posts go on; user input waits until the job has ended.
            QEventLoop loop;
            m_waitLoop = &loop;
            loop.exec(QEventLoop::ExcludeUserInputEvents);
            m_waitLoop = nullptr;
        }
        m_worker.join();
    }
    return m_result;
}

}  // namespace tx::gui
