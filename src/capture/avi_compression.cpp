#include "capture/avi_compression.h"

#include "platform/atomic_file.h"
#include "platform/message_service.h"
#include "translation/translated_texts.h"

#include <QFile>
#include <QtEndian>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace AVICompression {

namespace {

// Every codec the writer knows; only those whose encoder FFmpeg has are
// offered. The FOURCC is what the options record and the AVI file carry.
const TAviCodec kKnownCodecs[] = {
    {"DIB ", AV_CODEC_ID_RAWVIDEO, nullptr, false, false},
    {"MJPG", AV_CODEC_ID_MJPEG, "Motion JPEG", true, false},
    {"FFV1", AV_CODEC_ID_FFV1, "FFV1", false, true, true},
    {"HFYU", AV_CODEC_ID_HUFFYUV, "Huffyuv", false, false, true},
    {"FFVH", AV_CODEC_ID_FFVHUFF, "FFmpeg Huffyuv", false, false, true},
    {"ULRG", AV_CODEC_ID_UTVIDEO, "Ut Video RGB", false, false, true},
    {"DIVX", AV_CODEC_ID_MPEG4, "MPEG-4 part 2 (DivX)", true, true},
    {"XVID", AV_CODEC_ID_MPEG4, "MPEG-4 part 2 (Xvid)", true, true},
    {"FMP4", AV_CODEC_ID_MPEG4, "MPEG-4 part 2 (FFmpeg)", true, true},
    {"MP42", AV_CODEC_ID_MSMPEG4V2, "Microsoft MPEG-4 V2", true, true},
    {"DIV3", AV_CODEC_ID_MSMPEG4V3, "DivX 3 (Microsoft MPEG-4 V3)", true, true},
    {"WMV2", AV_CODEC_ID_WMV2, "Windows Media Video 8", true, true},
    {"H263", AV_CODEC_ID_H263, "H.263", true, true},
};

std::uint32_t field(const uchar* record, int index)
{
    return qFromLittleEndian<std::uint32_t>(record + 4 * index);
}

} // namespace

TCompressOptions DefaultCompressOptions()
{
    TCompressOptions o;
    o.fccType = StrToFourCC(QStringLiteral("vids"));
    o.fccHandler = 0;
    o.dwKeyFrameEvery = 18;
    o.dwQuality = 5000;
    o.dwBytesPerSecond = 153600;
    o.dwFlags = kCompressDataRate | kCompressKeyFrames | kCompressValid;
    o.cbFormat = kBitmapInfoHeaderSize;
    o.dwInterleaveEvery = 1;
    return o;
}

TCompressOptions CompressOptions = DefaultCompressOptions();
bool OptionsLoaded = false;

bool LoadCompressOptions(const QString& fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly) || f.size() != kCompressOptionsSize)
        return false;
    const QByteArray b = f.readAll();
    if (b.size() != kCompressOptionsSize)
        return false;
    const auto* p = reinterpret_cast<const uchar*>(b.constData());
    if (field(p, 0) != StrToFourCC(QStringLiteral("vids")))
        return false;
    TCompressOptions o;
    o.fccType = field(p, 0);
    o.fccHandler = field(p, 1);
    o.dwKeyFrameEvery = field(p, 2);
    o.dwQuality = field(p, 3);
    o.dwBytesPerSecond = field(p, 4);
    o.dwFlags = field(p, 5);
    o.cbFormat = field(p, 7);
    o.dwInterleaveEvery = field(p, 10);
    // lpFormat, lpParms and cbParms stay 0: the stored values were addresses
    // of another run and no codec parameters are kept.
    CompressOptions = o;
    OptionsLoaded = true;
    return true;
}

bool SaveCompressOptions(const QString& fileName)
{
    const TCompressOptions& o = CompressOptions;
    const std::uint32_t fields[11] = {o.fccType, UpperFourCC(o.fccHandler), o.dwKeyFrameEvery, o.dwQuality,
                                      o.dwBytesPerSecond, o.dwFlags, 0, o.cbFormat, 0, 0, o.dwInterleaveEvery};
    QByteArray record(kCompressOptionsSize, '\0');
    for (int i = 0; i < 11; ++i)
        qToLittleEndian(fields[i], record.data() + 4 * i);
    QString reason;
    if (platform::WriteFileAtomically(fileName, record, &reason))
        return true;
    platform::showError(TranslatedTexts.MSG_Codec_Non_Enregistre.arg(fileName, reason));
    return false;
}

QString FourCCToStr(std::uint32_t code)
{
    QString s;
    for (int i = 0; i < 4; ++i)
        s += QChar(static_cast<char16_t>((code >> (8 * i)) & 0xFF));
    return s;
}

std::uint32_t StrToFourCC(const QString& text)
{
    std::uint32_t code = 0;
    for (int i = 0; i < 4 && i < text.size(); ++i)
        code |= std::uint32_t(text.at(i).unicode() & 0xFF) << (8 * i);
    return code;
}

std::uint32_t UpperFourCC(std::uint32_t code)
{
    std::uint32_t upper = 0;
    for (int i = 0; i < 4; ++i) {
        std::uint32_t c = (code >> (8 * i)) & 0xFF;
        if (c >= 'a' && c <= 'z')
            c -= 'a' - 'A';
        upper |= c << (8 * i);
    }
    return upper;
}

const std::vector<TAviCodec>& AvailableCodecs()
{
    static const std::vector<TAviCodec> available = [] {
        std::vector<TAviCodec> list;
        for (const TAviCodec& c : kKnownCodecs)
            if (c.codecId == AV_CODEC_ID_RAWVIDEO || avcodec_find_encoder(static_cast<AVCodecID>(c.codecId)))
                list.push_back(c);
        return list;
    }();
    return available;
}

const TAviCodec* FindCodec(const QString& code)
{
    if (code.size() != 4)
        return nullptr;
    const std::uint32_t wanted = UpperFourCC(StrToFourCC(code));
    for (const TAviCodec& c : AvailableCodecs())
        if (StrToFourCC(QLatin1String(c.fourCC)) == wanted)
            return &c;
    return nullptr;
}

QString CodecName(const TAviCodec& codec)
{
    if (!codec.name)
        return TranslatedTexts.MSG_Codec_Non_Compresse;
    const QString name = QString::fromUtf8(codec.name);
    return codec.lossless ? name + u' ' + TranslatedTexts.MSG_Codec_Sans_Perte : name;
}

QString GetCodecName(const QString& code)
{
    const TAviCodec* c = FindCodec(code);
    return c ? CodecName(*c) : QStringLiteral("Unknown");
}

} // namespace AVICompression

std::unique_ptr<TAVICompressor> AviWriter;
bool AviWriterOpen = false;
