#pragma once
// The on-screen hand pad "Telescope": moves the mount while a direction
// button (or its key) is held, chooses slew rates, runs the focuser by hand
// or by the automatic focusing, sets the inversions and the joystick, and
// hosts the goto, sync and position reading of the mount and the keyboard
// control with its spoken prompts.
//
// Every press remembers what it started; its release, hiding or
// deactivating the window, switching the keyboard control off or a second
// press of the same direction never leave a move or a focuser run behind.
// Hold times are measured on the monotonic clock. User-interface thread.

#include "app/form.h"
#include "ui_frm_raquette.h"

#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <array>
#include <cstdint>
#include <optional>
#include <utility>

// Hand-pad state read by the tracking step; the goto dialog's calibration
// (HandPadCalibrating, NorthSouthHoldMs, WestEastHoldMs) is in
// frm_object_action.h.
extern std::uint8_t FocusDirection;   // 0 in, 1 out
extern double AutofocusPrevFWHM;
extern std::int32_t AutofocusStepMs;
extern std::uint8_t AutofocusReady;
extern std::int32_t AutofocusFrameCount;
// The object number the keypad "/" puts back into EDT_Numero.
extern QString LastNumber;

// Autoguiding off: the guiding window's radio button unchecked.
void AutoguidingOff();

class TFRM_Raquette : public TForm, public Ui::TFRM_Raquette {
    Q_OBJECT
public:
    explicit TFRM_Raquette(QWidget* parent = nullptr);
    // Stops what the hand pad still moves.
    ~TFRM_Raquette() override;

    void FormActivate() override;
    void FormKeyDown(int& key, Qt::KeyboardModifiers shift) override;
    void FormKeyUp(int& key, Qt::KeyboardModifiers shift) override;

    // Direction buttons (north 0, south 1, east 2, west 3). A press while
    // the direction is already held does nothing; a release stops only
    // what a press started.
    void DirectionDown(std::uint8_t direction);
    void DirectionUp(std::uint8_t direction);
    void BTN_StopMouseDown();
    // Stops every direction and focuser run the hand pad started, and a
    // move of the rate scroll bar.
    void ReleaseAll();

    void RateRadioClick(int index);   // RDB_Guide 0 .. RDB_Slew 3
    void CBX_RateChange();
    void SCB_RateChange();
    void BTN_RateClick();

    // Focuser buttons: direction 0 in, 1 out.
    void FocusDown(std::uint8_t direction, bool fast);
    void FocusUp();
    void BTN_Demarrer_AutofocusClick();
    void BTN_Arreter_AutofocusClick();
    void AutofocusStep(bool fast, double fwhm);
    // One focus measure of the tracking step, the mean of `measures` frames:
    // while the focusing waits for a measure, every measures-th one makes a
    // step.
    void AutofocusMeasured(double fwhm, int measures);
    void TMR_AutofocusTimer();
    // The automatic focusing back to rest: "Demarrer" offered again, the
    // focusing measure off; the focuser stopped too when stopFocuser is set,
    // a failure told once and kept from the caller (the frame routine).
    void EndAutofocus(bool stopFocuser);
    // An automatic focusing is under way (its "Arrêter" is live): it moves
    // the focuser at each of its steps.
    bool AutofocusRunning() const;

    void CBX_Vitesse_MoteurChange();
    // Opening the list marks the next choice as the user's: it loads the profile.
    void CBX_Vitesse_MoteurDropDown();
    // Runs the joystick calibration wizard.
    void BTN_Settings_JoystickClick();
    void RDB_AbsoluClick();
    void RDB_RelatifClick();
    // "+": the whole window, the goto group included; "-": the window down
    // to the direction buttons. Either way the window takes the height its
    // controls ask for and lies whole on the screen.
    void SPDB_Raquette_AgrandirClick();
    void SPDB_Raquette_ReduireClick();

    // The goto group as the interfaces chosen in the Preferences make it,
    // from their state alone, whichever page was clicked last and whatever
    // connection was refused: an LX200 mount keeps its rates, libraries and
    // GOTO whatever the guide and focuser pages hold; another mount has
    // them greyed, and a pulse interface without a goto of its own forces
    // the relative mode. Every interface choice and the settings loader lay
    // the pad out through it.
    void FollowInterfaces();
    // Whether the mount chosen is an LX200 (its own goto and libraries).
    static bool Lx200MountChosen();

