// The main window's camera menus: the driver choice, the format and source
// dialogs of each kind of source, and the stream camera's control window.

#include "app/frm_alv.h"
#include "app/settings.h"
#include "capture/camera_slots.h"
#include "capture/capture_helpers.h"
#include "capture/frm_wdm_control.h"
#include "capture/plugin_mgr.h"
#include "capture/wdm_capture.h"
#include "imaging/frame_helpers.h"

#include <QTimer>
#include <linux/videodev2.h>

namespace {

// Sizes our format page offers a grab device, which lists none of its own.
constexpr int kGrabSizes[][2] = {{160, 120}, {320, 240}, {352, 288}, {640, 480}, {800, 600}, {1024, 768}, {1280, 960}};

// The grab device's format page: its size is chosen among the usual ones.
bool ChooseGrabFormat(platform::CameraDevice& device)
{
    std::vector<platform::V4l2Camera::FormatEntry> sizes;
    for (const auto& s : kGrabSizes)
        sizes.push_back({V4L2_PIX_FMT_BGR24, QStringLiteral("RGB 24"), s[0], s[1]});
    const platform::CameraFormat now = device.format();
    TWDMCapture::FormatChoice choice{V4L2_PIX_FMT_BGR24, now.width, now.height, 0};
    if (!TWDMCapture::formatPage()(sizes, choice))
        return false;
    return device.setFormat({choice.width, choice.height, now.bitCount});
}

} // namespace

bool TFRM_Alv::MNU_Cam1_PiloteClick() { return GetDriver(1); }
bool TFRM_Alv::MNU_Cam2_PiloteClick() { return GetDriver(2); }
void TFRM_Alv::MNU_Cam1_FormatClick() { CameraFormat(1); }
void TFRM_Alv::MNU_Cam2_FormatClick() { CameraFormat(2); }
void TFRM_Alv::MNU_Cam1_SourceClick() { CameraSource(1); }
void TFRM_Alv::MNU_Cam2_SourceClick() { CameraSource(2); }
void TFRM_Alv::MNU_Cam1_WDMControlClick() { WDMControl::ShowWDMControl(1); }
void TFRM_Alv::MNU_Cam2_WDMControlClick() { WDMControl::ShowWDMControl(2); }

void TFRM_Alv::CameraFormat(int slot)
{
    auto& s = CameraSlots[slot];
    QTimer* timer = slot == 1 ? Timer_Cam1 : Timer_Cam2;
    bool takeSize = false;
    if (s.sourceKind == 1) {
        if (TWDMCapture* c = WdmCaptures[slot].get(); c && c->Running()) {
            c->ShowDialog(TWDMCapture::dkVideoCapturePin);
            if (!WdmCaptures[slot]->Running())
                return;   // the device refused every format: the slot was stopped
            Align_V::CopyWdmFrameSize(slot);
            if (!Align_V::CheckFrameSize(slot))
                return;
            takeSize = true;
        }
    } else if (s.sourceKind == 0 && s.hasCaptureWindow && GrabDevices[slot]) {
        const std::uint8_t streaming = s.streamMode;
        if (!streaming) {
            PendingTimerInterval = timer->interval();
            PendingTimerSlot = static_cast<std::uint8_t>(slot);
            timer->setInterval(1000);   // quiet while the page is open; the next tick restores it
            ChooseGrabFormat(*GrabDevices[slot]);
        }
        Align_V::DumpCaptureFormat(slot);
        // A capture sequence under way goes on: its frames keep their road.
        s.streamMode = streaming;
        const platform::CameraFormat f = GrabDevices[slot]->format();
        s.width = f.width;
        s.height = f.height;
        if (!Align_V::CheckFrameSize(slot))
            return;
        takeSize = true;
    }
    if (takeSize) {
        Capture::LayLiveBitmap(slot, s.width, s.height);
        SetSourceDimensions(slot);
    }
    Align_V::InvalidateMotionReference();
}

void TFRM_Alv::CameraSource(int slot)
{
    auto& s = CameraSlots[slot];
    if (s.sourceKind == 1) {
        if (TWDMCapture* c = WdmCaptures[slot].get(); c && c->Running())
            c->ShowDialog(TWDMCapture::dkCapture);
        return;
    }
    if (s.sourceKind == 0) {
        // Grab devices have no settings page of their own here: nothing to show.
        return;
    }
    if (s.sourceKind != 3)
        return;
    TCameraRecord* cam = Capture::SlotPluginCamera(slot);
    if (!cam || s.pluginHandle == 0)
        return;
    if (cam->Camera.Api->camera_showpropertiesdialog)
        cam->Camera.Api->camera_showpropertiesdialog(s.pluginHandle, static_cast<std::uintptr_t>(winId()));
    const std::int32_t w = s.width, h = s.height;
    Align_V::ReadPluginFrameSize(slot);
    if (s.width == w && s.height == h)
        return;
    if (Align_V::CheckFrameSize(slot)) {
        Capture::LayLiveBitmap(slot, s.width, s.height);
        SetSourceDimensions(slot);
    } else {
        s.width = w;   // a refused size keeps the previous one
        s.height = h;
    }
}

void TFRM_Alv::ConnectCameraMenuHandlers()
{
    using H = std::function<void()>;
    const std::pair<const char*, H> names[] = {
        {"FRM_Alv.MNU_Cam1_PiloteClick", [] { if (FRM_Alv) FRM_Alv->MNU_Cam1_PiloteClick(); }},
        {"FRM_Alv.MNU_Cam2_PiloteClick", [] { if (FRM_Alv) FRM_Alv->MNU_Cam2_PiloteClick(); }},
        {"FRM_Alv.MNU_Cam1_FormatClick", [] { if (FRM_Alv) FRM_Alv->MNU_Cam1_FormatClick(); }},
        {"FRM_Alv.MNU_Cam2_FormatClick", [] { if (FRM_Alv) FRM_Alv->MNU_Cam2_FormatClick(); }},
        {"FRM_Alv.MNU_Cam1_SourceClick", [] { if (FRM_Alv) FRM_Alv->MNU_Cam1_SourceClick(); }},
        {"FRM_Alv.MNU_Cam2_SourceClick", [] { if (FRM_Alv) FRM_Alv->MNU_Cam2_SourceClick(); }},
        {"FRM_Alv.MNU_Cam1_WDMControlClick", [] { if (FRM_Alv) FRM_Alv->MNU_Cam1_WDMControlClick(); }},
        {"FRM_Alv.MNU_Cam2_WDMControlClick", [] { if (FRM_Alv) FRM_Alv->MNU_Cam2_WDMControlClick(); }},
    };
    for (const auto& [name, handler] : names)
        Settings::RegisterHandler(QString::fromLatin1(name), handler);
}
