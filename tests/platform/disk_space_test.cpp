#include "platform/disk_space.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(DiskSpace, FreeBytesOfAFolderAndMinusOneForAMissingPath)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_GT(DiskSpace::DiskFreeSpace(dir.path()), 0);
    EXPECT_GT(DiskSpace::DiskFreeSpace(QString()), 0);   // the current directory
    EXPECT_EQ(DiskSpace::DiskFreeSpace(dir.filePath(QStringLiteral("missing/deeper"))), -1);
}
