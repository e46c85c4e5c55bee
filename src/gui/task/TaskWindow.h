#pragma once
// The task window: runs one job on a worker thread and shows its status, progress,
// time left and, for mosaics, the live preview; "&Cancel" stops the job and closes
// the window at once, "&Finished" closes it after the job.
//
// Lifetime: runJob owns the window, the Task and the host. When the window has
// closed, runJob waits for the worker (a cancelled engine stops at its next
// cancellation point) in a local event loop that still paints but takes no user
// input, so the wizard never sees a second job start while the first is ending,
// and nothing the worker posts can reach a destroyed object.

#include <QDialog>
#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <functional>
#include <thread>

#include "JobDispatch.h"
#include "task/WindowHost.h"

class QCheckBox;
class QEventLoop;
class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;

namespace tx::gui {

class PreviewPicture;

class TaskWindow : public QDialog {
    Q_OBJECT
public:
    // Shows the window modally over `wizard`, starts the job exactly once and
    // returns its result when the window has closed and the worker has ended.
    static JobResult runJob(QWidget* wizard, const JobRequest& request);

    // Window heights with the preview off and on, at the design font.
    static constexpr int kHeightPreviewOff = 145;
    static constexpr int kHeightPreviewOn = 317;
    // The inner size of `vorschau` with the preview on: the size a mosaic draws its preview in.
    static QSize previewSize();


    // True from the start of the job until its worker has ended.
    bool workerBusy() const { return m_workerBusy; }

    ~TaskWindow() override;

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    TaskWindow(QWidget* wizard, JobRequest request);

    void buildControls();
    void setUpCheckBox();
    void applyLayout();
    void startJob();
    void applyReports();
    void schedulePreviewPaint();
    void jobEnded(const JobResult& result);
    void buttonPressed();
    void closeWindow();
    JobResult waitForWorker();

    QWidget* m_wizard;
    JobRequest m_request;
    bool m_isMosaic;

    QLabel* m_label1 = nullptr;
    QProgressBar* m_progressBar1 = nullptr;
    QLabel* m_timelab = nullptr;
    QPushButton* m_command1 = nullptr;
    QPushButton* m_openMosaic = nullptr;
    QCheckBox* m_check1 = nullptr;
    QLabel* m_label2 = nullptr;
    QFrame* m_picture1 = nullptr;
    PreviewPicture* m_vorschau = nullptr;

    QTimer m_updateTime;    // copies the time text into Timelab every second
    QTimer m_previewPaint;  // holds back preview repaints to ~30 a second
    QElapsedTimer m_lastPreviewPaint;
    QImage m_pendingPreview;
    QString m_timeText;     // the latest time text from the engine
    bool m_running = false;
    bool m_startPending = true;  // the job starts on the first show only
    bool m_workerBusy = false;
    bool m_closed = false;
    JobResult m_result;
    QEventLoop* m_waitLoop = nullptr;  // runJob's wait for a worker still ending

    // Declared last: the worker is joined before the task and host it uses are destroyed.
    WindowHost m_host;
    Task m_task;
    std::jthread m_worker;
};

}  // namespace tx::gui
