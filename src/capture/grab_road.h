#pragma once
// The grab road of a slot's grab device: its frame callbacks (installed while
// the device is open on the slot), the decoding of one frame into the slot's
// bitmaps (raw Bayer frames rebuilt in colour), and the capture sequence that
// streams the device's frames through the slot's hand-over.

#include "platform/camera_device.h"

#include <cstdint>

namespace kernels {
class Bitmap24;
}

namespace Align_V {
// Connects / disconnects the open grab device's sinks; after removal no
// frame of the device reaches the slot.
void InstallCaptureCallbacks(int slot);
void RemoveCaptureCallbacks(int slot);
bool CaptureCallbacksInstalled(int slot);

// One frame of the slot's grab device: with the Preferences' raw option the
// Bayer mosaic is rebuilt in colour into SlotBitmaps[slot][0], whatever the
// target; otherwise it goes to `target`. False, the bitmaps unchanged, when
// the frame is incomplete or too large.
bool DecodeGrabFrame(int slot, const platform::FrameView& frame, kernels::Bitmap24& target);

// Rebuilds a raw Bayer mosaic in colour with the Preferences' arrangement,
// its rows split across a pool of up to four threads kept for the calling
// thread.
void RebuildBayerColours(const kernels::Bitmap24& raw, kernels::Bitmap24& colour);
} // namespace Align_V
