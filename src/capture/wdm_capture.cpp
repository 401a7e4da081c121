#include "capture/wdm_capture.h"

#include "app/frm_alv.h"
#include "app/frm_message.h"
#include "capture/camera_slots.h"
#include "capture/frame_messages.h"
#include "capture/frm_wdm_format.h"
#include "capture/system_device_enum.h"
#include "translation/translated_texts.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <algorithm>
#include <linux/videodev2.h>

std::array<std::atomic<bool>, 3> WdmBufferPending{};

namespace {

// A property of the control window and the V4L2 control standing for it:
// the automatic control the "manual" flag turns off first, and the value
// that means manual. `inverted`: a 0/1 control whose sense is the opposite.
struct ControlMap {
    std::uint32_t id = 0;
    std::uint32_t autoId = 0;
    std::int32_t manualValue = 0;
    bool inverted = false;
};

// Video amplifier 0..9: brightness, contrast, hue, saturation, sharpness,
// gamma, colour enable, white balance, backlight compensation, gain.
constexpr ControlMap kProcAmp[10] = {
    {V4L2_CID_BRIGHTNESS, 0, 0, false},
    {V4L2_CID_CONTRAST, 0, 0, false},
    {V4L2_CID_HUE, V4L2_CID_HUE_AUTO, 0, false},
    {V4L2_CID_SATURATION, 0, 0, false},
    {V4L2_CID_SHARPNESS, 0, 0, false},
    {V4L2_CID_GAMMA, 0, 0, false},
    {V4L2_CID_COLOR_KILLER, 0, 0, true},
    {V4L2_CID_WHITE_BALANCE_TEMPERATURE, V4L2_CID_AUTO_WHITE_BALANCE, 0, false},
    {V4L2_CID_BACKLIGHT_COMPENSATION, 0, 0, false},
    {V4L2_CID_GAIN, V4L2_CID_AUTOGAIN, 0, false},
};

// Camera control 0..6: pan, tilt, roll (none in V4L2), zoom, exposure, iris, focus.
constexpr ControlMap kCamera[7] = {
    {V4L2_CID_PAN_ABSOLUTE, 0, 0, false},
    {V4L2_CID_TILT_ABSOLUTE, 0, 0, false},
    {0, 0, 0, false},
    {V4L2_CID_ZOOM_ABSOLUTE, 0, 0, false},
    {V4L2_CID_EXPOSURE_ABSOLUTE, V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_MANUAL, false},
    {V4L2_CID_IRIS_ABSOLUTE, 0, 0, false},
    {V4L2_CID_FOCUS_ABSOLUTE, V4L2_CID_FOCUS_AUTO, 0, false},
};

constexpr const char* kProcAmpNames[10] = {"Brightness", "Contrast", "Hue", "Saturation", "Sharpness",
                                           "Gamma", "Color Enable", "WhiteBalance", "BackLightComp.", "Gain"};
constexpr const char* kCameraNames[7] = {"Pan", "Tilt", "Roll", "Zoom", "Exposure", "Iris", "Focus"};

const ControlMap* procAmp(int p) { return p >= 0 && p < 10 ? &kProcAmp[p] : nullptr; }
const ControlMap* cameraControl(int p) { return p >= 0 && p < 7 && kCamera[p].id ? &kCamera[p] : nullptr; }

void showStartFailure(int slot)
{
    Msg::ShowMessageText(false, TranslatedTexts.MSG_Cannot_Start_Cam1 + QLatin1Char(' ') + QString::number(slot)
                                    + TranslatedTexts.MSG_Cannot_Start_Cam2);
}

void stopSlot(int slot)
{
    if (!FRM_Alv)
        return;
    if (slot == 1)
        FRM_Alv->MNU_Cam1_ArreterClick();
    else
        FRM_Alv->MNU_Cam2_ArreterClick();
}

} // namespace

TWDMCapture::TWDMCapture(int slot) : slot_(slot) {}

TWDMCapture::~TWDMCapture()
{
    Finish();
}

