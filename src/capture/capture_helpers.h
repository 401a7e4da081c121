#pragma once
// Small routines around the camera slots: the single-frame grab of the frame
// timers and the long-exposure cycle, the frame-size check, the capture
// format with its dump to "Debug.log", and the frame-size readers of stream
// and plug-in slots.

#include "capture/camera_slots.h"
#include "kernels/bitmap24.h"

#include <QString>
#include <cstdint>

namespace Align_V {

constexpr int kMaxFrameSize = 1280;

// Takes one frame of the slot into `bitmap` (grab devices) or into
// SlotBitmaps[slot][0] (plug-in cameras), and remembers `targetIndex` as the
// bitmap the frame is meant for. Stream slots only take part during a long
// exposure: the grab then waits, keeping the window alive, until
// `skipCount` + 1 further frames came (FramesCame; at most
// kStreamGrabWait_ms), and gives the last of them to `bitmap`.
// False when nothing could be taken.
bool GrabFrameViaClipboard(kernels::Bitmap24& bitmap, std::uint8_t targetIndex, std::uint8_t slot,
                           std::uint8_t skipCount);
constexpr int kStreamGrabWait_ms = 10000;

// True when the slot's frame size is usable; otherwise the message window is
// cleared and tells why (size over 1280 x 1280, or a size of 0).
bool CheckFrameSize(int slot);
// The same for a frame of width x height.
bool CheckFrameSize(int width, int height);

// Reads the capture format of the slot's grab device into the slot record
// (one record, reused), sets the frame size and bit count, and with the debug
// setting on writes the format to "Debug.log". A device that reports no size
// (0 x 0) has its size learned from one grab.
void DumpCaptureFormat(int slot);

// The byte length of one bitmap row of `bits` bits: (bits + 31) div 32 * 4.
std::int32_t RowBytes(std::int32_t bits);
void InitBitmapInfoHeader(TBitmapInfoHeader& header, std::int32_t width, std::int32_t height, std::uint16_t bitCount);

// Frame size of a stream slot from its capture; of a plug-in slot from the
// camera's properties (full size divided by binning).
void CopyWdmFrameSize(int slot);
void ReadPluginFrameSize(int slot);

// The size message of CheckFrameSize.
QString FrameSizeMessage(int width, int height);

} // namespace Align_V
