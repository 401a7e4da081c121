#pragma once
// Reading pictures into 24-bit bitmaps: BMP by our own small reader (24 and
// 32 bits a pixel, 8-bit paletted; rows bottom-up or top-down), JPEG through
// libjpeg-turbo. Both decode from bytes already in memory.
//
// A decoder checks the whole header and the data's length before it writes
// into the bitmap, so a refused or truncated file leaves the bitmap as it
// was; a JPEG whose entropy data turns out broken part-way may leave it
// half-written (callers that must keep their frame decode into a scratch
// bitmap). Failures give a French text for the user.

#include "kernels/bitmap24.h"

#include <QString>
#include <cstddef>
#include <cstdint>

namespace kernels::PictureFiles {

enum class Kind { Bmp, Jpeg, Other };

// By the lower-cased extension: ".bmp", ".jpg" or ".jpeg"; anything else
// is Other.
Kind KindOf(const QString& fileName);

// Pictures wider or higher than this, or with more pixels than
// kMaxPixels, are refused before anything is allocated.
constexpr int kMaxSide = 32768;
constexpr std::int64_t kMaxPixels = std::int64_t(1) << 26;

enum class Result { Ok, Refused, Truncated };

// The reason of the last failure is put in *reason (without the file name).
Result DecodeBmp(const std::uint8_t* data, std::size_t size, Bitmap24& out, QString* reason = nullptr);
Result DecodeJpeg(const std::uint8_t* data, std::size_t size, Bitmap24& out, QString* reason = nullptr);

} // namespace kernels::PictureFiles
