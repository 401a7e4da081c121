// Rewriting a kept file: all the new bytes or the old file, never a part.

#include "platform/atomic_file.h"
#include "platform/ini_document.h"
#include "support/file_size_limit.h"
#include "support/temp_program_dir.h"

#include <gtest/gtest.h>

TEST(AtomicFile, AFullDiskLeavesTheOldFileWholeAndSaysSo)
{
    testsupport::TempProgramDir dir;
    const QString path = dir.filePath(QStringLiteral("a.ini"));
    dir.writeFile(QStringLiteral("a.ini"), "[s]\r\nk=old\r\n");
    QString error;
    {
        testsupport::FileSizeLimit fullDisk(1000);
        EXPECT_FALSE(platform::WriteFileAtomically(path, QByteArray(5000, 'x'), &error));
        // The settings document goes the same way.
        platform::IniDocument doc(path);
        doc.setBytes("[s]\r\nk=" + QByteArray(5000, 'x') + "\r\n");
        EXPECT_FALSE(doc.save());
    }
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(dir.readFile(QStringLiteral("a.ini")), QByteArray("[s]\r\nk=old\r\n"));
    EXPECT_TRUE(platform::WriteFileAtomically(path, "new", &error));
    EXPECT_EQ(dir.readFile(QStringLiteral("a.ini")), QByteArray("new"));
}
