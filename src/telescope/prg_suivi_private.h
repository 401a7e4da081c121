#pragma once
// Helpers shared by the files of the command layer.

#include "telescope/prg_suivi.h"

#include <QString>
#include <cstdint>

class QTimer;
class TFRM_Pref;

namespace Prg_Suivi::detail {

// The Preferences dialog; throws when it does not exist yet.
TFRM_Pref& pref();

// The pulse timer of a direction's axis and the position poll timer; null
// while the command window does not exist.
QTimer* axisTimer(std::uint8_t direction);
QTimer* positionTimer();
// Arms a timer for one interval (ms >= 1).
void arm(QTimer* timer, std::int64_t ms);

std::int32_t& remaining(std::uint8_t direction);
std::uint8_t& moving(std::uint8_t direction);
void recordLastDirection(std::uint8_t direction);

// The direction after the inversion boxes of the current MotionSource.
std::uint8_t inverted(std::uint8_t direction);

// The command window's read-outs.
void showStart(std::uint8_t direction, std::int64_t ms);
void clearReadouts(std::uint8_t direction);
// The parallel shadow in the Preferences dialog's EDT_TestValue.
void showParallelShadow();

// The Venner register base and the Quillon parallel base (0: none).
extern std::uint16_t VennerBase;
extern std::uint16_t QuillonBase;

// The interface each direction was last started on (stops go there).
Interface& startedOn(std::uint8_t direction);

// A stop of every axis ends a relative goto under way, and with an LX200
// mount its own goto, as an abort does.
void endGotoByStop();

// A move held until stopped, asked while its link was coming up, waits for
// the link's answer: a stop of its direction drops it (true when it did);
// makePendingMoves
// makes what waits once the link is up, or tells the user (and ends a
// relative goto or a script's wait that needed a move) when it did not
// come up.
bool dropPendingMove(std::uint8_t direction);
void makePendingMoves(bool connected);
void forgetPendingMoves();
// The ASCOM rates of moves: those of the hand pad's rate choice, or 3 °/s
// on both axes when it lists none.
void useChosenAscomRates();

// Guards against connecting from inside a connection.
extern bool Connecting;
// Forgets the failures connections met: which were told, and why each
// serial channel is not open.
void forgetToldFailures();
// A command runs that something working on its own sent (RunAutomatically).
bool runningAutomatically();
// A command about to use a serial channel that its connection could not
// open: the failure that connection told (or found told) is raised as
// app::ToldFailure, so the command says nothing more of its own. Nothing
// happens while the channel is open or when no connection failed on it.
void raiseIfUnconnected(std::uint8_t channel);
// The rate last selected on the LX200 mount (index of the slew-rate
// commands), -1 while none was selected on this connection.
extern int Lx200Rate;

// The direction of the focuser move under way (0 in, 1 out), -1 when none.
extern int FocuserMoving;
// Stops that move, if any; a failure is reported, not thrown.
void stopFocuserMove();

} // namespace Prg_Suivi::detail

namespace Prg_Suivi {

// The per-interface start and stop of one direction; the stops act only
// while the direction's moving flag is set, clear it and record the last
// direction.
void Lx200Start(std::uint8_t direction);
void Lx200Stop(std::uint8_t direction);
void Lx200Pulse(std::uint8_t direction, std::int64_t ms);
void MarrickPulse(std::uint8_t direction, std::int64_t ms);
void MarrickStop(std::uint8_t direction);
void KitsRusStart(std::uint8_t direction);
void KitsRusStop(std::uint8_t direction);
void VennerInit();
void VennerAllOff();
void VennerStart(std::uint8_t direction);
void VennerStop(std::uint8_t direction);
void QuillonStart(std::uint8_t direction);
void QuillonStop(std::uint8_t direction);
void QuillonFocusStart(std::uint8_t direction);
void QuillonFocusStop(std::uint8_t direction);
void PluginStart(std::uint8_t direction);
void PluginStop(std::uint8_t direction);
void AscomPulse(std::uint8_t direction, std::int64_t ms);
void AscomMoveAxis(std::uint8_t direction);
void AscomStopAxis(std::uint8_t direction);

// Stops one direction on an interface, whatever its kind.
void StopOn(Interface kind, std::uint8_t direction);

} // namespace Prg_Suivi
