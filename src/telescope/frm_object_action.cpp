#include "telescope/frm_object_action.h"

#include "app/systeme.h"
#include "translation/translated_texts.h"

#include "app/controls/num_inp.h"
#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "app/helpers/calc_helpers.h"
#include "app/profiles.h"
#include "app/settings.h"
#include "app/ui/control_adapters.h"
#include "app/ui/event_boundary.h"
#include "app/ui/press_guard.h"
#include "platform/clock.h"
#include "platform/message_service.h"
#include "scripting/frm_scr_cmd.h"
#include "scripting/frm_script.h"
#include "scripting/scripts.h"
#include "telescope/frm_prg_suivi.h"
#include "telescope/frm_raquette.h"
#include "telescope/goto_position_text.h"
#include "telescope/mount_state.h"
#include "telescope/prg_suivi.h"
#include "telescope/sky/sky_chart.h"
#include "telescope/track_step.h"

#include <QRegularExpression>
#include <QScopedValueRollback>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

TFRM_ObjectAction* FRM_ObjectAction = nullptr;

double GotoDistanceRA = 0, GotoDistanceDec = 0;
std::int32_t GotoTimeRA = 0, GotoTimeDec = 0;
std::int32_t GotoPrefTimeRA = 0, GotoPrefTimeDec = 0;
double MemorisedRA = 0, MemorisedDec = 0;
std::uint8_t HandPadCalibrating = 0;
std::int64_t NorthSouthHoldMs = 0;
std::int64_t WestEastHoldMs = 0;
bool GotoFromHandPad = false;

using Sky::kUnset;

void RunDestinationHandlerFromHandPad()
{
    const QScopedValueRollback<bool> fromHandPad(GotoFromHandPad, true);
    Settings::RunHandler(QStringLiteral("FRM_ObjectAction.BTN_Devient_DestinationClick"));
}

namespace {

constexpr double kFullCircle_arcsec = 1296000;
constexpr double kHalfCircle_arcsec = 648000;

double prefSpeed(const char* name)
{
    auto* n = app::findControl<TCustomNumInp>(FRM_Pref, QString::fromLatin1(name));
    return n ? double(n->Value()) : 0.0;
}

std::int32_t moveTime(double distance, double speed)
{
    return std::int32_t(std::max(0.0, std::trunc(std::fabs(distance) / std::max(1.0, speed) * 1000.0)));
}

QString numberText(double v) { return QString::number(v, 'g', 15); }

// "5h34m32s,22d1m0s" for a position in arcseconds, its seconds with up to
// two decimals.
QString waypointPosition(double ra, double dec)
{
    constexpr int kDecimals = 2;
    const CalcHelpers::Sexagesimal h = CalcHelpers::ArcsecToHMSRounded(ra, kDecimals);
    const CalcHelpers::Sexagesimal d = CalcHelpers::ArcsecToDMSRounded(std::fabs(dec), kDecimals);
    const bool south = dec < 0 && (d.units != 0 || d.minutes != 0 || d.seconds != 0);
    return Sky::ShortNumber(h.units) + QStringLiteral("h") + Sky::ShortNumber(h.minutes) + QStringLiteral("m")
         + Sky::ShortNumber(h.seconds) + QStringLiteral("s,") + (south ? QStringLiteral("-") : QString())
         + Sky::ShortNumber(d.units) + QStringLiteral("d") + Sky::ShortNumber(d.minutes) + QStringLiteral("m")
         + Sky::ShortNumber(d.seconds) + QStringLiteral("s");
}

bool allFourSet() { return Sky::OriginSet() && Sky::DestinationSet(); }

// A position typed in the inputs may lie off the sky (90 degrees and 30
// minutes): it is refused with a message and nothing goes to the mount.
bool onTheSky(double ra, double dec)
{
    if (GotoPositionText::OnTheSky(ra, dec))
        return true;
    platform::Message message;
    message.text = GotoPositionText::OffTheSkyMessage();
    platform::messages().show(message);
    return false;
}

void setNum(TCustomNumInp* n, double v)
{
    // The inputs show a position as it is: no range message for a value
    // the user did not type.
    const bool validate = n->Validate();
    n->SetValidate(false);
    n->SetValue(v);
    n->SetValidate(validate);
}

} // namespace

