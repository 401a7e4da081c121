#include "capture/avi_compression.h"
#include "support/fakes.h"
#include "support/temp_program_dir.h"

#include <QFile>
#include <QtEndian>
#include <gtest/gtest.h>

#include <csignal>
#include <random>
#include <sys/resource.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace {

using AVICompression::AVIParams;

// What FFmpeg reads back from an AVI file: the stream, every packet's size
// and every decoded frame as 24-bit BGR.
struct AviContents {
    bool opened = false;
    int width = 0;
    int height = 0;
    std::uint32_t tag = 0;
    std::vector<int> packetSizes;
    std::vector<kernels::Bitmap24> frames;
};

AviContents readAvi(const QString& path)
{
    AviContents r;
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, QFile::encodeName(path).constData(), nullptr, nullptr) < 0)
        return r;
    avformat_find_stream_info(fmt, nullptr);
    const AVCodecParameters* par = fmt->streams[0]->codecpar;
    r.opened = true;
    r.width = par->width;
    r.height = par->height;
    r.tag = par->codec_tag;
    AVCodecContext* dec = avcodec_alloc_context3(avcodec_find_decoder(par->codec_id));
    avcodec_parameters_to_context(dec, par);
    avcodec_open2(dec, nullptr, nullptr);
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto receive = [&] {
        while (avcodec_receive_frame(dec, frame) >= 0) {
            kernels::Bitmap24& out = r.frames.emplace_back(frame->width, frame->height);
            SwsContext* sws = sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
                                             frame->height, AV_PIX_FMT_BGR24, SWS_POINT, nullptr, nullptr, nullptr);
            std::uint8_t* dst[1] = {out.bits()};
            const int dstStride[1] = {int(out.stride())};
            sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, dstStride);
            sws_freeContext(sws);
        }
    };
    while (av_read_frame(fmt, pkt) >= 0) {
        r.packetSizes.push_back(pkt->size);
        avcodec_send_packet(dec, pkt);
        av_packet_unref(pkt);
        receive();
    }
    avcodec_send_packet(dec, nullptr);
    receive();
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&dec);
    avformat_close_input(&fmt);
    return r;
}

kernels::Bitmap24 noiseFrame(int width, int height, unsigned seed)
{
    kernels::Bitmap24 b(width, height);
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width * 3; ++x)
            b.scanLine(y)[x] = std::uint8_t(random());
    return b;
}

bool sameFrame(const kernels::Bitmap24& a, const kernels::Bitmap24& b)
{
    if (a.width() != b.width() || a.height() != b.height())
        return false;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.scanLine(y), b.scanLine(y), std::size_t(a.width()) * 3) != 0)
            return false;
    return true;
}

class AviWriting : public ::testing::Test {
protected:
    // The codec chosen last in this process would be the default here.
    AviWriting() { useDefaultOptions(); }
    ~AviWriting() override { useDefaultOptions(); }
    static void useDefaultOptions()
    {
        AVICompression::CompressOptions = AVICompression::DefaultCompressOptions();
        AVICompression::OptionsLoaded = false;
    }
    void useCodec(const char* code) { AVICompression::CompressOptions.fccHandler = AVICompression::StrToFourCC(QLatin1String(code)); }
    static AVIParams params(int width, int height)
    {
        AVIParams p;
        AVICompression::InitAVIParams(p, 5000, 10, 153600, 5);
        p.Width = width;
        p.Height = height;
        return p;
    }
    testsupport::TempProgramDir dir;
    testsupport::RecordingMessageService messages;
    QString path = dir.filePath(QStringLiteral("lune.avi"));
};

} // namespace

