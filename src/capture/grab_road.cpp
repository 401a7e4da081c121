#include "capture/grab_road.h"

#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "capture/camera_slots.h"
#include "capture/frame_messages.h"
#include "capture/frame_timers.h"
#include "capture/slot_sources.h"
#include "imaging/pipeline_state.h"
#include "imaging/process_frame.h"
#include "kernels/debayer.h"
#include "kernels/frame_copy.h"
#include "kernels/row_pool.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"

#include <QCoreApplication>
#include <algorithm>
#include <array>
#include <memory>
#include <thread>

namespace {

std::array<bool, 3> g_installed{};

bool rawColour()
{
    return FRM_Pref && FRM_Pref->CKB_Raw->isChecked();
}

// A pool is run from the thread that made it: one per calling thread.
kernels::RowPool* bayerPool()
{
    thread_local const auto pool =
        std::make_unique<kernels::RowPool>(std::clamp(int(std::thread::hardware_concurrency()), 1, 4));
    return pool.get();
}

} // namespace

namespace Align_V {

void InstallCaptureCallbacks(int slot)
{
    if ((slot == 1 || slot == 2) && GrabDevices[slot])
        g_installed[slot] = true;
}

void RemoveCaptureCallbacks(int slot)
{
    if (slot == 1 || slot == 2)
        g_installed[slot] = false;
}

bool CaptureCallbacksInstalled(int slot)
{
    return (slot == 1 || slot == 2) && g_installed[slot] && GrabDevices[slot];
}

bool DecodeGrabFrame(int slot, const platform::FrameView& frame, kernels::Bitmap24& target)
{
    if (slot != 1 && slot != 2)
        return false;
    if (!rawColour())
        return kernels::CopyFrameToBitmap(frame, target);
    kernels::Bitmap24* live = SlotBitmaps[slot][0].get();
    if (!live || frame.width > live->width() || frame.height > live->height())
        return false;
    // The colours are rebuilt straight from the frame's rows, whichever
    // pixel size and stride it comes in: never from a copy of it.
    if (!frame.isComplete())
        return false;
    const kernels::MosaicRows rows{frame.data, frame.stride, frame.width, frame.height,
                                   platform::bytesPerPixel(frame.format)};
    kernels::DebayerFrame(rows, *live, RawBayerMode, bayerPool());
    return true;
}

void RebuildBayerColours(const kernels::Bitmap24& raw, kernels::Bitmap24& colour)
{
    kernels::DebayerFrame(raw, colour, RawBayerMode, bayerPool());
}

} // namespace Align_V

void TFRM_Alv::StartSequence(int slot)
{
    auto& s = CameraSlots[slot];
    platform::CameraDevice* dev = GrabDevices[slot].get();
    if (!s.hasCaptureWindow || !dev || !Align_V::CaptureCallbacksInstalled(slot))
        return;
    const auto* refresh = !FRM_Tool_Affichage ? nullptr
                          : slot == 1         ? FRM_Tool_Affichage->TNI_Cam1_Tps_Rafraichissement
                                              : FRM_Tool_Affichage->TNI_Cam2_Tps_Rafraichissement;
    const double period_ms = refresh ? static_cast<double>(refresh->Value()) : 0;
    const double rate = period_ms >= 1 ? 1000.0 / static_cast<int>(period_ms) : 0;
    dev->stopStream();
    static std::intptr_t nextToken = 0x5000;
    const std::intptr_t token = ++nextToken;
    auto& handOver = PluginFrameBitmaps[slot];
    handOver.arm(token, FrameMessages::Poster(slot), Capture::LayLiveBitmap(slot, s.width, s.height));
    if (!dev->startStream([&handOver, token](const platform::FrameView& f) { handOver.deliver(token, f); }, rate)) {
        handOver.disarm();
        return;
    }
    s.streamMode = 1;
}

void TFRM_Alv::VideoStreamCallback(int slot)
{
    auto& handOver = PluginFrameBitmaps[slot];
    // A frame larger than the slot: the slot takes the camera's new size.
    if (const auto refused = handOver.refusedSize(); !refused.isEmpty() && Align_V::CaptureCallbacksInstalled(slot))
        Capture::FollowFrameSize(slot, refused.width, refused.height);
    const int index = LongExposureRunning[0] < 3 ? LongExposureRunning[0] : 0;
    kernels::Bitmap24* target = index == 0 ? Capture::LiveBitmapForCamera(slot) : SlotBitmaps[slot][index].get();
    bool decoded = false;
    if (!target || !Align_V::CaptureCallbacksInstalled(slot)) {
        handOver.take(nullptr);
    } else if (!rawColour()) {
        decoded = kernels::TakeFrame(handOver, *target);
    } else {
        handOver.take([&](const platform::FrameView& f) { decoded = Align_V::DecodeGrabFrame(slot, f, *target); });
    }
    if (!decoded)
        return;
    Capture::CountFrame(slot);
    std::uint8_t accept = 0;
    Align_V::ProcessFrame(1, accept, static_cast<std::uint8_t>(slot));
    // A kept frame is offered to the sequence as on every other road: it is
    // saved only while the sequence asks for frames (not in a time-driven
    // sequence, nor between bursts), at its cadence. In long-exposure mode
    // the exposure cycle saves.
    if (accept && !LongExposureActive && FRM_Tool_Images)
        FRM_Tool_Images->SaveFrameHook();
}
