#include "platform/clock.h"
#include "support/fakes.h"

#include <gtest/gtest.h>

TEST(SystemClock, MonotonicNeverGoesBackAndSleeperRefusesNegativeWaits)
{
    auto& c = platform::clock();
    const auto t0 = c.monotonicMs();
    EXPECT_TRUE(platform::sleeper().sleepMs(2));
    EXPECT_GE(c.monotonicMs(), t0 + 2);
    EXPECT_FALSE(platform::sleeper().sleepMs(-1));
}

TEST(FakeClock, StepsAcrossMidnightOnBothClocks)
{
    testsupport::FakeClock fake(QDateTime(QDate(2026, 12, 6), QTime(23, 59, 59, 500)));
    testsupport::FakeSleeper sleeper(&fake);
    const auto t0 = platform::clock().monotonicMs();
    EXPECT_TRUE(platform::sleeper().sleepMs(1000));
    EXPECT_EQ(platform::clock().monotonicMs() - t0, 1000);
    EXPECT_EQ(platform::clock().wallNow(), QDateTime(QDate(2026, 12, 7), QTime(0, 0, 0, 500)));
    EXPECT_FALSE(platform::sleeper().sleepMs(-5));
    EXPECT_EQ(sleeper.waits.size(), 1u);
}