namespace Object_Action {

void CoordinateDifference(double originRa, double originDec, double destinationRa, double destinationDec)
{
    if (originRa == kUnset || originDec == kUnset)
        return;
    double dRa = destinationRa - originRa;
    const double dDec = destinationDec - originDec;
    if (std::fabs(dRa) > kHalfCircle_arcsec)
        dRa = (kFullCircle_arcsec - std::fabs(dRa)) * (dRa >= 0 ? -1 : 1);
    GotoDistanceRA = -dRa;
    GotoDistanceDec = dDec;
}

void EstimateMoveTime(double dRa, double dDec)
{
    const bool east = dRa < 0, north = dDec < 0;
    GotoTimeRA = moveTime(dRa, east ? MotorSpeeds.East : MotorSpeeds.West);
    GotoPrefTimeRA = moveTime(dRa, prefSpeed(east ? "TNI_Vitesse_Est" : "TNI_Vitesse_Ouest"));
    GotoTimeDec = moveTime(dDec, north ? MotorSpeeds.North : MotorSpeeds.South);
    GotoPrefTimeDec = moveTime(dDec, prefSpeed(north ? "TNI_Vitesse_Nord" : "TNI_Vitesse_Sud"));
}

void ShowPosition(const PositionInputs& inputs, double ra, double dec)
{
    // The inputs show the split rounded to the seconds' decimals: 59.999 s
    // is the next minute, so no input ever reads 60. A seconds input keeps
    // its full value where that reads the same, so that a position the user
    // only tabs through is not moved by the rounding.
    const auto seconds = [](const CalcHelpers::Sexagesimal& shown, const CalcHelpers::Sexagesimal& full, int decimals) {
        const bool same = shown.units == full.units && shown.minutes == full.minutes
                          && QString::number(shown.seconds, 'f', decimals) == QString::number(full.seconds, 'f', decimals);
        return same ? full.seconds : shown.seconds;
    };
    const int raDecimals = inputs.raS->Decimals();
    const int decDecimals = inputs.decS->Decimals();
    const CalcHelpers::Sexagesimal h = CalcHelpers::ArcsecToHMSRounded(ra, raDecimals);
    const CalcHelpers::Sexagesimal d = CalcHelpers::ArcsecToDMSRounded(dec, decDecimals);
    setNum(inputs.raH, h.units);
    setNum(inputs.raM, h.minutes);
    setNum(inputs.raS, seconds(h, CalcHelpers::ArcsecToHMS(ra), raDecimals));
    setNum(inputs.decD, d.units);
    setNum(inputs.decM, d.minutes);
    setNum(inputs.decS, seconds(d, CalcHelpers::ArcsecToDMS(dec), decDecimals));
}

QStringList WaypointLines(bool relative)
{
    QStringList lines;
    if (relative)
        lines << QStringLiteral("goto.origin(") + waypointPosition(Sky::GotoOriginRA, Sky::GotoOriginDec)
                     + QStringLiteral(")");
    lines << QStringLiteral("goto.destination(")
                 + waypointPosition(Sky::GotoDestinationRA, Sky::GotoDestinationDec) + QStringLiteral(")");
    lines << QStringLiteral("goto.execute");
    return lines;
}

} // namespace Object_Action

