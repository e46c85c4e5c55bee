// Paging through a library of 20000 small tiles in the tile viewer (the platform
// given by QT_QPA_PLATFORM, offscreen by default).
//
//   bench_tile_viewer [--tiles N] [--pages N]   (defaults 20000 tiles, 40 page changes)
//
// Three figures per page change, from the press on "&Next >" to the page on screen:
//   decoded:  the page was decoded ahead (the user paused on the page before);
//   at once:  "&Next >" pressed the moment the previous page showed, so the page
//             may still be decoding;
// and the opening: window built (folder listed) and first page shown.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "BenchUtil.h"
#include "support/PictureFile.h"
#include "viewer/TileView.h"

using namespace tx;

namespace {

void makeLibrary(const QString& folder, int count) {
    QDir().mkpath(folder);
    for (int t = 0; t < count; ++t) {
        Picture tile(32, 32, rgb(t * 37 % 256, t * 91 % 256, t * 13 % 256));
        tile.fillRect({8, 8, 16, 16}, rgb(t % 256, 255 - t % 256, 128));
        saveBmp(tile, folder + QStringLiteral("%1.bmp").arg(t, 5, 10, QLatin1Char('0')));
    }
}

// Lets the event loop run for `ms` milliseconds (decodes arrive meanwhile).
void settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Presses "&Next >" and returns the milliseconds until the next page is shown.
double nextPage(gui::TileViewer& viewer, QPushButton* next) {
    QElapsedTimer clock;
    bool shown = false;
    QEventLoop loop;
    const auto c = QObject::connect(&viewer, &gui::TileViewer::pageShown, &loop, [&] {
        shown = true;
        loop.quit();
    });
    clock.start();
    next->click();
    if (!shown) loop.exec();
    const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    QObject::disconnect(c);
    return ms;
}

struct Figures {
    double median = 0, worst = 0;
};
Figures figures(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v.back()};
}

}  // namespace

int main(int argc, char** argv) {
    QTemporaryDir dir;
    txbench::prepareWindowBench(dir.path());
    QApplication app(argc, argv);
    int tiles = 20000, pages = 40;
    for (int i = 1; i + 1 < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--tiles")) tiles = std::max(1, atoi(argv[i + 1]));
        if (arg == QLatin1String("--pages")) pages = std::max(1, atoi(argv[i + 1]));
    }

    const QString library = dir.path() + "/Tiles/Bench/";
    QElapsedTimer clock;
    clock.start();
    makeLibrary(library, tiles);
    std::printf("library of %d tiles of 32 x 32 made in %.1f s\n", tiles, clock.elapsed() / 1000.0);

    clock.restart();
    gui::TileViewer viewer(library);
    const double built = clock.nsecsElapsed() / 1e6;
    bool first = false;
    QObject::connect(&viewer, &gui::TileViewer::pageShown, [&] { first = true; });
    viewer.show();
    while (!first) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double firstShown = clock.nsecsElapsed() / 1e6;
    auto* next = viewer.findChild<QPushButton*>(QStringLiteral("Command4"));
    const int perPage = viewer.browser().grid().tilesPerPage;
    std::printf("%d tiles per page, %d pages\n", perPage, viewer.browser().lastPage() + 1);
    std::printf("open: window built %.1f ms, first page shown %.1f ms\n", built, firstShown);

    std::vector<double> decoded, atOnce;
    for (int i = 0; i < pages && viewer.browser().canGoForward(); ++i) {
        settle(150);
        decoded.push_back(nextPage(viewer, next));
    }
    for (int i = 0; i < pages && viewer.browser().canGoForward(); ++i) atOnce.push_back(nextPage(viewer, next));

    const Figures d = figures(decoded), a = figures(atOnce);
    std::printf("page change, page decoded ahead: median %.2f ms, worst %.2f ms (%zu changes)\n", d.median, d.worst,
                decoded.size());
    std::printf("page change, pressed at once:    median %.2f ms, worst %.2f ms (%zu changes)\n", a.median, a.worst,
                atOnce.size());
    return 0;
}
