#include "capture/camera_slots.h"

#include "capture/avi_compression.h"

#include <QFile>

std::array<TCameraSlot, 3> CameraSlots;
std::uint8_t CurrentCameraSlot = 1;
bool LongExposureActive = false;
int CameraTimerTicks = 0;
bool FirstExposure = true;
std::array<std::uint8_t, 3> ParallelPortShadow{};
bool CaptureStartPending = false;
std::unique_ptr<QStringList> PlayList;
bool FileSourceOpen = false;
std::unique_ptr<QFile> CaptureDebugFile;

namespace Capture {

void ResetCaptureStartValues()
{
    for (int slot = 1; slot <= 2; ++slot) {
        CameraSlots[slot].captureField1 = 0;
        CameraSlots[slot].captureField2 = 0;
        CameraSlots[slot].pluginCamera = -1;
    }
    LongExposureActive = false;
    CameraTimerTicks = 0;
    FirstExposure = true;
    ParallelPortShadow.fill(0);
    AviWriterOpen = false;
    CaptureStartPending = true;
}

void CloseCaptureDebugFile()
{
    if (CaptureDebugFile) {
        CaptureDebugFile->close();   // QFile::close reports nothing; errors are ignored
        CaptureDebugFile.reset();
    }
}

} // namespace Capture
