#pragma once
// Motion detection: the switch, the level and count thresholds, the
// brightness condition, and the way to the reference image and to the
// actions. The per-frame test itself is Align_V::MotionCompare.

#include "app/form.h"
#include "ui_frm_detect_mvt.h"

class TFRM_Detect_Mvt : public TForm, public Ui::TFRM_Detect_Mvt {
    Q_OBJECT
public:
    explicit TFRM_Detect_Mvt(QWidget* parent = nullptr);

    // Unchecks CKB_Detection_Mvt for a detection action ("Arrêter la
    // détection"): a capture sequence that runs, perhaps just started by
    // the same action, keeps running.
    void SwitchOffByAction();

public slots:
    void CKB_Detection_MvtClick();
    void SCB_Seuil_Detection_NiveauChange();
    void SCB_Seuil_Detection_NbreChange();
    void BTN_ImageRefClick();
    void BTN_Def_ActionClick();

private:
    bool keepSequence_ = false;
};

extern TFRM_Detect_Mvt* FRM_Detect_Mvt;
