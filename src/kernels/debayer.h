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

#include <cstdint>

namespace kernels {

class RowPool;

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

} // namespace kernels