TEST_F(AviWriting, RawFramesArePaddedBottomUpBitmapsThatReadBackIdentical)
{
    useCodec("dib ");
    TAVICompressor writer;
    ASSERT_TRUE(writer.Open(path, params(641, 480)));
    EXPECT_EQ(writer.CodecCode(), QStringLiteral("DIB "));
    const std::vector<kernels::Bitmap24> sent = {noiseFrame(641, 480, 1), noiseFrame(641, 480, 2), noiseFrame(641, 480, 3)};
    for (const auto& f : sent) {
        ASSERT_EQ(writer.WriteFrame(f), 0);
        EXPECT_EQ(writer.BytesWritten(), 1924 * 480) << "rows padded to a multiple of 4 bytes";
    }
    EXPECT_EQ(writer.WriteFrame(kernels::Bitmap24(640, 480)), TAVICompressor::kWrongSize);
    EXPECT_EQ(writer.WriteFrame(kernels::Bitmap24(641, 481)), TAVICompressor::kWrongSize);
    EXPECT_EQ(messages.shown.size(), 1u) << "a refused size is said once";
    EXPECT_TRUE(writer.IsOpen());
    EXPECT_EQ(writer.FrameIndex(), 3);
    EXPECT_EQ(writer.Close(), 0);
    EXPECT_EQ(writer.Close(), 0);

    const AviContents back = readAvi(path);
    EXPECT_EQ(back.tag, 0u);
    EXPECT_EQ(back.packetSizes, std::vector<int>(3, 1924 * 480));
    ASSERT_EQ(back.frames.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(sameFrame(back.frames[i], sent[i])) << "frame " << i;

    // The bitmap header: positive height (bottom-up rows), 24 bits, no compression.
    const QByteArray bytes = dir.readFile(QStringLiteral("lune.avi"));
    const auto* header = reinterpret_cast<const uchar*>(bytes.constData()) + bytes.indexOf("strf") + 8;
    EXPECT_EQ(qFromLittleEndian<qint32>(header + 4), 641);
    EXPECT_EQ(qFromLittleEndian<qint32>(header + 8), 480);
    EXPECT_EQ(qFromLittleEndian<quint16>(header + 14), 24);
    EXPECT_EQ(qFromLittleEndian<quint32>(header + 16), 0u);
    EXPECT_EQ(qFromLittleEndian<quint32>(header + 20), 1924u * 480);
}

TEST_F(AviWriting, UncompressedVideoOfTenFramesHasTheEstimatedSize)
{
    TAVICompressor writer;
    ASSERT_TRUE(writer.Open(path, params(640, 480)));
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ(writer.WriteFrame(kernels::Bitmap24(640, 480)), 0);
    ASSERT_EQ(writer.Close(), 0);
    // The image tool estimates (640 x 480 x 3 x 10 + 2560) div 1024 = 9002 KB;
    // the file holds the frames plus its headers and index.
    const qint64 size = QFileInfo(path).size();
    EXPECT_GE(size, 10 * 921600);
    EXPECT_NEAR(double(size / 1024), 9002.0, 8.0) << size;
    EXPECT_EQ(readAvi(path).frames.size(), 10u);
}

TEST_F(AviWriting, EveryListedCodecWritesFramesThatDecodeAtTheirSize)
{
    for (const TAviCodec& codec : AVICompression::AvailableCodecs()) {
        if (QLatin1String(codec.fourCC) == QLatin1String("H263"))
            continue;   // standard picture sizes only
        SCOPED_TRACE(codec.fourCC);
        useCodec(codec.fourCC);
        TAVICompressor writer;
        ASSERT_TRUE(writer.Open(path, params(640, 480)));
        for (unsigned i = 0; i < 3; ++i)
            ASSERT_EQ(writer.WriteFrame(noiseFrame(640, 480, i)), 0);
        ASSERT_EQ(writer.Close(), 0);
        const AviContents back = readAvi(path);
        EXPECT_EQ(back.width, 640);
        EXPECT_EQ(back.height, 480);
        EXPECT_EQ(AVICompression::FourCCToStr(back.tag), QLatin1String(codec.codecId == AV_CODEC_ID_RAWVIDEO ? "\0\0\0\0" : codec.fourCC, 4));
        EXPECT_EQ(back.frames.size(), 3u);
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(AviWriting, BadInputIsSaidOnceAndLeavesNothingOpen)
{
    TAVICompressor writer;
    dir.writeFile(QStringLiteral("afile"), "x");
    EXPECT_FALSE(writer.Open(dir.filePath(QStringLiteral("afile/lune.avi")), params(640, 480)));
    EXPECT_FALSE(writer.Open(path, params(0, 480)));
    EXPECT_EQ(messages.shown.size(), 2u);
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_EQ(writer.WriteFrame(kernels::Bitmap24(640, 480)), TAVICompressor::kNotOpen);

    // A codec that will not open at this size leaves an earlier file alone.
    dir.writeFile(QStringLiteral("lune.avi"), "earlier");
    useCodec("H263");
    messages.clear();
    EXPECT_FALSE(writer.Open(path, params(641, 480)));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("H263")));
    EXPECT_EQ(dir.readFile(QStringLiteral("lune.avi")), QByteArray("earlier"));

    // An unknown code falls back to uncompressed frames, with a message.
    useCodec("ZZ9Q");
    messages.clear();
    ASSERT_TRUE(writer.Open(path, params(64, 48)));
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(writer.CodecCode(), QStringLiteral("DIB "));
    ASSERT_EQ(writer.WriteFrame(noiseFrame(64, 48, 7)), 0);
    writer.Close();
    EXPECT_EQ(readAvi(path).frames.size(), 1u);
}

TEST_F(AviWriting, WriteFailureIsReportedOnceAndClosesTheFileKeepingEarlierFrames)
{
    // An injected full disk: the process may not write files past 3 MB.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 3 * 1024 * 1024;
    setrlimit(RLIMIT_FSIZE, &small);

    TAVICompressor writer;
    ASSERT_TRUE(writer.Open(path, params(640, 480)));
    int rc = 0;
    int written = 0;
    for (int i = 0; i < 10 && rc == 0; ++i)
        if ((rc = writer.WriteFrame(noiseFrame(640, 480, i))) == 0)
            ++written;
    EXPECT_LT(rc, 0);
    EXPECT_GE(written, 2);
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_EQ(writer.WriteFrame(noiseFrame(640, 480, 0)), TAVICompressor::kNotOpen);
    EXPECT_EQ(writer.Close(), 0);

    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(QFile::exists(path)) << "the partial file is kept";
    EXPECT_GE(readAvi(path).frames.size(), 2u);
}
