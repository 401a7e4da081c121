// AVI films: whatever the bytes, opening either fails with a text or gives
// a positive frame count, never more than the header announces; frames have
// a size, frames past either end are refused, and an uncompressed frame read
// again out of order keeps its size. (A damaged compressed frame is
// concealed from what the decoder last held, so it may differ between
// reads.) And a film of plain frames, written whole, with or without its
// header's count, then cut at any length (a recording that never ended): the
// reader counts exactly the frames whose data lies whole before the cut
// (none: it does not open), each reads as the whole film gives it, and the
// next is refused.

#include "capture/avi_reader.h"
#include "fuzz_check.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <vector>

#include <unistd.h>

extern "C" {
#include <libavutil/log.h>
}

namespace {

QByteArray le32(std::uint32_t v)
{
    char b[4];
    qToLittleEndian(v, b);
    return QByteArray(b, 4);
}
QByteArray le16(std::uint16_t v)
{
    char b[2];
    qToLittleEndian(v, b);
    return QByteArray(b, 2);
}
QByteArray chunk(const char* tag, const QByteArray& body)
{
    return QByteArray(tag, 4) + le32(std::uint32_t(body.size())) + body + (body.size() % 2 ? QByteArray(1, '\0') : QByteArray());
}
QByteArray list(const char* type, const QByteArray& body)
{
    return QByteArray("LIST", 4) + le32(std::uint32_t(body.size() + 4)) + QByteArray(type, 4) + body;
}

// A film of `count` plain 24-bit frames of w x h (rows of whole 4-byte
// words), their pixels from the input, at 25 frames a second; its header
// gives the count or not. The file offsets where each frame's data ends.
QByteArray plainFilm(FuzzedDataProvider& in, int w, int h, int count, bool headerCount, std::vector<qsizetype>& ends)
{
    const std::uint32_t frameBytes = std::uint32_t(w * h * 3);
    QByteArray avih = le32(40000) + le32(frameBytes * 25) + le32(0) + le32(0x10) + le32(headerCount ? count : 0) + le32(0)
                    + le32(1) + le32(frameBytes) + le32(w) + le32(h) + QByteArray(16, '\0');
    QByteArray strh = QByteArray("vidsDIB ", 8) + le32(0) + le16(0) + le16(0) + le32(0) + le32(1) + le32(25) + le32(0)
                    + le32(headerCount ? count : 0) + le32(frameBytes) + le32(0xFFFFFFFF) + le32(0) + le16(0) + le16(0)
                    + le16(std::uint16_t(w)) + le16(std::uint16_t(h));
    QByteArray strf = le32(40) + le32(w) + le32(h) + le16(1) + le16(24) + le32(0) + le32(frameBytes) + QByteArray(16, '\0');
    const QByteArray hdrl = list("hdrl", chunk("avih", avih) + list("strl", chunk("strh", strh) + chunk("strf", strf)));
    const qsizetype moviData = 12 + hdrl.size() + 12;   // RIFF header, hdrl, the movi list's header
    QByteArray movi, idx1;
    for (int i = 0; i < count; ++i) {
        std::string px = in.ConsumeBytesAsString(frameBytes);
        px.resize(frameBytes, char(i));
        idx1 += QByteArray("00db", 4) + le32(0x10) + le32(std::uint32_t(4 + movi.size())) + le32(frameBytes);
        movi += chunk("00db", QByteArray(px.data(), qsizetype(px.size())));
        ends.push_back(moviData + movi.size());
    }
    const QByteArray body = QByteArray("AVI ", 4) + hdrl + list("movi", movi) + chunk("idx1", idx1);
    return QByteArray("RIFF", 4) + le32(std::uint32_t(body.size())) + body;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

void checkCutFilm(const std::uint8_t* data, std::size_t size, const QString& path)
{
    FuzzedDataProvider in(data, size);
    const int w = in.ConsumeBool() ? 8 : 4;
    const int h = in.ConsumeIntegralInRange(1, 6);
    const int count = in.ConsumeIntegralInRange(1, 8);
    const bool headerCount = in.ConsumeBool();
    const std::uint32_t cutAt = in.ConsumeIntegral<std::uint32_t>();
    std::vector<qsizetype> ends;
    const QByteArray film = plainFilm(in, w, h, count, headerCount, ends);
    const qsizetype cut = qsizetype(cutAt % std::uint32_t(film.size() + 1));
    int whole = 0;
    while (whole < count && ends[std::size_t(whole)] <= cut)
        ++whole;

    if (!writeFile(path, film))
        return;
    TAviReader full;
    NJ_FUZZ_CHECK(full.Open(path), QStringLiteral("the whole film does not open"));
    NJ_FUZZ_CHECK(full.FrameCount() == count, QStringLiteral("the whole film counts %1 of %2").arg(full.FrameCount()).arg(count));
    if (!writeFile(path, film.left(cut)))
        return;
    TAviReader shortFilm;
    const bool opened = shortFilm.Open(path);
    const QString where = QStringLiteral("%1 frames, cut at %2 of %3").arg(count).arg(cut).arg(film.size());
    NJ_FUZZ_CHECK(opened == (whole > 0), QStringLiteral("opened %1 with %2 whole frames; ").arg(opened).arg(whole) + where);
    if (!opened)
        return;
    NJ_FUZZ_CHECK(shortFilm.FrameCount() == whole, QStringLiteral("counts %1, %2 whole; ").arg(shortFilm.FrameCount()).arg(whole) + where);
    kernels::Bitmap24 got, expected;
    for (int i = whole - 1; i >= 0; --i) {
        NJ_FUZZ_CHECK(shortFilm.ReadFrame(i, got) && full.ReadFrame(i, expected) && kernels::SamePixels(got, expected),
                      QStringLiteral("frame %1 held is not the one written; ").arg(i) + where);
    }
    NJ_FUZZ_CHECK(!shortFilm.ReadFrame(whole, got), QStringLiteral("frame %1, cut off, was read; ").arg(whole) + where);
}

} // namespace

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
        checkCutFilm(data, size, path);
        QFile::remove(path);
        return 0;
    }
    NJ_FUZZ_CHECK(reader.FrameCount() > 0, QStringLiteral("opened with %1 frames").arg(reader.FrameCount()));
    NJ_FUZZ_CHECK(reader.AnnouncedFrameCount() == 0 || reader.FrameCount() <= reader.AnnouncedFrameCount(),
                  QStringLiteral("%1 frames counted, %2 announced").arg(reader.FrameCount()).arg(reader.AnnouncedFrameCount()));
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
    checkCutFilm(data, size, path);
    QFile::remove(path);
    return 0;
}