TFRM_ObjectAction::TFRM_ObjectAction(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    designTitle_ = windowTitle();
    using W = TFRM_ObjectAction;
    auto speed = [this](QToolButton* b, void (W::*m)()) { app::bindSpeedButtonClick(b, this, m); };
    speed(SPDB_Devient_Origine, &W::BTN_Devient_OrigineClick);
    app::bindSpeedButtonClick(SPDB_Devient_Destination, [this] { BTN_Devient_DestinationClick(); }, this);
    speed(SPDB_OrigineVersBase, &W::BTN_OrigineVersBaseClick);
    speed(SPDB_DestinationVersBase, &W::BTN_DestinationVersBaseClick);
    speed(SPDB_Origine_vers_Destination, &W::SPDB_Origine_vers_DestinationClick);
    speed(SPDB_Destination_vers_Origine, &W::SPDB_Destination_vers_OrigineClick);
    speed(SPDB_Swap_Vert, &W::SPDB_Swap_VertClick);
    for (TCustomNumInp* n : {TNI_RaH, TNI_RaM, TNI_RaS})
        app::bindNumInpExit(n, this, &W::TNI_RaHExit);
    for (TCustomNumInp* n : {TNI_DecD, TNI_DecM, TNI_DecS})
        app::bindNumInpExit(n, this, &W::TNI_DecDExit);
    app::bindButtonClick(BTN_Centrer_Carte, this, &W::BTN_Centrer_CarteClick);
    app::bindButtonClick(BTN_Effacer_Coord, this, &W::BTN_Effacer_CoordClick);
    app::bindButtonClick(BTN_Store, this, &W::BTN_MemoriserClick);
    app::bindButtonClick(BTN_Ok, this, &W::BTN_OkClick);
    app::bindButtonClick(BTN_Goto, this, &W::BTN_GotoClick);
    app::bindButtonClick(BTN_Abort, this, &W::BTN_AbortClick);
    app::MarkStopButton(BTN_Abort);
    app::bindButtonClick(BTN_Calibrer, this, &W::BTN_CalibrerClick);
    app::bindButtonClick(BTN_Create_Waypoint, this, &W::BTN_Create_WaypointClick);
    app::bindButtonClick(BTN_Creer_Mosaique, this, &W::BTN_Creer_MosaiqueClick);
    app::bindRadioClick(RDB_Relatif, this, &W::RDB_RelatifClick);
    app::bindRadioClick(RDB_Absolu, this, &W::RDB_AbsoluClick);
    Profiles::BindProfileList(CBX_Vitesse_Moteur, [this] { CBX_Vitesse_MoteurChange(); }, this);
    app::bindComboDropDown(CBX_Vitesse_Moteur, this, &W::CBX_Vitesse_MoteurDropDown);

    // Other windows reach the dialog through its global reference, so a
    // later dialog takes over these names.
    Settings::RegisterHandler(QStringLiteral("FRM_ObjectAction.BTN_Devient_OrigineClick"), [] {
        if (FRM_ObjectAction)
            FRM_ObjectAction->BTN_Devient_OrigineClick();
    });
    Settings::RegisterHandler(QStringLiteral("FRM_ObjectAction.BTN_Devient_DestinationClick"), [] {
        if (FRM_ObjectAction)
            FRM_ObjectAction->BTN_Devient_DestinationClick(GotoFromHandPad);
    });
    // The mount's position read or estimated became the origin.
    Settings::RegisterHandler(QStringLiteral("FRM_ObjectAction.ShowGotoPoints"), [] {
        if (FRM_ObjectAction)
            FRM_ObjectAction->ShowGotoPoints();
    });
    Settings::RegisterHandler(QStringLiteral("FRM_ObjectAction.ShowCurrentObject"), [] {
        if (FRM_ObjectAction)
            FRM_ObjectAction->ShowCurrentObject();
    });
    Settings::RegisterHandler(QStringLiteral("FRM_ObjectAction.BTN_GotoClick"), [] {
        if (FRM_ObjectAction)
            FRM_ObjectAction->BTN_GotoClick();
    });
    // Another window chose a speed profile: the estimate follows its speeds.
    Settings::RegisterHandler(QStringLiteral("FRM_ObjectAction.CBX_Vitesse_MoteurChange"), [] {
        if (FRM_ObjectAction)
            FRM_ObjectAction->CBX_Vitesse_MoteurChange();
    });
    Prg_Suivi::Hooks.GotoDialogAbort = [] {
        if (FRM_ObjectAction)
            FRM_ObjectAction->AbortRunningGoto();
    };
    // The command wizard's "Charger" of <ADSec> and <DECSec>.
    TFRM_ScrCmd::MemorisedPosition = [] { return std::pair<double, double>{MemorisedRA, MemorisedDec}; };
    Prg_Suivi::Hooks.UpdateGotoDistances = [] {
        if (FRM_ObjectAction)
            FRM_ObjectAction->ShowDistances();
    };
}

void TFRM_ObjectAction::FormActivate()
{
    if (!FRM_Pref)
        return;
    const QComboBox* from = FRM_Pref->CBX_Vitesse_Moteur;
    CBX_Vitesse_Moteur->clear();
    for (int i = 0; i < from->count(); ++i)
        CBX_Vitesse_Moteur->addItem(from->itemText(i));
    CBX_Vitesse_Moteur->setCurrentText(from->currentText());
}

void TFRM_ObjectAction::ShowObject(const QString& caption, double ra, double dec)
{
    setWindowTitle(caption);
    Sky::GotoCurrentRA = ra;
    Sky::GotoCurrentDec = dec;
    showCurrentObject();
    Systeme::ShowFormOnScreen(this);
}

