#include <gtest/gtest.h>

#include <new>
#include <system_error>
#include <utility>

#include "JobDispatch.h"
#include "TestUtil.h"

namespace {

using tx::JobOutcome;

TEST(JobDispatch, UnknownNamesAndMismatchedOptionsStartNothing) {
    for (const char* name : {"", "createmosaic", "CreateMosaic ", "ViewTiles", "Preview", "Foo", "CreateMosaic"}) {
        txtest::RecordingHost host;
        tx::Task task(host);
        tx::JobRequest request;
        request.name = QString::fromLatin1(name);
        request.options = tx::CreateLibraryJob{};  // "CreateMosaic" with a library job's options
        EXPECT_EQ(tx::DispatchJob(task, request).outcome, JobOutcome::NotStarted) << name;
        EXPECT_FALSE(task.running());
        EXPECT_FALSE(task.guard().armed());
        EXPECT_TRUE(host.statuses.isEmpty());
    }
}

TEST(JobDispatch, EngineBodyRunsOncePerDispatch) {
    txtest::RecordingHost host;
    tx::Task task(host);
    const tx::JobRequest request = tx::jobRequest(tx::CreateLibraryJob{});  // no sources: a quick job
    EXPECT_EQ(request.name, "CreateLibrary");
    EXPECT_EQ(tx::DispatchJob(task, request).outcome, JobOutcome::Completed);
    EXPECT_FALSE(task.guard().armed());  // the engine took the guard
    const QStringList afterFirst = host.statuses;
    ASSERT_FALSE(afterFirst.isEmpty());
    // Entering the engine again without a new dispatch does nothing.
    EXPECT_EQ(tx::CreateLibrary(task, std::get<tx::CreateLibraryJob>(request.options)).outcome,
              JobOutcome::NotStarted);
    EXPECT_EQ(host.statuses, afterFirst);
}

// A host that fails the way a worker thread can: out of memory, or a system error.
class ThrowingHost : public txtest::RecordingHost {
public:
    std::function<void()> thrower;
    void statusChanged(const QString& text) override {
        RecordingHost::statusChanged(text);
        fail();
    }
    void progressChanged(int value, int maximum) override {
        RecordingHost::progressChanged(value, maximum);
        fail();
    }

private:
    void fail() {
        if (auto t = std::exchange(thrower, nullptr)) t();  // once: the first report fails
    }
};

TEST(JobDispatch, AnythingAnEngineThrowsBecomesAStoppedResult) {
    QTemporaryDir dir;
    const QString lib = txtest::makeLibrary(dir.filePath("lib"), txtest::flatTiles({tx::rgb(1, 2, 3), tx::rgb(200, 0, 0)}));
    const QString photo = dir.filePath("p.bmp");
    ASSERT_TRUE(tx::saveBmp(txtest::gradient(20, 20), photo));

    tx::MosaicJob mosaic;
    mosaic.cellsX = mosaic.cellsY = 4;
    mosaic.sourcePath = photo;
    mosaic.targetPath = dir.filePath("m.bmp");
    mosaic.libraryFolder = lib;
    mosaic.fixedLimits = tx::MachineLimits{};
    tx::CreateLibraryJob create;
    create.sourceFolder = dir.path();
    create.sourceEntries = {"p.bmp"};
    create.targetFolder = dir.filePath("new");
    tx::UpdateDatabaseJob update;
    update.libraryFolder = lib;
    const std::vector<tx::JobOptions> jobs = {mosaic, create, tx::SearchDoublesJob{lib},
                                              tx::AnalyseLibraryJob{lib}, update};
    const std::vector<std::function<void()>> throwers = {
        [] { throw std::bad_alloc(); },
        [] { throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again)); },
        [] { throw 42; },
    };
    for (const tx::JobOptions& options : jobs) {
        for (std::size_t k = 0; k < throwers.size(); ++k) {
            ThrowingHost host;
            host.thrower = throwers[k];
            tx::Task task(host);
            const tx::JobResult result = tx::DispatchJob(task, tx::jobRequest(options));
            const std::string what = tx::jobRequest(options).name.toStdString() + " #" + std::to_string(k);
            EXPECT_EQ(result.outcome, JobOutcome::Stopped) << what;
            EXPECT_FALSE(result.message.isEmpty()) << what;
            ASSERT_EQ(host.messages.size(), 1) << what;
            EXPECT_EQ(host.messages[0], result.message) << what;
            EXPECT_EQ(host.effects[0], tx::MessageEffect::StopsJob) << what;
        }
    }
}

}  // namespace
