#pragma once
// The goto dialog: a current object (from the chart's object list, its six
// inputs or other windows), an origin and a destination. In absolute mode
// the destination goes to the mount's own goto; in relative mode the
// origin-to-destination difference is sent as timed moves on both axes,
// and the motor speeds can be calibrated from a move made with the hand
// pad. It also writes the move as script lines.

#include "app/form.h"
#include "ui_frm_object_action.h"

#include <QStringList>
#include <cstdint>

// The goto dialog's distances (arcseconds) and estimated move times (ms).
extern double GotoDistanceRA, GotoDistanceDec;
extern std::int32_t GotoTimeRA, GotoTimeDec;
extern std::int32_t GotoPrefTimeRA, GotoPrefTimeDec;
// The current object as kept by "Memoriser Coords." (arcseconds).
extern double MemorisedRA, MemorisedDec;
// The hand pad's calibration of the motor speeds: set while it runs; the
// hand pad adds its hold times (north minus south, west minus east, ms).
extern std::uint8_t HandPadCalibrating;
extern std::int64_t NorthSouthHoldMs;
extern std::int64_t WestEastHoldMs;
// Set while the hand pad's own goto runs the dialog's handlers by name: the
// hand pad's inputs are then left as the hand pad has them.
extern bool GotoFromHandPad;
// Runs the dialog's destination handler by name with the hand pad as its
// sender: the current object becomes the destination, and the hand pad
// keeps its catalogue choice, number and coordinates.
void RunDestinationHandlerFromHandPad();

class TCustomNumInp;

namespace Object_Action {

// The six inputs of a position: hours, minutes and seconds of right
// ascension, degrees, minutes and seconds of declination.
struct PositionInputs {
    TCustomNumInp* raH;
    TCustomNumInp* raM;
    TCustomNumInp* raS;
    TCustomNumInp* decD;
    TCustomNumInp* decM;
    TCustomNumInp* decS;
};
// Shows a position (seconds of arc) in six inputs, split as the seconds
// inputs show it (rounded to their decimals, a carry into the minutes and
// on, 24 h wrapping to 0 h; a seconds input keeps its full value where it
// reads the same), without a range message: the goto dialog's own inputs
// and the hand pad's, whichever window writes them.
void ShowPosition(const PositionInputs& inputs, double ra, double dec);

// Destination minus origin, the short way round in right ascension and
// with its sign inverted, into GotoDistanceRA/Dec; nothing when the origin
// is unset.
void CoordinateDifference(double originRa, double originDec, double destinationRa, double destinationDec);
// Move times at MotorSpeeds and at the speeds typed in the Preferences
// dialog (speeds below 1"/s count as 1).
void EstimateMoveTime(double dRa, double dDec);
// The script lines of the move: the origin in relative mode, then the
// destination and "goto.execute".
QStringList WaypointLines(bool relative);

} // namespace Object_Action

class TFRM_ObjectAction : public TForm, public Ui::TFRM_ObjectAction {
    Q_OBJECT
public:
    explicit TFRM_ObjectAction(QWidget* parent = nullptr);

    void FormActivate() override;

    // The chart's object list: caption, current object, inputs, shown.
    void ShowObject(const QString& caption, double ra, double dec);
    // The dialog as the start-up reopens it: the current object's
    // coordinates under the dialog's own caption.
    void ShowCurrentObject();

    void BTN_Devient_OrigineClick();
    // `fromHandPad`: the hand pad's own goto, whose inputs are left alone.
    void BTN_Devient_DestinationClick(bool fromHandPad = false);
    void BTN_OrigineVersBaseClick();
    void BTN_DestinationVersBaseClick();
    void SPDB_Origine_vers_DestinationClick();
    void SPDB_Destination_vers_OrigineClick();
    void SPDB_Swap_VertClick();
    void TNI_RaHExit();
    void TNI_DecDExit();
    void BTN_Centrer_CarteClick();
    void BTN_Effacer_CoordClick();
    void BTN_MemoriserClick();
    void BTN_OkClick();
    void CBX_Vitesse_MoteurChange();
    // Opening the list marks the next choice as the user's: it loads the profile.
    void CBX_Vitesse_MoteurDropDown();
    void RDB_RelatifClick();
    void RDB_AbsoluClick();
    void BTN_GotoClick();
    // What GOTO does: the goto the dialog holds is started. False when none
    // started (no destination, or no origin for a relative goto, a point
    // off the sky, interfaces with no such goto, one shown running already);
    // true once it runs or has already run its course.
    bool StartGoto();
    void BTN_AbortClick();
    void BTN_CalibrerClick();
    void BTN_Create_WaypointClick();
    void BTN_Creer_MosaiqueClick();

    // The difference, its read-outs and, in relative mode with both points
    // set, the time estimate; GOTO and Calibrate follow.
    void ShowDistances();
    // The origin and destination as they are now (the mount's position read
    // or estimated becomes the origin), then the distances.
    void ShowGotoPoints();
    // A goto runs, from whichever window it was started: GOTO and the modes
    // are greyed and Abort offered until it is over.
    void GotoStarted(bool relative = false);
    // The goto is over (ended, aborted or failed): GOTO and the modes are
    // offered again and Abort greyed, unless a calibration is under way.
    void GotoEnded();
    // Abort of the goto alone, as the end of a relative move runs it: the
    // mount stopped, the goto over and a script waiting for it resumed; a
    // calibration under way goes on.
    void AbortRunningGoto();
    // Whether the interfaces chosen can make an absolute goto (the hand
    // pad's layout says so): the absolute mode is offered only then, and
    // never while a goto runs.
    void AllowAbsoluteGoto(bool allowed);

private:
    bool absoluteAllowed_ = true;
    // A goto runs (GotoStarted until GotoEnded). With a calibration under
    // way (HandPadCalibrating) it keeps the dialog busy; each ends apart.
    bool gotoShown_ = false;
    bool relativeGoto_ = false;   // the one running is the dialog's relative move
    bool busy() const;
    void showCurrentObject();
    QString designTitle_;
    void showEstimate();
    void showOrigin();
    void showDestination();
    bool applyCalibratedSpeeds();
    // GOTO, Abort and the modes as the goto and the calibration leave them.
    void showBusy();
    // The calibration over, validated or cancelled: the button's caption
    // again, as the calibration found it (in the chosen language).
    void endCalibration();
    QString calibrateCaption_;
    void showRelativeControls(bool relative);
};

extern TFRM_ObjectAction* FRM_ObjectAction;
