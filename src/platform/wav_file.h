#pragma once
// RIFF/WAVE sound files, the only kind the sound service plays: integer PCM
// of 8, 16, 24 or 32 bits and 32-bit float, 1 to 8 channels, the plain and
// the extensible format header. 24-bit samples are widened to 32 bits so the
// audio output takes them as they are. A file cut short plays what it holds.

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace platform {

struct WavSound {
    enum class Sample { UInt8, Int16, Int32, Float };
    Sample sample = Sample::Int16;
    int channels = 0;
    int rate_hz = 0;
    QByteArray pcm;   // interleaved frames of `sample`, little-endian

    int bytesPerFrame() const;
    std::int64_t frames() const;
    std::int64_t duration_ms() const;
};

// Decodes a whole file's bytes. False with the reason (in the interface's
// words) when the bytes are no WAV sound the service can play.
bool decodeWav(const QByteArray& bytes, WavSound& sound, QString& reason);

// Reads and decodes a file; files above max_bytes are refused unread.
bool readWavFile(const QString& path, WavSound& sound, QString& reason, qint64 max_bytes = 64 << 20);

} // namespace platform
