#include "platform/memory_status.h"
#include "support/temp_program_dir.h"

#include <gtest/gtest.h>

TEST(MemoryStatus, ReadsMeminfoAndKeepsAMarginFromTheBudget)
{
    const QByteArray meminfo = "MemTotal:        8000000 kB\n"
                               "MemFree:          100000 kB\n"
                               "MemAvailable:    2000000 kB\n"
                               "SwapTotal:       1000000 kB\n"
                               "CommitLimit:     5000000 kB\n"
                               "Committed_AS:    1000000 kB\n";
    const platform::MemoryStatus s = platform::parseMeminfo(meminfo);
    EXPECT_EQ(s.totalPhys, 8000000ull * 1024);
    EXPECT_EQ(s.availPhys, 2000000ull * 1024);
    EXPECT_EQ(s.loadPercent, 75u);
    EXPECT_EQ(s.totalPageFile, 5000000ull * 1024);
    EXPECT_EQ(s.availPageFile, 4000000ull * 1024);
    EXPECT_GT(s.totalVirtual, s.availVirtual);
    // Without MemAvailable, MemFree stands in.
    EXPECT_EQ(platform::parseMeminfo("MemTotal: 100 kB\nMemFree: 40 kB\n").availPhys, 40u * 1024);

    testsupport::TempProgramDir dir;
    dir.writeFile(QStringLiteral("meminfo"), meminfo);
    platform::setMeminfoPath(dir.filePath(QStringLiteral("meminfo")));
    // A tenth of 8 GB is kept back.
    EXPECT_EQ(platform::memoryBudgetBytes(), (2000000ull - 800000ull) * 1024);
    platform::setMeminfoPath(dir.filePath(QStringLiteral("missing")));
    EXPECT_FALSE(platform::readMemoryStatus());
    EXPECT_EQ(platform::memoryBudgetBytes(), 0u);
    platform::setMeminfoPath({});
    EXPECT_TRUE(platform::readMemoryStatus());
}
