// One mosaic through the task window (preview on, the platform given by
// QT_QPA_PLATFORM, offscreen by default) against the same job through DispatchJob
// with a host that ignores every report: the window's cost is the difference.
//
//   bench_task_window [--runs N] [--cells WxH]   (default 5 runs of 120x90; the medians are compared)
#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "JobDispatch.h"
#include "support/PictureFile.h"
#include "support/SettingsSchema.h"
#include "task/TaskWindow.h"

#include "BenchUtil.h"

using namespace tx;

namespace {

using txbench::now;

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// 300 tiles of 32 x 32: two-tone noise around a colour each.
void makeLibrary(const QString& folder) {
    QDir().mkpath(folder);
    std::mt19937 rng(7);
    for (int t = 1; t <= 300; ++t) {
        const Colour base = rgb(int(rng() % 256), int(rng() % 256), int(rng() % 256));
        Picture tile(32, 32, base);
        for (int k = 0; k < 200; ++k)
            tile.setPixel(int(rng() % 32), int(rng() % 32), rgb(redOf(base) / 2, greenOf(base) / 2, blueOf(base) / 2));
        saveBmp(tile, folder + QString::number(t) + ".bmp");
    }
}

void makeSource(const QString& path) {
    Picture p(800, 600);
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x) p.setPixel(x, y, rgb(x * 255 / 800, y * 255 / 600, (x + y) % 256));
    saveBmp(p, path);
}

// Runs the job in the task window and presses "&Finished" as soon as it shows;
// returns the seconds from the call until the job was finished.
double throughWindow(const JobRequest& request) {
    double done = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* button = w->findChild<QPushButton*>(QStringLiteral("Command1"));
            if (w->isVisible() && button && button->text() == QLatin1String("&Finished")) {
                if (done == 0) done = now();
                button->click();
            }
        }
    });
    poll.start(2);
    const double start = now();
    const JobResult r = gui::TaskWindow::runJob(nullptr, request);
    if (!r.completed()) std::fprintf(stderr, "window run did not complete\n");
    return done - start;
}

double direct(const JobRequest& request) {
    TaskHost silent;
    Task task(silent);
    const double start = now();
    const JobResult r = DispatchJob(task, request);
    if (!r.completed()) std::fprintf(stderr, "direct run did not complete\n");
    return now() - start;
}

}  // namespace

int main(int argc, char** argv) {
    QTemporaryDir dir;
    txbench::prepareWindowBench(dir.path());
    QApplication app(argc, argv);
    int runs = 5, cellsX = 120, cellsY = 90;
    for (int i = 1; i + 1 < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (a == "--runs") runs = std::max(1, atoi(argv[i + 1]));
        if (a == "--cells") {
            const QStringList wh = QString::fromLocal8Bit(argv[i + 1]).split('x');
            if (wh.size() == 2) cellsX = std::max(1, wh[0].toInt()), cellsY = std::max(1, wh[1].toInt());
        }
    }

    const QString library = dir.path() + "/Tiles/Bench/";
    makeLibrary(library);
    makeSource(dir.path() + "/source.bmp");
    setSettingText(Setting::Prev, QStringLiteral("1"));

    MosaicJob job;
    job.cellsX = cellsX;
    job.cellsY = cellsY;
    job.tileWidth = 32;
    job.tileHeight = 32;
    job.matrX = 4;
    job.matrY = 4;
    job.distance = 3;
    job.sourcePath = dir.path() + "/source.bmp";
    job.libraryFolder = library;
    job.targetPath = dir.path() + "/out.jpg";
    job.fixedLimits = MachineLimits{5000, 5000};
    JobRequest request = jobRequest(job);
    direct(request);  // builds the colour database; not timed

    // The direct run draws the same preview the window asks for, so both do the same work.
    std::get<MosaicJob>(request.options).previewSize = gui::TaskWindow::previewSize();
    std::vector<double> window, plain;
    for (int i = 0; i < runs; ++i) {
        plain.push_back(direct(request));
        window.push_back(throughWindow(request));
    }
    const double w = median(window), p = median(plain);
    std::printf("mosaic %dx%d cells, %d runs (median)\n", job.cellsX, job.cellsY, runs);
    std::printf("  DispatchJob directly:       %.3f s\n", p);
    std::printf("  through the task window:    %.3f s (preview on)\n", w);
    std::printf("  overhead:                   %+.1f %%\n", (w / p - 1) * 100);
    return 0;
}
