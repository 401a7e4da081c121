// BMP pictures: a file the reader refuses leaves the bitmap as it was; a
// picture it reads has a size within the limits, and written back as a
// 24-bit BMP it reads again to the very same pixels.

#include "fuzz_check.h"
#include "kernels/image_files.h"
#include "kernels/picture_files.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

using namespace kernels;

namespace {

QString scratchFile()
{
    return QDir::temp().filePath(QStringLiteral("nj_fuzz_bmp_%1.bmp").arg(::getpid()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Bitmap24 before(3, 2);
    for (std::size_t i = 0; i < before.byteCount(); ++i)
        before.bits()[i] = std::uint8_t(i * 37);
    Bitmap24 got = before;
    QString reason;
    const PictureFiles::Result r = PictureFiles::DecodeBmp(data, size, got, &reason);
    if (r != PictureFiles::Result::Ok) {
        NJ_FUZZ_CHECK(SamePixels(got, before), QStringLiteral("refused (%1) but the bitmap changed").arg(reason));
        NJ_FUZZ_CHECK(!reason.isEmpty(), QStringLiteral("refused without a reason"));
        return 0;
    }
    NJ_FUZZ_CHECK(got.width() > 0 && got.height() > 0 && got.width() <= PictureFiles::kMaxSide
                      && got.height() <= PictureFiles::kMaxSide,
                  QStringLiteral("read as %1 x %2").arg(got.width()).arg(got.height()));
    if (std::int64_t(got.width()) * got.height() > 1 << 20)
        return 0;   // the round trip of very large pictures only costs time
    const QString path = scratchFile();
    NJ_FUZZ_CHECK(ImageFiles::WriteBmp24(path, got), QStringLiteral("a picture read could not be written"));
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    const QByteArray written = f.readAll();
    f.close();
    QFile::remove(path);
    Bitmap24 again;
    const PictureFiles::Result back = PictureFiles::DecodeBmp(reinterpret_cast<const std::uint8_t*>(written.constData()),
                                                              std::size_t(written.size()), again, &reason);
    NJ_FUZZ_CHECK(back == PictureFiles::Result::Ok, QStringLiteral("written back, refused: %1").arg(reason));
    NJ_FUZZ_CHECK(SamePixels(got, again), QStringLiteral("written back, read to other pixels"));
    return 0;
}