TWDMCapture::FormatPage& TWDMCapture::formatPage()
{
    static FormatPage page = [](const std::vector<platform::V4l2Camera::FormatEntry>& formats, FormatChoice& choice) {
        return Wdm::RunFormatPage(formats, choice);
    };
    return page;
}

platform::V4l2Camera* TWDMCapture::Device() const
{
    return dynamic_cast<platform::V4l2Camera*>(device_.get());
}

bool TWDMCapture::StartWdmVideo()
{
    Finish();
    SkipFrames = 0;
    LastError.clear();
    auto device = TSystemDeviceEnum().GetMoniker(WdmDeviceIndex[slot_]);
    if (!device)
        return false;   // gone since the list was made
    if (!device->open()) {
        if (auto* v = dynamic_cast<platform::V4l2Camera*>(device.get()))
            LastError = v->errorText();
        return false;
    }
    device_ = std::move(device);
    if (!startDevice()) {
        if (auto* v = Device())
            LastError = v->errorText();
        Finish();
        return false;
    }
    FindCaptureDialogs();
    return true;
}

// Streams device_ at the requested size and rate; what the device granted
// is what Format() tells afterwards.
bool TWDMCapture::startDevice()
{
    platform::V4l2Camera* v = Device();
    if (v)
        v->setPixelFormat(fourcc_);
    if (!device_->setFormat({Width, Height, device_->format().bitCount}) && v)
        return false;   // a V4L2 device that grants no format cannot stream
    // One source token per start, so frames of an earlier stream are never
    // taken for frames of this one.
    static std::intptr_t nextToken = 0;
    const std::intptr_t token = ++nextToken;
    token_ = token;
    refusedNoted_.clear();
    // The slot's live bitmap takes the granted size before the first frame.
    const platform::CameraFormat granted = device_->format();
    auto& handOver = PluginFrameBitmaps[slot_];
    handOver.arm(token, FrameMessages::Poster(slot_), Capture::LayLiveBitmap(slot_, granted.width, granted.height));
    WdmBufferPending[slot_] = true;
    if (v)
        v->setStreamLost([this, token](int error) { onStreamLost(token, error); });
    const double rate = FrameInterval > 0 ? 1e7 / static_cast<double>(FrameInterval) : 0;
    if (!device_->startStream([this, token](const platform::FrameView& f) { onFrame(token, f); }, rate)) {
        handOver.disarm();
        return false;
    }
    return true;
}

void TWDMCapture::onFrame(std::intptr_t token, const platform::FrameView& frame)
{
    std::int32_t skip = SkipFrames.load();
    while (skip > 0)
        if (SkipFrames.compare_exchange_weak(skip, skip - 1))
            return;
    if (CopyFrames)
        PluginFrameBitmaps[slot_].deliver(token, frame);
    FrameReady = true;
}

void TWDMCapture::onStreamLost(std::intptr_t token, int)
{
    // Stream thread: the slot is stopped on the interface thread, once, and
    // only when this stream still runs there.
    const int slot = slot_;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [slot, token] {
            TWDMCapture* c = WdmCaptures[slot].get();
            if (!c || c->token_ != token || !c->Running())
                return;
            const QString why = c->Device() ? c->Device()->errorText() : QString();
            c->token_ = 0;
            stopSlot(slot);
            if (!why.isEmpty())
                Msg::ShowMessageText(false, why);
            showStartFailure(slot);
        },
        Qt::QueuedConnection);
}

void TWDMCapture::Finish()
{
    if (!device_)
        return;
    device_->stopStream();
    PluginFrameBitmaps[slot_].disarm();
    device_->close();
    device_.reset();
    AvailableDialogs = 0;
    token_ = 0;
}

platform::CameraFormat TWDMCapture::Format() const
{
    return device_ ? device_->format() : platform::CameraFormat{0, 0, 0};
}

void TWDMCapture::FindCaptureDialogs()
{
    AvailableDialogs = 0;
    platform::V4l2Camera* v = Device();
    if (!v)
        return;
    if (v->hasControls())
        AvailableDialogs |= 1u << dkCapture;
    if (!v->formats().empty())
        AvailableDialogs |= 1u << dkVideoCapturePin;
}

