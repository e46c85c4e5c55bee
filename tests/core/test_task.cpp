#include <gtest/gtest.h>
#include <cmath>
#include <limits>

#include "TestUtil.h"
#include "task/Task.h"

TEST(TimeLeft, FormatsHoursMinutesSeconds) {
    EXPECT_EQ(tx::formatTimeLeft(3725), QStringLiteral("Time left: 01:02:05"));
    EXPECT_EQ(tx::formatTimeLeft(59), QStringLiteral("Time left: 00:00:59"));
    EXPECT_EQ(tx::formatTimeLeft(59.99), QStringLiteral("Time left: 00:00:59"));  // fraction dropped
    EXPECT_EQ(tx::formatTimeLeft(0), QStringLiteral("Time left: 00:00:00"));
    EXPECT_EQ(tx::formatTimeLeft(36000), QStringLiteral("Time left: 10:00:00"));
    EXPECT_EQ(tx::formatTimeLeft(360000), QStringLiteral("Time left: 100:00:00"));
    EXPECT_EQ(tx::formatTimeLeft(32767 * 3600.0 + 61), QStringLiteral("Time left: 32767:01:01"));
}

TEST(TimeLeft, AbsurdEstimatesDoNotCrash) {
    const double odd[] = {-5, -1e300, std::numeric_limits<double>::quiet_NaN(),
                          std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
    for (double v : odd) EXPECT_EQ(tx::formatTimeLeft(v), QStringLiteral("Time left: 00:00:00")) << v;
    const QString huge = tx::formatTimeLeft(1e300);
    EXPECT_TRUE(huge.startsWith(QStringLiteral("Time left: ")));
    EXPECT_TRUE(huge.endsWith(QStringLiteral(":00:00"))) << huge.toStdString();
}

TEST(TimeLeft, EstimateFromAverageUnitTime) {
    double now = 100;
    tx::TimeEstimate est([&now] { return now; });
    est.start();  // after the first unit
    QString text;
    for (int done = 1; done <= 4; ++done) {
        now += 10;
        text = est.update(10, done);
    }
    EXPECT_EQ(text, QStringLiteral("Time left: 00:01:00"));  // 40 s / 4 units * 6 to go

    est.start();  // a new phase forgets the old average
    now += 3;
    EXPECT_EQ(est.update(5, 4), QStringLiteral("Time left: 00:00:03"));
}

TEST(TimeLeft, FastUnitsShowZero) {
    double now = 0;
    tx::TimeEstimate est([&now] { return now; });
    est.start();
    EXPECT_EQ(est.update(1000, 1), QStringLiteral("Time left: 00:00:00"));
}

TEST(Task, GuardTakesOncePerArm) {
    tx::JobGuard g;
    EXPECT_FALSE(g.take());
    g.arm();
    EXPECT_TRUE(g.armed());
    EXPECT_TRUE(g.take());
    EXPECT_FALSE(g.take());
    EXPECT_FALSE(g.armed());
    g.arm();
    EXPECT_TRUE(g.take());
}

TEST(Task, ProgressAndTimeReachTheHost) {
    txtest::RecordingHost host;
    double now = 0;
    tx::Task task(host, [&now] { return now; });
    task.setMaximum(10);
    task.step();
    task.startTimeEstimate();
    for (int i = 0; i < 4; ++i) {
        now += 10;
        task.step();
        task.updateTimeEstimate();
    }
    EXPECT_EQ(host.lastMaximum, 10);
    EXPECT_EQ(host.lastValue, 5);
    EXPECT_EQ(task.timeText(), QStringLiteral("Time left: 00:00:50"));
    EXPECT_EQ(host.timeTexts.last(), task.timeText());
    task.clearTimeText();
    EXPECT_TRUE(host.timeTexts.last().isEmpty());
}

TEST(Task, FinishReportsCompletion) {
    txtest::RecordingHost host;
    tx::Task task(host);
    task.setRunning(true);
    EXPECT_TRUE(task.running());
    task.setStatus(QStringLiteral("Working..."));
    task.finish();
    EXPECT_FALSE(task.running());
    EXPECT_EQ(host.statuses.last(), QStringLiteral("Complete..."));
    EXPECT_EQ(host.buttons.last(), QStringLiteral("&Finished"));
    ASSERT_FALSE(host.timeTexts.isEmpty());
    EXPECT_TRUE(host.timeTexts.last().isEmpty());
    EXPECT_TRUE(task.timeText().isEmpty());

    task.setRunning(true);
    task.cancel();
    EXPECT_FALSE(task.running());
}
