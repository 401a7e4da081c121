#include "telescope/guide_protocols.h"

#include <algorithm>

namespace GuideProtocol {
namespace {

void line(LineSequence& s, bool set, std::uint8_t bit, int offset)
{
    s.push_back({set ? LineStep::SetBits : LineStep::ClearBits, offset, bit, 0});
}
void dtr(LineSequence& s, bool set) { line(s, set, kDtrBit, kModemControl); }
void rts(LineSequence& s, bool set) { line(s, set, kRtsBit, kModemControl); }
void brk(LineSequence& s, bool set) { line(s, set, kBreakBit, kLineControl); }
void write(LineSequence& s, std::uint8_t value) { s.push_back({LineStep::WriteRegister, kModemControl, value, 0}); }
void pause(LineSequence& s) { s.push_back({LineStep::Sleep, 0, 0, kLineStep_ms}); }

// Eight zero bits shifted in on the rising clock edges, clock left low.
void clearRegister(LineSequence& s)
{
    for (int i = 0; i < 8; ++i) {
        dtr(s, false);
        rts(s, false);
        rts(s, true);
    }
    rts(s, false);
}

void clockPulse(LineSequence& s)
{
    rts(s, true);
    rts(s, false);
}

} // namespace

std::uint8_t MarrickByte(std::uint8_t direction, std::int64_t duration_ms)
{
    static constexpr std::uint8_t bits[] = {2, 3, 1, 0};   // north, south, east, west
    const std::int64_t ms = std::clamp<std::int64_t>(duration_ms, 0, kMarrickMaxPulse_ms);
    const int code = int(std::min<std::int64_t>(63, ms / 15));
    return std::uint8_t(code * 4 + bits[direction & 3]);
}

QByteArray KitsRusCommand(bool start, int relay, int activeState)
{
    const bool close = start == (activeState == 1);
    return (close ? QByteArray("N") : QByteArray("F")) + QByteArray::number(relay);
}

LineSequence VennerInit()
{
    LineSequence s;
    for (int i = 0; i < 3; ++i) {
        write(s, 0);
        pause(s);
    }
    for (int i = 0; i < 2; ++i) {
        write(s, 8);
        pause(s);
    }
    pause(s);
    write(s, 8);
    for (int i = 0; i < 3; ++i) {
        write(s, 0);
        pause(s);
    }
    brk(s, false);
    for (int i = 0; i < 8; ++i) {
        dtr(s, false);
        pause(s);
        rts(s, false);
        pause(s);
        rts(s, true);
        pause(s);
    }
    rts(s, false);
    pause(s);
    brk(s, true);
    return s;
}

LineSequence VennerAllOff()
{
    LineSequence s;
    brk(s, false);
    clearRegister(s);
    brk(s, true);
    return s;
}

int VennerOutput(std::uint8_t direction)
{
    static constexpr int outputs[] = {2, 3, 1, 0};   // north, south, east, west
    return outputs[direction & 3];
}

LineSequence VennerStart(std::uint8_t direction)
{
    LineSequence s;
    // The latch is held while the bits shift, so no other output pulses on
    // the way.
    brk(s, false);
    clearRegister(s);
    dtr(s, true);
    clockPulse(s);
    for (int k = 0; k < VennerOutput(direction); ++k) {
        dtr(s, false);
        clockPulse(s);
    }
    brk(s, true);
    return s;
}

std::uint8_t AssertLine(std::uint8_t shadow, int bit, int activeLevel)
{
    const std::uint8_t mask = std::uint8_t(1u << (bit & 7));
    return (activeLevel & 1) ? std::uint8_t(shadow | mask) : std::uint8_t(shadow & ~mask);
}

std::uint8_t ReleaseLine(std::uint8_t shadow, int bit, int activeLevel)
{
    return AssertLine(shadow, bit, (activeLevel & 1) ^ 1);
}

std::uint8_t AssertControlLine(std::uint8_t shadow, int bit, int activeLevel)
{
    return ReleaseLine(shadow, bit, activeLevel);
}

std::uint8_t ReleaseControlLine(std::uint8_t shadow, int bit, int activeLevel)
{
    return AssertLine(shadow, bit, activeLevel);
}

} // namespace GuideProtocol
