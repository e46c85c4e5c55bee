#include <gtest/gtest.h>

#include "JobDispatch.h"
#include "TestUtil.h"

namespace {

TEST(JobDispatch, UnknownNamesStartNothing) {
    for (const char* name : {"", "createmosaic", "CreateMosaic ", "ViewTiles", "Preview", "Foo"}) {
        txtest::RecordingHost host;
        tx::Task task(host);
        tx::JobRequest request;
        request.name = QString::fromLatin1(name);
        EXPECT_FALSE(tx::DispatchJob(task, request)) << name;
        EXPECT_FALSE(task.running());
        EXPECT_FALSE(task.guard().armed());
        EXPECT_TRUE(host.statuses.isEmpty());
    }
}

TEST(JobDispatch, EngineBodyRunsOncePerDispatch) {
    txtest::RecordingHost host;
    tx::Task task(host);
    tx::JobRequest request;
    request.name = QStringLiteral("CreateLibrary");  // an empty source list: a quick job
    ASSERT_TRUE(tx::DispatchJob(task, request));
    EXPECT_FALSE(task.guard().armed());  // the engine took the guard
    const QStringList afterFirst = host.statuses;
    ASSERT_FALSE(afterFirst.isEmpty());
    // Entering the engine again without a new dispatch does nothing.
    tx::CreateLibrary(task, request.createLibrary);
    EXPECT_EQ(host.statuses, afterFirst);
}

}  // namespace
