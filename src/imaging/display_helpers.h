#pragma once
// Small routines shared by the frame pipeline, the addition handlers and
// the tool windows: the integration kind, the frame ring of loop addition,
// the memory read-out, the radial correction of the result, the blend of
// the mosaic, the doubling of the full-screen view and the image scale of
// a measured drift.

#include "kernels/bitmap24.h"
#include "kernels/raster.h"

#include <cstdint>

namespace Align_V {

// 0 image addition (also whenever single or loop addition is chosen), 1
// dark, 2 flat.
std::uint8_t GetIntegrationKind();

// Frees an existing ring, then makes up to Count bitmaps of Width x Height
// (24-bit; the pixel format is kept for the callers) in FrameRing[1..n]
// with the progress window, their memory written as they are made. The
// ring stops at the memory budget (platform::memoryBudgetBytes, looked at
// again as it grows) and at 65535 bitmaps; a ring cut short is reported
// and kept. An allocation failing midway leaves no bitmap, closes the
// progress window and is reported. Returns the number of bitmaps made (0
// for a Count of 0).
std::int32_t AllocFrameRing(std::int32_t count, std::int32_t width, std::int32_t height, std::uint8_t pixelFormat);
// Frees FrameRing[1..Count] and refreshes the memory read-out.
void FreeFrameRing(std::int32_t count);

// Writes the memory status into the resources window.
void ShowMemoryStatus();

// The radial correction of the result view, when the image tool asks for it.
void ApplyFishEyeAttenuation();

// Blends source's sourceRect into destination's destRect as a running
// average of n frames (each pixel moves 1/n of the way to the source; n of
// 0 or less counts as 1), clipped to both bitmaps.
void BlendIntoBitmap(const kernels::Bitmap24& source, const kernels::Rect& sourceRect,
                     kernels::Bitmap24& destination, std::int32_t n, const kernels::Rect& destRect);

// Doubles source into destination (which is twice as large): each new
// pixel is the mean of the four source pixels around it, edges repeated.
void Upscale2x(const kernels::Bitmap24& source, kernels::Bitmap24& destination);

// Radians per pixel of a sidereal drift of distance pixels over the time
// of the running procedure; one second of arc when that cannot be told.
double DriftScaleAngle(double distance);
// Pixel size in micrometres for an angle per pixel and the focal length.
double PixelSizeFromAngle(double angle);

namespace testing {
// When above 0, the ring allocation fails at that bitmap (tests).
extern int failRingAllocationAt;
} // namespace testing

} // namespace Align_V
