#include "capture/avi_reader.h"

#include "platform/message_service.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace {

// The texts the program has always given for an AVI that will not open.
QString openFailureText(int rc)
{
    if (rc == AVERROR_INVALIDDATA)
        return QStringLiteral("The file couldn't be read, bad format");
    if (rc == AVERROR(ENOMEM))
        return QStringLiteral("The file could not be opened because of insufficient memory.");
    if (rc == AVERROR(EIO) || rc == AVERROR_EOF)
        return QStringLiteral("A disk error occurred while reading the file.");
    if (rc == AVERROR(ENOENT) || rc == AVERROR(EACCES) || rc == AVERROR(EISDIR) || rc == AVERROR(EPERM))
        return QStringLiteral("A disk error occurred while opening the file.");
    return QStringLiteral("Cannot open AVI file");
}

// Frames far beyond any camera's (16 megapixels, 16384 a side) are taken
// for damage rather than allocated.
bool sizeAllowed(std::int64_t w, std::int64_t h)
{
    return w > 0 && h > 0 && w <= 16384 && h <= 16384 && w * h <= (std::int64_t(1) << 24);
}

} // namespace

struct TAviReader::State {
    AVFormatContext* format = nullptr;
    AVCodecContext* decoder = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    AVFrame* bgr = nullptr;        // the converter's output: padded and aligned as swscale wants
    SwsContext* converter = nullptr;
    int stream = -1;
    AVRational timeBase{1, 1};
    AVRational frameTime{0, 1};   // duration of a frame in timeBase units; 0: timestamps count frames
    std::int64_t startTime = 0;
    int nextIndex = 0;            // frame the next in-order decode gives
    int frameCount = 0;
    bool countFrames = false;     // the timestamps proved wrong: frames are counted from the start
    QByteArray path;              // for reopening such a file at its start
    int decodedIndex = -1;        // frame held in `frame`
    bool draining = false;

    ~State()
    {
        sws_freeContext(converter);
        av_frame_free(&bgr);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&decoder);
        avformat_close_input(&format);
    }

    // The frame a timestamp names, or -1 when it names none of the film's.
    int frameOf(std::int64_t ts) const
    {
        if (ts == AV_NOPTS_VALUE || ts < startTime)
            return -1;
        ts -= startTime;
        const std::int64_t n = frameTime.num <= 0 ? ts : av_rescale_q_rnd(ts, timeBase, frameTime, AV_ROUND_NEAR_INF);
        return n >= 0 && n < frameCount ? static_cast<int>(n) : -1;
    }
    std::int64_t timestampOf(int index) const
    {
        return startTime + (frameTime.num <= 0 ? index : av_rescale_q(index, frameTime, timeBase));
    }

    // The frames the file holds whole, at most `announced` (its header's
    // count; 0: none given). With an index for every frame, those whose data
    // lies inside the file; otherwise the file is read through once (as a
    // seek in it would be), a frame whose data breaks off at the end not
    // counting, and the next read starts again from the key frame before it.
    int heldFrames(int announced)
    {
        AVStream* st = format->streams[stream];
        const int entries = avformat_index_get_entries_count(st);
        int held = 0;
        if (announced > 0 && entries >= announced) {
            const std::int64_t fileSize = avio_size(format->pb);
            for (int i = 0; i < entries; ++i) {
                const AVIndexEntry* e = avformat_index_get_entry(st, i);
                // An entry stands at its chunk's 8-byte header.
                if (fileSize >= 0 && e->pos + 8 + e->size > fileSize)
                    break;
                held = std::max({held, i + 1, frameOf(e->timestamp) + 1});
            }
            return std::min(held, announced);
        }
        const int limit = announced > 0 ? announced : INT32_MAX;
        int read = 0;
        while (held < limit && av_read_frame(format, packet) >= 0) {
            if (packet->stream_index == stream) {
                if (!(packet->flags & AV_PKT_FLAG_CORRUPT))
                    held = std::max({held, read + 1, frameOf(packet->dts != AV_NOPTS_VALUE ? packet->dts : packet->pts) + 1});
                ++read;
            }
            av_packet_unref(packet);
        }
        nextIndex = -1000;
        return std::min(held, limit);
    }
};

TAviReader::TAviReader() = default;
TAviReader::~TAviReader() = default;

int TAviReader::Width() const { return state_ ? state_->decoder->width : 0; }
int TAviReader::Height() const { return state_ ? state_->decoder->height : 0; }
bool TAviReader::Uncompressed() const { return state_ && state_->decoder->codec_id == AV_CODEC_ID_RAWVIDEO; }

void TAviReader::Close()
{
    state_.reset();
    frameCount_ = 0;
    announcedCount_ = 0;
}