void TFRM_ObjectAction::ShowCurrentObject()
{
    setWindowTitle(designTitle_);
    showCurrentObject();
}

void TFRM_ObjectAction::showCurrentObject()
{
    Object_Action::ShowPosition({TNI_RaH, TNI_RaM, TNI_RaS, TNI_DecD, TNI_DecM, TNI_DecS}, Sky::GotoCurrentRA,
                                Sky::GotoCurrentDec);
}

// The difference, its read-outs and, in relative mode with all four
// coordinates set, the estimate; GOTO and Calibrate follow.
void TFRM_ObjectAction::ShowDistances()
{
    // A calibration divides the distance it started from: a position read
    // while the hand pad moves the mount does not change it.
    if (HandPadCalibrating)
        return;
    Object_Action::CoordinateDifference(Sky::GotoOriginRA, Sky::GotoOriginDec, Sky::GotoDestinationRA,
                                        Sky::GotoDestinationDec);
    if (allFourSet())
        EDT_Distance_Abs->setText(Sky::ShortNumber(Sky::AngularDistance(Sky::GotoOriginRA, Sky::GotoOriginDec,
                                                                        Sky::GotoDestinationRA, Sky::GotoDestinationDec)));
    if (RDB_Relatif->isChecked() && allFourSet()) {
        // Up to 15 digits: a field too narrow shows them from the first.
        for (auto [edit, distance] :
             {std::pair{EDT_Distance_Ra, GotoDistanceRA}, std::pair{EDT_Distance_Dec, GotoDistanceDec}}) {
            edit->setText(numberText(distance));
            edit->setCursorPosition(0);
        }
        Object_Action::EstimateMoveTime(GotoDistanceRA, GotoDistanceDec);
        showEstimate();
        if (!busy()) {
            BTN_Goto->setEnabled(true);
            BTN_Calibrer->setEnabled(true);
        }
    }
}

void TFRM_ObjectAction::showOrigin()
{
    const bool set = Sky::OriginSet();
    EDT_Origine_Ra->setText(set ? CalcHelpers::RAToStr(Sky::GotoOriginRA) : QString());
    EDT_Origine_Dec->setText(set ? CalcHelpers::DecToStr(Sky::GotoOriginDec) : QString());
}

void TFRM_ObjectAction::showDestination()
{
    const bool set = Sky::DestinationSet();
    EDT_Destination_Ra->setText(set ? CalcHelpers::RAToStr(Sky::GotoDestinationRA) : QString());
    EDT_Destination_Dec->setText(set ? CalcHelpers::DecToStr(Sky::GotoDestinationDec) : QString());
}

void TFRM_ObjectAction::ShowGotoPoints()
{
    showOrigin();
    showDestination();
    ShowDistances();
}

void TFRM_ObjectAction::showEstimate()
{
    EDT_Tps_Estime->setText(QString::number(std::max(GotoTimeDec, GotoTimeRA) / 1000.0, 'f', 3)
                                .remove(QRegularExpression(QStringLiteral("\\.?0+$"))));
}

void TFRM_ObjectAction::BTN_Devient_OrigineClick()
{
    Sky::GotoOriginRA = Sky::GotoCurrentRA;
    Sky::GotoOriginDec = Sky::GotoCurrentDec;
    showOrigin();
    ShowDistances();
    Sky::RedrawChart();
}

void TFRM_ObjectAction::BTN_Devient_DestinationClick(bool fromHandPad)
{
    Sky::GotoDestinationRA = Sky::GotoCurrentRA;
    Sky::GotoDestinationDec = Sky::GotoCurrentDec;
    const bool set = Sky::DestinationSet();
    showDestination();
    ShowDistances();
    if (RDB_Absolu->isChecked() && set && !busy())
        BTN_Goto->setEnabled(true);
    if (!fromHandPad && FRM_Raquette && set) {
        TFRM_Raquette& pad = *FRM_Raquette;
        pad.RDB_Coords->setChecked(true);
        pad.ShowCatalogueInputs(pad.RDB_Coords);   // its coordinates can be typed over
        Object_Action::ShowPosition({pad.TNI_RaH, pad.TNI_RaM, pad.TNI_RaS, pad.TNI_DecD, pad.TNI_DecM, pad.TNI_DecS},
                                    Sky::GotoCurrentRA, Sky::GotoCurrentDec);
    }
    Sky::RedrawChart();
}

