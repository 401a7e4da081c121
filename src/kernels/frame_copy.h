#pragma once
// Copies a delivered camera frame into a live 24-bit bitmap.

#include "kernels/bitmap24.h"
#include "platform/camera_device.h"

namespace kernels {

// Sizes `dst` to the frame and copies it: 24-bit frames as they are, 8-bit
// frames (grey or raw mosaic) with the level in all three channels. Only what
// was delivered is read: an incomplete frame is skipped, `dst` unchanged,
// and the result is false.
bool CopyFrameToBitmap(const platform::FrameView& frame, Bitmap24& dst);

} // namespace kernels
