// Start and stop of one direction on each kind of interface.

#include "telescope/prg_suivi_private.h"

#include "app/controls/num_inp.h"
#include "app/frm_pref.h"
#include "app/ui/event_boundary.h"
#include "capture/camera_slots.h"
#include "capture/port_io.h"
#include "platform/clock.h"
#include "telescope/ascom_bridge.h"
#include "telescope/guide_plugin.h"
#include "telescope/guide_protocols.h"
#include "telescope/lx200_protocol.h"
#include "telescope/mount_state.h"
#include "translation/translated_texts.h"

#include <array>
#include <cmath>

namespace Prg_Suivi {

using detail::moving;
using detail::pref;
using detail::recordLastDirection;

// --- LX200 -------------------------------------------------------------------

void Lx200Start(std::uint8_t direction)
{
    SendLX200Command(ComChannel::LX200, Lx200::MoveCommand(direction));
    moving(direction) = 1;
}

void Lx200Stop(std::uint8_t direction)
{
    if (!moving(direction))
        return;
    // Cleared first: a write that fails leaves no direction marked moving.
    moving(direction) = 0;
    recordLastDirection(direction);
    SendLX200Command(ComChannel::LX200, Lx200::StopCommand(direction));
}

void Lx200Pulse(std::uint8_t direction, std::int64_t ms)
{
    SendLX200Command(ComChannel::LX200, Lx200::PulseGuideCommand(direction, ms));
}

// --- Marrick -------------------------------------------------------------------

void MarrickPulse(std::uint8_t direction, std::int64_t ms)
{
    SendGuideByte(ComChannel::Marrick, GuideProtocol::MarrickByte(direction, ms));
}

void MarrickStop(std::uint8_t direction)
{
    // The box ends its pulse by itself; the pieces still to come are dropped.
    moving(direction) = 0;
    detail::remaining(direction) = 0;
    recordLastDirection(direction);
}

// --- KitsRus #108 -----------------------------------------------------------------

namespace {

// The relay each direction closed at its start: its stop opens that one,
// whatever the relay settings became meanwhile.
struct StartedRelay {
    int relay = 0;
    int active = 1;
};
std::array<StartedRelay, 4> g_startedRelays;

void kitsRusRelay(std::uint8_t direction, int& relay, int& active)
{
    TFRM_Pref& p = pref();
    TNumInp* const relays[] = {p.TNI_Relay_KitsRus_N, p.TNI_Relay_KitsRus_S, p.TNI_Relay_KitsRus_E,
                               p.TNI_Relay_KitsRus_W};
    TNumInp* const states[] = {p.TNI_Relay_KitsRus_Active_N, p.TNI_Relay_KitsRus_Active_S,
                               p.TNI_Relay_KitsRus_Active_E, p.TNI_Relay_KitsRus_Active_W};
    relay = int(std::lround(double(relays[direction & 3]->Value())));
    active = int(std::lround(double(states[direction & 3]->Value())));
}

} // namespace

void KitsRusStart(std::uint8_t direction)
{
    int relay = 0, active = 1;
    kitsRusRelay(direction, relay, active);
    g_startedRelays[direction & 3] = {relay, active};
    SendLX200Command(ComChannel::KitsRus, GuideProtocol::KitsRusCommand(true, relay, active));
    moving(direction) = 1;
}

void KitsRusStop(std::uint8_t direction)
{
    if (!moving(direction))
        return;
    const auto [relay, active] = g_startedRelays[direction & 3];
    SendLX200Command(ComChannel::KitsRus, GuideProtocol::KitsRusCommand(false, relay, active));
    moving(direction) = 0;
    recordLastDirection(direction);
}

// --- Venner ---------------------------------------------------------------------

namespace {

void run(const GuideProtocol::LineSequence& sequence)
{
    const std::uint16_t base = detail::VennerBase;
    if (base == 0)
        return;
    using GuideProtocol::LineStep;
    for (const LineStep& step : sequence) {
        const auto reg = std::uint16_t(base + step.offset);
        switch (step.kind) {
        case LineStep::WriteRegister:
            Align_V::PortWrite(reg, step.value, QStringLiteral("Venner"));
            break;
        case LineStep::Sleep:
            platform::sleeper().sleepMs(step.ms);
            break;
        case LineStep::SetBits:
        case LineStep::ClearBits:
            // Each line change is made three times, 2 ms apart.
            for (int i = 0; i < 3; ++i) {
                if (i > 0)
                    platform::sleeper().sleepMs(GuideProtocol::kLineStep_ms);
                const std::uint8_t v = Align_V::PortRead(reg);
                Align_V::PortWrite(reg,
                                   step.kind == LineStep::SetBits ? std::uint8_t(v | step.value)
                                                                  : std::uint8_t(v & ~step.value),
                                   QStringLiteral("Venner"));
            }
            break;
        }
    }
}

} // namespace

void VennerInit() { run(GuideProtocol::VennerInit()); }

void VennerAllOff()
{
    run(GuideProtocol::VennerAllOff());
    MovingFlags.fill(0);
}

void VennerStart(std::uint8_t direction)
{
    run(GuideProtocol::VennerStart(direction));
    moving(direction) = 1;
}

void VennerStop(std::uint8_t direction)
{
    if (!moving(direction))
        return;
    VennerAllOff();
    recordLastDirection(direction);
}

// --- Quillon -----------------------------------------------------------------------

namespace {

bool quillonBase(const QString& entry)
{
    detail::QuillonBase = Align_V::PortAddressFromText(entry);
    if (detail::QuillonBase == 0)
        app::reportOnce(TranslatedTexts.MSG_Port_Parallele_Sans_Adresse
                            .arg(entry.trimmed()));
    return detail::QuillonBase != 0;
}

void quillonLine(std::uint8_t direction, int& bit, int& active)
{
    TFRM_Pref& p = pref();
    TNumInp* const pins[] = {p.TNI_Bit_Nord, p.TNI_Bit_Sud, p.TNI_Bit_Est, p.TNI_Bit_Ouest};
    TNumInp* const levels[] = {p.TNI_Nord_ActiveValue, p.TNI_Sud_ActiveValue, p.TNI_Est_ActiveValue,
                               p.TNI_Ouest_ActiveValue};
    bit = int(std::lround(double(pins[direction & 3]->Value()))) - 2;
    active = int(std::lround(double(levels[direction & 3]->Value())));
}

void writeData()
{
    Align_V::PortWrite(detail::QuillonBase, ParallelPortShadow[0], QStringLiteral("Quillon"));
    Align_V::PortRead(detail::QuillonBase);
}

void writeControl()
{
    const auto reg = std::uint16_t(detail::QuillonBase + 2);
    Align_V::PortWrite(reg, ParallelPortShadow[2], QStringLiteral("Quillon"));
    Align_V::PortRead(reg);
}

// The line each direction asserted at its start (base 0: none): its stop
// releases that one, whatever the port and pin settings became meanwhile.
struct AssertedLine {
    std::uint16_t base = 0;
    int bit = 0;
    int active = 1;
};
std::array<AssertedLine, 4> g_assertedLines;

void focusLine(std::uint8_t direction, int& bit, int& active)
{
    TFRM_Pref& p = pref();
    bit = direction == 0 ? 0 : 1;
    active = int(std::lround(double((direction == 0 ? p.TNI_Focus_In_ActiveValue : p.TNI_Focus_Out_ActiveValue)->Value())));
}

} // namespace

void QuillonStart(std::uint8_t direction)
{
    moving(direction) = 1;
    g_assertedLines[direction & 3] = {};
    if (!quillonBase(pref().CBX_AG_PortParallele->currentText()))
        return;
    int bit = 0, active = 1;
    quillonLine(direction, bit, active);
    if (bit < 0 || bit > 7)
        return;
    g_assertedLines[direction & 3] = {detail::QuillonBase, bit, active};
    ParallelPortShadow[0] = GuideProtocol::AssertLine(ParallelPortShadow[0], bit, active);
    writeData();
}

void QuillonStop(std::uint8_t direction)
{
    if (!moving(direction))
        return;
    AssertedLine& line = g_assertedLines[direction & 3];
    if (line.base != 0) {
        detail::QuillonBase = line.base;
        ParallelPortShadow[0] = GuideProtocol::ReleaseLine(ParallelPortShadow[0], line.bit, line.active);
        writeData();
        line = {};
    }
    moving(direction) = 0;
    recordLastDirection(direction);
}

void QuillonFocusStart(std::uint8_t direction)
{
    if (!quillonBase(pref().CBX_AG_Focus_PortParallele->currentText()))
        return;
    int bit = 0, active = 1;
    focusLine(direction, bit, active);
    ParallelPortShadow[2] = GuideProtocol::AssertControlLine(ParallelPortShadow[2], bit, active);
    writeControl();
}

void QuillonFocusStop(std::uint8_t direction)
{
    if (!quillonBase(pref().CBX_AG_Focus_PortParallele->currentText()))
        return;
    int bit = 0, active = 1;
    focusLine(direction, bit, active);
    ParallelPortShadow[2] = GuideProtocol::ReleaseControlLine(ParallelPortShadow[2], bit, active);
    writeControl();
}

// --- Plug-in ---------------------------------------------------------------------

void PluginStart(std::uint8_t direction)
{
    const GuidePlugin::TInstance& g = GuidePlugin::Instance;
    if (g.handle != 0 && g.choice.table && g.choice.table->autoguide_move)
        g.choice.table->autoguide_move(g.handle, direction);
    moving(direction) = 1;
}

void PluginStop(std::uint8_t direction)
{
    if (!moving(direction))
        return;
    const GuidePlugin::TInstance& g = GuidePlugin::Instance;
    if (g.handle != 0 && g.choice.table && g.choice.table->autoguide_stop)
        g.choice.table->autoguide_stop(g.handle, direction);
    moving(direction) = 0;
    recordLastDirection(direction);
}

// --- ASCOM ----------------------------------------------------------------------

void AscomPulse(std::uint8_t direction, std::int64_t ms)
{
    AscomBridge::AscomSharedData.PulseDuration = std::int32_t(ms);
    AscomBridge::AscomSharedData.Direction = direction;
    AscomBridge::Signal(AscomBridge::rqPulseGuide);
}

void AscomMoveAxis(std::uint8_t direction)
{
    // A move without a rate would go nowhere: the rate chosen on the hand
    // pad, or the default, whoever connected the driver.
    std::uint8_t axis = 0;
    int sign = 0;
    if (AscomBridge::AxisOfDirection(direction, axis, sign) && !AscomBridge::AscomSharedData.CurrentRate[axis])
        detail::useChosenAscomRates();
    AscomBridge::AscomSharedData.Direction = direction;
    AscomBridge::Signal(AscomBridge::rqMoveAxis);
}

void AscomStopAxis(std::uint8_t direction)
{
    AscomBridge::AscomSharedData.Direction = direction;
    AscomBridge::Signal(AscomBridge::rqStopAxis);
}

// --- Any interface -------------------------------------------------------------

void StopOn(Interface kind, std::uint8_t direction)
{
    // A move that never went out needs no stop: the device, still
    // connecting, would refuse it.
    if (detail::dropPendingMove(direction) && !moving(direction)) {
        detail::remaining(direction) = 0;
        return;
    }
    switch (kind) {
    case Interface::LX200:
        Lx200Stop(direction);
        return;
    case Interface::Marrick:
        MarrickStop(direction);
        return;
    case Interface::Quillon:
        QuillonStop(direction);
        break;
    case Interface::Venner:
        VennerStop(direction);
        break;
    case Interface::KitsRus:
        KitsRusStop(direction);
        break;
    case Interface::Plugin:
        PluginStop(direction);
        break;
    case Interface::Ascom:
        AscomStopAxis(direction);
        moving(direction) = 0;
        recordLastDirection(direction);
        break;
    case Interface::None:
        return;
    }
    detail::remaining(direction) = 0;
}

} // namespace Prg_Suivi
