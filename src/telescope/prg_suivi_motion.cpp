// Motion dispatch: StartMotion, the stops and the pulse timers.

#include "telescope/prg_suivi_private.h"

#include "app/controls/num_inp.h"
#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "app/ui/event_boundary.h"
#include "platform/clock.h"
#include "scripting/scripts.h"
#include "telescope/frm_prg_suivi.h"
#include "telescope/guide_protocols.h"
#include "telescope/lx200_protocol.h"
#include "telescope/mount_state.h"
#include "translation/translated_texts.h"

#include <QTimer>
#include <exception>
#include <functional>
#include <optional>
#include <algorithm>
#include <array>
#include <cmath>

namespace Prg_Suivi {

using detail::arm;
using detail::axisTimer;
using detail::moving;
using detail::pref;
using detail::remaining;
using detail::startedOn;

namespace {

// No single move is longer than a day.
constexpr std::int64_t kLongestMove_ms = 86'400'000;
constexpr std::int32_t kOpenEndedRemaining = 999999;

// Per axis (0 Right Ascension, 1 Declination): the direction last started and
// the length of the Marrick piece under way.
std::array<std::uint8_t, 2> g_axisDirection{dirEast, dirNorth};
std::array<std::int64_t, 2> g_marrickPiece{};

int axisOf(std::uint8_t direction) { return IsDecDirection(direction) ? 1 : 0; }

std::int64_t truncMs(double v)
{
    if (!(v > 0))
        return 0;
    return std::min<std::int64_t>(std::int64_t(v), kLongestMove_ms);
}

void autoConnectFor(Interface kind)
{
    if (kind == Interface::None || MotionUsesMount())
        AutoConnectMount();
    else
        AutoConnectGuidePort();
}

std::int64_t backlash(std::uint8_t direction)
{
    const TFRM_Pref& p = pref();
    switch (direction) {
    case dirNorth: return LastDecDirection == dirSouth ? std::int64_t(p.TNI_Jeu_Dec->Value()) : 0;
    case dirSouth: return LastDecDirection == dirNorth ? std::int64_t(p.TNI_Jeu_Dec->Value()) : 0;
    case dirEast: return LastRADirection == dirWest ? std::int64_t(p.TNI_Jeu_AD->Value()) : 0;
    default: return LastRADirection == dirEast ? std::int64_t(p.TNI_Jeu_AD->Value()) : 0;
    }
}

std::int64_t withoutInertia(std::uint8_t direction, std::int64_t ms)
{
    const TFRM_Pref& p = pref();
    const bool dec = IsDecDirection(direction);
    if ((dec ? p.RDB_Temps_Inertie_Dec : p.RDB_Temps_Inertie_AD)->isChecked())
        return std::max<std::int64_t>(0, ms - std::int64_t((dec ? p.TNI_Tps_Inertie_Dec : p.TNI_Tps_Inertie_AD)->Value()));
    const int percent = (dec ? p.SPED_Pourcent_Inertie_Dec : p.SPED_Pourcent_Inertie_AD)->value();
    return std::int64_t((100.0 - percent) / 100.0 * double(ms));
}

std::int64_t marrickPiece(std::int64_t remainingMs)
{
    return std::min<std::int64_t>({std::int64_t(pref().SPED_Impulsions_Maxi->value()),
                                   GuideProtocol::kMarrickMaxPulse_ms, remainingMs});
}

std::int64_t openEndedPulse() { return pref().SPED_Duree_impulsions->value(); }

void startOn(Interface kind, std::uint8_t direction, std::int64_t ms, bool openEnded)
{
    TFRM_Pref& p = pref();
    QTimer* timer = axisTimer(direction);
    const int axis = axisOf(direction);
    const auto setRemaining = [&](std::int64_t v) { remaining(direction) = std::int32_t(v); };

    if (kind == Interface::LX200 && moving(direction))
        return;   // already moving that way: nothing is sent, no timer armed
    if (kind == Interface::None)
        return;
    detail::showStart(direction, ms);
    startedOn(direction) = kind;
    g_axisDirection[std::size_t(axis)] = direction;

    switch (kind) {
    case Interface::LX200:
        if (MotionSource != 1)
            Lx200Stop(OppositeDirection(direction));
        if (!openEnded)
            arm(timer, ms);
        if (MotionSource == 1 && p.RDB_Mgxyyyy->isChecked())
            Lx200Pulse(direction, std::min<std::int64_t>(ms, 9999));
        else
            Lx200Start(direction);
        break;
    case Interface::Marrick:
        if (openEnded) {
            MarrickPulse(direction, openEndedPulse());
            setRemaining(kOpenEndedRemaining);
            arm(timer, std::int64_t(0.9 * double(openEndedPulse())));
        } else {
            setRemaining(ms);
            const std::int64_t piece = marrickPiece(ms);
            g_marrickPiece[std::size_t(axis)] = piece;
            if (piece >= 1) {
                MarrickPulse(direction, piece);
                arm(timer, piece);
            }
        }
        moving(direction) = 1;
        break;
    case Interface::Quillon:
    case Interface::Venner:
    case Interface::KitsRus:
    case Interface::Plugin:
        StopOn(kind, OppositeDirection(direction));
        if (openEnded) {
            setRemaining(1);
        } else {
            setRemaining(ms);
            arm(timer, ms);
        }
        if (kind == Interface::Quillon)
            QuillonStart(direction);
        else if (kind == Interface::Venner)
            VennerStart(direction);
        else if (kind == Interface::KitsRus)
            KitsRusStart(direction);
        else
            PluginStart(direction);
        break;
    case Interface::Ascom:
        if (openEnded) {
            AscomMoveAxis(direction);
            setRemaining(kOpenEndedRemaining);
            arm(timer, std::int64_t(0.9 * double(openEndedPulse())));
        } else {
            setRemaining(ms);
            const std::int64_t piece = std::min<std::int64_t>(p.SPED_Impulsions_Maxi->value(), ms);
            if (piece >= 1) {
                AscomPulse(direction, piece);
                arm(timer, piece);
            }
        }
        moving(direction) = 1;
        break;
    case Interface::None:
        break;
    }
}

// Moves asked while the link they go through was still coming up (an
// ASCOM driver connecting). A move held until stopped needs the rate the
// connection brings: it waits, one per axis (the latest), and is made once
// the link has answered; a stop of its direction drops it. Timed moves go
// out at once and the driver takes them after the connection, in order.
// Either kind is refused when the link did not come up: with a message
// when the user asked for one (the link's failure says why for the moves
// sent on their own, guiding's corrections).
struct PendingMove {
    Interface kind = Interface::None;
    std::uint8_t direction = 0;
};
std::array<std::optional<PendingMove>, 2> g_pending;
bool g_timedWhileComingUp = false;
bool g_userTimedWhileComingUp = false;

bool linkComingUp(Interface kind) { return kind == Interface::Ascom && AscomConnectionUnderWay(); }

// The interface a stop of a direction goes to: the one it was started on,
// else the one chosen now.
Interface stopTarget(std::uint8_t direction, Interface chosen)
{
    const Interface started = startedOn(direction);
    return started != Interface::None ? started : chosen;
}

void endOfRelativeMove(bool raAxis)
{
    std::uint8_t& mine = raAxis ? GotoAxisMovingRA : GotoAxisMovingDec;
    if (!mine)
        return;
    mine = 0;
    const bool separate = pref().CKB_Axes_Separes->isChecked();
    // The other axis neither moves nor waits for its turn (a declination
    // that follows the right ascension is still marked as moving).
    if (!(raAxis ? GotoAxisMovingDec : GotoAxisMovingRA)) {
        PollPosition();
        if (Hooks.GotoDialogAbort)
            Hooks.GotoDialogAbort();
        Scripts::ResumeIfWaiting(Scripts::GotoRunning);
        EndOfSlewActions();
    }
    if (raAxis && separate) {
        const std::int64_t now = platform::clock().monotonicMs();
        if (startedOn(g_axisDirection[0]) == Interface::Marrick) {
            platform::sleeper().sleepMs(pref().SPED_Delai_Separes->value());
            LastPollMs = DecStartMs = platform::clock().monotonicMs();
        } else if (startedOn(g_axisDirection[0]) == Interface::Ascom) {
            RAStartMs = now;
        }
        // The declination's turn of a correction, sent on its own.
        RunAutomatically([] {
            if (PendingDecPulse < 0)
                StartMotion(dirSouth, false, true, -double(PendingDecPulse));
            else if (PendingDecPulse > 0)
                StartMotion(dirNorth, false, true, double(PendingDecPulse));
        });
    }
}

void pulseTimer(bool raAxis)
{
    const int axis = raAxis ? 0 : 1;
    const std::uint8_t direction = g_axisDirection[std::size_t(axis)];
    const Interface kind = startedOn(direction);
    QTimer* timer = axisTimer(direction);
    std::int32_t& left = remaining(direction);

    if (kind == Interface::Marrick) {
        if (left != kOpenEndedRemaining)
            left = std::int32_t(std::max<std::int64_t>(0, left - g_marrickPiece[std::size_t(axis)]));
        if (FRM_Prg_Suivi)
            (raAxis ? FRM_Prg_Suivi->EDT_DurRA : FRM_Prg_Suivi->EDT_DurDec)->setText(QString::number(left));
        // The next piece in the same direction; a box that cannot be
        // reached any more ends the move here.
        const auto nextPiece = [&] {
            if (left == kOpenEndedRemaining) {
                MarrickPulse(direction, openEndedPulse());
                arm(timer, std::int64_t(0.9 * double(openEndedPulse())));
            } else {
                const std::int64_t piece = marrickPiece(left);
                g_marrickPiece[std::size_t(axis)] = piece;
                MarrickPulse(direction, piece);
                arm(timer, piece);
            }
        };
        if (left > 0 && moving(direction) && RunAutomatically(nextPiece))
            return;
    }
    // The pulse has ended: the interface that was started is stopped (the
    // ASCOM driver ends its pulses itself). The end of a pulse comes on its
    // own: a device gone meanwhile is told once, and the rest of the end
    // still runs.
    if (kind != Interface::Ascom) {
        const std::uint8_t first = raAxis ? dirEast : dirNorth;
        for (std::uint8_t d : {first, OppositeDirection(first)}) {
            RunAutomatically([d] { StopOn(stopTarget(d, MotionKind()), d); });
            detail::clearReadouts(d);
        }
    }
    endOfRelativeMove(raAxis);
    // A script waiting for the move goes on, unless a goto still runs.
    if (!Scripts::GotoRunning && Scripts::WaitMove)
        Scripts::ResumeIfWaiting(Scripts::WaitMove);
    if (timer)
        timer->stop();
}

} // namespace

void StartMotion(std::uint8_t direction, bool isDuration, bool applyInertia, double amount)
{
    if (direction > dirWest || std::isnan(amount))
        return;
    const bool openEnded = !isDuration && amount == kUntilStopped;
    if (openEnded)
        if (QTimer* t = axisTimer(direction))
            t->stop();
    const Interface kind = MotionKind();
    autoConnectFor(kind);
    direction = detail::inverted(direction);

    std::int64_t ms = 1;
    if (isDuration) {
        ms = truncMs(amount);
    } else if (!openEnded) {
        // A distance is timed at the motor speeds, which are the guide
        // rate's: a relative goto or a script's move on a mount left at
        // "Find" or "Slew" would carry it by hours instead.
        UseGuideRateForGuiding();
        const double speed = std::max(MotorSpeeds.of(direction), 0.1);
        ms = truncMs(amount / speed * 1000.0);
        ms = std::min(ms + backlash(direction), kLongestMove_ms);
    }
    if (applyInertia && !openEnded)
        ms = withoutInertia(direction, ms);
    if (ms <= 0)
        return;
    if (linkComingUp(kind)) {
        if (openEnded) {
            // Its stop goes where it will be made.
            startedOn(direction) = kind;
            detail::showStart(direction, ms);
            g_pending[std::size_t(axisOf(direction))] = PendingMove{kind, direction};
            return;
        }
        g_timedWhileComingUp = true;
        g_userTimedWhileComingUp |= !detail::runningAutomatically();
    }
    startOn(kind, direction, ms, openEnded);
}

bool detail::dropPendingMove(std::uint8_t direction)
{
    auto& pending = g_pending[std::size_t(axisOf(direction))];
    if (!pending || pending->direction != direction)
        return false;
    pending.reset();
    return true;
}

void detail::forgetPendingMoves()
{
    g_pending = {};
    g_timedWhileComingUp = g_userTimedWhileComingUp = false;
}

void detail::makePendingMoves(bool connected)
{
    std::array<std::optional<PendingMove>, 2> moves;
    std::swap(moves, g_pending);
    const bool timed = std::exchange(g_timedWhileComingUp, false);
    const bool userTimed = std::exchange(g_userTimedWhileComingUp, false);
    if (!moves[0] && !moves[1] && !timed)
        return;
    if (!connected) {
        const QString text = TranslatedTexts.MSG_Mouvement_Non_Connecte;
        for (const auto& m : moves)
            if (m)
                detail::clearReadouts(m->direction);
        if (moves[0] || moves[1] || userTimed)
            Msg::ShowMessageText(false, text);
        // What waited for the move ends with it.
        EndGotoOfClosedLink(MotionUsesMount(), true);
        if (Scripts::WaitMove && !Scripts::GotoRunning) {
            Scripts::WaitMove = false;
            if (Scripts::ScriptRunning && Scripts::CurrentScript().State == Scripts::StateWaiting)
                Scripts::ScriptError(text);
        }
        return;
    }
    for (const auto& m : moves) {
        if (!m)
            continue;
        // The interface chosen may have changed meanwhile: the move goes
        // nowhere else than where it was asked.
        if (MotionKind() != m->kind) {
            detail::clearReadouts(m->direction);
            Msg::ShowMessageText(false, TranslatedTexts.MSG_Mouvement_Interface_Changee);
            continue;
        }
        app::runGuarded(QStringLiteral("StartMotion"), [&] { startOn(m->kind, m->direction, 1, true); });
    }
}

bool UserMoveCanGo()
{
    if (MotionKind() != Interface::None)
        return true;
    Msg::ShowMessageText(false, TranslatedTexts.MSG_Aucune_Interface);
    return false;
}

THeldMove StartHeldMove(std::uint8_t direction, std::uint8_t source)
{
    if (direction > dirWest)
        return {};
    MotionSource = source;
    if (MotionKind() == Interface::None)
        return {};
    const std::uint8_t physical = detail::inverted(direction);
    StartMotion(direction, false, true, kUntilStopped);
    const Interface kind = startedOn(physical);
    return {physical, kind, kind != Interface::None};
}

void StopHeldMove(THeldMove& move)
{
    if (!move.active)
        return;
    move.active = false;
    try {
        StopOn(move.kind, move.direction);
        detail::clearReadouts(move.direction);
    } catch (...) {
        // The line failed: every other move is stopped too, and cleared
        // even where its stop fails the same way (told once, by the caller).
        for (std::uint8_t axisDirection : {dirEast, dirNorth})
            if (QTimer* t = axisTimer(axisDirection))
                t->stop();
        for (std::uint8_t d : {dirEast, dirWest, dirNorth, dirSouth}) {
            if (!moving(d))
                continue;
            try {
                StopOn(startedOn(d), d);
            } catch (...) {
            }
            moving(d) = 0;
        }
        throw;
    }
}

void StopMountDirection(std::uint8_t direction)
{
    if (direction > dirWest)
        return;
    const Interface chosen = MotionKind();
    autoConnectFor(chosen);
    direction = detail::inverted(direction);
    StopOn(stopTarget(direction, chosen), direction);
    detail::clearReadouts(direction);
}

void StopGuidePortDirection(std::uint8_t direction)
{
    if (direction > dirWest)
        return;
    AutoConnectGuidePort();
    direction = detail::inverted(direction);
    const Interface guide = MountKind() == Interface::LX200 ? Interface::LX200 : GuideKind();
    const Interface started = stopTarget(direction, guide);
    StopOn(started, direction);
    if (guide != started)
        StopOn(guide, direction);
    if (guide == Interface::Quillon || guide == Interface::Venner || guide == Interface::KitsRus)
        detail::showParallelShadow();
    detail::clearReadouts(direction);
}

namespace {

// Stops the four directions with stopDirection, then sends ":Q#" with an
// LX200 mount; every step runs even when one before it failed, and the first
// failure is raised at the end. The goto whose motion that stopped is over.
void stopAllDirections(void (*stopDirection)(std::uint8_t))
{
    std::exception_ptr first;
    auto attempt = [&first](const std::function<void()>& f) {
        try {
            f();
        } catch (...) {
            if (!first)
                first = std::current_exception();
        }
    };
    for (std::uint8_t d : {dirEast, dirWest, dirNorth, dirSouth})
        attempt([&] { stopDirection(d); });
    if (MountKind() == Interface::LX200) {
        attempt([] { SendMountCommand(Lx200::StopAllCommand); });
        for (std::uint8_t& flag : MovingFlags)
            flag = 0;
    }
    detail::endGotoByStop();
    if (first)
        std::rethrow_exception(first);
}

} // namespace

void StopMount() { stopAllDirections(StopMountDirection); }

void StopGuidePort() { stopAllDirections(StopGuidePortDirection); }

void PulseTimerRA() { pulseTimer(true); }
void PulseTimerDec() { pulseTimer(false); }

void StopAllMotion()
{
    detail::forgetPendingMoves();
    // No pulse may end after this and start what it was to be followed by.
    for (std::uint8_t axisDirection : {dirEast, dirNorth})
        if (QTimer* t = axisTimer(axisDirection))
            t->stop();
    if (!FRM_Pref)
        return;
    for (std::uint8_t d : {dirEast, dirWest, dirNorth, dirSouth}) {
        if (moving(d))
            app::runGuarded(QStringLiteral("StopAllMotion"), [d] { StopOn(startedOn(d), d); });
    }
    detail::stopFocuserMove();
}

} // namespace Prg_Suivi
