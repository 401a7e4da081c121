#include "capture/capture_helpers.h"

#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "capture/frame_timers.h"
#include "capture/frm_longuepose.h"
#include "capture/grab_road.h"
#include "capture/plugin_mgr.h"
#include "capture/slot_sources.h"
#include "capture/wdm_capture.h"
#include "imaging/pipeline_state.h"
#include "kernels/frame_copy.h"
#include "kernels/rounding.h"
#include "platform/clock.h"
#include "translation/translated_texts.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <algorithm>

namespace Align_V {
namespace {

bool debugOn()
{
    return FRM_Pref && FRM_Pref->CKB_Debug->isChecked();
}

void debugValue(const char* label, qint64 value)
{
    Capture::DebugLine(QLatin1String(label) + QString::number(value));
}

void debugUnsigned(const char* label, quint64 value)
{
    Capture::DebugLine(QLatin1String(label) + QString::number(value));
}

platform::FrameView viewOf(const nj_frame& f)
{
    return {f.width, f.height, f.stride, f.format == NJ_FORMAT_MONO8 ? platform::PixelFormat::Mono8 : platform::PixelFormat::Bgr24,
            f.data, f.size};
}

bool grabPlugin(std::uint8_t slot)
{
    TCameraRecord* cam = Capture::SlotPluginCamera(slot);
    const std::int32_t handle = CameraSlots[slot].pluginHandle;
    if (!cam || handle == 0 || !SlotBitmaps[slot][0])
        return false;
    const auto& api = *cam->Camera.Api;
    api.camera_getimage(handle);
    struct Target {
        kernels::Bitmap24* bitmap;
        bool copied = false;
        int width = 0, height = 0;   // the image's size
    } target{SlotBitmaps[slot][0].get()};
    const auto read = [](std::int32_t, const nj_frame* f, void* user) {
        auto* t = static_cast<Target*>(user);
        if (!f)
            return;
        t->width = f->width;
        t->height = f->height;
        t->copied = kernels::CopyFrameToBitmap(viewOf(*f), *t->bitmap);
    };
    api.camera_readasbitmap(handle, read, &target);
    // An image larger than the slot: the slot takes its size, and the image,
    // still the camera's last one, is read again.
    if (!target.copied && (target.width > target.bitmap->width() || target.height > target.bitmap->height())
        && Capture::FollowFrameSize(slot, target.width, target.height)) {
        target.bitmap = SlotBitmaps[slot][0].get();
        api.camera_readasbitmap(handle, read, &target);
    }
    return target.copied;
}

bool grabStream(kernels::Bitmap24& bitmap, std::uint8_t slot, std::uint8_t skipCount)
{
    if (!LongExposureRunning[slot])
        return true;
    SlotModes[slot] = 2;
    // A stream held back during the exposure delivers for the grab.
    TWDMCapture* capture = WdmCaptures[slot].get();
    const bool copying = capture ? capture->CopyFrames.load() : true;
    if (capture)
        capture->CopyFrames = true;
    struct Restore {
        TWDMCapture* capture;
        bool copying;
        ~Restore()
        {
            if (capture)
                capture->CopyFrames = copying;
        }
    } restore{capture, copying};
    // Each frame that reaches this thread counts, a larger one the slot
    // followed or told too: the wait never lets one go by for the next.
    const std::uint64_t wanted = FramesCame[slot] + skipCount + 1;
    const auto start = platform::clock().monotonicMs();
    // The long-exposure window shows how many passes the wait took.
    int passes = 0;
    const auto showPasses = [&passes] {
        if (FRM_Longuepose)
            FRM_Longuepose->LBL_cpt->setText(QString::number(passes));
    };
    while (FramesCame[slot] < wanted) {
        if (platform::clock().monotonicMs() - start > kStreamGrabWait_ms) {
            showPasses();
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        ++passes;
    }
    showPasses();
    // A frame too large for the slot was told and never reached the live
    // bitmap: there is nothing new to read.
    if (!LastFrameTaken[slot])
        return false;
    // The frame goes where the grab asked (a half or the guide frame).
    const kernels::Bitmap24* live = SlotBitmaps[slot][0].get();
    if (live && &bitmap != live)
        bitmap = *live;
    return true;
}

} // namespace

QString FrameSizeMessage(int width, int height)
{
    return TranslatedTexts.MSG_Taille_Video_Limitee.arg(kMaxFrameSize) + QStringLiteral("\r\n")
           + TranslatedTexts.MSG_Taille_Video_Actuelle.arg(width).arg(height);
}

bool GrabFrameViaClipboard(kernels::Bitmap24& bitmap, std::uint8_t targetIndex, std::uint8_t slot,
                           std::uint8_t skipCount)
{
    if (slot != 1 && slot != 2)
        return false;
    // The camera's frame goes to the slot only while no file plays there,
    // the slot at the camera's size whatever a file left it.
    if (!Capture::LiveBitmapForCamera(slot))
        return false;
    LongExposureRunning[0] = targetIndex;
    switch (CameraSlots[slot].sourceKind) {
    case 0: {
        platform::CameraDevice* dev = GrabDevices[slot].get();
        // A frame larger than the slot's live bitmap: the slot takes its
        // size, and the grab is made again into it.
        for (int attempt = 0; attempt < 2; ++attempt) {
            bool copied = false;
            int width = 0, height = 0;
            if (!dev || !CaptureCallbacksInstalled(slot)
                || !dev->grabFrame([&](const platform::FrameView& f) {
                       width = f.width;
                       height = f.height;
                       copied = DecodeGrabFrame(slot, f, bitmap);
                   }))
                return false;
            if (copied) {
                Capture::CountFrame(slot);
                return true;
            }
            const kernels::Bitmap24* live = SlotBitmaps[slot][0].get();
            if (!live || &bitmap != live || (width <= live->width() && height <= live->height())
                || !Capture::FollowFrameSize(slot, width, height))
                return false;
        }
        return false;
    }
    case 1:
        return grabStream(bitmap, slot, skipCount);
    case 3:
        return grabPlugin(slot);
    default:
        return false;
    }
}

bool CheckFrameSize(int slot)
{
    return CheckFrameSize(CameraSlots[slot].width, CameraSlots[slot].height);
}

bool CheckFrameSize(int width, int height)
{
    if (height > kMaxFrameSize || width > kMaxFrameSize) {
        Msg::ShowMessageText(true, FrameSizeMessage(width, height));
        return false;
    }
    if (height <= 0 || width <= 0) {
        Msg::ShowMessageText(true, TranslatedTexts.MSG_Cannot_Set_Format);
        return false;
    }
    return true;
}

std::int32_t RowBytes(std::int32_t bits)
{
    return (bits + 31) / 32 * 4;
}

void InitBitmapInfoHeader(TBitmapInfoHeader& header, std::int32_t width, std::int32_t height, std::uint16_t bitCount)
{
    header = {};
    header.biSize = 40;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = bitCount;
    header.biCompression = 0;
    header.biSizeImage = static_cast<std::uint32_t>(RowBytes(width * bitCount)) * static_cast<std::uint32_t>(height);
}

void DumpCaptureFormat(int slot)
{
    auto& s = CameraSlots[slot];
    platform::CameraDevice* dev = GrabDevices[slot].get();
    if (!dev)
        return;
    const platform::CameraFormat f = dev->format();
    TBitmapInfoHeader& in = s.inputFormat;   // the slot's one record, rewritten in place
    InitBitmapInfoHeader(in, f.width, f.height, static_cast<std::uint16_t>(f.bitCount));
    const bool debug = debugOn();
    if (debug) {
        debugUnsigned("bisize          = ", in.biSize);
        debugValue("biWidth         = ", in.biWidth);
        debugValue("biHeight        = ", in.biHeight);
        debugValue("biPlanes        = ", in.biPlanes);
        debugValue("biBitCount      = ", in.biBitCount);
        debugUnsigned("biCompression   = ", in.biCompression);
        debugUnsigned("biSizeImage     = ", in.biSizeImage);
        debugValue("biXPelsPerMeter = ", in.biXPelsPerMeter);
        debugValue("biYPelsPerMeter = ", in.biYPelsPerMeter);
        debugUnsigned("biClrUsed       = ", in.biClrUsed);
        debugUnsigned("biClrImportant  = ", in.biClrImportant);
        debugValue("VideoCap1.CapWidth   = ", in.biWidth);
        debugValue("VideoCap1.CapHeight  = ", in.biHeight);
        debugValue("bmiHeader.biBitCount = ", in.biBitCount);
    }
    s.width = in.biWidth;
    s.height = in.biHeight;
    s.bitCount = in.biBitCount;
    if (s.width == 0 || s.height == 0) {
        kernels::Bitmap24 probe;
        if (GrabFrameViaClipboard(probe, 0, static_cast<std::uint8_t>(slot), 0)) {
            constexpr int kPixelFormat24 = 6;   // the 24-bit pixel format's number in the log
            if (debug) {
                debugValue("FrIma.Width       = ", probe.width());
                debugValue("FrIma.Height      = ", probe.height());
                debugValue("FrIma.PixelFormat = ", kPixelFormat24);
            }
            s.width = probe.width();
            s.height = probe.height();
            s.bitCount = 24;
        }
    }
    s.streamMode = 0;
}

void CopyWdmFrameSize(int slot)
{
    auto& s = CameraSlots[slot];
    const platform::CameraFormat f = WdmCaptures[slot] ? WdmCaptures[slot]->Format() : platform::CameraFormat{0, 0, 0};
    s.width = f.width;
    s.height = f.height;
    s.streamMode = 0;
}

void ReadPluginFrameSize(int slot)
{
    TCameraRecord* cam = Capture::SlotPluginCamera(slot);
    const std::int32_t handle = CameraSlots[slot].pluginHandle;
    if (!cam || handle == 0)
        return;
    const auto& api = *cam->Camera.Api;
    auto prop = [&](int p) { return kernels::roundHalfEvenToInt(api.camera_getproperty(handle, p)); };
    // A binning below 1 would divide by zero: taken as 1.
    const auto bx = std::max<std::int64_t>(1, prop(NJ_PROP_BINNING_X));
    const auto by = std::max<std::int64_t>(1, prop(NJ_PROP_BINNING_Y));
    CameraSlots[slot].width = static_cast<std::int32_t>(prop(NJ_PROP_FULL_WIDTH) / bx);
    CameraSlots[slot].height = static_cast<std::int32_t>(prop(NJ_PROP_FULL_HEIGHT) / by);
}

} // namespace Align_V
