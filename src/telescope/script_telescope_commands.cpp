// Script commands of the mount, the goto dialog and star tracking. They set
// the controls of the Preferences dialog, the goto dialog and the tracking
// window and run the handlers the user's clicks would run; timed moves go
// through the mount command layer. A goto or a move the script waits for
// resumes it when it ends (Prg_Suivi), and a wait that nothing could end is
// never started.

#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "app/settings.h"
#include "imaging/pipeline_state.h"
#include "scripting/command_fields.h"
#include "scripting/script_commands.h"
#include "scripting/scripts.h"
#include "telescope/frm_object_action.h"
#include "telescope/frm_prg_suivi.h"
#include "telescope/frm_tool_suivi.h"
#include "telescope/goto_position_text.h"
#include "telescope/mount_state.h"
#include "telescope/prg_suivi.h"
#include "telescope/sky/sky_chart.h"
#include "tools/frm_tool_affichage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTimer>

#include <algorithm>
#include <exception>

namespace Scripts {

namespace {

const QString kRAFormat = QStringLiteral(": Bad format, should be : XXhXXmXX.XXs");
const QString kDecFormat = QStringLiteral(": Bad format, should be : XXdXXmXX.XXs");
const QString kUnknownMode = QStringLiteral(": unknown mode");
// A goto or a move with nothing to carry it out.
const QString kNoMount = QStringLiteral("No mount chosen in the preferences");
const QString kNoGotoStarted = QStringLiteral("goto.execute : no goto started (origin and destination set?)");
// A goto runs alone: a script's goto or move would take the mount from it
// (goto.stop ends it).
const QString kGotoAlreadyRunning = QStringLiteral("goto.execute : a goto is already running");
const QString kNoMoveDuringGoto = QStringLiteral("goto.move : a goto is running");

// Both fields of a goto position; false after the script error of the field
// at fault (right ascension first).
bool ReadPosition(const QString& arguments, double& ra, double& dec)
{
    const QString raText = CommandField(arguments, 1).remove(QLatin1Char(' '));
    const QString decText = CommandField(arguments, 2).remove(QLatin1Char(' '));
    const std::optional<double> r = GotoPositionText::ParseRA(raText);
    if (!r) {
        ScriptError(raText + kRAFormat);
        return false;
    }
    const std::optional<double> d = GotoPositionText::ParseDec(decText);
    if (!d) {
        ScriptError(decText + kDecFormat);
        return false;
    }
    ra = *r;
    dec = *d;
    return true;
}

bool PulseTimerRuns()
{
    return FRM_Prg_Suivi
           && (FRM_Prg_Suivi->TMR_Suivi_AD->isActive() || FRM_Prg_Suivi->TMR_Suivi_Dec->isActive());
}

// A left-button release on the guided slot's source view: the detection
// zone goes there (Shift: to the frame's centre). Another slot: nothing.
void ReleaseOnGuidedView(int button, int shift, int x, int y)
{
    if (GuideSourceSlot == 1)
        FRM_Alv->Image1MouseUp(FRM_Alv->Image1, button, shift, x, y);
    else if (GuideSourceSlot == 2)
        FRM_Alv->Image2MouseUp(FRM_Alv->Image2, button, shift, x, y);
}

} // namespace

void CmdTelescopeSoftspeed(std::uint8_t, const QString& arguments)
{
    const QString name = CommandField(arguments, 1).toLower();
    QComboBox* box = FRM_Pref->CBX_Vitesse_Moteur;
    for (int i = 0; i < box->count(); ++i) {
        if (box->itemText(i).toLower() == name) {
            box->setCurrentIndex(i);
            // Chosen from the list, as the user would: the profile's speeds
            // are loaded.
            ProfileComboTouched = true;
            FRM_Pref->CBX_Vitesse_MoteurChange();
            CommandDone();
            return;
        }
    }
    ScriptError(name);
}

// The mount's own speeds are not set from scripts: the statement is
// accepted and the script goes on.
void CmdTelescopeHardspeed(std::uint8_t, const QString&) { CommandDone(); }

void CmdGotoOrigin(std::uint8_t, const QString& arguments)
{
    double ra = 0, dec = 0;
    if (!ReadPosition(arguments, ra, dec))
        return;
    Sky::GotoCurrentRA = Sky::GotoOriginRA = ra;
    Sky::GotoCurrentDec = Sky::GotoOriginDec = dec;
    Settings::RunHandler(QStringLiteral("FRM_ObjectAction.BTN_Devient_OrigineClick"));
    CommandDone();
}

void CmdGotoDestination(std::uint8_t, const QString& arguments)
{
    double ra = 0, dec = 0;
    if (!ReadPosition(arguments, ra, dec))
        return;
    Sky::GotoCurrentRA = Sky::GotoDestinationRA = ra;
    Sky::GotoCurrentDec = Sky::GotoDestinationDec = dec;
    Settings::RunHandler(QStringLiteral("FRM_ObjectAction.BTN_Devient_DestinationClick"));
    CommandDone();
}

void CmdGotoMode(std::uint8_t, const QString& arguments)
{
    TFRM_ObjectAction* w = FRM_ObjectAction;
    if (arguments == QLatin1String("absolute")) {
        w->RDB_Absolu->setChecked(true);
        w->RDB_AbsoluClick();
    } else if (arguments == QLatin1String("relative")) {
        w->RDB_Relatif->setChecked(true);
        w->RDB_RelatifClick();
    } else {
        ScriptError(arguments + kUnknownMode);
        return;
    }
    CommandDone();
}

void CmdGotoExecute(std::uint8_t, const QString&)
{
    if (GotoRunning) {
        ScriptError(kGotoAlreadyRunning);
        return;
    }
    TFRM_ObjectAction* w = FRM_ObjectAction;
    const bool relative = w->RDB_Relatif->isChecked();
    if ((relative ? Prg_Suivi::MotionKind() : Prg_Suivi::MountKind()) == Prg_Suivi::Interface::None) {
        ScriptError(kNoMount);
        return;
    }
    if (!Prg_Suivi::GotoImpossibleReason(relative).isEmpty()) {
        // The mount has no goto of its own: told here, once.
        ScriptError(kNoGotoStarted);
        return;
    }
    if (relative)
        Object_Action::CoordinateDifference(Sky::GotoOriginRA, Sky::GotoOriginDec, Sky::GotoDestinationRA,
                                            Sky::GotoDestinationDec);
    Sky::GotoCurrentRA = Sky::GotoOriginRA;
    Sky::GotoCurrentDec = Sky::GotoOriginDec;
    // Marked before the start: a goto that ends at once resumes the script.
    BeginWait();
    bool started = false;
    try {
        started = w->StartGoto();
    } catch (const std::exception& e) {
        // The mount could not be reached: the script stops on this line.
        GotoRunning = false;
        ScriptError(e);
        return;
    }
    if (started && InRemoteStatement()) {
        // Another program is answered once the mount took the goto or
        // refused it (under its horizon), as a script waiting for it
        // would stop.
        if (const QString failure = relative ? QString() : Prg_Suivi::AwaitGotoTaken(); !failure.isEmpty())
            ScriptError(failure);
        return;
    }
    if (started && CurrentScript().State != StateWaiting)
        return;   // already over and resumed
    if (!started || !GotoRunning) {
        // Nothing was started (no destination, or the mount has no goto):
        // no wait without end, and another program is not answered as if
        // it had run.
        ScriptError(kNoGotoStarted);
        return;
    }
    if (relative && !PulseTimerRuns()) {
        // Origin and destination are the same place: the move is over.
        w->AbortRunningGoto();
    }
}

void CmdGotoMove(std::uint8_t, const QString& arguments)
{
    const QString how = CommandField(arguments, 1);
    bool wait = false;
    if (how == QLatin1String("wait")) {
        wait = true;
        BeginWait();
    } else if (how != QLatin1String("nowait")) {
        ScriptError(how);
        return;
    }
    const QString where = CommandField(arguments, 2);
    std::uint8_t direction = 0;
    if (where == QLatin1String("n"))
        direction = dirNorth;
    else if (where == QLatin1String("s"))
        direction = dirSouth;
    else if (where == QLatin1String("e"))
        direction = dirEast;
    else if (where == QLatin1String("w"))
        direction = dirWest;
    else {
        ScriptError(where);
        return;
    }
    std::int32_t amount = 0;
    if (!EvalIntField(CommandField(arguments, 3), 0, amount))
        return;
    if (GotoRunning) {
        ScriptError(kNoMoveDuringGoto);
        return;
    }
    MotionSource = 0;
    if (Prg_Suivi::MotionKind() == Prg_Suivi::Interface::None) {
        ScriptError(kNoMount);
        return;
    }
    // Only the end of this move resumes the script (a statement sent by
    // another program waits for nothing).
    if (wait)
        BeginWait(WaitMove);
    else
        WaitMove = false;
    try {
        Prg_Suivi::StartMotion(direction, false, true, amount);
    } catch (const std::exception& e) {
        // The mount could not be reached: the script stops on this line.
        WaitMove = false;
        ScriptError(e);
        return;
    }
    if (!wait) {
        CommandDone();
        return;
    }
    // A move that started nothing (no amount, or a pulse the inertia ate)
    // arms no pulse timer to end it: the script goes on as after the move.
    if (WaitMove && !PulseTimerRuns())
        ResumeIfWaiting(WaitMove);
}

void CmdGotoStop(std::uint8_t, const QString&)
{
    Prg_Suivi::StopMount();
    CommandDone();
}

void CmdTrack(std::uint8_t, const QString& arguments)
{
    TFRM_Tool_Suivi* w = FRM_Tool_Suivi;
    if (arguments == QLatin1String("on") || arguments == QLatin1String("off")) {
        w->CKB_Suivi->setChecked(arguments == QLatin1String("on"));
        w->CKB_SuiviClick();
    }
    CommandDone();
}

void CmdTrackAutoguide(std::uint8_t, const QString& arguments)
{
    TFRM_Tool_Suivi* w = FRM_Tool_Suivi;
    if (arguments == QLatin1String("start") || arguments == QLatin1String("stop")) {
        (arguments == QLatin1String("start") ? w->RDB_Autoguidage : w->RDB_Suivi_logiciel)->setChecked(true);
        w->CKB_SuiviClick();
    }
    CommandDone();
}

void CmdTrackAutoguideShift(std::uint8_t, const QString&)
{
    FRM_Alv->BTN_DecalerClick();
    CommandDone();
}

void CmdTrackMode(std::uint8_t, const QString& arguments)
{
    TFRM_Tool_Suivi* w = FRM_Tool_Suivi;
    if (arguments == QLatin1String("brightpixel"))
        w->RDB_Colimacon->setChecked(true);
    else if (arguments == QLatin1String("axissum"))
        w->RDB_Somax->setChecked(true);
    else if (arguments == QLatin1String("limitdetect"))
        w->RDB_Cadres->setChecked(true);
    else if (arguments == QLatin1String("correlation"))
        w->RDB_Correlation->setChecked(true);
    else if (arguments == QLatin1String("drift")) {
        w->RDB_Derive->setChecked(true);
        w->RDB_DeriveClick();
    }
    CommandDone();
}

void CmdTrackModePrecision(std::uint8_t, const QString& arguments)
{
    QSpinBox* spin = FRM_Tool_Suivi->SPED_Correl_Precision;
    std::int32_t v = 0;
    if (!EvalIntField(arguments, spin->value(), v))
        return;
    spin->setValue(std::clamp<std::int32_t>(v, 0, 10));
    CommandDone();
}

void CmdTrackInverse(std::uint8_t, const QString& arguments)
{
    if (arguments == QLatin1String("on") || arguments == QLatin1String("off"))
        FRM_Tool_Suivi->CKB_Inversion_Video->setChecked(arguments == QLatin1String("on"));
    CommandDone();
}

void CmdTrackZoneSize(std::uint8_t, const QString& arguments)
{
    QScrollBar* bar = FRM_Tool_Suivi->SCB_Taille_ZDetect;
    std::int32_t v = 0;
    if (!EvalIntField(arguments, bar->value(), v))
        return;
    bar->setValue(v);
    int position = bar->value();   // within the bar's range
    FRM_Tool_Suivi->SCB_Taille_ZDetectScroll(5, position);
    CommandDone();
}

void CmdTrackZonePosition(std::uint8_t, const QString& arguments)
{
    std::int32_t x = 0, y = 0;
    if (!EvalIntField(CommandField(arguments, 1), TrackedStarPos.x(), x)
        || !EvalIntField(CommandField(arguments, 2), TrackedStarPos.y(), y))
        return;
    ReleaseOnGuidedView(0, 0, x, y);
    CommandDone();
}

void CmdTrackZonePositionCenter(std::uint8_t, const QString&)
{
    ReleaseOnGuidedView(0, 1, 1, 1);
    CommandDone();
}

} // namespace Scripts

namespace {
const Scripts::CommandRegistrar registrar{
    {"telescope.softspeed", Scripts::CmdTelescopeSoftspeed},
    {"telescope.hardspeed", Scripts::CmdTelescopeHardspeed},
    {"goto.origin", Scripts::CmdGotoOrigin},
    {"goto.destination", Scripts::CmdGotoDestination},
    {"goto.mode", Scripts::CmdGotoMode},
    {"goto.execute", Scripts::CmdGotoExecute},
    {"goto.move", Scripts::CmdGotoMove},
    {"goto.stop", Scripts::CmdGotoStop},
    {"track", Scripts::CmdTrack},
    {"track.autoguide", Scripts::CmdTrackAutoguide},
    {"track.autoguide.shift", Scripts::CmdTrackAutoguideShift},
    {"track.mode", Scripts::CmdTrackMode},
    {"track.mode.precision", Scripts::CmdTrackModePrecision},
    {"track.inverse", Scripts::CmdTrackInverse},
    {"track.zone.size", Scripts::CmdTrackZoneSize},
    {"track.zone.position", Scripts::CmdTrackZonePosition},
    {"track.zone.position.center", Scripts::CmdTrackZonePositionCenter},
};
}
