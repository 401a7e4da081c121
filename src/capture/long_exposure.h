#pragma once
// The shared record of the long-exposure lines (webcams modified for long
// exposures) and the state of the main window's exposure cycle. The
// Preferences dialog fills the record from its controls on OK and at
// start-up, the long-exposure window again at each start; the exposure cycle
// (capture/long_exposure_cycle.cpp) reads it.

#include <cstdint>
#include <functional>
#include <optional>

class QString;

struct TLongExposureParams {
    // The port of the long-exposure lines; none when the port text of the
    // Preferences dialog is no address, and then nothing is written.
    std::optional<std::uint16_t> PortAddress;
    std::int32_t ExposureMs = 0;        // FRM_Longuepose.SPED_Vesta_Pose
    std::int32_t GuideExposureMs = 0;   // FRM_Longuepose.SPED_Vesta_Pose_Guidage
    std::int32_t InterposeMs = 0;       // pause between two exposures
    // Data-bit numbers (pin - 2, 0..7) and their active levels (0 or 1).
    std::uint8_t OddLineBit = 0, OddLineActive = 1;
    std::uint8_t EvenLineBit = 1, EvenLineActive = 1;
    std::uint8_t AmpBit = 2, AmpActive = 1;
    std::uint8_t LongExpBit = 3, LongExpActive = 1;
    // The line pair read for guiding: OddLineBit or EvenLineBit.
    std::uint8_t GuideLineBit = 0;
    std::uint8_t AlternateLines = 0;    // 1: self-guiding alternates odd and even lines
    // 1 while a main (guide) exposure runs; read by the per-frame routine.
    std::uint8_t ExposureArmed = 0;
    std::uint8_t GuideArmed = 0;
};

extern TLongExposureParams LongExposureParams;

// Measured length of the last long exposure in milliseconds (from the start
// of the exposure to its read-out, on the monotonic clock), set by the
// exposure cycle; 0 until the first one. The capture file names may carry it.
extern std::int32_t LastExposureDurationMs;

// The exposure cycle's clocks and counters. Stamps are monotonic
// milliseconds (platform::clock()), so a night across midnight counts down
// like any other.
struct TLongExposureClock {
    std::int64_t MainExposureStart = 0;
    std::int64_t GuideExposureStart = 0;
    std::int64_t ReadoutStart = 0;
    // Seconds; the remaining times are counted down by the frame ticks.
    double MainExposureLength = 0, MainExposureRemaining = 0;
    double GuideExposureLength = 0, GuideExposureRemaining = 0;
};
extern TLongExposureClock LongExposureClock;

// 0 while the end of a main exposure is being read, 1 otherwise.
extern std::uint8_t MainReadoutDone;
// The stream exposure (property 7) of the plug-in camera of slot 1, kept
// while the slot is in long-exposure mode and given back when it leaves it.
extern float PluginMinExposure;
// A plug-in exposure was started and its image has not come yet.
extern bool PluginExposurePending;

// The serial channel of the long-exposure lines.
inline constexpr std::uint8_t kLongExposureChannel = 8;

namespace LongExposure {

// A line at its inactive level: the bit is cleared when the active level is
// 1; a line whose active level is 0 is left as it is.
constexpr std::uint8_t Deassert(std::uint8_t shadow, int bit, int active)
{
    return static_cast<std::uint8_t>(shadow & ~((active & 1) << bit));
}
// A line at its active level (the same rule the other way).
constexpr std::uint8_t Assert(std::uint8_t shadow, int bit, int active)
{
    return static_cast<std::uint8_t>(shadow | ((active & 1) << bit));
}

// The Preferences' modem-line setting: 1 raises the line, 0 clears it,
// any other value leaves it; nullopt for "leave".
std::optional<bool> LineLevel(long double setting);

// The lines of a series are switched through one of three roads: the
// parallel port's bits, the serial port's RTS and DTR, or the
// camera-control library. Each operation below says whether the lines were
// switched; a road that cannot switch them (no port address, a port that
// cannot be written or opened, a device gone, a library that is not ready)
// is told in the message window once, until the next series or camera start
// (ForgetLinesFailure), so that a series never runs with lines that do not
// move and a failure is never repeated at every frame.

// Sets RTS and DTR of the long-exposure channel from two settings (rule of
// LineLevel). False when a line to switch was not switched: the channel is
// closed (its port could not be opened) or the device refused.
bool SetSerialLines(long double rts, long double dtr);

// One trigger of the camera-control library: `fixed` chooses the steady
// level (0) over blinking (1). Tells "ResLedLex = n" in the message window;
// false, telling "EnumCams = -1 !!", while the library is not ready.
bool LibraryTrigger(bool fixed);

// Reads the long-exposure port into the shadow, lets `change` alter it,
// shows it in binary in the Preferences and writes it with `tag`. False
// when nothing was written: the port has no address, or the port cannot be
// written (not open, or the device refused).
bool ChangePort(const QString& tag, const std::function<std::uint8_t(std::uint8_t)>& change);

// Tells a failure of the lines, unless one was told since the last
// ForgetLinesFailure.
void TellLinesFailure(const QString& text);
// A new series or camera start: its first failure of the lines is told.
void ForgetLinesFailure();

// The current slot has a camera running, and no file plays on it: the one
// condition under which a series of exposures can start.
bool CameraRuns();

} // namespace LongExposure
