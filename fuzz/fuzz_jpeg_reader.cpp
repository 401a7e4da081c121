// JPEG pictures: a file refused before its picture starts leaves the bitmap
// as it was; a picture read has a size within the limits, and reading the
// same bytes again gives the same pixels.

#include "fuzz_check.h"
#include "kernels/picture_files.h"

using namespace kernels;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Bitmap24 got(2, 2);
    std::fill(got.bits(), got.bits() + got.byteCount(), std::uint8_t(77));
    QString reason;
    const PictureFiles::Result r = PictureFiles::DecodeJpeg(data, size, got, &reason);
    if (r != PictureFiles::Result::Ok) {
        NJ_FUZZ_CHECK(!reason.isEmpty(), QStringLiteral("refused without a reason"));
        const bool isJpeg = size >= 2 && data[0] == 0xFF && data[1] == 0xD8;
        if (!isJpeg)
            NJ_FUZZ_CHECK(got.width() == 2 && got.bits()[0] == 77, QStringLiteral("not a JPEG, yet the bitmap changed"));
        return 0;
    }
    NJ_FUZZ_CHECK(got.width() > 0 && got.height() > 0 && got.width() <= PictureFiles::kMaxSide
                      && got.height() <= PictureFiles::kMaxSide
                      && std::int64_t(got.width()) * got.height() <= PictureFiles::kMaxPixels,
                  QStringLiteral("read as %1 x %2").arg(got.width()).arg(got.height()));
    Bitmap24 again;
    NJ_FUZZ_CHECK(PictureFiles::DecodeJpeg(data, size, again) == PictureFiles::Result::Ok,
                  QStringLiteral("read once, refused the second time"));
    NJ_FUZZ_CHECK(SamePixels(got, again), QStringLiteral("the same bytes read to other pixels"));
    return 0;
}
