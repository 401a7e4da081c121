#pragma once
// Bayer colour reconstruction: a raw colour-mosaic frame (one colour a pixel
// in a 2 x 2 arrangement) rebuilt into a colour frame by bilinear means.
//
// The arrangement is named by the colours of the top-left 2 x 2 cell:
//   1 "GR": green red / blue green    2 "RG": red green / green blue
//   3 "BG": blue green / green red    4 "GB": green blue / red green
// Every output channel is built only from the same channel of the source
// (a raw frame held as grey carries its sample in all three bytes). At a red
// site red is its own sample, green the mean of the four side neighbours and
// blue the mean of the four diagonals; blue sites the other way round; a
// green site takes the colour of its row from left and right and the other
// colour from above and below. Means are integer, truncated (sum >> 1 or
// sum >> 2).

#include "kernels/bitmap24.h"

#include <cstddef>
#include <cstdint>

namespace kernels {

class RowPool;

// A raw mosaic read where it lies: `height` rows of `width` pixels, row y at
// data + y x stride, a pixel being one byte (its sample) or three (blue,
// green, red, as a Bitmap24 holds them).
struct MosaicRows {
    const std::uint8_t* data = nullptr;
    std::ptrdiff_t stride = 0;
    int width = 0;
    int height = 0;
    int bytesPerPixel = 3;
};

// Gives destination the source's size, then rebuilds every inner pixel
// (rows 1 .. height - 2, columns 1 .. width - 2) from the source. The
// outermost rows and columns of the destination keep what they held (zero
// when the size changed). A mode outside 1..4, or a source narrower or
// lower than 3, only resizes. Source and destination may be the same
// bitmap. Nothing is allocated per call once the sizes are settled.
void DebayerFrame(const Bitmap24& source, Bitmap24& destination, int mode);
// The same with the rows split across the pool's threads (none: the calling
// thread alone); the bytes out are the same either way, in place too.
void DebayerFrame(const Bitmap24& source, Bitmap24& destination, int mode, RowPool* pool);
// The same from rows read in place: the bytes out are those of the rebuild
// of a bitmap holding the rows (one-byte samples in all three bytes). The
// rows must not overlap the destination. Rows that are not all there (no
// data, a pixel size other than 1 or 3, a stride shorter than a row) only
// resize, as a too small source does.
void DebayerFrame(const MosaicRows& source, Bitmap24& destination, int mode, RowPool* pool);

} // namespace kernels
