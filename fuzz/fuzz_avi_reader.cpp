// AVI films: whatever the bytes, opening either fails with a text or gives
// a positive frame count; frames have a size, frames past either end are
// refused, and an uncompressed frame read again out of order keeps its size.
// (A damaged compressed frame is concealed from what the decoder last held,
// so it may differ between reads.)

#include "capture/avi_reader.h"
#include "fuzz_check.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

extern "C" {
#include <libavutil/log.h>
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    av_log_set_level(AV_LOG_QUIET);
    const QString path = QDir::temp().filePath(QStringLiteral("nj_fuzz_avi_%1.avi").arg(::getpid()));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return 0;
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    TAviReader reader;
    QString error;
    if (!reader.Open(path, &error)) {
        NJ_FUZZ_CHECK(!error.isEmpty(), QStringLiteral("an open failed without a text"));
        NJ_FUZZ_CHECK(!reader.IsOpen(), QStringLiteral("a failed open left the film open"));
        QFile::remove(path);
        return 0;
    }
    NJ_FUZZ_CHECK(reader.FrameCount() > 0, QStringLiteral("opened with %1 frames").arg(reader.FrameCount()));
    kernels::Bitmap24 first, other, again;
    const int last = reader.FrameCount() - 1;
    const bool gotFirst = reader.ReadFrame(0, first);
    reader.ReadFrame(std::min(last, 3), other);
    if (gotFirst) {
        NJ_FUZZ_CHECK(!first.isEmpty(), QStringLiteral("frame 0 read empty"));
        // Read again out of order, the first frame keeps its size. (Its pixels
        // may differ in a film whose headers contradict its chunks: the demuxer
        // reopened at the start frames them anew.)
        if (reader.Uncompressed() && reader.ReadFrame(0, again))
            NJ_FUZZ_CHECK(first.width() == again.width() && first.height() == again.height(),
                          QStringLiteral("frame 0 read twice changes size"));
    }
    NJ_FUZZ_CHECK(!reader.ReadFrame(last + 1, other), QStringLiteral("a frame past the end was read"));
    NJ_FUZZ_CHECK(!reader.ReadFrame(-1, other), QStringLiteral("frame -1 was read"));
    reader.Close();
    QFile::remove(path);
    return 0;
}