void TFRM_ObjectAction::BTN_OrigineVersBaseClick()
{
    Sky::GotoCurrentRA = Sky::GotoOriginRA;
    Sky::GotoCurrentDec = Sky::GotoOriginDec;
    showCurrentObject();
}

void TFRM_ObjectAction::BTN_DestinationVersBaseClick()
{
    Sky::GotoCurrentRA = Sky::GotoDestinationRA;
    Sky::GotoCurrentDec = Sky::GotoDestinationDec;
    showCurrentObject();
}

// Runs `handler` with the current object at (ra, dec), then puts it back.
template <class Handler>
void withCurrent(double ra, double dec, Handler handler)
{
    const double keptRa = Sky::GotoCurrentRA, keptDec = Sky::GotoCurrentDec;
    Sky::GotoCurrentRA = ra;
    Sky::GotoCurrentDec = dec;
    handler();
    Sky::GotoCurrentRA = keptRa;
    Sky::GotoCurrentDec = keptDec;
}

void TFRM_ObjectAction::SPDB_Origine_vers_DestinationClick()
{
    withCurrent(Sky::GotoOriginRA, Sky::GotoOriginDec, [this] { BTN_Devient_DestinationClick(); });
}

void TFRM_ObjectAction::SPDB_Destination_vers_OrigineClick()
{
    withCurrent(Sky::GotoDestinationRA, Sky::GotoDestinationDec, [this] { BTN_Devient_OrigineClick(); });
}

void TFRM_ObjectAction::SPDB_Swap_VertClick()
{
    const double originRa = Sky::GotoOriginRA, originDec = Sky::GotoOriginDec;
    withCurrent(Sky::GotoDestinationRA, Sky::GotoDestinationDec, [this] { BTN_Devient_OrigineClick(); });
    withCurrent(originRa, originDec, [this] { BTN_Devient_DestinationClick(); });
}

void TFRM_ObjectAction::TNI_RaHExit()
{
    Sky::GotoCurrentRA = CalcHelpers::HMSToArcsec(double(TNI_RaH->Value()), double(TNI_RaM->Value()),
                                                  double(TNI_RaS->Value()));
}

void TFRM_ObjectAction::TNI_DecDExit()
{
    Sky::GotoCurrentDec = CalcHelpers::DMSToArcsec(double(TNI_DecD->Value()), double(TNI_DecM->Value()),
                                                   double(TNI_DecS->Value()));
}

void TFRM_ObjectAction::BTN_Centrer_CarteClick()
{
    Sky::ChartCentreRA = Sky::GotoCurrentRA * std::numbers::pi / 648000;
    Sky::ChartCentreDec = Sky::GotoCurrentDec * std::numbers::pi / 648000;
    Sky::RedrawChart();
}

void TFRM_ObjectAction::BTN_Effacer_CoordClick()
{
    // A calibration under way loses the distance it divides: it is
    // cancelled (the speeds stay as they were), as Abort cancels it.
    if (HandPadCalibrating)
        endCalibration();
    for (QLineEdit* e : {EDT_Origine_Ra, EDT_Origine_Dec, EDT_Destination_Ra, EDT_Destination_Dec, EDT_Distance_Ra,
                         EDT_Distance_Dec, EDT_Distance_Abs})
        e->clear();
    Sky::GotoOriginRA = Sky::GotoOriginDec = kUnset;
    Sky::GotoDestinationRA = Sky::GotoDestinationDec = kUnset;
    GotoDistanceRA = GotoDistanceDec = 0;
    BTN_Goto->setEnabled(false);
    BTN_Calibrer->setEnabled(false);
    Sky::RedrawChart();
}

void TFRM_ObjectAction::BTN_MemoriserClick()
{
    MemorisedRA = Sky::GotoCurrentRA;
    MemorisedDec = Sky::GotoCurrentDec;
}

void TFRM_ObjectAction::BTN_OkClick() { close(); }

void TFRM_ObjectAction::CBX_Vitesse_MoteurDropDown() { ProfileComboTouched = true; }

