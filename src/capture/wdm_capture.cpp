#include "capture/wdm_capture.h"

#include "capture/camera_slots.h"
#include "capture/frame_messages.h"

TWDMCapture::TWDMCapture(int slot) : slot_(slot) {}

TWDMCapture::~TWDMCapture()
{
    Finish();
}

bool TWDMCapture::StartWdmVideo()
{
    Finish();
    auto device = platform::streamCameras().create(WdmDeviceIndex[slot_]);
    if (!device || !device->open())
        return false;
    device->setFormat({Width, Height, device->format().bitCount});   // a device may keep its own size
    // One source token per start, so frames of an earlier stream are never
    // taken for frames of this one.
    static std::intptr_t nextToken = 0;
    const std::intptr_t token = ++nextToken;
    auto& handOver = PluginFrameBitmaps[slot_];
    handOver.arm(token, FrameMessages::Poster(slot_));
    const double rate = FrameInterval > 0 ? 1e7 / static_cast<double>(FrameInterval) : 0;
    if (!device->startStream([&handOver, token](const platform::FrameView& f) { handOver.deliver(token, f); }, rate)) {
        handOver.disarm();
        device->close();
        return false;
    }
    device_ = std::move(device);
    return true;
}

void TWDMCapture::Finish()
{
    if (!device_)
        return;
    device_->stopStream();
    PluginFrameBitmaps[slot_].disarm();
    device_->close();
    device_.reset();
}

platform::CameraFormat TWDMCapture::Format() const
{
    return device_ ? device_->format() : platform::CameraFormat{0, 0, 0};
}
