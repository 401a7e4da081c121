#pragma once
// The capture of a stream-family camera (the WDM kind) on one slot: opens the
// device chosen for the slot, asks for the requested size and frame interval,
// and streams its frames into the slot's frame hand-over, which announces
// them to the main window with the slot's frame message. The device's
// video-amplifier and camera properties map to its V4L2 controls; its two
// pages are our control window ("Capture") and our format page ("Video
// Capture Pin").

#include "platform/camera_device.h"
#include "platform/v4l2_camera.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>

class TWDMCapture {
public:
    explicit TWDMCapture(int slot);
    ~TWDMCapture();
    TWDMCapture(const TWDMCapture&) = delete;
    TWDMCapture& operator=(const TWDMCapture&) = delete;

    // Dialog kinds of ShowDialog; AvailableDialogs holds one bit per kind (1 << kind).
    enum DialogKind : std::uint8_t { dkFormat = 0, dkSource = 1, dkDisplay = 2, dkCapture = 3,
                                     dkVideoCapturePin = 4, dkVideoPreviewPin = 5, dkNoDialog = 6 };

    // Requested frame size and frame interval (100 ns units; 0 = the device's).
    std::int32_t Width = 640;
    std::int32_t Height = 480;
    std::int64_t FrameInterval = 0;
    std::uint8_t PendingDialog = dkNoDialog;
    std::uint32_t AvailableDialogs = 0;

    // Shared with the stream thread. SkipFrames: frames still to ignore;
    // CopyFrames: frames go to the hand-over; FrameReady: set by every frame.
    std::atomic<std::int32_t> SkipFrames{0};
    std::atomic<bool> CopyFrames{true};
    std::atomic<bool> FrameReady{false};

    // Opens device WdmDeviceIndex[slot] of the stream family and starts it.
    // False when the device is gone or refuses to stream; LastError then
    // tells why when the device said so.
    bool StartWdmVideo();
    QString LastError;
    // Stops the stream and releases the device; the object is kept.
    void Finish();
    bool Running() const { return device_ != nullptr; }
    // The format the device delivers (0 x 0 while stopped).
    platform::CameraFormat Format() const;
    // The V4L2 device while it runs (null otherwise, or for another kind of device).
    platform::V4l2Camera* Device() const;

    void FindCaptureDialogs();
    // A kind not in AvailableDialogs changes nothing. Capture: the control
    // window. VideoCapturePin: the format page, then a restart with what the
    // device granted (adopted as Width, Height, FrameInterval). False when
    // nothing was shown or the user cancelled.
    bool ShowDialog(int kind);

    // Video-amplifier properties 0..9 and camera properties 0..6, numbered
    // as the control window knows them. An absent control reads 0..0.
    void GetVideoProcs(int property, std::int32_t& min, std::int32_t& value, std::int32_t& flags, std::int32_t& step,
                       std::int32_t& max);
    void SetVideoProcs(int property, std::int32_t value);
    void GetCameracaps(int property, std::int32_t& min, std::int32_t& flags, std::int32_t& step, std::int32_t& max);
    // Answers the value the device holds afterwards.
    std::int32_t SetCameraCaps(int property, std::int32_t value);

    // The format page: offered the device's formats, fills the choice. The
    // default shows our modal page; tests put their own.
    struct FormatChoice {
        std::uint32_t fourcc = 0;
        int width = 0;
        int height = 0;
        std::int64_t interval100ns = 0;
    };
    using FormatPage = std::function<bool(const std::vector<platform::V4l2Camera::FormatEntry>&, FormatChoice&)>;
    static FormatPage& formatPage();

private:
    bool startDevice();
    void onFrame(std::intptr_t token, const platform::FrameView& frame);
    void onStreamLost(std::intptr_t token, int error);
    void sendControl(const char* name, std::uint32_t id, std::int32_t value, std::uint32_t autoId,
                     std::int32_t manualValue, std::int32_t* readBack);

    int slot_;
    std::unique_ptr<platform::CameraDevice> device_;
    std::uint32_t fourcc_ = 0;
    std::intptr_t token_ = 0;
    std::set<std::uint32_t> refusedNoted_;   // controls already noted as refused in this run
};

// Set at every start or format change of a slot's stream; the main window
// clears the slot bitmap on the interface thread and clears the flag.
extern std::array<std::atomic<bool>, 3> WdmBufferPending;

namespace WDMControl {
// Shows the control window for `capture` (the slot's, looked up through the slot at every call).
void ShowWDMControl(int slot);
} // namespace WDMControl
