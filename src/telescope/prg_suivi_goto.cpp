// Goto, sync, abort, the position poll and the end-of-slew actions.

#include "telescope/prg_suivi_private.h"

#include "app/align_v_features.h"
#include "app/controls/num_inp.h"
#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "app/settings.h"
#include "app/ui/control_adapters.h"
#include "kernels/rounding.h"
#include "platform/clock.h"
#include "scripting/scripts.h"
#include "telescope/ascom_bridge.h"
#include "telescope/frm_object_action.h"
#include "telescope/frm_raquette.h"
#include "telescope/lx200_protocol.h"
#include "telescope/mount_conversation.h"
#include "telescope/mount_state.h"
#include "telescope/sky/sky_chart.h"
#include "app/ui/event_boundary.h"
#include "translation/translated_texts.h"

#include <QAbstractButton>
#include <QEventLoop>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

namespace Prg_Suivi {

using detail::pref;

namespace {

constexpr double kFullCircle_arcsec = 1296000;   // 360 degrees
// While a goto runs the poll comes at least this often, so its end is seen.
constexpr int kGotoPollMax_ms = 1000;

// A position read or estimated is also the goto origin, and the goto
// dialog shows the origin it now holds.
void setRA(double arcsec)
{
    TelescopeRA = arcsec;
    Sky::GotoOriginRA = arcsec;
    Settings::RunHandler(QStringLiteral("FRM_ObjectAction.ShowGotoPoints"));
}

void setDec(double arcsec)
{
    TelescopeDec = arcsec;
    Sky::GotoOriginDec = arcsec;
    Settings::RunHandler(QStringLiteral("FRM_ObjectAction.ShowGotoPoints"));
}

void redrawChart()
{
    if (Hooks.RedrawChart)
        Hooks.RedrawChart();
}

void setControlEnabled(QWidget* window, const char* name, bool enabled)
{
    if (auto* w = app::findControl<QWidget>(window, QString::fromLatin1(name)))
        w->setEnabled(enabled);
}

void setText(QWidget* window, const char* name, const QString& text)
{
    if (auto* e = app::findControl<QLineEdit>(window, QString::fromLatin1(name)))
        e->setText(text);
}

// The goto running is the mount's own (LX200 or ASCOM), not a relative move.
bool MountGotoRunning = false;

// The goto windows show a goto running, whichever window started it, and
// give their buttons back once none runs.
void showGotoStarted()
{
    if (FRM_ObjectAction)
        FRM_ObjectAction->GotoStarted();
}

void restoreGotoDialog()
{
    if (FRM_ObjectAction)
        FRM_ObjectAction->GotoEnded();
}

// Whether the mount has taken the goto last sent, or the goto has failed
// (why): another program's goto is answered once one of them is known.
struct GotoStart {
    bool settled = true;
    QString failure;
};
GotoStart StartOfGoto;

// The loops of AwaitGotoTaken under way, innermost last.
std::vector<QEventLoop*> StartWaiters;

void awaitMount() { StartOfGoto = {false, {}}; }

void settleStart(const QString& failure = {})
{
    if (StartOfGoto.settled)
        return;
    StartOfGoto = {true, failure};
    for (QEventLoop* loop : StartWaiters)
        loop->quit();
}

// The slew has ended (or was aborted): the poll stops, the end actions run
// when asked, a script waiting for the goto goes on, and no goto runs any
// more.
void endOfSlew(bool withActions)
{
    settleStart();
    MountGotoRunning = false;
    if (QTimer* t = detail::positionTimer())
        t->stop();
    restoreGotoDialog();
    if (withActions)
        EndOfSlewActions();
    Scripts::ResumeIfWaiting(Scripts::GotoRunning);
}

// LX200 polls in a row that gave no position.
int FailedPolls = 0;

// A goto that could not start or whose mount stopped answering ends here,
// as failed: the poll stops, the dialog is ready again, the user is told
// (unless told already, by the connection that failed) and a script waiting
// for the goto gets the error.
void endFailedGoto(const QString& text, bool tell = true)
{
    settleStart(text);
    FailedPolls = 0;
    MountGotoRunning = false;
    if (QTimer* t = detail::positionTimer())
        t->stop();
    restoreGotoDialog();
    if (tell)
        Msg::ShowMessageText(false, text);
    const bool scriptWaits = Scripts::GotoRunning && Scripts::ScriptRunning
                             && Scripts::CurrentScript().State == Scripts::StateWaiting;
    Scripts::GotoRunning = false;
    if (scriptWaits)
        Scripts::ScriptError(text);
}

// A failed LX200 goto: what is still queued for the mount is dropped and
// ":Q#" goes out when the line still takes it.
void failGoto(const QString& text, bool sendStop)
{
    Conversation().cancelAll();
    if (sendStop)
        Conversation().submit(ComChannel::LX200, {{Lx200::StopAllCommand}}, {});
    endFailedGoto(text);
}

void applyPoll(const RunResult& r)
{
    if (r.status == RunStatus::Cancelled)
        return;
    std::optional<double> ra, dec;
    if (r.replies.size() >= 2) {
        setText(FRM_Raquette, "EDT_Position_Actuelle_AD", QString::fromLatin1(Lx200::ShownRA(r.replies[1])));
        if ((ra = Lx200::ParseRAReply(r.replies[1])))
            setRA(*ra);
    }
    if (r.replies.size() >= 3) {
        setText(FRM_Raquette, "EDT_Position_Actuelle_Dec", QString::fromLatin1(Lx200::ShownDec(r.replies[2])));
        if ((dec = Lx200::ParseDecReply(r.replies[2])))
            setDec(*dec);
    }
    if (ra || dec)
        redrawChart();
    if (r.ok() && ra && dec) {
        FailedPolls = 0;
        // A relative move goes by timed pulses, not by a slew of the mount:
        // no slew read does not end it, its pulses' end does.
        if (Scripts::GotoRunning && !RelativeMoveRunning() && Lx200::SlewEnded(r.replies[0]))
            endOfSlew(true);
        return;
    }
    const QString cause = !r.ok() ? r.describe()
                          : TranslatedTexts.MSG_Goto_Reponse_Illisible
                                .arg(r.port, QString::fromLatin1(!ra ? Lx200::GetRACommand : Lx200::GetDecCommand),
                                     QString::fromLatin1(!ra ? r.replies[1] : r.replies[2]));
    ++FailedPolls;
    if (!Scripts::GotoRunning) {
        app::reportOnce(cause);
        return;
    }
    if (FailedPolls >= kMaxFailedPolls)
        failGoto(TranslatedTexts.MSG_Goto_Monture_Muette.arg(cause), true);
}

void pollLx200()
{
    // A slow mount: the poll under way (or a goto being sent) goes first.
    if (!Conversation().idle())
        return;
    try {
        Converse({{Lx200::DistanceBarsCommand}, {Lx200::GetRACommand}, {Lx200::GetDecCommand}}, applyPoll);
    } catch (const app::ToldFailure&) {
        // A line that could not be opened has been told: no goto runs on it,
        // and the poll reads nothing.
    }
}

// The ASCOM poll: its three reads go out together and the next poll waits
// until all three are answered; a slew request still out holds the poll
// back, so an answer older than the slew never ends it.
int AscomReadsOut = 0;
int AscomSlewsOut = 0;
// Counts the gotos started: a poll answer ends only the goto it was asked
// for.
std::uint64_t AscomGotoNumber = 0;

void pollAscom()
{
    using namespace AscomBridge;
    if (AscomReadsOut > 0 || AscomSlewsOut > 0)
        return;
    struct Poll {
        std::uint64_t goto_ = AscomGotoNumber;
        QString error;
        bool slewEnded = false;
        bool answered = false;
    };
    auto poll = std::make_shared<Poll>();
    AscomReadsOut = 3;
    const auto finished = [poll] {
        if (--AscomReadsOut > 0 || !poll->answered)
            return;   // a poll the bridge dropped changes nothing
        redrawChart();
        if (!Scripts::GotoRunning || poll->goto_ != AscomGotoNumber)
            return;
        if (poll->slewEnded) {
            FailedPolls = 0;
            endOfSlew(true);
        } else if (!poll->error.isEmpty() && ++FailedPolls >= kMaxFailedPolls) {
            endFailedGoto(TranslatedTexts.MSG_Goto_Monture_Muette.arg(poll->error));
            AscomBridge::Request(rqAbortSlew, {});
        } else if (poll->error.isEmpty()) {
            FailedPolls = 0;
        }
    };
    const auto noted = [poll](const Outcome& o) {
        if (!o.error.isEmpty())
            poll->error = o.error;
        if (!o.dropped)
            poll->answered = true;
    };
    Request(rqGetRightAscension, [=](const Outcome& o) {
        noted(o);
        if (o.served)
            setRA(AscomSharedData.RightAscension * 3600 * 15);
        finished();
    });
    Request(rqGetDeclination, [=](const Outcome& o) {
        noted(o);
        if (o.served)
            setDec(AscomSharedData.Declination * 3600);
        finished();
    });
    Request(rqGetSlewing, [=](const Outcome& o) {
        noted(o);
        poll->slewEnded = o.served && !AscomSharedData.Slewing;
        finished();
    });
}

// Whether an axis is really moving: its backlash has been taken up, or it
// goes on in the direction it last went.
bool axisMoves(std::int64_t sinceStart, double backlash, double inertia, std::uint8_t direction, std::uint8_t last)
{
    return double(sinceStart) >= backlash - inertia || direction == last;
}

// A relative move on an interface without a position read-out: the position
// is estimated from the motor speeds.
void pollEstimate()
{
    TFRM_Pref& p = pref();
    if (Scripts::GotoRunning) {
        if (Hooks.UpdateGotoDistances)
            Hooks.UpdateGotoDistances();
        // While a pulse of the move runs, only the move's end gives GOTO
        // back (the declination of separate axes, not started yet, has
        // nothing to count down).
        if (RemainingRA < 1 && RemainingDec < 1 && !RelativeMoveRunning()) {
            restoreGotoDialog();
            setControlEnabled(FRM_ObjectAction, "BTN_Calibrer", true);
            if (QTimer* t = detail::positionTimer())
                t->stop();
        }
    }
    const std::int64_t now = platform::clock().monotonicMs();
    const std::int64_t elapsed = now - LastPollMs;
    LastPollMs = now;
    if (GuideKind() != Interface::Marrick && Scripts::GotoRunning) {
        RemainingRA = std::int32_t(std::max<std::int64_t>(0, RemainingRA - elapsed));
        RemainingDec = std::int32_t(std::max<std::int64_t>(0, RemainingDec - elapsed));
    }
    const double seconds = double(elapsed) / 1000.0;

    const std::uint8_t raDirection = MovingFlags[dirWest] ? dirWest : dirEast;
    if ((MovingFlags[dirEast] || MovingFlags[dirWest]) && RemainingRA > 0
        && axisMoves(now - RAStartMs, double(p.TNI_Jeu_AD->Value()), double(p.TNI_Tps_Inertie_AD->Value()),
                     raDirection, LastRADirection)) {
        const bool inverse = p.CKB_InverseAD_Carte->isChecked();
        const bool westward = (raDirection == dirWest) != inverse;
        const double step = westward ? -(MotorSpeeds.West * seconds) : MotorSpeeds.East * seconds;
        TelescopeRA = std::fmod(TelescopeRA + kernels::roundHalfEven(step), kFullCircle_arcsec);
        setRA(TelescopeRA < 0 ? TelescopeRA + kFullCircle_arcsec : TelescopeRA);
    }
    const std::uint8_t decDirection = MovingFlags[dirSouth] ? dirSouth : dirNorth;
    if ((MovingFlags[dirNorth] || MovingFlags[dirSouth]) && RemainingDec > 0
        && axisMoves(now - DecStartMs, double(p.TNI_Jeu_Dec->Value()), double(p.TNI_Tps_Inertie_Dec->Value()),
                     decDirection, LastDecDirection)) {
        const bool inverse = p.CKB_InverseDEC_Carte->isChecked();
        const bool southward = (decDirection == dirSouth) != inverse;
        const double step = southward ? -(MotorSpeeds.South * seconds) : MotorSpeeds.North * seconds;
        setDec(TelescopeDec + kernels::roundHalfEven(step));
    }
    redrawChart();
}

} // namespace

void SetMountRA(double arcsec) { setRA(arcsec); }
void SetMountDec(double arcsec) { setDec(arcsec); }

QString GotoImpossibleReason(bool relative)
{
    if (relative) {
        if (MotionKind() == Interface::None)
            return TranslatedTexts.MSG_Goto_Rien_Ne_Bouge;
        return {};
    }
    switch (MountKind()) {
    case Interface::LX200:
    case Interface::Ascom: return {};
    case Interface::None:
        return TranslatedTexts.MSG_Goto_Aucune_Monture;
    default:
        return TranslatedTexts.MSG_Goto_Relatif_Seul;
    }
}

namespace {

// An LX200 goto: `run` loads the target and ends with ":MS#". It replaces
// whatever was still queued for the mount; the poll armed once the mount
// has taken it reads the slew's end, and a refusal or a mount that does not
// answer ends it as failed.
void startLx200Goto(QList<Exchange> run, std::function<void(const QByteArray&)> onReplies)
{
    Conversation().cancelAll();
    if (QTimer* t = detail::positionTimer())
        t->stop();
    FailedPolls = 0;
    Scripts::GotoRunning = true;
    MountGotoRunning = true;
    awaitMount();
    struct NotQueued {
        bool queued = false;
        ~NotQueued()
        {
            if (!queued) {
                Scripts::GotoRunning = MountGotoRunning = false;
                settleStart();
            }
        }
    } guard;
    Converse(std::move(run), [onReplies](const RunResult& r) {
        if (r.status == RunStatus::Cancelled) {
            // Replaced or stopped before the mount answered: whoever
            // stopped it has ended the goto.
            settleStart();
            return;
        }
        if (onReplies)
            onReplies(r.replies.join());
        if (r.ok()) {
            settleStart();
            ArmPositionPoll(true);
            return;
        }
        if (r.status == RunStatus::Refused) {
            const QByteArray reason =
                r.command == Lx200::SlewCommand ? Lx200::RefusalReason(r.replies.last()) : QByteArray();
            const QString why = reason.isEmpty()
                                    ? TranslatedTexts.MSG_Goto_Coordonnee_Refusee.arg(QString::fromLatin1(r.command))
                                    : QString::fromLatin1(reason);
            failGoto(TranslatedTexts.MSG_Goto_Refuse.arg(why), false);
            return;
        }
        failGoto(TranslatedTexts.MSG_Goto_Impossible.arg(r.describe()), true);
    });
    guard.queued = true;
    showGotoStarted();
}

} // namespace

bool GotoCoordinates(double ra_arcsec, double dec_arcsec, std::function<void(const QByteArray&)> onReplies)
{
    AutoConnectMount();
    switch (MountKind()) {
    case Interface::LX200:
        startLx200Goto({{Lx200::StopAllCommand},
                        {Lx200::SetRACommand(ra_arcsec), 100},
                        {Lx200::SetDecCommand(dec_arcsec)},
                        {Lx200::SlewCommand}},
                       std::move(onReplies));
        return true;
    case Interface::Ascom:
        AscomSlewAsync(ra_arcsec, dec_arcsec);
        return true;
    default:
        return false;
    }
}

namespace {

// The mount stopped, then an object of its library loaded: of the library
// named, when one is, so that the object is the one the user chose whatever
// library the mount held.
QList<Exchange> loadLibraryObject(const QByteArray& object, const QByteArray& library)
{
    QList<Exchange> run{{Lx200::StopAllCommand}};
    if (!library.isEmpty())
        run.append({library});
    run.append({Lx200::LoadObjectCommand(object), 100});
    return run;
}

} // namespace

bool GotoLibraryObject(const QByteArray& object, std::function<void(const QByteArray&)> onReplies,
                       const QByteArray& library)
{
    AutoConnectMount();
    if (MountKind() != Interface::LX200)
        return false;
    QList<Exchange> run = loadLibraryObject(object, library);
    run.append({Lx200::SlewCommand});
    startLx200Goto(std::move(run), std::move(onReplies));
    return true;
}

void EndGotoOfClosedLink(bool mountLink, bool moveLink)
{
    if (!Scripts::GotoRunning)
        return;
    if (MountGotoRunning && mountLink) {
        // The mount stops where it is while its line is still open: nothing
        // would follow its slew any more.
        if (MountKind() == Interface::LX200) {
            Conversation().cancelAll();
            try {
                SendLX200Command(ComChannel::LX200, Lx200::StopAllCommand);
            } catch (const std::exception& e) {
                app::reportOnce(QString::fromUtf8(e.what()));
            }
        } else if (MountKind() == Interface::Ascom) {
            AscomBridge::Request(AscomBridge::rqAbortSlew, {});
        }
        ++AscomGotoNumber;   // an answer still out for it ends nothing
        endFailedGoto(TranslatedTexts.MSG_Goto_Monture_Deconnectee);
        return;
    }
    if (RelativeMoveRunning() && moveLink) {
        // Its moves are stopped with their link; no pulse follows them.
        GotoAxisMovingRA = GotoAxisMovingDec = 0;
        PendingDecPulse = 0;
        for (std::uint8_t axisDirection : {dirEast, dirNorth})
            if (QTimer* t = detail::axisTimer(axisDirection))
                t->stop();
        endFailedGoto(mountLink ? TranslatedTexts.MSG_Goto_Monture_Deconnectee
                                : TranslatedTexts.MSG_Goto_Guidage_Deconnecte);
    }
}

bool RelativeMoveRunning() { return GotoAxisMovingRA || GotoAxisMovingDec; }

QString AwaitGotoTaken()
{
    // A loop of its own: what other windows report meanwhile is theirs, not
    // the statement's. Every end of the goto settles it; a goto that
    // stopped running without a word has nothing left to wait for, and a
    // program that quits waits no more.
    while (!StartOfGoto.settled && Scripts::GotoRunning) {
        QEventLoop loop;
        StartWaiters.push_back(&loop);
        QTimer::singleShot(250, &loop, &QEventLoop::quit);
        const int ended = loop.exec();
        StartWaiters.erase(std::find(StartWaiters.begin(), StartWaiters.end(), &loop));
        if (ended != 0)
            break;
    }
    return StartOfGoto.settled ? StartOfGoto.failure : QString();
}

void detail::endGotoByStop()
{
    // A relative goto whose pulses were stopped has ended: nothing follows
    // its move (not the declination of separate axes) and its timers have
    // nothing left to end.
    const bool relative = RelativeMoveRunning();
    // ":Q#" stopped every motion of an LX200 mount: its own slew too.
    const bool lx200 = Scripts::GotoRunning && MountKind() == Interface::LX200;
    // Axes stopped leave an ASCOM mount going on to the target of its slew:
    // the slew is aborted.
    const bool ascom = MountGotoRunning && MountKind() == Interface::Ascom;
    if (!relative && !lx200 && !ascom)
        return;
    GotoAxisMovingRA = GotoAxisMovingDec = 0;
    PendingDecPulse = 0;
    if (relative)
        for (std::uint8_t axisDirection : {dirEast, dirNorth})
            if (QTimer* t = detail::axisTimer(axisDirection))
                t->stop();
    if (lx200) {
        Conversation().cancelAll();
        FailedPolls = 0;
    }
    if (ascom)
        AscomAbort();
    else
        endOfSlew(false);
}

void AbortGoto()
{
    switch (MountKind()) {
    case Interface::LX200: {
        Conversation().cancelAll();
        if (QTimer* t = detail::positionTimer())
            t->stop();
        FailedPolls = 0;
        // ":Q#" stops every motion of the mount: the state says so even when
        // the line refuses the command.
        auto clearState = [] {
            for (std::uint8_t& flag : MovingFlags)
                flag = 0;
            endOfSlew(false);
        };
        try {
            SendMountCommand(Lx200::StopAllCommand);
        } catch (...) {
            clearState();
            throw;
        }
        clearState();
        break;
    }
    case Interface::Ascom:
        AscomAbort();
        break;
    default:
        break;
    }
}

void SyncOnObject(const QByteArray& object, std::function<void(const QByteArray&)> onReply, const QByteArray& library)
{
    QList<Exchange> run = loadLibraryObject(object, library);
    run.append({Lx200::SyncCommand});
    Converse(std::move(run), [onReply](const RunResult& r) {
        if (r.status == RunStatus::Cancelled)
            return;
        if (!r.ok())
            app::reportOnce(r.describe());
        if (onReply)
            onReply(r.ok() ? r.replies.value(0) : QByteArray());
    });
}

void AscomSlewAsync(double ra_arcsec, double dec_arcsec)
{
    using namespace AscomBridge;
    // The slew runs from the request on: only the device's own answer that
    // it no longer slews ends the goto.
    AscomSharedData.Slewing = 1;
    const std::uint64_t number = ++AscomGotoNumber;
    ++AscomSlewsOut;
    FailedPolls = 0;
    Scripts::GotoRunning = true;
    MountGotoRunning = true;
    awaitMount();
    showGotoStarted();
    ArmPositionPoll(true);
    // It goes out once the telescope is connected. One that could not
    // connect has said why: the goto ends there without saying it again.
    ConnectMountFirst([number, ra_arcsec, dec_arcsec](bool linked) {
        if (!linked) {
            --AscomSlewsOut;
            if (number == AscomGotoNumber && Scripts::GotoRunning)
                endFailedGoto(TranslatedTexts.MSG_Goto_Sans_Coordonnees, false);
            return;
        }
        AscomSharedData.TargetRightAscension = ra_arcsec / 54000;
        AscomSharedData.TargetDeclination = dec_arcsec / 3600;
        Request(rqSlewToCoordinatesAsync, [number](const Outcome& o) {
            --AscomSlewsOut;
            if (o.dropped || number != AscomGotoNumber || !Scripts::GotoRunning) {
                if (number == AscomGotoNumber)
                    settleStart();
                return;
            }
            if (o.served)
                settleStart();
            else
                endFailedGoto(o.error.isEmpty() ? TranslatedTexts.MSG_Goto_Sans_Coordonnees
                                                : TranslatedTexts.MSG_Goto_Impossible.arg(o.error));
        });
    });
}

void AscomSync(double ra_arcsec, double dec_arcsec, std::function<void(bool)> done)
{
    ConnectMountFirst([ra_arcsec, dec_arcsec, done = std::move(done)](bool linked) {
        using namespace AscomBridge;
        if (!linked) {
            if (done)
                done(false);
            return;
        }
        AscomSharedData.TargetRightAscension = ra_arcsec / 54000;
        AscomSharedData.TargetDeclination = dec_arcsec / 3600;
        Request(rqSyncToCoordinates, [done](const Outcome& o) {
            // A refusal with an error is told by the bridge's status; one
            // dropped by a disconnection was the user's.
            if (!o.served && !o.dropped && o.error.isEmpty())
                Msg::ShowMessageText(false, TranslatedTexts.MSG_Sync_Impossible);
            if (done)
                done(o.served);
        });
    });
}

void AscomAbort()
{
    // A goto aborted is over: an answer still out for it ends nothing, the
    // poll stops, GOTO comes back and a script waiting for it goes on.
    ++AscomGotoNumber;
    AscomBridge::Request(AscomBridge::rqAbortSlew, {});
    endOfSlew(false);
}

void ArmPositionPoll(bool forGoto)
{
    QTimer* t = detail::positionTimer();
    if (!t)
        return;
    const int interval = pref().SPED_Rafraichissement_Carte->value();
    if (forGoto)
        detail::arm(t, interval <= 0 ? kGotoPollMax_ms : std::min(interval, kGotoPollMax_ms));
    else if (interval > 0)
        detail::arm(t, interval);
}

void PollPosition()
{
    if (HandPadMoving) {
        HandPadMoving = 0;
        return;
    }
    switch (MountKind()) {
    case Interface::LX200:
        pollLx200();
        break;
    case Interface::Ascom:
        pollAscom();
        break;
    default:
        pollEstimate();
        break;
    }
}

void EndOfSlewActions()
{
    TFRM_Pref& p = pref();
    if (p.CKB_Fin_GOTO_Afficher_Message->isChecked())
        Msg::ShowMessageText(false, TranslatedTexts.MSG_ExecutionTerminee);
    if (p.CKB_Fin_Goto_Jouer_un_son->isChecked() && Hooks.PlaySoundFile)
        Hooks.PlaySoundFile(p.EDT_Fin_GOTO_Son_a_jouer->text());
    if (p.CKB_Fin_GOTO_ExecuteScript->isChecked())
        Align_V::RunScriptByName(p.EDT_Fin_GOTO_Script->text());
}

} // namespace Prg_Suivi
