#pragma once
// The mount command layer: connections of the mount, guide port and focuser,
// the LX200 send layer, the motion primitives of every interface, motion
// dispatch with its pulse timers, and goto, sync, abort and position polling.
// Every motion of the program goes through StartMotion and the stops here;
// every command first connects the interface it needs when its "Connecter"
// button is still enabled. A script waiting for a goto (Scripts::GotoRunning)
// or a move (Scripts::WaitMove) is resumed here when it ends.
//
// Settings are read from the Preferences dialog's controls at each call.
// Serial failures of commands raise com_io::ExCom, which the event boundary
// shows; a connection that fails tells why and returns false, and a command
// that then finds its serial link unopened raises app::ToldFailure with
// what was told, which says nothing more.
// User-interface thread only.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>

namespace Prg_Suivi {

// The value of `amount` that means "until stopped" (compared exactly).
inline constexpr double kUntilStopped = 999999;

enum class Interface { None, LX200, Marrick, Quillon, Venner, KitsRus, Plugin, Ascom };

// The kinds chosen with the Preferences dialog's radio buttons.
Interface MountKind();
Interface GuideKind();
Interface FocuserKind();
// The interface the guide port's connection opens: the guide kind, or with
// none chosen the mount's (the guide moves then go to the mount).
Interface GuideConnectionKind();
// The interface StartMotion drives: an LX200 mount; a Marrick guide box; then,
// unless the mount is ASCOM, the Quillon, Venner and KitsRus guide ports and
// a mount or guide plug-in; an ASCOM mount or guide port; an LX200 guide port.
Interface MotionKind();
// True when that interface is reached through the mount's connection, false
// when through the guide port's.
bool MotionUsesMount();
// The logical serial channel of a kind (0 for those without one).
std::uint8_t ChannelOf(Interface kind);
std::uint8_t FocuserChannel();

// --- Connections -----------------------------------------------------------

bool ConnectMount();
// True when the guide port is connected now. An ASCOM driver answers later:
// whenAnswered then gets its answer (also false when the attempt failed or
// ran out of time, which the user has been told).
bool ConnectGuidePort(std::function<void(bool connected)> whenAnswered = {});
bool ConnectFocuser();
// The telescope chosen with "...": its connection ("choose") is the one
// attempt under way, which a "Connecter" pressed meanwhile waits for; asked
// while another runs, it follows that one. answer gets its outcome. A page
// that held the driver stays connected when it succeeds and shows the link
// gone when it fails.
void ConnectChosenTelescope(std::function<void(bool connected)> answer);
// No telescope chosen any more (the choice was cancelled or is no address):
// the one connected, or connecting, is let go as its page's "Deconnecter"
// does, and every page shows it. False, and nothing let go, while
// autoguiding, the re-centring or the autofocus sends through it: the
// message window says what to stop first.
bool LetGoOfChosenTelescope();
// A page's disconnection also shows the other page disconnected when both
// reach the mount through that one link (driver, plug-in or serial channel).
void DisconnectMount(bool byFocuser = false);
void DisconnectGuidePort(bool byFocuser = false);
void DisconnectFocuser(bool alsoMount);
// Software tracking chosen: the guide port is disconnected when it alone
// holds its link and nothing sends through it. A link the mount's or the
// focuser's page holds too (the same serial port or driver), or that the
// re-centring, the learning of the motor speeds or the autofocus sends
// through, stays as it is, and so does whatever runs on it (a goto).
void LetGoOfGuidePort();
// What the Preferences dialog's "Connecter" buttons do: connect, then (mount
// and guide) select the hand pad's slew rate or ASCOM rates and set up the
// joystick.
void MountConnectClick();
void GuideConnectClick();
// What their "Deconnecter" buttons do: the disconnection, unless something
// that sends on its own uses a link it would close (guiding's corrections,
// the automatic focusing) and would connect it again at its next step; the
// message window then says what to stop first, and nothing changes.
void MountDisconnectClick();
void GuideDisconnectClick();
void FocuserDisconnectClick();
// The mount page's "Connecter" offered (a mount or guide interface chosen)
// or not; it stays off while the mount is connected.
void OfferMountConnection(bool offered);
// The connection every command makes first: the sub-page connects while its
// "Connecter" button is still enabled and an interface is chosen for the
// link it opens; with none chosen nothing is connected and nothing told.
// A failure of such a connection is told once, however often commands
// retry it, until a connection succeeds or the user presses "Connecter".
void AutoConnectMount();
void AutoConnectGuidePort();
void AutoConnectFocuser();
// Runs a command that something working on its own sends (the corrections
// of guiding and of the re-centring): whatever it meets on its way to the
// device (a port that cannot be opened, a device gone, a write refused) is
// told once, as a failure of those connections is, and never reaches the
// caller, which goes on. False when the command failed.
bool RunAutomatically(const std::function<void()>& command);
// The first step of a mount command whose caller goes on with what the mount
// answers (a sync, a position read): the mount connects first as above, then
// `then` runs once its link is up, at once or when an ASCOM driver has
// answered, with true; with false when it did not come up, the user told why
// once, as every automatic connection tells it. With no interface chosen
// for the mount there is nothing to connect: true at once.
void ConnectMountFirst(std::function<void(bool linked)> then);

// --- Send layer ---------------------------------------------------------------

// Appends CR and LF as ticked, logs the line in the traffic window while
// CKB_Historique_Comm is ticked, writes, then waits SPED_Delai_Serie ms.
// Commands that the mount answers go through the mount conversation
// (mount_conversation.h, Converse) instead, which reads their replies.
void SendLX200Command(std::uint8_t channel, const QByteArray& text);
// The same without the wait (the conversation paces its own writes).
void WriteLX200Command(std::uint8_t channel, const QByteArray& text);
// Auto-connects the mount and sends on the mount's channel.
void SendMountCommand(const QByteArray& text);
// One raw byte (Marrick), always logged.
void SendGuideByte(std::uint8_t channel, std::uint8_t value);
// Auto-connects the mount; with an LX200 mount sends the rate command 0..3.
void SelectSlewRate(int index);
// Before any move of a distance timed at the motor speeds (StartMotion: a
// guide or recentring pulse, a relative goto, a script's move): an LX200
// mount left at "Find" or "Slew" is set to its guide rate.
void UseGuideRateForGuiding();

// --- Focuser -------------------------------------------------------------------

void StartFocuser(std::uint8_t direction, bool fast);   // 0 in, 1 out
void StopFocuser(std::uint8_t direction);

// --- Motion ----------------------------------------------------------------------

// One move in a direction: a length in ms (isDuration) or a distance in
// seconds of arc, kUntilStopped for a move held until a stop.
void StartMotion(std::uint8_t direction, bool isDuration, bool applyInertia, double amount);
// A move held until released (the direction buttons of the Preferences
// dialog): the press starts it with the inversion boxes of its motion source,
// the release stops exactly the direction and interface the press started,
// whatever moved or was inverted in between.
struct THeldMove {
    std::uint8_t direction = 0;   // after inversion
    Interface kind = Interface::None;
    bool active = false;
};
// Whether a move the user asks for (the hand pad's buttons and keys, the
// command window's arrow keys) has an interface to go through. With no
// mount nor guide interface chosen the user is told so in the message
// window, once per move asked, and it is refused. The program's own moves
// and stops (guiding and its retries) do not ask and stay quiet.
bool UserMoveCanGo();
// Sets MotionSource to source (0 mount, 1 guide port) and starts the move.
THeldMove StartHeldMove(std::uint8_t direction, std::uint8_t source);
// Stops the held move, if any, and forgets it. When the stop cannot be sent,
// every other move is stopped too before the failure is raised.
void StopHeldMove(THeldMove& move);

// Stops one direction of the interface that moves it (button releases,
// guiding, pulse timers).
void StopMountDirection(std::uint8_t direction);
// Stops one direction of the guide-port interface.
void StopGuidePortDirection(std::uint8_t direction);
// East, west, north, south, then ":Q#" with an LX200 mount, which also ends
// a goto (as AbortGoto); the slew of an ASCOM mount is aborted and ended as
// AbortGoto does. A relative goto's move is stopped with its pulses
// and ends there as its Abort ends it (its timers stopped, nothing after it,
// GOTO given back, a waiting script resumed). Every direction is stopped and
// its moving flag cleared even when one of the writes fails; the first
// failure is raised after.
void StopMount();
void StopGuidePort();
// The guide page's "Deconnecter" stays off while autoguiding is chosen and
// comes back with any other choice.
void FollowAutoguidingChoice();
// The pulse timers' work (TFRM_Prg_Suivi's handlers call these).
void PulseTimerRA();
void PulseTimerDec();
// Stops every direction still moving, on the interface it was started on,
// and a focuser move still running; the pulse timers stop too. A stop that
// fails is reported and the others still go out. The end of the program
// calls it while the ports and plug-ins are still there.
void StopAllMotion();
// Lets go of the plug-in guider instance: its moving directions are
// stopped, then it is disconnected and freed and its table forgotten. Runs
// before the plug-in libraries are unloaded.
void ReleaseGuidePlugin();

// --- Goto --------------------------------------------------------------------

// Starts the mount's goto (LX200 or ASCOM) and the position poll. Sets
// Scripts::GotoRunning. An LX200 goto is sent through the mount conversation
// (":Q#", ":Sr", ":Sd", ":MS#"): the call returns at once, onReplies (may be
// empty) later gets the replies read. A refusal ("0" to ":Sr"/":Sd", "1" or
// "2" and a reason to ":MS#") or a mount that does not answer starts no
// goto: the reason is shown once in the message window, GotoRunning is
// cleared and a script waiting for the goto gets a script error. False when
// the mount kind has no goto.
bool GotoCoordinates(double ra_arcsec, double dec_arcsec,
                     std::function<void(const QByteArray& replies)> onReplies = {});
// The same goto to an object of the LX200 mount's own library (":Q#", the
// library's choice when one is given, ":L" + object + "#", ":MS#"): it
// runs, ends and fails as above. False when the mount is not an LX200.
bool GotoLibraryObject(const QByteArray& object, std::function<void(const QByteArray& replies)> onReplies = {},
                       const QByteArray& library = {});
// Why the interfaces chosen in the Preferences cannot make a goto of this
// mode (relative: timed moves on both axes; absolute: the mount's own goto),
// or empty when they can.
QString GotoImpossibleReason(bool relative);
// Stops the goto: nothing queued for the mount goes out any more, ":Q#" is
// sent, the poll stops, GotoRunning and every moving flag are cleared and a
// waiting script goes on, also when the write fails (its error is then
// raised after).
void AbortGoto();
// A goto whose link is about to close ends as failed, while the line is
// still open: the mount's own goto when the mount's link closes (its slew
// stopped, ":Q#" or the ASCOM abort), a relative move when the link of its
// pulses closes (its pulse timers stopped, nothing follows it, not the
// declination of separate axes). The poll stops, the goto dialog is ready
// again, the user is told and a script waiting for it gets a script error.
void EndGotoOfClosedLink(bool mountLink, bool moveLink);
// ":Q#", the library's choice when one is given, 100 ms later ":L" +
// object + "#" and ":CM#"; onReply (may be empty) gets the mount's reply to
// ":CM#" (empty when none came).
void SyncOnObject(const QByteArray& object, std::function<void(const QByteArray& reply)> onReply = {},
                  const QByteArray& library = {});
// An ASCOM connection started and not yet answered nor given up.
bool AscomConnectionUnderWay();
// Whether a failure the ASCOM connection under way met is to be told now:
// always when the user asked for that connection, once when only commands
// that connect by themselves wait for it (again after a connection
// succeeds or "Connecter" is pressed), as every connection's failure is.
bool TellAscomConnectionFailure(const QString& text);
// The ASCOM goto: Slewing := 1 and the poll armed at once, the slew sent
// once the mount is connected (ConnectMountFirst); a request the driver
// refuses ends the goto with a message, a mount that cannot connect ends it
// with the connection's own.
void AscomSlewAsync(double ra_arcsec, double dec_arcsec);
// After a goto of the mount (LX200 or ASCOM) was started: waits, events
// going on, until the mount has taken it or it has ended; returns why it
// failed, empty when the mount took it or it ended otherwise (an abort).
QString AwaitGotoTaken();
// The ASCOM sync, once the mount is connected (ConnectMountFirst); done (may
// be empty) gets whether the driver took it. A driver that is not connected
// or cannot synchronise is told; its errors are told by the bridge's status.
void AscomSync(double ra_arcsec, double dec_arcsec, std::function<void(bool synced)> done = {});
// A position read from the mount (seconds of arc): TelescopeRA/Dec and the
// goto origin.
void SetMountRA(double arcsec);
void SetMountDec(double arcsec);
void AscomAbort();
// Arms the position poll: while a goto runs at least every 1000 ms; for a
// hand-pad press every SPED_Rafraichissement_Carte ms (0: not at all).
void ArmPositionPoll(bool forGoto);
// One run of the position poll (TMR_ScopePosition's handler). With an LX200
// mount it queues ":D#", ":GR#", ":GD#" on the mount conversation (not while
// another exchange is under way) and applies the replies when they come.
// During a goto, kMaxFailedPolls polls in a row that time out, fail or read
// garbage end the goto as failed: one message naming the port, ":Q#" sent,
// a waiting script gets a script error. Outside a goto each cause is
// reported once.
void PollPosition();
inline constexpr int kMaxFailedPolls = 3;
// A relative goto's move runs: the pulse of an axis it moves has not ended
// yet. Its end, not the mount's slew read-out, ends that goto.
bool RelativeMoveRunning();
// The end-of-slew actions: message, sound, script, as ticked.
void EndOfSlewActions();

// Back to the state of a program start: nothing moving, no interface
// instance, the last directions and pulses forgotten.
void ResetMotionState();

// Hooks to the windows of the goto dialog, the sky chart and the sound
// service; each may be empty.
struct THooks {
    std::function<void()> RedrawChart;
    std::function<void()> GotoDialogAbort;       // the goto dialog's abort of the goto
    std::function<void()> UpdateGotoDistances;   // its distance read-outs during a relative move
    std::function<void(const QString&)> PlaySoundFile;   // asynchronous
};
extern THooks Hooks;

} // namespace Prg_Suivi
