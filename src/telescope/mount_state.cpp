#include "telescope/mount_state.h"

#include <numbers>

std::array<std::uint8_t, 3> HandPadKeyState{};
TGuideCorrectionState GuideCorrectionState;
double EarthRotationRate = 0;
std::uint8_t GuideInterfaceCode = 0;
TSkyChartState SkyChart;
std::uint8_t FocuserInterfaceCode = 0;

namespace Telescope {

void ResetMountStartValues()
{
    GuideCorrectionState = TGuideCorrectionState{};
    HandPadKeyState = {1, 4, 1};
}

void SetEarthRotationRate()
{
    EarthRotationRate = 2 * std::numbers::pi * kSiderealTurnsPerSecond;
}

} // namespace Telescope
