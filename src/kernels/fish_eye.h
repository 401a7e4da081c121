#pragma once
// Correction of the dark rim some cameras leave around bright stars, row by
// row on a 24-bit bitmap (grey level (R + G + B) div 3).
//
// A run of pixels whose grey is at least maxDetect, longer than 2 and
// shorter than maxStarRadius, is taken for a star. On each side of it, over
// a rim of E = round(r x radiusRatio + 0.5) + 1 pixels (halves to even),
// the pixels darker than minDetect are replaced by a ramp from the pixel
// just outside the rim to the star's edge pixel: channel = outside +
// round(k^linearity x (edge - outside) / (E + 1)^linearity), modulo 256,
// k counting 1, 2, ... from the outside. Tests read an unchanged copy, so
// corrections never feed each other.
//
// Rows 0 .. height - 2 are visited (the last row never changes); the run
// counter is not reset at a row start, so a run reaching the end of a row
// counts on into the next one. A left rim starting at column 0 takes column
// 0 as its outside pixel; a run that ends at the end of the row above (the
// dark pixel is at column 0) has no edge pixel in this row and is left
// without rims. The right rim ends one column before the last.

#include "kernels/bitmap24.h"

#include <cstdint>

namespace kernels {

struct FishEyeSettings {
    int minDetect = 100;
    int maxDetect = 180;
    int maxStarRadius = 16;
    double radiusRatio = 0.8;
    double linearity = 2.5;
};

// Corrects bitmap in place. copy is the working copy, kept by the caller so
// that frame after frame nothing is allocated once it has the frame's size.
void FishEyeAttenuation(Bitmap24& bitmap, const FishEyeSettings& settings, Bitmap24& copy);

} // namespace kernels
