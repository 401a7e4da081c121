#pragma once
// The long-exposure window: length, number and type of the exposures of a
// series, its start and stop, the count-down, self-guiding and the minimum
// length of a saved exposure. The cycle itself is the main window's
// (capture/long_exposure_cycle.cpp).

#include "app/form.h"
#include "ui_frm_longuepose.h"

class TFRM_Longuepose : public TForm, public Ui::TFRM_Longuepose {
    Q_OBJECT
public:
    explicit TFRM_Longuepose(QWidget* parent = nullptr);

    void SPED_Vesta_PoseChange();
    void SPED_Vesta_Pose_GuidageChange();
    // Starts a series: the settings are taken again, the image tool is set
    // for the type (a dark or flat series adds SPED_Nb_Poses frames), the
    // main window's cycle is switched on and the count starts at 1.
    void BTN_Demarrer_PoseClick();
    // Ends the series: the cycle off, a dark or flat addition stopped.
    void BTN_Arreter_PoseClick();
    void CKB_Selfguide_ActiveClick();
    // SPED_MinExp is usable exactly while the box is checked.
    void CKB_HoldspanClick();
    // Closing the window ends a running series and returns the current slot
    // to image mode (a plug-in camera gets its video back).
    void FormClose(TCloseAction& action) override;
};

extern TFRM_Longuepose* FRM_Longuepose;
