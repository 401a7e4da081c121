#pragma once
// Mount-side state that the main window's start-up sets.

#include <array>
#include <cstdint>

// Three bytes of the hand pad's keyboard handling.
extern std::array<std::uint8_t, 3> HandPadKeyState;

// The guide-correction state of the tracking step.
struct TGuideCorrectionState {
    double pendingX = 0;
    double pendingY = 0;
    std::int32_t correctionCount = 0;
    bool active = false;
};
extern TGuideCorrectionState GuideCorrectionState;

// Radians per second; one turn per sidereal day once start-up has run.
extern double EarthRotationRate;
constexpr double kSiderealTurnsPerSecond = 1.160572299382716e-5;

// Chosen guide/mount and focuser interfaces: 0 none, 1 LX200, ... 6 Quillon.
extern std::uint8_t GuideInterfaceCode;
extern std::uint8_t FocuserInterfaceCode;

namespace Telescope {

// Start values given when the main window is created.
void ResetMountStartValues();
// Sets EarthRotationRate to one turn per sidereal day.
void SetEarthRotationRate();

} // namespace Telescope
