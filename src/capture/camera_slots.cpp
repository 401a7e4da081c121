#include "capture/camera_slots.h"

#include "app/frm_pref.h"
#include "app/log.h"
#include "capture/avi_compression.h"
#include "capture/capture_helpers.h"
#include "capture/file_sources.h"
#include "capture/wdm_capture.h"
#include "imaging/pipeline_state.h"
#include "kernels/frame_copy.h"

std::array<TCameraSlot, 3> CameraSlots;
std::uint8_t CurrentCameraSlot = 1;
std::array<std::unique_ptr<platform::CameraDevice>, 3> GrabDevices;
std::array<std::unique_ptr<TWDMCapture>, 3> WdmCaptures;
std::array<std::int32_t, 3> WdmDeviceIndex{0, 0, 0};
std::array<platform::FrameHandOver, 3> PluginFrameBitmaps;

std::array<std::uint8_t, 3> SlotModes{};
std::array<std::int32_t, 3> FrameCounters{};
std::array<bool, 3> FrameWaiting{};
std::array<std::uint64_t, 3> FramesCame{};
std::array<bool, 3> LastFrameTaken{};
std::array<TFrameRateStamps, 3> FrameRateStamps;
std::int32_t PendingTimerInterval = 0;
std::uint8_t PendingTimerSlot = 0;
std::uint8_t PlayerActive = 0;
std::array<std::uint8_t, 3> LongExposureRunning{};
std::uint8_t ExposureTimerRearm = 0;
std::uint8_t GuideTimerRearm = 0;

bool LongExposureActive = false;
int CameraTimerTicks = 0;
bool FirstExposure = true;
std::array<std::uint8_t, 3> ParallelPortShadow{};
bool CaptureStartPending = false;
std::unique_ptr<QStringList> PlayList;
std::uint8_t& FileSourceOpen = PlayerActive;

// (Here, beside the flag, rather than with the file sources' naming and
// reading, which are built without the program's state too.)
bool FileSources::PlaysOn(int slot)
{
    return PlayerActive && PlayerSlot == slot;
}

namespace Capture {

void ResetCaptureStartValues()
{
    for (int slot = 1; slot <= 2; ++slot) {
        CameraSlots[slot].captureField1 = 0;
        CameraSlots[slot].captureField2 = 0;
        CameraSlots[slot].pluginCamera = -1;
        CameraSlots[slot].pluginHandle = 0;
    }
    LongExposureActive = false;
    CameraTimerTicks = 0;
    FirstExposure = true;
    ParallelPortShadow.fill(0);
    AviWriterOpen = false;
    CaptureStartPending = true;
    PendingTimerInterval = 0;
    PendingTimerSlot = 0;
}

void CloseCaptureDebugFile()
{
    TLog::Close(DebugLog);
}

namespace {
std::array<platform::FrameLayout, 3> g_cameraLayouts;
} // namespace

platform::FrameLayout LayLiveBitmap(int slot, int width, int height)
{
    if ((slot != 1 && slot != 2) || !SlotBitmaps[slot][0])
        return {};
    kernels::Bitmap24& live = *SlotBitmaps[slot][0];
    const bool known = width > 0 && height > 0 && width <= Align_V::kMaxFrameSize && height <= Align_V::kMaxFrameSize;
    if (known && (live.width() != width || live.height() != height))
        live.resize(width, height);   // black, as a start leaves the views
    const platform::FrameLayout layout = kernels::LayoutOf(live);
    if (known)
        g_cameraLayouts[slot] = layout;
    if (PluginFrameBitmaps[slot].armed())
        PluginFrameBitmaps[slot].relayout(layout);
    return layout;
}

platform::FrameLayout CameraLayout(int slot)
{
    return slot == 1 || slot == 2 ? g_cameraLayouts[slot] : platform::FrameLayout{};
}

void ForgetCameraLayout(int slot)
{
    if (slot == 1 || slot == 2)
        g_cameraLayouts[slot] = {};
}

void DebugLine(const QString& text)
{
    if (!DebugLog)
        DebugLog = TLog::Create(Preferences::DebugLogPath(), LogTimeMode::FromStart);
    if (DebugLog)
        DebugLog->Add(text);
}

} // namespace Capture