bool TAviReader::Open(const QString& fileName, QString* error)
{
    Close();
    auto fail = [&](const QString& text) {
        state_.reset();
        if (error)
            *error = text;
        return false;
    };
    auto s = std::make_unique<State>();
    const AVInputFormat* avi = av_find_input_format("avi");
    int rc = avformat_open_input(&s->format, QFile::encodeName(fileName).constData(), avi, nullptr);
    if (rc < 0)
        return fail(openFailureText(rc));
    rc = avformat_find_stream_info(s->format, nullptr);
    if (rc < 0)
        return fail(openFailureText(rc));
    const AVCodec* codec = nullptr;
    s->stream = av_find_best_stream(s->format, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (s->stream == AVERROR_DECODER_NOT_FOUND)
        return fail(QStringLiteral("Cannot find decompressor"));
    if (s->stream < 0)
        return fail(QStringLiteral("Cannot open AVI file"));
    AVStream* st = s->format->streams[s->stream];
    for (unsigned i = 0; i < s->format->nb_streams; ++i)
        if (int(i) != s->stream)
            s->format->streams[i]->discard = AVDISCARD_ALL;
    s->decoder = avcodec_alloc_context3(codec);
    s->packet = av_packet_alloc();
    s->frame = av_frame_alloc();
    if (!s->decoder || !s->packet || !s->frame)
        return fail(openFailureText(AVERROR(ENOMEM)));
    rc = avcodec_parameters_to_context(s->decoder, st->codecpar);
    if (rc >= 0) {
        s->decoder->thread_count = 1;
        rc = avcodec_open2(s->decoder, codec, nullptr);
    }
    if (rc < 0 || s->decoder->width <= 0 || s->decoder->height <= 0)
        return fail(QStringLiteral("Cannot find decompressor"));
    if (!sizeAllowed(s->decoder->width, s->decoder->height))
        return fail(QStringLiteral("The file couldn't be read, bad format"));

    s->timeBase = st->time_base;
    const AVRational rate = st->avg_frame_rate.num > 0 ? st->avg_frame_rate : st->r_frame_rate;
    // AVI timestamps count frames when the time base is one frame long.
    if (rate.num > 0 && rate.den > 0 && av_cmp_q(av_inv_q(rate), s->timeBase) != 0)
        s->frameTime = av_inv_q(rate);
    // Frames are numbered from the first entry of the index (the film's own
    // start), else from the stream's start.
    const AVIndexEntry* firstEntry = avformat_index_get_entry(st, 0);
    s->startTime = firstEntry ? firstEntry->timestamp : st->start_time == AV_NOPTS_VALUE ? 0 : st->start_time;
    const int announced = st->nb_frames > 0 && st->nb_frames <= INT32_MAX ? static_cast<int>(st->nb_frames) : 0;
    s->frameCount = announced > 0 ? announced : INT32_MAX;
    const int held = s->heldFrames(announced);
    if (held <= 0)
        return fail(QStringLiteral("Cannot open AVI file"));
    frameCount_ = s->frameCount = held;
    announcedCount_ = announced;
    s->path = QFile::encodeName(fileName);
    state_ = std::move(s);
    return true;
}

// Decodes the next frame in file order; its index in frameIndex.
bool TAviReader::decodeNext(int& frameIndex)
{
    State& s = *state_;
    for (;;) {
        const int rc = avcodec_receive_frame(s.decoder, s.frame);
        if (rc >= 0) {
            int index = s.countFrames ? -1 : s.frameOf(s.frame->best_effort_timestamp);
            if (index < 0) {
                // A frame without a usable time: from now on frames are
                // counted, and reached again from the start of the file.
                s.countFrames = true;
                index = s.nextIndex;
            }
            s.nextIndex = index + 1;
            s.decodedIndex = frameIndex = index;
            return true;
        }
        if (rc == AVERROR_EOF)
            return false;
        if (rc != AVERROR(EAGAIN))
            return false;
        if (s.draining)
            return false;
        const int read = av_read_frame(s.format, s.packet);
        if (read < 0) {
            s.draining = true;
            avcodec_send_packet(s.decoder, nullptr);
            continue;
        }
        if (s.packet->stream_index == s.stream) {
            // A damaged packet is skipped; the next one may decode.
            avcodec_send_packet(s.decoder, s.packet);
        }
        av_packet_unref(s.packet);
    }
}

bool TAviReader::seekBefore(int index)
{
    State& s = *state_;
    avcodec_flush_buffers(s.decoder);
    s.draining = false;
    s.decodedIndex = -1;
    s.nextIndex = 0;
    if (!s.countFrames && index > 0)
        return av_seek_frame(s.format, s.stream, s.timestampOf(index), AVSEEK_FLAG_BACKWARD) >= 0;
    // Counted frames, or the first one: the file is read again from its start
    // (a seek in a film with a damaged index can land on another frame
    // bearing the same time).
    avformat_close_input(&s.format);
    if (avformat_open_input(&s.format, s.path.constData(), av_find_input_format("avi"), nullptr) < 0
        || s.stream >= int(s.format->nb_streams)) {
        avformat_close_input(&s.format);
        return false;
    }
    for (unsigned i = 0; i < s.format->nb_streams; ++i)
        s.format->streams[i]->discard = int(i) == s.stream ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    return true;
}

bool TAviReader::ReadFrame(int index, kernels::Bitmap24& bitmap)
{
    if (!state_ || index < 0 || index >= frameCount_)
        return false;
    State& s = *state_;
    if (index == s.decodedIndex)
        return deliver(bitmap);
    // In order (or a little ahead): decode forward; otherwise from the key
    // frame before the wanted one.
    if (!s.format)
        return false;   // a film reopened at its start that failed to open
    if (index < s.nextIndex || index > s.nextIndex + 16) {
        if (!seekBefore(index) && s.format)
            seekBefore(0);
        if (!s.format)
            return false;
    }
    int got = -1;
    while (decodeNext(got)) {
        if (got == index)
            return deliver(bitmap);
        if (got > index)
            break;
    }
    // Missed it (a damaged frame, or a seek that landed after it): the
    // position is unknown, the next read seeks.
    s.nextIndex = -1000;
    s.decodedIndex = -1;
    return false;
}

bool TAviReader::deliver(kernels::Bitmap24& bitmap)
{
    State& s = *state_;
    AVFrame* f = s.frame;
    if (!sizeAllowed(f->width, f->height) || !bitmap.resize(f->width, f->height))
        return false;
    if (f->format == AV_PIX_FMT_BGR24) {
        for (int y = 0; y < f->height; ++y)
            std::memcpy(bitmap.scanLine(y), f->data[0] + std::ptrdiff_t(y) * f->linesize[0], std::size_t(f->width) * 3);
        return true;
    }
    // Motion-JPEG decodes to the full-range formats of old; the converter
    // takes them as their plain twins with the full range said.
    AVPixelFormat format = static_cast<AVPixelFormat>(f->format);
    bool fullRange = f->color_range == AVCOL_RANGE_JPEG;
    switch (format) {
    case AV_PIX_FMT_YUVJ420P: format = AV_PIX_FMT_YUV420P, fullRange = true; break;
    case AV_PIX_FMT_YUVJ422P: format = AV_PIX_FMT_YUV422P, fullRange = true; break;
    case AV_PIX_FMT_YUVJ444P: format = AV_PIX_FMT_YUV444P, fullRange = true; break;
    case AV_PIX_FMT_YUVJ440P: format = AV_PIX_FMT_YUV440P, fullRange = true; break;
    case AV_PIX_FMT_YUVJ411P: format = AV_PIX_FMT_YUV411P, fullRange = true; break;
    default: break;
    }
    s.converter = sws_getCachedContext(s.converter, f->width, f->height, format, f->width, f->height,
                                       AV_PIX_FMT_BGR24, SWS_POINT, nullptr, nullptr, nullptr);
    if (!s.converter)
        return false;
    const int* coefficients = sws_getCoefficients(SWS_CS_DEFAULT);
    sws_setColorspaceDetails(s.converter, coefficients, fullRange ? 1 : 0, coefficients, 1, 0, 1 << 16, 1 << 16);
    // swscale writes whole vector blocks and may run past the end of a row:
    // it converts into a frame of its own, copied row by row.
    if (!s.bgr || s.bgr->width != f->width || s.bgr->height != f->height) {
        av_frame_free(&s.bgr);
        s.bgr = av_frame_alloc();
        if (!s.bgr)
            return false;
        s.bgr->format = AV_PIX_FMT_BGR24;
        s.bgr->width = f->width;
        s.bgr->height = f->height;
        if (av_frame_get_buffer(s.bgr, 0) < 0) {
            av_frame_free(&s.bgr);
            return false;
        }
    }
    if (sws_scale(s.converter, f->data, f->linesize, 0, f->height, s.bgr->data, s.bgr->linesize) != f->height)
        return false;
    for (int y = 0; y < f->height; ++y)
        std::memcpy(bitmap.scanLine(y), s.bgr->data[0] + std::ptrdiff_t(y) * s.bgr->linesize[0], std::size_t(f->width) * 3);
    return true;
}

// ---- the program's open file ----------------------------------------------------

namespace {

TAviReader& programReader()
{
    static TAviReader reader;
    return reader;
}

} // namespace

bool AviFileOpen = false;

namespace {

void tellOpenFailure(const QString& error)
{
    platform::messages().show({error, platform::MsgKind::Error, platform::MsgButtons::Ok, QStringLiteral("AviRead"), {}});
}

} // namespace

bool OpenAviFile(const QString& fileName, std::int32_t& frameCount, std::int32_t* announced)
{
    QString error;
    AviFileOpen = programReader().Open(fileName, &error);
    frameCount = programReader().FrameCount();
    if (announced)
        *announced = programReader().AnnouncedFrameCount();
    if (!AviFileOpen) {
        tellOpenFailure(error);
        return false;
    }
    return true;
}

bool ReadFirstAviFrame(const QString& fileName, kernels::Bitmap24& bitmap, bool* opened)
{
    TAviReader reader;
    QString error;
    const bool open = reader.Open(fileName, &error);
    if (opened)
        *opened = open;
    if (!open) {
        tellOpenFailure(error);
        return false;
    }
    return reader.ReadFrame(0, bitmap);
}

bool ReadAviFrame(int index, kernels::Bitmap24& bitmap)
{
    return programReader().ReadFrame(index, bitmap);
}

int CloseAviFile()
{
    programReader().Close();
    AviFileOpen = false;
    return 1;
}
