#pragma once
// The optional camera-control library "DStestenv", which triggers long
// exposures on USB cameras without port lines. It is looked for as
// "libDStestenv.so" (or "DStestenv.so") in the program directory, then on the
// system's library path. It is loaded once while anything uses it: every
// LoadLedControlDll is matched by one FreeLedControlDll, and the last free
// unloads it and clears the entry points.

#include <cstdint>

extern "C" {
struct TLedControlProcs {
    std::int32_t (*InitLedCtrl)() = nullptr;
    std::int32_t (*EnumCams)() = nullptr;
    void (*GetCamStrings)() = nullptr;   // bound, never called
    void (*GetDevStrings)() = nullptr;   // bound, never called
    std::int32_t (*SetCam)(std::int32_t camera) = nullptr;
    std::int32_t (*CamTrigger)(std::int32_t state) = nullptr;
    void (*CamState)() = nullptr;        // bound, never called
};
}

extern TLedControlProcs LedControlProcs;
// The last result of the library's calls; 0 is success.
extern std::int32_t LedControlResult;

namespace Align_V {

// Takes a reference on the library, loading it and binding its entry points
// at the first (a missing entry point stays null). True while it is loaded.
bool LoadLedControlDll();
// Gives a reference back; the last one unloads the library. Extra frees do
// nothing.
void FreeLedControlDll();
bool LedControlLoaded();
int LedControlReferences();

// The trigger sequence of a camera start: InitLedCtrl; when it gave 0,
// EnumCams; when that gave 0, SetCam(0) and CamTrigger(state). A missing
// entry point counts as result 1. The result is also LedControlResult.
std::int32_t StartLedCamera(std::int32_t state);
// CamTrigger alone (exposure start and end); 1 when it is missing.
std::int32_t LedCamTrigger(std::int32_t state);

} // namespace Align_V
