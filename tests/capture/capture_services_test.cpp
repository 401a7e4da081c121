#include "capture/avi_compression.h"
#include "capture/plugin_mgr.h"
#include "support/temp_program_dir.h"

#include <QtEndian>
#include <gtest/gtest.h>

TEST(AVICompression, ReadsThe44ByteCodecRecordFieldByField)
{
    testsupport::TempProgramDir dir;
    const TCompressOptions before = AVICompression::CompressOptions;
    EXPECT_FALSE(AVICompression::LoadCompressOptions(dir.filePath(QStringLiteral("njpcompress.dat"))));

    QByteArray record(kCompressOptionsSize, '\0');
    auto put = [&](int field, quint32 v) { qToLittleEndian(v, record.data() + 4 * field); };
    put(0, AVICompression::StrToFourCC(QStringLiteral("vids")));
    put(1, AVICompression::StrToFourCC(QStringLiteral("MJPG")));
    put(2, 18);
    put(3, 5000);
    put(10, 1);
    dir.writeFile(QStringLiteral("njpcompress.dat"), record.left(20));
    EXPECT_FALSE(AVICompression::LoadCompressOptions(dir.filePath(QStringLiteral("njpcompress.dat"))))
        << "a short record is not read";
    EXPECT_EQ(AVICompression::CompressOptions.fccHandler, before.fccHandler);

    dir.writeFile(QStringLiteral("njpcompress.dat"), record);
    ASSERT_TRUE(AVICompression::LoadCompressOptions(dir.filePath(QStringLiteral("njpcompress.dat"))));
    const auto& o = AVICompression::CompressOptions;
    EXPECT_EQ(AVICompression::FourCCToStr(o.fccHandler), QStringLiteral("MJPG"));
    EXPECT_EQ(o.dwKeyFrameEvery, 18u);
    EXPECT_EQ(o.dwQuality, 5000u);
    EXPECT_EQ(o.dwInterleaveEvery, 1u);
    EXPECT_FALSE(AVICompression::GetCodecName(QStringLiteral("MJPG")).isEmpty());
    EXPECT_NE(AVICompression::GetCodecName(QStringLiteral("MJPG")), QStringLiteral("Unknown"));
    EXPECT_EQ(AVICompression::GetCodecName(QStringLiteral("DIB ")), QStringLiteral("Unknown"));
    EXPECT_EQ(AVICompression::GetCodecName(AVICompression::FourCCToStr(0)), QStringLiteral("Unknown"));
    EXPECT_EQ(AVICompression::GetCodecName(QStringLiteral("ZZ9Q")), QStringLiteral("Unknown"));
    AVICompression::CompressOptions = before;
    AVICompression::OptionsLoaded = false;
}

TEST(TPluginMgr, SkipsFilesThatAreNoPlugins)
{
    testsupport::TempProgramDir dir;
    TPluginMgr none(nullptr, 255, dir.filePath(QStringLiteral("Plugins")));
    EXPECT_TRUE(none.PluginFiles().isEmpty());
    dir.writeFile(QStringLiteral("Plugins/NJ_broken.so"), "not a library");
    dir.writeFile(QStringLiteral("Plugins/readme.txt"), "x");
    TPluginMgr some(nullptr, 255, dir.filePath(QStringLiteral("Plugins")));
    EXPECT_TRUE(some.PluginFiles().isEmpty());
}
