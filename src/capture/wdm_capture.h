#pragma once
// The capture of a stream-family camera (the WDM kind) on one slot: opens the
// device chosen for the slot, asks for the requested size, and streams its
// frames into the slot's frame hand-over, which announces them to the main
// window with the slot's frame message.

#include "platform/camera_device.h"

#include <cstdint>
#include <memory>

class TWDMCapture {
public:
    explicit TWDMCapture(int slot);
    ~TWDMCapture();
    TWDMCapture(const TWDMCapture&) = delete;
    TWDMCapture& operator=(const TWDMCapture&) = delete;

    // Requested frame size and frame interval (100 ns units; 0 = the device's).
    std::int32_t Width = 640;
    std::int32_t Height = 480;
    std::int64_t FrameInterval = 0;

    // Opens device WdmDeviceIndex[slot] of the stream family and starts it.
    // False when the device is gone or refuses to stream.
    bool StartWdmVideo();
    // Stops the stream and releases the device; the object is kept.
    void Finish();
    bool Running() const { return device_ != nullptr; }
    // The format the device delivers (0 x 0 while stopped).
    platform::CameraFormat Format() const;

private:
    int slot_;
    std::unique_ptr<platform::CameraDevice> device_;
};