void TFRM_ObjectAction::CBX_Vitesse_MoteurChange()
{
    const QString text = CBX_Vitesse_Moteur->currentText();
    if (FRM_Pref) {
        FRM_Pref->CBX_Vitesse_Moteur->setCurrentText(text);
        Settings::RunHandler(QStringLiteral("FRM_Pref.CBX_Vitesse_MoteurChange"));
    }
    if (FRM_Raquette)
        FRM_Raquette->CBX_Vitesse_Moteur->setCurrentText(text);
    Object_Action::EstimateMoveTime(GotoDistanceRA, GotoDistanceDec);
    showEstimate();
}

// The origin's controls, the distances and the time estimate belong to the
// relative mode only.
void TFRM_ObjectAction::showRelativeControls(bool relative)
{
    for (QWidget* w : {static_cast<QWidget*>(SPDB_Devient_Origine), static_cast<QWidget*>(SPDB_OrigineVersBase),
                       static_cast<QWidget*>(GRB_Origine)})
        w->setEnabled(relative);
    for (QWidget* w : std::initializer_list<QWidget*>{LBL_Distance_secs, LBL_AD_Secs, EDT_Distance_Ra,
                                                      LBL_Dec_Secs, EDT_Distance_Dec, LBL_Distabsolue_Secs,
                                                      EDT_Distance_Abs, LBL_Vitesse_Choisie, CBX_Vitesse_Moteur,
                                                      LBL_Tps_Estime, EDT_Tps_Estime, LBL_Secs})
        w->setVisible(relative);
}

void TFRM_ObjectAction::RDB_RelatifClick()
{
    if (FRM_Raquette)
        FRM_Raquette->RDB_Relatif->setChecked(true);
    showRelativeControls(true);
    if (allFourSet() && !busy()) {
        BTN_Abort->setEnabled(false);
        BTN_Goto->setEnabled(true);
    } else if (!busy()) {
        // A relative goto needs both points.
        BTN_Goto->setEnabled(false);
    }
}

void TFRM_ObjectAction::RDB_AbsoluClick()
{
    if (FRM_Raquette)
        FRM_Raquette->RDB_Absolu->setChecked(true);
    showRelativeControls(false);
    if (Sky::DestinationSet() && !busy()) {
        BTN_Abort->setEnabled(false);
        BTN_Goto->setEnabled(true);
    }
}

bool TFRM_ObjectAction::busy() const { return gotoShown_ || HandPadCalibrating; }

void TFRM_ObjectAction::showBusy()
{
    const bool running = busy();
    BTN_Abort->setEnabled(running);
    // GOTO is offered again only with the points its mode needs: they may
    // have been cleared while the goto or the calibration ran.
    BTN_Goto->setEnabled(!running && (RDB_Relatif->isChecked() ? allFourSet() : Sky::DestinationSet()));
    RDB_Absolu->setEnabled(!running && absoluteAllowed_);
    RDB_Relatif->setEnabled(!running);
}

void TFRM_ObjectAction::GotoStarted(bool relative)
{
    gotoShown_ = true;
    relativeGoto_ = relative;
    showBusy();
    if (FRM_Raquette)
        FRM_Raquette->ShowGotoRunning(true);
}

void TFRM_ObjectAction::GotoEnded()
{
    gotoShown_ = false;
    showBusy();
    if (FRM_Raquette)
        FRM_Raquette->ShowGotoRunning(false);
}

void TFRM_ObjectAction::AllowAbsoluteGoto(bool allowed)
{
    absoluteAllowed_ = allowed;
    RDB_Absolu->setEnabled(allowed && !busy());
}

namespace {

// A goto the chosen interfaces cannot make is told, and nothing starts (no
// Abort, no timer: nothing would move). True when it can go.
bool tellWhyNoGoto(bool relative)
{
    const QString why = Prg_Suivi::GotoImpossibleReason(relative);
    if (why.isEmpty())
        return true;
    Msg::ShowMessageText(false, why);
    return false;
}

} // namespace

void TFRM_ObjectAction::BTN_GotoClick() { StartGoto(); }

