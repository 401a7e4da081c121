#include "platform/clock.h"

#include <gtest/gtest.h>

TEST(SystemClock, MonotonicNeverGoesBackAndSleeperRefusesNegativeWaits)
{
    auto& c = platform::clock();
    const auto t0 = c.monotonicMs();
    EXPECT_TRUE(platform::sleeper().sleepMs(2));
    EXPECT_GE(c.monotonicMs(), t0 + 2);
    EXPECT_FALSE(platform::sleeper().sleepMs(-1));
}
