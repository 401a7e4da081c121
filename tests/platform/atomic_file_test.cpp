// Rewriting a kept file: all the new bytes or the old file, never a part.

#include "platform/atomic_file.h"
#include "platform/ini_document.h"
#include "support/file_size_limit.h"
#include "support/temp_program_dir.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <cerrno>
#include <cstring>
#include <unistd.h>

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
    // The reason is the system's, though the disk filled up part way.
    EXPECT_EQ(error, QString::fromLocal8Bit(std::strerror(EFBIG)));
    EXPECT_EQ(dir.readFile(QStringLiteral("a.ini")), QByteArray("[s]\r\nk=old\r\n"));
    EXPECT_TRUE(platform::WriteFileAtomically(path, "new", &error));
    EXPECT_EQ(dir.readFile(QStringLiteral("a.ini")), QByteArray("new"));
}

TEST(AtomicFile, TheRewrittenFileKeepsItsModeExactlyEvenReadOnly)
{
    testsupport::TempProgramDir dir;
    const QString path = dir.filePath(QStringLiteral("NightjarPro.ini"));
    constexpr auto modeBits = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                              | QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
                              | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    const QFileDevice::Permissions modes[] = {
        QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther,   // 0444
        QFileDevice::ReadOwner | QFileDevice::WriteOwner,                           // 0600
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::WriteGroup
            | QFileDevice::ReadOther,                                               // 0664
    };
    for (const auto mode : modes) {
        dir.writeFile(QStringLiteral("NightjarPro.ini"), "[s]\r\nk=old\r\n");
        ASSERT_TRUE(QFile::setPermissions(path, mode));
        QString error;
        // Someone who may not write a read-only file is refused and the
        // file stays as it was; whoever may write it keeps its mode.
        const bool mayWrite = (mode & QFileDevice::WriteOwner) || geteuid() == 0;
        EXPECT_EQ(platform::WriteFileAtomically(path, "[s]\r\nk=new\r\n", &error), mayWrite) << error.toStdString();
        EXPECT_EQ(QFileInfo(path).permissions() & modeBits, mode) << std::hex << int(mode);
        EXPECT_EQ(dir.readFile(QStringLiteral("NightjarPro.ini")),
                  QByteArray(mayWrite ? "[s]\r\nk=new\r\n" : "[s]\r\nk=old\r\n"));
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
}
