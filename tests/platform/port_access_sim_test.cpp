#include "platform/port_access_sim.h"
#include "support/fakes.h"

#include <gtest/gtest.h>

using platform::SimulatedPortAccess;

TEST(SimulatedPortAccess, LogsWritesInOrderWithTheirTimesAndReadsTheLastValue)
{
    testsupport::FakeClock clock;
    SimulatedPortAccess ports;
    QStringList problems;
    EXPECT_FALSE(ports.write(0x378, 1));   // closed: nothing written
    EXPECT_EQ(ports.read(0x378), 0xFF);
    ASSERT_TRUE(ports.open(problems));

    const auto t0 = clock.monotonicMs();
    EXPECT_TRUE(ports.write(0x378, 0x05));
    clock.advanceMs(2);
    EXPECT_TRUE(ports.write(0x3FC, 0x03));
    EXPECT_TRUE(ports.write(0x378, 0x00));
    ports.poke(0x3FE, 0x30);   // an input line, not a write

    ASSERT_EQ(ports.writes().size(), 3u);
    EXPECT_EQ(ports.writes()[0].value, 0x05);
    EXPECT_EQ(ports.writes()[0].time_ms, t0);
    EXPECT_EQ(ports.writes()[1].address, 0x3FC);
    EXPECT_EQ(ports.writes()[1].time_ms, t0 + 2);
    EXPECT_EQ(ports.read(0x378), 0x00);
    EXPECT_EQ(ports.read(0x3FE), 0x30);

    ports.close();
    ports.failOpenWith({QStringLiteral("no port")});
    EXPECT_FALSE(ports.open(problems));
    EXPECT_EQ(problems, QStringList{QStringLiteral("no port")});
    EXPECT_FALSE(ports.write(0x378, 0xFF));
    EXPECT_EQ(ports.writes().size(), 3u);
}
