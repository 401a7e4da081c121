#pragma once
// The bytes, texts, bits and line sequences of the simple guide interfaces.
// Nothing here touches a port; guide_primitives.cpp sends them.

#include <QByteArray>
#include <cstdint>
#include <vector>

namespace GuideProtocol {

// --- Marrick guide box: one byte per pulse --------------------------------

// The longest pulse the box can time: 63 units of 15 ms.
inline constexpr int kMarrickMaxPulse_ms = 945;
// Duration code (units of 15 ms, the length clamped to 0..945 ms first) x 4
// + the direction bits: west 0, east 1, north 2, south 3.
std::uint8_t MarrickByte(std::uint8_t direction, std::int64_t duration_ms);

// --- KitsRus #108 relay board: text commands ------------------------------

// "N" + relay closes it, "F" + relay opens it. A direction starts by putting
// its relay in its active state (1 closed, 0 open) and stops by the other.
QByteArray KitsRusCommand(bool start, int relay, int activeState);

// --- Venner: a shift register clocked by the RTS line ---------------------

// Offsets from the serial port's register base and the bits used.
inline constexpr int kLineControl = 3;      // bit 6: break, the register's output latch
inline constexpr int kModemControl = 4;     // bit 0 DTR (data), bit 1 RTS (clock)
inline constexpr std::uint8_t kBreakBit = 0x40;
inline constexpr std::uint8_t kDtrBit = 0x01;
inline constexpr std::uint8_t kRtsBit = 0x02;
inline constexpr int kLineStep_ms = 2;

struct LineStep {
    enum Kind { WriteRegister, SetBits, ClearBits, Sleep };
    Kind kind;
    int offset = 0;            // register offset for the first three kinds
    std::uint8_t value = 0;    // the byte written or the bits changed
    int ms = 0;                // Sleep
    friend bool operator==(const LineStep&, const LineStep&) = default;
};
using LineSequence = std::vector<LineStep>;

// The sequences; each line change is one SetBits or ClearBits step, which the
// sender carries out as three read-modify-writes 2 ms apart.
LineSequence VennerInit();
// Eight zero bits clocked in, then the outputs latched: everything off.
LineSequence VennerAllOff();
// Everything off, then one bit clocked to output 0 west, 1 east, 2 north or
// 3 south and latched.
LineSequence VennerStart(std::uint8_t direction);
// The register output a direction drives.
int VennerOutput(std::uint8_t direction);

// --- Parallel-port lines (Quillon, long exposures) ------------------------

// A line of a data register asserted: the bit takes the line's active level.
// Released: the bit takes the complement. Active-high lines set and clear.
std::uint8_t AssertLine(std::uint8_t shadow, int bit, int activeLevel);
std::uint8_t ReleaseLine(std::uint8_t shadow, int bit, int activeLevel);
// The Quillon focuser's control-register bits (0 in, 1 out) are inverted by
// the port hardware: asserting drives the pin to its active level, so the
// bit takes the complement of it.
std::uint8_t AssertControlLine(std::uint8_t shadow, int bit, int activeLevel);
std::uint8_t ReleaseControlLine(std::uint8_t shadow, int bit, int activeLevel);

} // namespace GuideProtocol
