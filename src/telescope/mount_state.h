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

// The sky chart's current object, goto destination and origin and chart
// centre (right ascension and declination in radians) and its field width
// (radians); kept in section "Carte" of the settings file.
struct TSkyChartState {
    double CurrentRa = 0;
    double CurrentDec = 0;
    double DestinationRa = 0;
    double DestinationDec = 0;
    double OriginRa = 0;
    double OriginDec = 0;
    double PointRa = 0;
    double PointDec = 0.795;       // pi / 4 + 0.01, as stored (scale 1000)
    double FieldWidth = 1.570796;  // pi / 2, as stored (scale 1000000)
};
extern TSkyChartState SkyChart;
