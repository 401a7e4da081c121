#include "telescope/mount_state.h"

#include <numbers>

std::array<std::uint8_t, 3> HandPadKeyState{};
TGuideCorrectionState GuideCorrectionState;
double EarthRotationRate = 0;
std::uint8_t GuideInterfaceCode = 0;
std::uint8_t FocuserInterfaceCode = 0;

TMotorSpeeds MotorSpeeds;
std::array<std::uint8_t, 4> MovingFlags{};
std::uint8_t LastRADirection = 0;
std::uint8_t LastDecDirection = 0;
std::int32_t RemainingRA = 0;
std::int32_t RemainingDec = 0;
std::int32_t PendingDecPulse = 0;
std::uint8_t MotionSource = 0;

std::uint8_t HandPadMoving = 0;
double TelescopeRA = 0;
double TelescopeDec = 0;
std::uint8_t GotoAxisMovingRA = 0;
std::uint8_t GotoAxisMovingDec = 0;
std::int64_t LastPollMs = 0;
std::int64_t RAStartMs = 0;
std::int64_t DecStartMs = 0;

double TMotorSpeeds::of(std::uint8_t direction) const
{
    switch (direction) {
    case dirNorth: return North;
    case dirSouth: return South;
    case dirEast: return East;
    default: return West;
    }
}

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
