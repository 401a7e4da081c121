#pragma once
// Copies a delivered camera frame into a live 24-bit bitmap.

#include "kernels/bitmap24.h"
#include "platform/camera_device.h"
#include "platform/frame_handover.h"

namespace kernels {

// Copies the frame into the top-left corner of `dst`: 24-bit frames as they
// are, 8-bit frames (grey or raw mosaic) with the level in all three
// channels. An empty `dst` is first sized to the frame; a frame larger than a
// sized `dst` is skipped. Only what was delivered is read: an incomplete
// frame is skipped too. A skipped frame leaves `dst` unchanged and the result
// is false.
bool CopyFrameToBitmap(const platform::FrameView& frame, Bitmap24& dst);

// The layout of `bitmap` for a hand-over that delivers into bitmaps like it.
platform::FrameLayout LayoutOf(const Bitmap24& bitmap);

// Takes the hand-over's frame into `dst`: when the hand-over keeps its
// frames in dst's layout the buffers are exchanged, otherwise the frame is
// copied as CopyFrameToBitmap does. True when `dst` got a frame. Clears the
// pending announcement either way.
bool TakeFrame(platform::FrameHandOver& handOver, Bitmap24& dst);

} // namespace kernels
