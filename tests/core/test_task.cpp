#include <gtest/gtest.h>
#include <cmath>
#include <limits>

#include "TestUtil.h"

TEST(TimeLeft, FormatsHoursMinutesSeconds) {
    const std::pair<double, const char*> cases[] = {
        {3725, "01:02:05"}, {59, "00:00:59"}, {59.99, "00:00:59"},  // the fraction is dropped
        {0, "00:00:00"},    {36000, "10:00:00"}, {360000, "100:00:00"}, {32767 * 3600.0 + 61, "32767:01:01"},
        // Absurd estimates do not crash.
        {-5, "00:00:00"}, {-1e300, "00:00:00"}, {std::numeric_limits<double>::quiet_NaN(), "00:00:00"},
        {std::numeric_limits<double>::infinity(), "00:00:00"}, {-std::numeric_limits<double>::infinity(), "00:00:00"},
    };
    for (auto [seconds, text] : cases) EXPECT_EQ(tx::formatTimeLeft(seconds), QString("Time left: ") + text) << seconds;
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
    est.start();  // fast units show zero
    EXPECT_EQ(est.update(1000, 1), QStringLiteral("Time left: 00:00:00"));
}

TEST(Task, TimeLeftFollowsTheProgressCount) {
    txtest::RecordingHost host;
    double now = 0;
    tx::Task task(host, [&now] { return now; });
    task.setRunning(true);
    task.setMaximum(10);
    task.step();
    task.startTimeEstimate();
    for (int i = 0; i < 4; ++i) {
        now += 10;
        task.step();
        task.updateTimeEstimate();
    }
    // 40 s for 4 units after the first, 5 of 10 to go.
    EXPECT_EQ(task.timeText(), QStringLiteral("Time left: 00:00:50"));
    EXPECT_EQ(host.timeTexts.last(), task.timeText());
}
