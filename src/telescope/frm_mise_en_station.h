#pragma once
// The polar-alignment assistant: it arms the main window's measurement of a
// tracked star's drift (Bigourdan: one timed drift; King: a running
// measurement with a pause while the user turns the mount) and turns the
// measured trails into the polar error and the screw turns that correct it.
// Nothing is sent to the mount.

#include "app/form.h"
#include "ui_frm_mise_en_station.h"

// Angle of one pixel (radians) from the focal length and the pixel width,
// set when a measurement is prepared.
extern double PixelAngle;

class TFRM_MiseEnStation : public TForm, public Ui::TFRM_MiseEnStation {
    Q_OBJECT
public:
    explicit TFRM_MiseEnStation(QWidget* parent = nullptr);

    void FormActivate() override;
    void FormClose(TCloseAction& action) override;

    void BTN_Demar_MESClick();
    void BTN_Demarre_KingClick();
    void BTN_PauseClick();
    void BTN_OrientationClick();
    void BTN_Premiere_CorrectionClick();
    void RDB_Correct_AzimuthClick();
    void RDB_Correct_AltitudeClick();
    void BTN_CalculerClick();
    void BTN_Applique_ModifClick();
    void BTN_QuitterClick();

    // The King measurement has ended (aborted or lost its star): the pause
    // is released and its button disabled.
    void KingStopped();

    // Run by the translation pass once it has written the window's captions:
    // the azimuth radius's caption it wrote is kept, and the texts the
    // window writes as it works (the pause button, the radius of the axis
    // chosen) are written again in the language just read.
    void ShowTexts();

private:
    void showPauseCaption();
    void showRadiusCaption();

    // The new radius's caption for the azimuth, as the last pass wrote it.
    QString azimuthRadiusCaption_;
};

extern TFRM_MiseEnStation* FRM_MiseEnStation;

namespace MiseEnStation {

// Star tracking on (with the frame method) when it is off, and PixelAngle.
void PrepareMeasure();
// The polar error, the correction and the tracking-rate error from the
// Corrections page's duration and trails; every result emptied when the
// inputs give none (no frame, no focal length, a screw pitch of 0, the
// pole, no time).
void ComputeBigourdan();

} // namespace MiseEnStation
