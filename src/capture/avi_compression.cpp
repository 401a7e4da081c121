#include "capture/avi_compression.h"

#include <QFile>
#include <QtEndian>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace AVICompression {

TCompressOptions CompressOptions;
bool OptionsLoaded = false;

bool LoadCompressOptions(const QString& fileName)
{
    QFile f(fileName);
    if (!f.exists() || !f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray b = f.read(kCompressOptionsSize);
    if (b.size() != kCompressOptionsSize)
        return false;
    const auto* p = reinterpret_cast<const uchar*>(b.constData());
    auto field = [p](int i) { return qFromLittleEndian<std::uint32_t>(p + 4 * i); };
    TCompressOptions o;
    o.fccType = field(0);
    o.fccHandler = field(1);
    o.dwKeyFrameEvery = field(2);
    o.dwQuality = field(3);
    o.dwBytesPerSecond = field(4);
    o.dwFlags = field(5);
    o.lpFormat = field(6);
    o.cbFormat = field(7);
    o.lpParms = field(8);
    o.cbParms = field(9);
    o.dwInterleaveEvery = field(10);
    CompressOptions = o;
    OptionsLoaded = true;
    return true;
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

QString GetCodecName(const QString& code)
{
    // No code (zeros) or the uncompressed "DIB " has no codec name.
    if (code.size() != 4 || code.contains(QChar(0)) || code.toLower() == QLatin1String("dib "))
        return QStringLiteral("Unknown");
    const AVCodecTag* const tags[] = {avformat_get_riff_video_tags(), nullptr};
    const AVCodecID id = av_codec_get_id(tags, StrToFourCC(code));
    const AVCodecDescriptor* d = id == AV_CODEC_ID_NONE ? nullptr : avcodec_descriptor_get(id);
    if (!d)
        return QStringLiteral("Unknown");
    return QString::fromUtf8(d->long_name ? d->long_name : d->name);
}

} // namespace AVICompression

bool AviFileOpen = false;

void CloseAviFile()
{
    AviFileOpen = false;
}

std::unique_ptr<TAVICompressor> AviWriter;
bool AviWriterOpen = false;

int TAVICompressor::Close()
{
    AviWriterOpen = false;
    return 0;
}
