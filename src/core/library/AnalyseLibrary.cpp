#include "library/AnalyseLibrary.h"

#include "library/ColourDatabase.h"
#include "library/LibraryAnalysis.h"
#include "library/TileLibrary.h"
#include "support/SortTable.h"
#include "task/EngineRun.h"

namespace tx {

namespace {

void analyseLibrary(Task& task, const AnalyseLibraryJob& job) {
    TaskHost& host = task.host();

    const QStringList tiles = tileList(job.libraryFolder);
    const int n = static_cast<int>(tiles.size());
    if (n <= 0) {
        // Nothing to measure: close the window instead of leaving it open with "&Cancel".
        task.addProblem(QStringLiteral("The library holds no tiles."));
        task.markCompleted();
        task.setRunning(false);
        host.closeRequested();
        return;
    }

    ColourDatabaseRequest request;
    request.libraryFolder = job.libraryFolder;
    request.tiles = tiles;
    request.tileCount = n;
    request.matrX = 1;
    request.matrY = 1;
    request.force = job.updateDatabase;
    request.greyscale = job.greyscale;
    request.filter = job.filter;
    TileColourTable table;
    if (!LoadColourDatabase(task, request, table) || !task.running()) return;

    task.setStatus(QStringLiteral("Analysing Library..."));
    task.setValue(0);

    OrderTable brightness(static_cast<std::size_t>(n));
    for (int t = 1; t <= n; ++t) {
        const std::uint8_t* c = table.cell(t, 0, 0);
        brightness[static_cast<std::size_t>(t - 1)].key = c[0] + c[1] + c[2];
    }
    SortTable(brightness);
    std::vector<std::int32_t> sums(brightness.size());
    for (std::size_t k = 0; k < brightness.size(); ++k) sums[k] = brightness[k].key;

    const BrightnessFit fit = fitBrightness(sums);
    const QString score = scoreText(fit.percent);

    const QSize size = job.graphSize;
    AnalysisGraph graph(sums, size.width(), size.height());
    // The score shows at once; the graph follows when it is drawn.
    host.analysisResult(score, graph.picture());

    task.setMaximum(n - 1);
    for (int x = 0; x < graph.width(); ++x) {
        const int rank = graph.drawColumn(x);
        if (!task.running()) {
            // A cancel keeps the score and the part of the graph drawn so far.
            host.analysisResult(score, graph.picture());
            return;
        }
        task.setValue(rank);
    }
    host.analysisResult(score, graph.picture());
    task.markCompleted();
    task.setRunning(false);
    host.closeRequested();
}

}  // namespace

JobResult AnalyseLibrary(Task& task, const AnalyseLibraryJob& job) {
    return runEngine(task, [&] {
        if (task.begin()) analyseLibrary(task, job);
    });
}

}  // namespace tx
