#pragma once
// The periodic-error recording: while the mount tracks, the guide star's
// east-west displacement is measured on every frame, turned into seconds
// of arc, drawn against the elapsed time and, with "Fichier sortant",
// written to a text file. The window arms the main window's measurement;
// the frame routine calls ErrPeriod.MeasurePeriodicError once it runs.

#include "app/form.h"
#include "telescope/periodic_error_chart.h"
#include "ui_frm_err_period.h"

class TFRM_ErrPeriod : public TForm, public Ui::TFRM_ErrPeriod {
    Q_OBJECT
public:
    explicit TFRM_ErrPeriod(QWidget* parent = nullptr);

    void FormClose(TCloseAction& action) override;

    void BTN_Demar_EPClick();
    void BTN_OrientationClick();
    void BTN_Reinit_GrapheClick();
    void CKB_Fichier_EPClick();
    void BBTN_Charge_FichierPEClick();
    void BTN_QuitterClick();

    // The recording starts: its controls locked, its log created when
    // "Fichier sortant" is checked (a log left open is closed first; a file
    // that cannot be written unchecks the box and the recording goes on
    // without it).
    void RecordingStarted();
    // The recording has stopped (aborted or lost its star): the log closed
    // and the controls free again.
    void RecordingStopped();
};

extern TFRM_ErrPeriod* FRM_ErrPeriod;

namespace ErrPeriod {

// One frame's measure: the displacement since the start as an east-west
// error in seconds of arc, drawn, logged and shown with its rate.
void MeasurePeriodicError();

} // namespace ErrPeriod
