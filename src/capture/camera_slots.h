#pragma once
// The two camera slots and the file-source state that the rest of the
// program reads. Every per-slot array is indexed by the slot number, 1 or 2
// (index 0 unused unless said otherwise).

#include "platform/camera_device.h"
#include "platform/frame_handover.h"

#include <QStringList>
#include <array>
#include <cstdint>
#include <memory>

class QFile;
class TLog;
class TWDMCapture;

// The header of a device-independent bitmap (40 bytes), as the capture
// format and the debug dump describe a frame format.
struct TBitmapInfoHeader {
    std::uint32_t biSize = 0;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::uint16_t biPlanes = 0;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};

struct TCameraSlot {
    std::int32_t width = 0;             // frame size of the current source, pixels; 0 = not known
    std::int32_t height = 0;
    std::int32_t previousWidth = 0;     // size at the previous start (rescales the zone anchor)
    std::int32_t previousHeight = 0;
    std::uint16_t bitCount = 0;         // bits a pixel of the capture format; 0 = unknown
    std::uint8_t sourceKind = 0;        // 0 grab device (Video for Windows kind), 1 stream device (WDM), 3 plug-in camera
    std::int32_t driverIndex = -1;      // the source inside its kind; saved with the settings
    std::int32_t driverListIndex = -1;  // the chosen line of the driver list; -1 after a failed connection
    std::uint8_t frameHandOver = 0;     // 1: each announced frame runs the slot's frame tick at once
    bool hasCaptureWindow = false;      // a grab device is open on the slot (GrabDevices)
    std::uint8_t captureInProgress = 0;
    std::int32_t captureField1 = 0;     // filled by the capture start
    std::int32_t captureField2 = 0;
    std::int32_t pluginCamera = -1;     // index in PluginManager->Cameras of the open plug-in camera; -1 none
    std::int32_t pluginHandle = 0;      // that camera's handle from camera_create
    std::uint8_t recordLayout = 0;      // view layout of the slot (Disposition): 0 own place, 1 right of the other slot, 2 below it
    std::uint8_t streamMode = 0;        // 1 while a grab slot runs in stream (sequence) mode (StreamRunning)
    TBitmapInfoHeader inputFormat;      // the capture format, read by the format dump (one record, reused)
};

extern std::array<TCameraSlot, 3> CameraSlots;
extern std::uint8_t CurrentCameraSlot;

// The open grab device of each slot (the capture window of the Video for
// Windows kind); null while none is open.
extern std::array<std::unique_ptr<platform::CameraDevice>, 3> GrabDevices;
// The stream capture of each slot, created on its first stream start and kept.
extern std::array<std::unique_ptr<TWDMCapture>, 3> WdmCaptures;
// Index inside its kind of the stream device or plug-in camera last chosen.
extern std::array<std::int32_t, 3> WdmDeviceIndex;
// Frames of stream devices and plug-in cameras, handed over from their
// threads; each slot's hand-over is armed for the slot's open source.
extern std::array<platform::FrameHandOver, 3> PluginFrameBitmaps;

// Frame hand-over and frame timers.
// Hand-shake state of a slot: 2 ready (announced frames are taken), 1 a tick
// of the slot runs (announcements are dismissed), 0 stopped.
extern std::array<std::uint8_t, 3> SlotModes;
extern std::array<std::int32_t, 3> FrameCounters;
// A frame of the slot's stream or plug-in camera reached its live bitmap and
// no tick has processed it yet: a tick without one processes, counts and
// adds nothing.
extern std::array<bool, 3> FrameWaiting;
// Frames of the slot's stream or plug-in camera that came to the interface
// thread: each one taken into the live bitmap, and each one too large for the
// slot that was told instead. A grab waits on it for the next frame.
extern std::array<std::uint64_t, 3> FramesCame;
// Whether the last of those frames was taken into the live bitmap (false
// when it was too large and told): a long-exposure read-out waiting on it
// has no image then, and the live bitmap still holds an older frame.
extern std::array<bool, 3> LastFrameTaken;
// Monotonic stamps of the frame-rate read-out, every fifth frame; -1 unset.
struct TFrameRateStamps {
    std::int64_t last_ms = -1;
    std::int64_t previous_ms = -1;
};
extern std::array<TFrameRateStamps, 3> FrameRateStamps;
// The frame timer interval to restore at the next tick of PendingTimerSlot's
// timer (after the format page slowed it down); 0 none.
extern std::int32_t PendingTimerInterval;
extern std::uint8_t PendingTimerSlot;
extern std::uint8_t PlayerActive;
// Elements 1..2: a long exposure runs on the slot; element 0: the index of
// SlotBitmaps[slot][k] that the next grabbed frame goes to.
extern std::array<std::uint8_t, 3> LongExposureRunning;
extern std::uint8_t ExposureTimerRearm;
extern std::uint8_t GuideTimerRearm;

// Exposure cycle and capture flags. LongExposureActive: the main window's
// long-exposure mode is on (its frames are saved by the long-exposure cycle,
// not by the frame timers).
extern bool LongExposureActive;
extern int CameraTimerTicks;
extern bool FirstExposure;
extern std::array<std::uint8_t, 3> ParallelPortShadow;
extern bool CaptureStartPending;

// File source: the player's list. Whether a file source is open is
// PlayerActive; FileSourceOpen is the same flag under its other name.
extern std::unique_ptr<QStringList> PlayList;
extern std::uint8_t& FileSourceOpen;

namespace Capture {

// Start values given when the main window is created.
void ResetCaptureStartValues();

// Closes the debug log ("Debug.log").
void CloseCaptureDebugFile();

// Appends one line to the debug log, opening it when it is not open yet.
void DebugLine(const QString& text);

// Gives the slot's live bitmap the size of the frames its camera delivers
// (an earlier source, a smaller picture, may have left another), passes the
// new layout on to the slot's hand-over when it is armed, and returns it. A
// size the frame check refuses (0, or past kMaxFrameSize) leaves the bitmap
// as it is. The hand-over hands its frames to the bitmap without a second
// copy. Not valid when the bitmap does not exist yet. Interface thread.
platform::FrameLayout LayLiveBitmap(int slot, int width, int height);

// The layout LayLiveBitmap last gave the slot's live bitmap for its camera;
// not valid while no camera is open on the slot. A file source shown on the
// slot in between lays the bitmap out its own way; the camera's next frame
// takes it back (LiveBitmapForCamera).
platform::FrameLayout CameraLayout(int slot);
// The slot's camera is let go: the layout is forgotten.
void ForgetCameraLayout(int slot);

} // namespace Capture