bool TFRM_ObjectAction::StartGoto()
{
    // One goto at a time, however this is reached (the greyed button, a
    // routine, a script).
    if (gotoShown_)
        return false;
    if (RDB_Relatif->isChecked()) {
        // Without both points there is no move to make (the distances of an
        // earlier pair would be sent).
        // The origin may be the mount's estimated position; the destination
        // is where the user asks to go.
        if (!allFourSet() || !onTheSky(Sky::GotoDestinationRA, Sky::GotoDestinationDec))
            return false;
        if (!tellWhyNoGoto(true))
            return false;
        ShowDistances();
        const auto dRa = std::int32_t(std::trunc(GotoDistanceRA));
        const auto dDec = std::int32_t(std::trunc(GotoDistanceDec));
        GotoAxisMovingRA = dRa != 0;
        GotoAxisMovingDec = dDec != 0;
        // The move starts from the origin, which becomes the current object:
        // the inputs say so (a later "<-" takes what they show).
        Sky::GotoCurrentRA = Sky::GotoOriginRA;
        Sky::GotoCurrentDec = Sky::GotoOriginDec;
        showCurrentObject();
        MotionSource = 0;
        GotoStarted(true);
        Scripts::GotoRunning = true;
        try {
            Align_V::SendCorrectionPulses(dRa, dDec);
        } catch (...) {
            GotoEnded();
            Scripts::GotoRunning = false;
            GotoAxisMovingRA = GotoAxisMovingDec = 0;
            throw;
        }
        const std::int64_t now = platform::clock().monotonicMs();
        LastPollMs = RAStartMs = DecStartMs = now;
        if (FRM_Prg_Suivi && FRM_Pref) {
            // An axis whose pulse did not start (too short once its inertia
            // is taken off) has no end to wait for; the declination of
            // separate axes waits for the right ascension's end.
            const bool decWaits = FRM_Pref->CKB_Axes_Separes->isChecked() && GotoAxisMovingRA;
            if (!FRM_Prg_Suivi->TMR_Suivi_AD->isActive())
                GotoAxisMovingRA = 0;
            if (!decWaits && !FRM_Prg_Suivi->TMR_Suivi_Dec->isActive())
                GotoAxisMovingDec = 0;
            if (!Prg_Suivi::RelativeMoveRunning()) {
                // Nothing moves: the goto is over at once.
                PendingDecPulse = 0;
                GotoEnded();
                Scripts::ResumeIfWaiting(Scripts::GotoRunning);
                return true;
            }
            QTimer* t = FRM_Prg_Suivi->TMR_ScopePosition;
            const int interval = FRM_Pref->SPED_Rafraichissement_Carte->value();
            // 0 asks for no refresh (a 0 ms timer would spin); the end of
            // the move still comes from the pulse timers.
            t->setInterval(interval);
            if (interval > 0 && (GotoTimeRA > interval || GotoTimeDec > interval))
                t->start();
        }
    } else {
        if (!Sky::DestinationSet() || !onTheSky(Sky::GotoDestinationRA, Sky::GotoDestinationDec))
            return false;
        if (!tellWhyNoGoto(false))
            return false;
        GotoStarted();
        Scripts::GotoRunning = true;
        bool started = false;
        try {
            started = Prg_Suivi::GotoCoordinates(Sky::GotoDestinationRA, Sky::GotoDestinationDec);
        } catch (...) {
            // Nothing was started: the dialog is ready for another try.
            GotoEnded();
            Scripts::GotoRunning = false;
            throw;
        }
        if (!started) {   // the chosen mount has no goto of its own
            GotoEnded();
            Scripts::GotoRunning = false;
        }
        return started;
    }
    return true;
}

void TFRM_ObjectAction::BTN_AbortClick()
{
    if (HandPadCalibrating) {
        // The calibration is cancelled (the speeds stay as they were); a
        // goto still running goes on, with its Abort.
        endCalibration();
        return;
    }
    AbortRunningGoto();
}

void TFRM_ObjectAction::AbortRunningGoto()
{
    // The goto running is stopped as it was started, whatever mode was
    // chosen since (a script, or interfaces that allow only one).
    if (gotoShown_ ? relativeGoto_ : RDB_Relatif->isChecked()) {
        // The move ends here, whether its stops reach the mount or not.
        const auto moveOver = [] {
            GotoAxisMovingRA = GotoAxisMovingDec = 0;
            PendingDecPulse = 0;
            if (FRM_Prg_Suivi) {
                FRM_Prg_Suivi->TMR_Suivi_AD->stop();
                FRM_Prg_Suivi->TMR_Suivi_Dec->stop();
                FRM_Prg_Suivi->TMR_ScopePosition->stop();
            }
        };
        try {
            Prg_Suivi::StopMount();
            Prg_Suivi::StopGuidePort();
        } catch (...) {
            moveOver();
            GotoEnded();
            Scripts::ResumeIfWaiting(Scripts::GotoRunning);
            throw;
        }
        moveOver();
        Prg_Suivi::PollPosition();
    } else {
        Prg_Suivi::AbortGoto();
    }
    GotoEnded();
    // No goto runs any more; a script waiting for it goes on.
    Scripts::ResumeIfWaiting(Scripts::GotoRunning);
}

