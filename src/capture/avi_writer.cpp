#include "capture/avi_writer.h"

#include "capture/avi_compression.h"
#include "platform/message_service.h"
#include "translation/translated_texts.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace AVICompression {

void InitAVIParams(AVIParams& params, std::int32_t quality, std::int32_t rate, std::int32_t value1,
                   std::int32_t value2)
{
    params = AVIParams{};
    params.Quality = quality;
    params.Rate = rate;
    params.Value1 = value1;
    params.Value2 = value2;
}

} // namespace AVICompression

namespace {

QString errorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromLocal8Bit(text);
}

// The options' quality (0..10000, higher is better) as a fixed quantiser
// (31..1), on a geometric scale so that the middle setting still looks good.
int quantiserFor(std::uint32_t quality)
{
    const double q = std::min<std::uint32_t>(quality, 10000);
    const long scale = std::lround(std::pow(31.0, (10000.0 - q) / 10000.0));
    return static_cast<int>(std::clamp(scale, 1L, 31L));
}

// The encoder's input format closest to 24-bit BGR.
AVPixelFormat inputFormatFor(const AVCodec* codec)
{
    if (!codec->pix_fmts)
        return AV_PIX_FMT_BGR24;
    const AVPixelFormat preferred[] = {AV_PIX_FMT_BGR24, AV_PIX_FMT_BGR0, AV_PIX_FMT_RGB24, AV_PIX_FMT_GBRP,
                                       AV_PIX_FMT_YUV420P};
    for (AVPixelFormat want : preferred)
        for (const AVPixelFormat* p = codec->pix_fmts; *p != AV_PIX_FMT_NONE; ++p)
            if (*p == want)
                return want;
    return avcodec_find_best_pix_fmt_of_list(codec->pix_fmts, AV_PIX_FMT_BGR24, 0, nullptr);
}

void showMessage(const QString& text, platform::MsgKind kind, const QString& cause)
{
    platform::messages().show({text, kind, platform::MsgButtons::Ok, cause, {}});
}

} // namespace

struct TAVICompressor::State {
    AVFormatContext* format = nullptr;
    AVStream* stream = nullptr;
    AVCodecContext* encoder = nullptr;
    SwsContext* converter = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    AVRational frameTime{1, 1};
    std::vector<std::uint8_t> rawFrame;   // one bottom-up frame with padded rows
    bool headerWritten = false;

    ~State()
    {
        sws_freeContext(converter);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&encoder);
        if (format) {
            if (format->pb)
                avio_closep(&format->pb);
            avformat_free_context(format);
        }
    }
};

TAVICompressor::TAVICompressor() = default;

TAVICompressor::~TAVICompressor()
{
    Close();
}

bool TAVICompressor::IsOpen() const
{
    return state_ != nullptr;
}