    // GOTO is offered by the layout operations (the interfaces chosen) and
    // greyed while a goto runs, whichever window started it, so that no
    // second goto starts over the first; Abort stays live.
    void OfferGoto(bool offered);
    void ShowGotoRunning(bool running);

    // Layout operations of the Preferences dialog's interface choice.
    void EnableLX200Controls();
    void DisableLX200Controls();
    void EnableAscomControls(bool ask);
    void EnableCatalogueChoice();
    void DisableCatalogueChoice();
    void EnableFocusControls();
    void DisableFocusControls();
    void EnableAbsoluteGoto();
    void ForceRelativeGoto();

    // Goto, sync and position reading (frm_raquette_goto.cpp).
    void CatalogueClick(QRadioButton* choice);
    // Enables the inputs of a catalogue choice, nothing else.
    void ShowCatalogueInputs(QRadioButton* choice);
    // The same for the catalogue checked (restored with the settings).
    void ShowChosenCatalogue();
    void EDT_NumeroChange();
    void CBX_EtoileChange();
    void BTN_GOTOClick();
    void BTN_AbortClick();
    void BTN_SyncClick();
    void BTN_Position_ActuelleClick();
    // The LX200 library code of the chosen object for a goto or a sync
    // (empty when the choice has none).
    QByteArray ObjectCode(bool forSync) const;
    // The LX200 command that chooses the mount's library of a catalogue
    // choice (NGC, IC, UGC and the two star libraries), empty for the others;
    // and that of the catalogue checked when its objects are loaded from
    // that library by number (the SAO choice names none).
    QByteArray LibraryOf(const QRadioButton* choice) const;
    QByteArray CheckedLibrary() const;
    // The position of the six coordinate inputs, in seconds of arc. An entry
    // still being typed is taken as leaving its input takes it; none (the
    // user has been told) when an entry is refused or the position lies off
    // the sky.
    std::optional<std::pair<double, double>> TypedPosition();

    // Keyboard control (frm_raquette_keys.cpp).
    std::uint8_t KeyboardControl = 0;
    int LastKeyDown = 0;
    std::int64_t EnterDownMs = 0;
    std::uint8_t RateCycle = 4;
    std::uint8_t CatalogueCycle = 0;

    QTimer* TMR_Autofocus = nullptr;

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // The names other windows call this window's handlers by.
    QStringList RegisteredNames;
    // The controls under the direction buttons' row, and those of them "-"
    // hid, which "+" shows again.
    QList<QWidget*> controlsBelowPad() const;
    QList<QPointer<QWidget>> reducedAway_;
    // The window's width less the room a scroll bar beside its controls takes.
    int widthWithoutScrollBar() const;
    // The height the controls shown ask for, at that width, the whole window
    // on the screen.
    void fitHeightToControls(int wide);
    void wire();
    void wireGoto();
    void installRepeatFilter();
    bool focusInLists() const;
    void setDirectionButtons(bool enabled);
    void enterReleased(bool controlWasOn);
    void catalogueCycle(bool controlWasOn);
    void numberKeyPress(QKeyEvent* k);
    void numberKeyUp(QKeyEvent* k);
    void speakNumberEntry();
    void lx200Position();
    void ascomPosition();
    // The read-outs show the stored position (the goto origin).
    void showStoredPosition();
    void syncOtherMount();
    // A sync the mount took (or a mount without a position of its own): the
    // telescope is at the object, which the goto dialog takes as
    // destination and origin; the position is read.
    void takeSyncedPosition(double ra_arcsec, double dec_arcsec);

    bool gotoOffered_ = true;
    bool gotoRunning_ = false;
    std::array<bool, 4> held_{};
    // When the calibrated move of each axis (north/south, west/east) started;
    // kNotPressed while none has.
    static constexpr std::int64_t kNotPressed = -1;
    std::array<std::int64_t, 2> pressMs_{kNotPressed, kNotPressed};
    int focusHeld_ = -1;                      // direction of a focuser run started here
    // The coordinate input the last Enter moved the focus to: it keeps the
    // focus when that Enter goes up.
    QPointer<QWidget> enterMovedFocusTo_;
};

extern TFRM_Raquette* FRM_Raquette;
