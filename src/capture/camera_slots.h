#pragma once
// The two camera slots and the file-source state that the rest of the
// program reads. Slot records are indexed 1 and 2 (index 0 unused).

#include <QStringList>
#include <array>
#include <cstdint>
#include <memory>

class QFile;

struct TCameraSlot {
    std::int32_t width = 0;             // frame size of the current source, pixels
    std::int32_t height = 0;
    std::uint8_t sourceKind = 0;        // 0 Video for Windows, 1 WDM device, 3 plug-in camera
    std::int32_t driverIndex = -1;      // capture driver, -1 none
    bool hasCaptureWindow = false;
    std::uint8_t captureInProgress = 0;
    std::int32_t captureField1 = 0;     // filled by the capture start
    std::int32_t captureField2 = 0;
    std::int32_t pluginCamera = -1;     // -1: none
    std::uint8_t recordLayout = 0;      // 0 own place, 1 right of the other slot, 2 below it
    std::uint8_t streamMode = 0;
};

extern std::array<TCameraSlot, 3> CameraSlots;
extern std::uint8_t CurrentCameraSlot;

// Exposure cycle and capture flags.
extern bool LongExposureActive;
extern int CameraTimerTicks;
extern bool FirstExposure;
extern std::array<std::uint8_t, 3> ParallelPortShadow;
extern bool CaptureStartPending;

// File source: the player's list, and whether a file source is open.
extern std::unique_ptr<QStringList> PlayList;
extern bool FileSourceOpen;

// The capture services' debug text file (the capture-format dump).
extern std::unique_ptr<QFile> CaptureDebugFile;

namespace Capture {

// Start values given when the main window is created.
void ResetCaptureStartValues();

// Closes the debug file, ignoring any error.
void CloseCaptureDebugFile();

} // namespace Capture
