#include "capture/avi_compression.h"
#include "capture/frm_codec_choice.h"
#include "support/fakes.h"
#include "support/temp_program_dir.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

// Restores the global codec choice after each test.
class CodecChoice : public ::testing::Test {
protected:
    ~CodecChoice() override
    {
        AVICompression::CompressOptions = AVICompression::DefaultCompressOptions();
        AVICompression::OptionsLoaded = false;
        TFRM_CodecChoice::SetAnswerer({});
    }
    testsupport::TempProgramDir dir;
    testsupport::RecordingMessageService messages;
    QString recordPath = dir.filePath(QStringLiteral("njpcompress.dat"));
};

} // namespace

TEST_F(CodecChoice, RecordIsWrittenFieldByFieldAndReadBackOnlyWhenSound)
{
    using namespace AVICompression;
    TCompressOptions& o = CompressOptions;
    o.fccHandler = StrToFourCC(QStringLiteral("mjpg"));
    o.dwKeyFrameEvery = 15;
    o.dwQuality = 7500;
    o.lpFormat = 0x12345678;   // whatever the pointer-sized fields hold is not stored
    o.lpParms = 0xDEADBEEF;
    o.cbParms = 8;
    ASSERT_TRUE(SaveCompressOptions(recordPath));
    const QByteArray golden = QByteArray::fromHex("76696473"
                                                  "4D4A5047"
                                                  "0F000000"
                                                  "4C1D0000"
                                                  "00580200"
                                                  "0E000000"
                                                  "00000000"
                                                  "28000000"
                                                  "00000000"
                                                  "00000000"
                                                  "01000000");
    EXPECT_EQ(dir.readFile(QStringLiteral("njpcompress.dat")).toHex(), golden.toHex());

    CompressOptions = DefaultCompressOptions();
    ASSERT_TRUE(LoadCompressOptions(recordPath));
    EXPECT_TRUE(OptionsLoaded);
    EXPECT_EQ(FourCCToStr(o.fccHandler), QStringLiteral("MJPG"));
    EXPECT_EQ(o.dwKeyFrameEvery, 15u);
    EXPECT_EQ(o.lpFormat, 0u);
    ASSERT_TRUE(SaveCompressOptions(recordPath));
    EXPECT_EQ(dir.readFile(QStringLiteral("njpcompress.dat")), golden) << "save, load, save gives the same bytes";

    // Another size or another stream type leaves the options alone.
    QByteArray audio = golden;
    audio.replace(0, 4, "auds");
    QByteArray withPointers = golden;
    withPointers.replace(24, 4, QByteArray::fromHex("78563412"));
    for (const QByteArray& bad : {golden.left(43), golden + '\0', audio, QByteArray()}) {
        dir.writeFile(QStringLiteral("njpcompress.dat"), bad);
        CompressOptions = DefaultCompressOptions();
        EXPECT_FALSE(LoadCompressOptions(recordPath)) << bad.toHex().constData();
        EXPECT_EQ(o.fccHandler, 0u);
    }
    dir.writeFile(QStringLiteral("njpcompress.dat"), withPointers);
    ASSERT_TRUE(LoadCompressOptions(recordPath));
    EXPECT_EQ(o.lpFormat, 0u) << "a stored address is never taken over";
    EXPECT_FALSE(LoadCompressOptions(dir.filePath(QStringLiteral("missing.dat"))));

    EXPECT_FALSE(SaveCompressOptions(dir.filePath(QStringLiteral("njpcompress.dat/x"))));
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(CodecChoice, CodecListNamesTheEncodersThatCanWriteAvi)
{
    using namespace AVICompression;
    QStringList codes;
    for (const TAviCodec& c : AvailableCodecs())
        codes << QLatin1String(c.fourCC);
    ASSERT_FALSE(codes.isEmpty());
    EXPECT_EQ(codes.first(), QStringLiteral("DIB "));
    for (const char* code : {"MJPG", "FFV1", "HFYU", "DIVX", "XVID", "FMP4"})
        EXPECT_TRUE(codes.contains(QLatin1String(code))) << code;
    EXPECT_EQ(GetCodecName(QStringLiteral("MJPG")), QStringLiteral("Motion JPEG"));
    EXPECT_EQ(GetCodecName(QStringLiteral("xvid")), GetCodecName(QStringLiteral("XVID")));
    EXPECT_EQ(GetCodecName(QStringLiteral("ZZ9Q")), QStringLiteral("Unknown"));
    EXPECT_EQ(GetCodecName(FourCCToStr(0)), QStringLiteral("Unknown"));
    EXPECT_EQ(GetCodecName(QStringLiteral("MJP")), QStringLiteral("Unknown"));
}

TEST_F(CodecChoice, DialogSetsTheOptionsAndTriesTheCodecInTheTemporaryFolder)
{
    using namespace AVICompression;
    const QString trial = QDir(QDir::tempPath()).filePath(QStringLiteral("Temp.avi"));
    CompressOptions.fccHandler = StrToFourCC(QStringLiteral("divx"));
    bool asked = false;
    TFRM_CodecChoice::SetAnswerer([&](TFRM_CodecChoice& d) {
        asked = true;
        EXPECT_EQ(d.ChosenCode(), QStringLiteral("DIVX")) << "the dialog opens on the codec in force";
        EXPECT_TRUE(d.TBR_Qualite->isEnabled());
        d.CBX_Codec->setCurrentIndex(d.CBX_Codec->findData(QStringLiteral("FFV1")));
        EXPECT_FALSE(d.TBR_Qualite->isEnabled()) << "a lossless codec has no quality";
        d.CBX_Codec->setCurrentIndex(d.CBX_Codec->findData(QStringLiteral("MJPG")));
        d.TBR_Qualite->setValue(80);
        d.CKB_Images_Cles->setChecked(false);
        d.BTN_Ok->click();
    });
    ASSERT_TRUE(ChooseCompressor(640, 480, 10));
    EXPECT_TRUE(asked);
    EXPECT_TRUE(OptionsLoaded);
    EXPECT_EQ(FourCCToStr(CompressOptions.fccHandler), QStringLiteral("MJPG"));
    EXPECT_EQ(CompressOptions.dwQuality, 8000u);
    EXPECT_EQ(CompressOptions.dwFlags, kCompressDataRate | kCompressValid);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(QFile::exists(trial));

    // A codec that cannot take frames of that size is said at once.
    TFRM_CodecChoice::SetAnswerer([](TFRM_CodecChoice& d) {
        d.CBX_Codec->setCurrentIndex(d.CBX_Codec->findData(QStringLiteral("H263")));
        d.BTN_Ok->click();
    });
    ASSERT_TRUE(ChooseCompressor(641, 480, 10));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("H263")));
    EXPECT_FALSE(QFile::exists(trial));

    const TCompressOptions before = CompressOptions;
    TFRM_CodecChoice::SetAnswerer([](TFRM_CodecChoice& d) {
        d.CBX_Codec->setCurrentIndex(0);
        d.BTN_Annuler->click();
    });
    EXPECT_FALSE(ChooseCompressor(640, 480, 10));
    EXPECT_EQ(CompressOptions.fccHandler, before.fccHandler) << "cancel keeps the choice";
}
