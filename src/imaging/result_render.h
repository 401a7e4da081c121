#pragma once
// The result view: the newest frame added into the deep plane of the
// integration kind, corrected by the dark and the flat into plane 5 (the
// 16-bit result the image tool saves), stretched between the thresholds,
// coloured, filtered and shown in Image3.

#include "kernels/bitmap24.h"

#include <cstdint>

namespace kernels {
class RowPool;
}

namespace Align_V {

// kind: 0 image, 1 dark, 2 flat (others count as 0); newFrame 1 adds
// ZoneBitmap; firstFrame 1 restarts the frame count at 1; display 0 stops
// after the counts and statistics. A failure is reported once per cause in
// the message window and leaves the view as it was.
void RenderResult(std::uint8_t kind, std::uint8_t newFrame, std::uint8_t firstFrame, std::uint8_t display);

// Rewrites every pixel by its luminance (mode 1 standard, 2 adaptive, 3
// adaptive high contrast; other modes change nothing).
void LuminanceTransfer(kernels::Bitmap24& bitmap, std::uint8_t mode, double weightRed, double weightGreen,
                       double weightBlue);

// The pool the result passes split their rows across (null with one
// thread); the frame routine's full-frame copies use it too.
kernels::RowPool* ResultRowPool();

// Threads the result passes split their rows across (1: the calling thread
// only); by default as many as the processor has, at most 4.
void SetResultThreads(int threads);

// Binning factor of the current camera slot: 2 with its 2x2 item checked, else 1.
int CurrentBinning();

} // namespace Align_V
