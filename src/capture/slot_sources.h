#pragma once
// Opening and releasing the source of a camera slot: grab devices, stream
// devices and plug-in cameras, and the frame callback handed to plug-ins.

#include "nj_plugin.h"

#include <cstdint>

class TPluginMgr;
namespace kernels {
class Bitmap24;
}

namespace Capture {

// Opens grab device CameraSlots[slot].driverListIndex into GrabDevices[slot].
bool OpenGrabDevice(int slot);
// Starts the slot's stream capture (device WdmDeviceIndex[slot]).
bool OpenStreamDevice(int slot);

enum class PluginStart {
    Started,
    Unavailable,     // no such camera (any more), or already open on the other slot
    ConnectFailed,   // camera_create or camera_connect failed; the camera was freed
};
// Creates, connects and starts plug-in camera CameraSlots[slot].driverIndex;
// its frames go to the slot's frame hand-over.
PluginStart OpenPluginCamera(int slot);

// Lets go of the slot's plug-in camera: the hand-over is disarmed first (late
// frames are ignored), then the video is stopped and the camera disconnected
// and freed. `manager` is the one that owns the camera (default: PluginManager).
void ReleasePluginCamera(int slot, TPluginMgr* manager = nullptr);

// Releases whatever source the slot has open; the slot timer is stopped.
void ReleaseSlotSource(int slot);

// A frame of the slot's camera came larger than the slot's live bitmap (its
// format or binning changed on the camera's side): the bitmap and the slot
// take the frame's size, and the views and zones follow as after a format
// change. A size past the frame-size limit is told once (until the slot
// starts again or takes another size) and the slot stays as it is. True when
// the slot took the size. Interface thread, outside the slot's own tick.
bool FollowFrameSize(int slot, int width, int height);

// The slot's live bitmap, ready for a frame of the slot's camera. A file
// source shown on the slot since the camera laid it out (a picture or a film
// of another size, then another camera started, or the file source moved to
// the other slot) left the bitmap and the slot at the file's size: they take
// the camera's size back, the views and zones following as after a format
// change, so that no frame of the camera is dropped, or shown over the
// file's remains, for a size the file left. Null while a file source plays
// on the slot (its frames are the file's) or the slot has no bitmap.
// Interface thread, outside the slot's own tick for stream and plug-in slots.
kernels::Bitmap24* LiveBitmapForCamera(int slot);

// The current slot was chosen (it was `previous`): when it changed, a
// running addition ends (keeping what it built). The display zone and the
// result take the slot's frame, the whole of it as a start gives it (a zone
// centred outside it comes to its middle); not while the slot has no frame.
void FitZoneToCurrentSlot(std::uint8_t previous);

// The guide slot's frame is new to the detection zone (a start of the slot,
// or the guiding moved to the other slot): the zone's size keeps within the
// frame, and a tracked star outside the frame comes back d + 1 pixels inside
// its edge, as after a new format. A star inside the frame stays where it is.
// Nothing changes while the slot has no frame.
void FitDetectionZoneToGuideSlot();

// The guiding moved from slot `previous` to GuideSourceSlot: the detection
// zone is fitted to the new slot's frame and, while tracking runs, tracking
// starts afresh on that slot (averages, drift clocks, correlation reference),
// whose format is locked while the other slot's is given back.
void GuideSlotChanged(std::uint8_t previous);

} // namespace Capture

namespace Align_V {
// The start of camera 2 (TFRM_Alv::StartCamera): stops the player when it
// plays (one tick of its slot, camera 2's timer off), then opens slot 2.
void StartCamera2();

// The frame callback of plug-in cameras (video stream and snapshots). `user`
// is the slot's frame hand-over: the frame is copied there if the hand-over
// is armed for `camera`, and ignored otherwise. Runs on the plug-in's thread.
void PluginFrameCallback(std::int32_t camera, const nj_frame* frame, void* user);
} // namespace Align_V