void TFRM_ObjectAction::endCalibration()
{
    HandPadCalibrating = 0;
    if (!calibrateCaption_.isEmpty())
        BTN_Calibrer->setText(calibrateCaption_);
    showBusy();
}

void TFRM_ObjectAction::BTN_CalibrerClick()
{
    if (!HandPadCalibrating) {
        // The distance the hand-pad move is to cover is the one the dialog
        // shows now; it stays so until the calibration ends.
        HandPadCalibrating = 1;
        calibrateCaption_ = BTN_Calibrer->text();
        BTN_Calibrer->setText(TranslatedTexts.MSG_Calibration_Valider);
        showBusy();
        NorthSouthHoldMs = 0;
        WestEastHoldMs = 0;
        return;
    }
    endCalibration();
    if (FRM_Pref && applyCalibratedSpeeds()) {
        if (StartupPrefsLoaded)
            Settings::SaveMotorSpeedProfile(FRM_Pref->CBX_Vitesse_Moteur->currentText());
        Settings::RunHandler(QStringLiteral("Preferences.ApplyMotorSpeeds"));
    }
    // The distances follow the points again.
    ShowDistances();
    Object_Action::EstimateMoveTime(GotoDistanceRA, GotoDistanceDec);
    showEstimate();
}

namespace {

QString speedText(double v) { return QString::number(v, 'f', 3).remove(QRegularExpression(QStringLiteral("\\.?0+$"))); }

} // namespace

// The speeds of the hand-pad move: distance over hold time on each axis
// that was held. A speed the speed inputs cannot hold (or none at all: the
// axis held but no distance to cover) refuses the whole calibration with a
// message; nothing is changed then.
bool TFRM_ObjectAction::applyCalibratedSpeeds()
{
    struct Axis {
        const char* name;
        std::int64_t hold_ms;
        double distance;
        TCustomNumInp* first;
        TCustomNumInp* second;
        double speed = 0;
    };
    std::array<Axis, 2> axes{Axis{"Nord/Sud", NorthSouthHoldMs, GotoDistanceDec, FRM_Pref->TNI_Vitesse_Nord,
                                  FRM_Pref->TNI_Vitesse_Sud},
                             Axis{"Est/Ouest", WestEastHoldMs, GotoDistanceRA, FRM_Pref->TNI_Vitesse_Est,
                                  FRM_Pref->TNI_Vitesse_Ouest}};
    for (Axis& a : axes) {
        if (a.hold_ms == 0)
            continue;
        a.speed = std::fabs(a.distance / double(a.hold_ms)) * 1000;
        const double low = std::max(double(a.first->Min()), double(a.second->Min()));
        const double high = std::min(double(a.first->Max()), double(a.second->Max()));
        if (std::isfinite(a.speed) && a.speed > 0 && a.speed >= low && a.speed <= high)
            continue;
        platform::Message message;
        message.text = TranslatedTexts.MSG_Calibration_Refusee
                           .arg(QString::fromLatin1(a.name), speedText(a.speed), speedText(std::fabs(a.distance)),
                                speedText(double(std::llabs(a.hold_ms)) / 1000), speedText(std::max(0.0, low)),
                                speedText(high));
        message.kind = platform::MsgKind::Warning;
        message.cause = QStringLiteral("GotoCalibration");
        platform::messages().show(message);
        return false;
    }
    for (const Axis& a : axes) {
        if (a.hold_ms == 0)
            continue;
        a.first->SetValue(a.speed);
        a.second->SetValue(a.speed);
    }
    return true;
}

void TFRM_ObjectAction::BTN_Create_WaypointClick()
{
    if (!FRM_Script)
        return;
    for (const QString& line : Object_Action::WaypointLines(RDB_Relatif->isChecked()))
        FRM_Script->Memo_Script->appendPlainText(line);
    Scripts::CurrentScript().Lines = FRM_Script->Memo_Script->toPlainText().split(QLatin1Char('\n'));
}

void TFRM_ObjectAction::BTN_Creer_MosaiqueClick() { Settings::RunHandler(QStringLiteral("FRM_Alv.MNU_PlanificateurClick")); }
