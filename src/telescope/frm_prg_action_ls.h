#pragma once
// What the loss of the guide star does during guiding: a sound, stopping
// guiding (restarted after a delay if wished), a new guide star, a script.
// The actions themselves run in Align_V::RunLostStarActions.

#include "app/form.h"
#include "ui_frm_prg_action_ls.h"
#include <QTimer>

class TFRM_PRG_Action_LS : public TForm, public Ui::TFRM_PRG_Action_LS {
    Q_OBJECT
public:
    explicit TFRM_PRG_Action_LS(QWidget* parent = nullptr);
    QTimer* TMR_Restart_Guiding = nullptr;

public slots:
    void BTN_ChargeSonClick();
    void CKB_Jouer_un_sonClick();
    void EDT_Son_a_jouerChange();
    void CKB_Lost_Star_ExecuteScriptClick();
    void EDT_Lost_Star_ScriptChange();
    void BBTN_Lost_Star_ScriptClick();
    void TMR_Restart_GuidingTimer();
    void BTN_OkClick();
};

extern TFRM_PRG_Action_LS* FRM_PRG_Action_LS;
