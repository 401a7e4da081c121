#pragma once

#include "app/form.h"
#include "ui_frm_prg_action.h"
#include <QTimer>

class TFRM_Prg_Action : public TForm, public Ui::TFRM_Prg_Action {
    Q_OBJECT
public:
    explicit TFRM_Prg_Action(QWidget* parent = nullptr);
    QTimer* TMR_Restart_Detecting = nullptr;
};

extern TFRM_Prg_Action* FRM_Prg_Action;
