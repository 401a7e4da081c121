#include "platform/wav_file.h"

#include "platform/platform_texts.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <algorithm>
#include <cstring>

namespace platform {
namespace {

constexpr std::uint16_t kPcm = 1;
constexpr std::uint16_t kFloat = 3;
constexpr std::uint16_t kExtensible = 0xFFFE;

std::uint32_t le32(const char* p) { return qFromLittleEndian<quint32>(p); }
std::uint16_t le16(const char* p) { return qFromLittleEndian<quint16>(p); }

struct Format {
    std::uint16_t tag = 0;
    int channels = 0;
    int rate_hz = 0;
    int block_align = 0;
    int bits = 0;
};

bool readFormat(const char* p, std::uint32_t size, Format& f, QString& reason)
{
    if (size < 16) {
        reason = platform::text(platform::PlatformText::MSG_Wav_Entete_Court);
        return false;
    }
    f.tag = le16(p);
    f.channels = le16(p + 2);
    f.rate_hz = int(le32(p + 4) & 0x7FFFFFFF);
    f.block_align = le16(p + 12);
    f.bits = le16(p + 14);
    if (f.tag == kExtensible) {
        if (size < 40) {
            reason = platform::text(platform::PlatformText::MSG_Wav_Entete_Court);
            return false;
        }
        f.tag = le16(p + 24);   // the sub-format's first two bytes
    }
    if (f.tag != kPcm && f.tag != kFloat) {
        reason = platform::text(platform::PlatformText::MSG_Wav_Compresse).arg(f.tag);
        return false;
    }
    const bool bitsOk = f.tag == kFloat ? f.bits == 32 : (f.bits == 8 || f.bits == 16 || f.bits == 24 || f.bits == 32);
    if (!bitsOk || f.channels < 1 || f.channels > 8 || f.rate_hz < 1000 || f.rate_hz > 384000
        || f.block_align != f.channels * f.bits / 8) {
        reason = platform::text(platform::PlatformText::MSG_Wav_Format)
                     .arg(f.channels)
                     .arg(f.rate_hz)
                     .arg(f.bits);
        return false;
    }
    return true;
}

} // namespace

int WavSound::bytesPerFrame() const
{
    return channels * (sample == Sample::UInt8 ? 1 : sample == Sample::Int16 ? 2 : 4);
}

std::int64_t WavSound::frames() const
{
    const int b = bytesPerFrame();
    return b > 0 ? pcm.size() / b : 0;
}

std::int64_t WavSound::duration_ms() const { return rate_hz > 0 ? frames() * 1000 / rate_hz : 0; }

bool decodeWav(const QByteArray& bytes, WavSound& sound, QString& reason)
{
    const char* d = bytes.constData();
    const qsizetype n = bytes.size();
    if (n < 12 || std::memcmp(d, "RIFF", 4) != 0 || std::memcmp(d + 8, "WAVE", 4) != 0) {
        reason = platform::text(platform::PlatformText::MSG_Wav_Pas_Wav);
        return false;
    }
    Format f;
    bool haveFormat = false;
    qsizetype pos = 12;
    while (pos + 8 <= n) {
        const char* id = d + pos;
        const std::uint32_t size = le32(d + pos + 4);
        const qsizetype body = pos + 8;
        const qsizetype avail = n - body;
        if (std::memcmp(id, "fmt ", 4) == 0) {
            if (qsizetype(size) > avail) {
                reason = platform::text(platform::PlatformText::MSG_Wav_Entete_Tronque);
                return false;
            }
            if (!readFormat(d + body, size, f, reason))
                return false;
            haveFormat = true;
        } else if (std::memcmp(id, "data", 4) == 0) {
            if (!haveFormat) {
                reason = platform::text(platform::PlatformText::MSG_Wav_Donnees_Avant_Entete);
                return false;
            }
            // A size past the end (a recording cut short) keeps what is there.
            qsizetype len = std::min<qsizetype>(qsizetype(size), avail);
            len -= len % f.block_align;
            if (len <= 0) {
                reason = platform::text(platform::PlatformText::MSG_Wav_Aucun_Son);
                return false;
            }
            WavSound out;
            out.channels = f.channels;
            out.rate_hz = f.rate_hz;
            if (f.tag == kFloat) {
                out.sample = WavSound::Sample::Float;
                out.pcm = QByteArray(d + body, len);
            } else if (f.bits == 8) {
                out.sample = WavSound::Sample::UInt8;
                out.pcm = QByteArray(d + body, len);
            } else if (f.bits == 16) {
                out.sample = WavSound::Sample::Int16;
                out.pcm = QByteArray(d + body, len);
            } else if (f.bits == 32) {
                out.sample = WavSound::Sample::Int32;
                out.pcm = QByteArray(d + body, len);
            } else {
                out.sample = WavSound::Sample::Int32;
                const qsizetype samples = len / 3;
                out.pcm = QByteArray(samples * 4, Qt::Uninitialized);
                char* o = out.pcm.data();
                for (qsizetype i = 0; i < samples; ++i) {
                    o[4 * i] = 0;
                    std::memcpy(o + 4 * i + 1, d + body + 3 * i, 3);
                }
            }
            sound = std::move(out);
            return true;
        }
        // Chunks are padded to an even size.
        const qsizetype next = body + qsizetype(size) + (size & 1);
        if (next <= pos)
            break;
        pos = next;
    }
    reason = haveFormat ? platform::text(platform::PlatformText::MSG_Wav_Aucun_Son) : platform::text(platform::PlatformText::MSG_Wav_Entete_Absent);
    return false;
}

bool readWavFile(const QString& path, WavSound& sound, QString& reason, qint64 max_bytes)
{
    const QFileInfo info(path);
    if (!info.isFile()) {
        reason = platform::text(platform::PlatformText::MSG_Fichier_Introuvable);
        return false;
    }
    if (info.size() > max_bytes) {
        reason = platform::text(platform::PlatformText::MSG_Fichier_Trop_Grand);
        return false;
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        reason = platform::text(platform::PlatformText::MSG_Lecture_Impossible);
        return false;
    }
    // What the file holds, and a byte more should it have grown since: a
    // read of max_bytes would first take that much memory, for every sound.
    const QByteArray bytes = f.read(std::min(info.size(), max_bytes) + 1);
    if (bytes.size() > max_bytes) {
        reason = platform::text(platform::PlatformText::MSG_Fichier_Trop_Grand);
        return false;
    }
    return decodeWav(bytes, sound, reason);
}

} // namespace platform
