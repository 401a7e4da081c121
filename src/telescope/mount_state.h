#pragma once
// The state of the mount command layer, shared by the hand pad, the goto
// dialog, the guiding and the scripts. Angles on the sky are seconds of arc,
// times milliseconds of the monotonic clock.

#include <QtCore/qnamespace.h>

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

// The logical serial channel of the chosen mount or guide interface and of
// the focuser, written by the Preferences dialog's interface buttons:
// 0 none, 1 LX200, 2 LX200 focuser on a port of its own, 3 Marrick,
// 4 Venner, 5 KitsRus #108, 6 Quillon. The command layer works out the
// channel of each interface itself (Prg_Suivi::ChannelOf), so a mount and a
// guide port of different kinds can be used together.
extern std::uint8_t GuideInterfaceCode;
extern std::uint8_t FocuserInterfaceCode;

// Logical serial channels and their fixed uses.
namespace ComChannel {
inline constexpr std::uint8_t LX200 = 1;          // mount, LX200 guide port, shared focuser
inline constexpr std::uint8_t LX200Focuser = 2;   // LX200 focuser on a port of its own
inline constexpr std::uint8_t Marrick = 3;
inline constexpr std::uint8_t Venner = 4;         // names the port; its lines go through port I/O
inline constexpr std::uint8_t KitsRus = 5;
inline constexpr std::uint8_t Quillon = 6;        // names the parallel interface; nothing is opened
inline constexpr std::uint8_t LongExposure = 8;   // camera control lines
inline constexpr std::uint8_t Scripts = 10;       // serial commands of scripts
} // namespace ComChannel

// Direction codes of the command layer.
inline constexpr std::uint8_t dirNorth = 0;
inline constexpr std::uint8_t dirSouth = 1;
inline constexpr std::uint8_t dirEast = 2;
inline constexpr std::uint8_t dirWest = 3;
inline bool IsDecDirection(std::uint8_t direction) { return direction <= dirSouth; }
inline std::uint8_t OppositeDirection(std::uint8_t direction) { return std::uint8_t(direction ^ 1); }

// The direction an arrow key moves the mount (left east, up north, right
// west, down south), or -1 for any other key.
constexpr int ArrowKeyDirection(int key)
{
    switch (key) {
    case Qt::Key_Left: return dirEast;
    case Qt::Key_Up: return dirNorth;
    case Qt::Key_Right: return dirWest;
    case Qt::Key_Down: return dirSouth;
    default: return -1;
    }
}

// The motor speeds in seconds of arc per second, filled from the Preferences
// dialog's speed inputs.
struct TMotorSpeeds {
    double East = 15;
    double West = 15;
    double North = 15;
    double South = 15;
    double of(std::uint8_t direction) const;
};
extern TMotorSpeeds MotorSpeeds;

// 1 while the mount or guide port is driven in that direction by a command
// that must be stopped; indexed by direction code.
extern std::array<std::uint8_t, 4> MovingFlags;
// Direction code of the last stop on each axis (backlash).
extern std::uint8_t LastRADirection;
extern std::uint8_t LastDecDirection;
// What is left of the current pulse on each axis, in ms; 999999 marks a move
// until stopped on the Marrick and ASCOM interfaces, 1 an open-ended move on
// the line interfaces.
extern std::int32_t RemainingRA;
extern std::int32_t RemainingDec;
// The Declination part of a relative goto that waits, with separate axes,
// for the end of the Right Ascension move (seconds of arc, negative south).
extern std::int32_t PendingDecPulse;
// 0 for moves of the hand pad, scripts, arrow keys, goto dialog and test
// buttons; 1 for guiding. Chooses the inversion boxes.
extern std::uint8_t MotionSource;

// Goto state. Whether a goto runs is Scripts::GotoRunning (scripting/
// scripts.h), shared with the script engine. TelescopeRA and TelescopeDec
// are the mount's position as last read, synchronised or estimated; every
// reading also becomes the goto origin (Sky::GotoOriginRA, GotoOriginDec,
// telescope/sky/sky_chart.h).
extern std::uint8_t HandPadMoving;
extern double TelescopeRA;
extern double TelescopeDec;
// The goto dialog's relative move: set per axis while that axis moves.
extern std::uint8_t GotoAxisMovingRA;
extern std::uint8_t GotoAxisMovingDec;
// Monotonic times of the last position poll and of the start of the current
// Right Ascension and Declination moves.
extern std::int64_t LastPollMs;
extern std::int64_t RAStartMs;
extern std::int64_t DecStartMs;

namespace Telescope {

// Start values given when the main window is created.
void ResetMountStartValues();
// Sets EarthRotationRate to one turn per sidereal day.
void SetEarthRotationRate();

} // namespace Telescope
