#include "capture/slot_sources.h"

#include "app/frm_alv.h"
#include "app/frm_message.h"
#include "capture/camera_slots.h"
#include "capture/capture_helpers.h"
#include "capture/file_sources.h"
#include "capture/frame_messages.h"
#include "capture/frame_timers.h"
#include "capture/grab_road.h"
#include "capture/plugin_mgr.h"
#include "capture/wdm_capture.h"
#include "imaging/frame_helpers.h"
#include "imaging/pipeline_state.h"
#include "kernels/frame_copy.h"
#include "platform/clock.h"
#include "tools/frm_tool_affichage.h"

namespace Capture {

namespace {
// The slots whose camera was told its frames are too large, since the
// slot's last start or the last size it took.
std::array<bool, 3> g_oversizeTold{};
} // namespace

bool OpenGrabDevice(int slot)
{
    auto& s = CameraSlots[slot];
    auto device = platform::grabCameras().create(s.driverListIndex);
    if (!device || !device->open())
        return false;
    GrabDevices[slot] = std::move(device);
    s.hasCaptureWindow = true;
    Align_V::InstallCaptureCallbacks(slot);
    return true;
}

bool OpenStreamDevice(int slot)
{
    if (!WdmCaptures[slot])
        WdmCaptures[slot] = std::make_unique<TWDMCapture>(slot);
    TWDMCapture& capture = *WdmCaptures[slot];
    capture.Width = 640;
    capture.Height = 480;
    TNumInp* refresh = nullptr;
    if (FRM_Tool_Affichage)
        refresh = slot == 1 ? FRM_Tool_Affichage->TNI_Cam1_Tps_Rafraichissement
                            : FRM_Tool_Affichage->TNI_Cam2_Tps_Rafraichissement;
    capture.FrameInterval = refresh ? static_cast<std::int64_t>(refresh->Value() * 10000) : 0;
    return capture.StartWdmVideo();
}

PluginStart OpenPluginCamera(int slot)
{
    auto& s = CameraSlots[slot];
    const int index = s.driverIndex;
    const int other = slot == 1 ? 2 : 1;
    if (!PluginManager || index < 0 || index >= static_cast<int>(PluginManager->Cameras.size())
        || CameraSlots[other].pluginCamera == index)
        return PluginStart::Unavailable;
    TCameraRecord& record = *PluginManager->Cameras[index];
    const auto& api = *record.Camera.Api;
    const QByteArray name = record.Name.toUtf8();
    const QByteArray folder = (PluginManager->Folder + QLatin1Char('/')).toUtf8();
    const std::int32_t handle = api.camera_create(record.Id, name.constData(), folder.constData(), 0);
    if (handle == 0 || api.camera_connect(handle) != 0) {
        SlotModes[slot] = 0;
        if (handle != 0) {
            api.camera_disconnect(handle);
            api.camera_free(handle);
        }
        return PluginStart::ConnectFailed;
    }
    s.pluginCamera = index;
    s.pluginHandle = handle;
    if (api.camera_getmaxexposure(handle) >= 1000 && FRM_Alv) {
        // Camera 1's long-exposure items, whatever the slot.
        FRM_Alv->MNU_Cam1_PoseLongue->setEnabled(true);
        FRM_Alv->SPDB_Cam1_PoseLongue->setEnabled(true);
    }
    // The frames' size is known before the first one comes: the slot's live
    // bitmap takes it, whatever the slot showed before.
    Align_V::ReadPluginFrameSize(slot);
    auto& handOver = PluginFrameBitmaps[slot];
    handOver.arm(handle, FrameMessages::Poster(slot), LayLiveBitmap(slot, s.width, s.height));
    api.camera_setvideostreamcallback(handle, &Align_V::PluginFrameCallback, &handOver);
    api.camera_setsnapshotcallback(handle, &Align_V::PluginFrameCallback, &handOver);
    api.camera_init_video(handle);
    api.camera_start_video(handle);
    SlotModes[slot] = 2;
    return PluginStart::Started;
}

void ReleasePluginCamera(int slot, TPluginMgr* manager)
{
    auto& s = CameraSlots[slot];
    PluginFrameBitmaps[slot].disarm();
    if (!manager)
        manager = PluginManager.get();
    const int index = s.pluginCamera;
    if (manager && index >= 0 && index < static_cast<int>(manager->Cameras.size()) && s.pluginHandle != 0) {
        const auto& api = *manager->Cameras[index]->Camera.Api;
        api.camera_stop_video(s.pluginHandle);
        api.camera_disconnect(s.pluginHandle);
        api.camera_free(s.pluginHandle);
    }
    if (index >= 0 || s.pluginHandle != 0)
        SlotModes[slot] = 0;
    s.pluginCamera = -1;
    s.pluginHandle = 0;
}

void ReleaseSlotSource(int slot)
{
    if (FRM_Alv)
        (slot == 1 ? FRM_Alv->Timer_Cam1 : FRM_Alv->Timer_Cam2)->stop();
    if (GrabDevices[slot]) {
        Align_V::RemoveCaptureCallbacks(slot);
        if (CameraSlots[slot].streamMode)
            PluginFrameBitmaps[slot].disarm();
        GrabDevices[slot]->close();
        GrabDevices[slot].reset();
    }
    CameraSlots[slot].hasCaptureWindow = false;
    CameraSlots[slot].streamMode = 0;
    FrameWaiting[slot] = false;
    g_oversizeTold[slot] = false;
    ForgetCameraLayout(slot);
    if (WdmCaptures[slot] && WdmCaptures[slot]->Running()) {
        SlotModes[slot] = 0;
        WdmCaptures[slot]->Finish();
    }
    ReleasePluginCamera(slot);
}

bool FollowFrameSize(int slot, int width, int height)
{
    if ((slot != 1 && slot != 2) || width <= 0 || height <= 0)
        return false;
    auto& s = CameraSlots[slot];
    if (width > Align_V::kMaxFrameSize || height > Align_V::kMaxFrameSize) {
        if (!g_oversizeTold[slot]) {
            g_oversizeTold[slot] = true;
            Msg::ShowMessageText(false, Align_V::FrameSizeMessage(width, height));
        }
        return false;
    }
    LayLiveBitmap(slot, width, height);
    g_oversizeTold[slot] = false;
    if (s.width == width && s.height == height)
        return true;
    s.width = width;
    s.height = height;
    if (FRM_Alv)
        FRM_Alv->SetSourceDimensions(slot);
    Align_V::InvalidateMotionReference();
    return true;
}

kernels::Bitmap24* LiveBitmapForCamera(int slot)
{
    if ((slot != 1 && slot != 2) || !SlotBitmaps[slot][0] || FileSources::PlaysOn(slot))
        return nullptr;
    const platform::FrameLayout camera = CameraLayout(slot);
    if (camera.isValid() && !(kernels::LayoutOf(*SlotBitmaps[slot][0]) == camera))
        FollowFrameSize(slot, camera.width, camera.height);
    return SlotBitmaps[slot][0].get();
}

void CountFrame(int slot)
{
    if (slot != 1 && slot != 2)
        return;
    if (++FrameCounters[slot] % 5 != 0)
        return;
    auto& st = FrameRateStamps[slot];
    st.previous_ms = st.last_ms;
    st.last_ms = platform::clock().monotonicMs();
    if (st.previous_ms < 0 || st.last_ms <= st.previous_ms || !FRM_Tool_Affichage)
        return;
    const double fps = 5000.0 / static_cast<double>(st.last_ms - st.previous_ms);
    (slot == 1 ? FRM_Tool_Affichage->EDT_Cam1_FPS : FRM_Tool_Affichage->EDT_Cam2_FPS)->setText(FrameRateText(fps));
}

QString FrameRateText(double framesPerSecond)
{
    return QString::number(framesPerSecond, 'g', 4);
}

void ResetFrameRate(int slot)
{
    FrameCounters[slot] = 0;
    FrameRateStamps[slot] = {};
    // No rate is shown before the new source's frames give one.
    if (FRM_Tool_Affichage && (slot == 1 || slot == 2))
        (slot == 1 ? FRM_Tool_Affichage->EDT_Cam1_FPS : FRM_Tool_Affichage->EDT_Cam2_FPS)->clear();
}

} // namespace Capture

namespace Align_V {

void PluginFrameCallback(std::int32_t camera, const nj_frame* frame, void* user)
{
    auto* handOver = static_cast<platform::FrameHandOver*>(user);
    if (!handOver || !frame)
        return;
    const platform::FrameView view{frame->width,
                                   frame->height,
                                   frame->stride,
                                   frame->format == NJ_FORMAT_MONO8 ? platform::PixelFormat::Mono8
                                                                    : platform::PixelFormat::Bgr24,
                                   frame->data,
                                   frame->size};
    if (frame->format == NJ_FORMAT_BGR24 || frame->format == NJ_FORMAT_MONO8)
        handOver->deliver(camera, view);
}

} // namespace Align_V
