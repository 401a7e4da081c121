#pragma once
// The detail measure of frame selection and of the contrast focus aid: the
// size in bytes of a region of a 24-bit bitmap compressed as a baseline
// JPEG image at a given quality. More detail gives a larger image. The
// compressed bytes are only counted, never kept.

#include "kernels/bitmap24.h"
#include "kernels/raster.h"

#include <cstdint>

namespace kernels {

// Size of rect (clipped to the bitmap) compressed at quality 0..100 (limited
// to that range; libjpeg takes 0 as 1). 0 when nothing is left to compress
// or the compressor fails.
std::int64_t JpegCompressedSize(const Bitmap24& bitmap, const Rect& rect, int quality);

} // namespace kernels