bool TAVICompressor::Open(const QString& fileName, const AVICompression::AVIParams& params)
{
    using namespace AVICompression;
    Close();
    fileName_ = fileName;
    width_ = params.Width;
    height_ = params.Height;
    frameIndex_ = samplesWritten_ = bytesWritten_ = 0;
    sizeRefusalShown_ = false;
    codecCode_ = QStringLiteral("DIB ");

    if (width_ <= 0 || height_ <= 0 || kernels::Bitmap24::strideFor(width_) * height_ > INT32_MAX) {
        fail(TranslatedTexts.MSG_Video_Taille_Invalide
                 .arg(fileName_)
                 .arg(width_)
                 .arg(height_));
        return false;
    }
    const int rate = std::max(1, params.Rate);

    // The codec: none for uncompressed frames ("DIB " or no code).
    const TAviCodec* codec = nullptr;
    const std::uint32_t code = UpperFourCC(CompressOptions.fccHandler);
    if (params.Compress && code != 0) {
        codec = FindCodec(FourCCToStr(code));
        if (!codec)
            showMessage(TranslatedTexts.MSG_Video_Codec_Inconnu
                            .arg(FourCCToStr(code).trimmed(), fileName_),
                        platform::MsgKind::Warning, QStringLiteral("AviUnknownCodec"));
        else if (codec->codecId == AV_CODEC_ID_RAWVIDEO)
            codec = nullptr;
    }

    state_ = std::make_unique<State>();
    State& s = *state_;
    int rc = avformat_alloc_output_context2(&s.format, nullptr, "avi", nullptr);
    if (rc >= 0) {
        s.stream = avformat_new_stream(s.format, nullptr);
        s.packet = av_packet_alloc();
        if (!s.stream || !s.packet)
            rc = AVERROR(ENOMEM);
    }
    if (rc < 0) {
        fail(TranslatedTexts.MSG_Video_Creation_Impossible.arg(fileName_, errorText(rc)));
        return false;
    }
    s.frameTime = AVRational{1, rate};
    s.stream->time_base = s.frameTime;
    s.stream->avg_frame_rate = AVRational{rate, 1};
    if (!params.Name.isEmpty())
        av_dict_set(&s.stream->metadata, "title", params.Name.left(63).toUtf8().constData(), 0);

    AVCodecParameters* par = s.stream->codecpar;
    if (codec) {
        const AVCodec* encoder = avcodec_find_encoder(static_cast<AVCodecID>(codec->codecId));
        s.encoder = encoder ? avcodec_alloc_context3(encoder) : nullptr;
        rc = s.encoder ? 0 : AVERROR_ENCODER_NOT_FOUND;
        if (rc >= 0) {
            AVCodecContext* e = s.encoder;
            e->width = width_;
            e->height = height_;
            e->time_base = s.frameTime;
            e->framerate = AVRational{rate, 1};
            e->pix_fmt = inputFormatFor(encoder);
            if (codec->codecId == AV_CODEC_ID_MJPEG)
                e->color_range = AVCOL_RANGE_JPEG;
            if (codec->hasQuality) {
                e->flags |= AV_CODEC_FLAG_QSCALE;
                e->qmin = 1;
                e->global_quality = FF_QP2LAMBDA * quantiserFor(CompressOptions.dwQuality);
            }
            if (codec->hasKeyFrames && (CompressOptions.dwFlags & kCompressKeyFrames) &&
                CompressOptions.dwKeyFrameEvery > 0)
                e->gop_size = static_cast<int>(std::min<std::uint32_t>(CompressOptions.dwKeyFrameEvery, 100000));
            if (s.format->oformat->flags & AVFMT_GLOBALHEADER)
                e->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
            rc = avcodec_open2(e, encoder, nullptr);
        }
        if (rc >= 0)
            rc = avcodec_parameters_from_context(par, s.encoder);
        if (rc >= 0) {
            par->codec_tag = StrToFourCC(QLatin1String(codec->fourCC));
            s.frame = av_frame_alloc();
            rc = s.frame ? 0 : AVERROR(ENOMEM);
        }
        if (rc >= 0) {
            s.frame->format = s.encoder->pix_fmt;
            s.frame->width = width_;
            s.frame->height = height_;
            rc = av_frame_get_buffer(s.frame, 0);
        }
        if (rc >= 0) {
            // Accurate rounding keeps swscale off its fast route from BGR to
            // 4:2:0, which writes limited levels whatever range is asked:
            // Motion JPEG blacks would read back as 16.
            s.converter = sws_getContext(width_, height_, AV_PIX_FMT_BGR24, width_, height_, s.encoder->pix_fmt,
                                         SWS_BILINEAR | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
            rc = s.converter ? 0 : AVERROR(EINVAL);
        }
        if (rc >= 0) {
            const int* coefficients = sws_getCoefficients(SWS_CS_ITU601);
            const int fullRange = s.encoder->color_range == AVCOL_RANGE_JPEG ? 1 : 0;
            sws_setColorspaceDetails(s.converter, coefficients, 1, coefficients, fullRange, 0, 1 << 16, 1 << 16);
        }
        if (rc < 0) {
            fail(TranslatedTexts.MSG_Video_Codec_Refuse
                     .arg(QLatin1String(codec->fourCC), CodecName(*codec))
                     .arg(width_)
                     .arg(height_)
                     .arg(errorText(rc)));
            return false;
        }
        codecCode_ = QLatin1String(codec->fourCC);
    } else {
        par->codec_type = AVMEDIA_TYPE_VIDEO;
        par->codec_id = AV_CODEC_ID_RAWVIDEO;
        par->codec_tag = 0;
        par->format = AV_PIX_FMT_BGR24;
        par->width = width_;
        par->height = height_;
        par->bits_per_coded_sample = 24;
        // Padding bytes stay zero: only the pixels of each row are copied in.
        s.rawFrame.assign(static_cast<std::size_t>(kernels::Bitmap24::strideFor(width_)) * height_, 0);
    }

    // Only now is the file replaced, so that a codec that will not open leaves
    // any earlier file of that name alone.
    QFile::remove(fileName_);
    rc = avio_open(&s.format->pb, ("file:" + QFile::encodeName(fileName_)).constData(), AVIO_FLAG_WRITE);
    if (rc < 0) {
        fail(TranslatedTexts.MSG_Video_Fichier_Impossible.arg(fileName_, errorText(rc)));
        return false;
    }
    AVDictionary* options = nullptr;
    // Uncompressed frames are stored bottom-up with a positive height, as
    // every bitmap reader expects.
    if (!codec)
        av_dict_set(&options, "flipped_raw_rgb", "1", 0);
    rc = avformat_write_header(s.format, &options);
    av_dict_free(&options);
    if (rc < 0) {
        fail(TranslatedTexts.MSG_Video_Entete_Impossible.arg(fileName_, errorText(rc)));
        QFile::remove(fileName_);
        return false;
    }
    s.headerWritten = true;
    if (!codec)
        patchImageSize();
    if (this == AviWriter.get())
        AviWriterOpen = true;
    return true;
}

// FFmpeg gives an uncompressed bitmap header the image size of unpadded
// rows; readers that size their buffers from it expect padded rows.
void TAVICompressor::patchImageSize()
{
    AVIOContext* pb = state_->format->pb;
    avio_flush(pb);
    const std::int64_t end = avio_tell(pb);
    QFile file(fileName_);
    const QByteArray head = file.open(QIODevice::ReadOnly) ? file.read(end) : QByteArray();
    const qsizetype strf = head.indexOf("strf");
    if (strf < 0 || strf + 8 + kBitmapInfoHeaderSize > head.size())
        return;
    avio_seek(pb, strf + 8 + 20, SEEK_SET);   // biSizeImage
    avio_wl32(pb, static_cast<unsigned>(state_->rawFrame.size()));
    avio_seek(pb, end, SEEK_SET);
}

int TAVICompressor::WriteFrame(const kernels::Bitmap24& frame)
{
    samplesWritten_ = bytesWritten_ = 0;
    if (!state_)
        return kNotOpen;
    if (frame.width() != width_ || frame.height() != height_) {
        if (!sizeRefusalShown_) {
            sizeRefusalShown_ = true;
            showMessage(TranslatedTexts.MSG_Video_Image_Refusee
                            .arg(frame.width())
                            .arg(frame.height())
                            .arg(fileName_)
                            .arg(width_)
                            .arg(height_),
                        platform::MsgKind::Error, QStringLiteral("AviFrameSize"));
        }
        return kWrongSize;
    }
    const int rc = state_->encoder ? appendEncoded(frame) : appendRaw(frame);
    if (rc < 0) {
        showMessage(TranslatedTexts.MSG_Video_Ecriture_Erreur.arg(fileName_, errorText(rc)) + u'\n'
                        + TranslatedTexts.MSG_Video_Images_Conservees,
                    platform::MsgKind::Error, QStringLiteral("AviWrite"));
        release(true);
        return rc;
    }
    ++frameIndex_;
    return 0;
}

int TAVICompressor::appendRaw(const kernels::Bitmap24& frame)
{
    State& s = *state_;
    const std::size_t rowBytes = static_cast<std::size_t>(width_) * 3;
    const std::ptrdiff_t stride = kernels::Bitmap24::strideFor(width_);
    std::uint8_t* out = s.rawFrame.data();
    for (int y = height_ - 1; y >= 0; --y, out += stride)
        std::memcpy(out, frame.scanLine(y), rowBytes);

    AVPacket* p = s.packet;
    av_packet_unref(p);
    p->data = s.rawFrame.data();
    p->size = static_cast<int>(s.rawFrame.size());
    p->stream_index = s.stream->index;
    p->pts = p->dts = av_rescale_q(frameIndex_, s.frameTime, s.stream->time_base);
    p->duration = av_rescale_q(1, s.frameTime, s.stream->time_base);
    p->flags = AV_PKT_FLAG_KEY;
    const int size = p->size;
    const int rc = av_write_frame(s.format, p);
    av_packet_unref(p);
    if (rc < 0)
        return rc;
    samplesWritten_ = 1;
    bytesWritten_ = size;
    return 0;
}

int TAVICompressor::appendEncoded(const kernels::Bitmap24& frame)
{
    State& s = *state_;
    int rc = av_frame_make_writable(s.frame);
    if (rc < 0)
        return rc;
    const std::uint8_t* source[1] = {frame.bits()};
    const int sourceStride[1] = {static_cast<int>(frame.stride())};
    sws_scale(s.converter, source, sourceStride, 0, height_, s.frame->data, s.frame->linesize);
    s.frame->pts = frameIndex_;
    s.frame->quality = s.encoder->global_quality;
    rc = avcodec_send_frame(s.encoder, s.frame);
    return rc < 0 ? rc : drainEncoder();
}

int TAVICompressor::drainEncoder()
{
    State& s = *state_;
    for (;;) {
        int rc = avcodec_receive_packet(s.encoder, s.packet);
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
            return 0;
        if (rc < 0)
            return rc;
        av_packet_rescale_ts(s.packet, s.encoder->time_base, s.stream->time_base);
        s.packet->stream_index = s.stream->index;
        const int size = s.packet->size;
        rc = av_write_frame(s.format, s.packet);
        av_packet_unref(s.packet);
        if (rc < 0)
            return rc;
        ++samplesWritten_;
        bytesWritten_ += size;
    }
}

void TAVICompressor::fail(const QString& text)
{
    showMessage(text, platform::MsgKind::Error, QStringLiteral("AviOpen"));
    release(false);
}

int TAVICompressor::release(bool writeTrailer)
{
    if (!state_)
        return 0;
    State& s = *state_;
    int rc = 0;
    if (writeTrailer && s.headerWritten) {
        // Frames still held by the encoder are written first.
        if (s.encoder && avcodec_send_frame(s.encoder, nullptr) >= 0)
            rc = drainEncoder();
        const int trailer = av_write_trailer(s.format);
        if (rc >= 0)
            rc = trailer;
    }
    if (s.format && s.format->pb) {
        const int closed = avio_closep(&s.format->pb);
        if (rc >= 0 && closed < 0)
            rc = closed;
    }
    state_.reset();
    if (this == AviWriter.get())
        AviWriterOpen = false;
    return rc < 0 ? rc : 0;
}

int TAVICompressor::Close()
{
    if (!state_)
        return 0;
    const int rc = release(true);
    if (rc < 0)
        showMessage(TranslatedTexts.MSG_Video_Fermeture_Erreur.arg(fileName_, errorText(rc)),
                    platform::MsgKind::Error, QStringLiteral("AviWrite"));
    return rc;
}