bool TWDMCapture::ShowDialog(int kind)
{
    if (kind < 0 || kind > 6 || !(AvailableDialogs & (1u << kind)))
        return false;
    PendingDialog = static_cast<std::uint8_t>(kind);
    if (kind == dkCapture) {
        WDMControl::ShowWDMControl(slot_);
        PendingDialog = dkNoDialog;
        return true;
    }
    if (kind != dkVideoCapturePin)
        return false;
    platform::V4l2Camera* v = Device();
    if (!v)
        return false;
    FormatChoice choice{v->pixelFormat(), Format().width, Format().height, v->frameInterval()};
    const bool chosen = formatPage()(v->formats(), choice);
    PendingDialog = dkNoDialog;
    if (!chosen)
        return false;
    // Stop, apply, adopt what was granted; a refused choice restarts with
    // the previous format, and failing that the slot stops with the
    // start-failure message.
    const std::uint32_t previousFourcc = fourcc_;
    const std::int32_t previousWidth = Width, previousHeight = Height;
    const std::int64_t previousInterval = FrameInterval;
    device_->stopStream();
    PluginFrameBitmaps[slot_].disarm();
    fourcc_ = choice.fourcc;
    Width = choice.width;
    Height = choice.height;
    FrameInterval = choice.interval100ns;
    bool ok = startDevice();
    if (ok) {
        Width = Format().width;
        Height = Format().height;
        FrameInterval = v->frameInterval();
        return true;
    }
    Msg::ShowMessageText(false, v->errorText());
    device_->stopStream();
    fourcc_ = previousFourcc;
    Width = previousWidth;
    Height = previousHeight;
    FrameInterval = previousInterval;
    if (startDevice())
        return false;
    Finish();
    stopSlot(slot_);
    showStartFailure(slot_);
    return false;
}

void TWDMCapture::GetVideoProcs(int property, std::int32_t& min, std::int32_t& value, std::int32_t& flags,
                                std::int32_t& step, std::int32_t& max)
{
    const ControlMap* m = procAmp(property);
    platform::V4l2Camera* v = Device();
    if (!m || !v)
        return;
    const auto c = v->control(m->id);
    min = c.min;
    max = c.max;
    step = c.step;
    flags = 2;
    if (m->inverted && c.present) {
        min = 0;
        max = 1;
    }
    if (min != 0 || max != 0)
        value = m->inverted ? (c.value ? 0 : 1) : c.value;
}

void TWDMCapture::sendControl(const char* name, std::uint32_t id, std::int32_t value, std::uint32_t autoId,
                              std::int32_t manualValue, std::int32_t* readBack)
{
    platform::V4l2Camera* v = Device();
    if (!v)
        return;
    if (autoId && v->control(autoId).present)
        v->setControl(autoId, manualValue);
    if (!v->setControl(id, value, readBack) && refusedNoted_.insert(id).second)
        Msg::ShowMessageText(false, TranslatedTexts.MSG_Camera_Valeur_Refusee
                                        .arg(value)
                                        .arg(QString::fromLatin1(name)));
}

void TWDMCapture::SetVideoProcs(int property, std::int32_t value)
{
    if (const ControlMap* m = procAmp(property))
        sendControl(kProcAmpNames[property], m->id, m->inverted ? (value ? 0 : 1) : value, m->autoId, m->manualValue, nullptr);
}

void TWDMCapture::GetCameracaps(int property, std::int32_t& min, std::int32_t& flags, std::int32_t& step,
                                std::int32_t& max)
{
    platform::V4l2Camera* v = Device();
    if (!v)
        return;
    const ControlMap* m = cameraControl(property);
    const auto c = m ? v->control(m->id) : platform::V4l2Camera::Control{};
    min = c.min;
    max = c.max;
    step = c.step;
    flags = 2;
}

std::int32_t TWDMCapture::SetCameraCaps(int property, std::int32_t value)
{
    const ControlMap* m = cameraControl(property);
    if (!m || !Device())
        return 0;
    std::int32_t back = 0;
    sendControl(kCameraNames[property], m->id, value, m->autoId, m->manualValue, &back);
    return back;
}
