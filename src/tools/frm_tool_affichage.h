#pragma once

#include "app/form.h"
#include "ui_frm_tool_affichage.h"

#include <memory>

class TLog;

class TFRM_Tool_Affichage : public TForm, public Ui::TFRM_Tool_Affichage {
    Q_OBJECT
public:
    explicit TFRM_Tool_Affichage(QWidget* parent = nullptr);

    // Starts the FWHM log when the box is checked and a file name is set,
    // stops it when unchecked.
    void CKB_Save_FWHMClick();
    QString FWHMLogFileName;

    // Frame-rate choice of camera 1 / 2: "Auto" lets a stream or plug-in
    // slot run its frame tick on every announced frame (its timer off);
    // "Custom" takes the interval bar; a number f paces the slot's frame
    // timer at 1000 div f ms.
    void CBX_Cam1_IPSChange();
    void CBX_Cam2_IPSChange();
};

extern TFRM_Tool_Affichage* FRM_Tool_Affichage;

// The FWHM log, open while CKB_Save_FWHM is on.
extern std::unique_ptr<TLog> FWHMLog;
