// WAV sound files: a file the decoder refuses says why; a sound it decodes
// has a playable shape (1 to 8 channels, a sane rate, whole frames) and no
// more samples than the file could hold.

#include "fuzz_check.h"
#include "platform/wav_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    platform::WavSound sound;
    QString reason;
    if (!platform::decodeWav(bytes, sound, reason)) {
        NJ_FUZZ_CHECK(!reason.isEmpty(), QStringLiteral("refused without a reason"));
        return 0;
    }
    NJ_FUZZ_CHECK(sound.channels >= 1 && sound.channels <= 8, QStringLiteral("%1 channels").arg(sound.channels));
    NJ_FUZZ_CHECK(sound.rate_hz >= 1000 && sound.rate_hz <= 384000, QStringLiteral("%1 Hz").arg(sound.rate_hz));
    NJ_FUZZ_CHECK(sound.frames() > 0, QStringLiteral("a sound without frames"));
    NJ_FUZZ_CHECK(sound.pcm.size() % sound.bytesPerFrame() == 0,
                  QStringLiteral("%1 bytes for frames of %2").arg(sound.pcm.size()).arg(sound.bytesPerFrame()));
    // 24-bit samples grow by a third; nothing else grows.
    NJ_FUZZ_CHECK(sound.pcm.size() <= bytes.size() / 3 * 4 + 4,
                  QStringLiteral("%1 bytes of sound from a %2-byte file").arg(sound.pcm.size()).arg(bytes.size()));
    return 0;
}
