#pragma once

#include "app/form.h"
#include "ui_frm_prg_action_ls.h"
#include <QTimer>

class TFRM_PRG_Action_LS : public TForm, public Ui::TFRM_PRG_Action_LS {
    Q_OBJECT
public:
    explicit TFRM_PRG_Action_LS(QWidget* parent = nullptr);
    QTimer* TMR_Restart_Guiding = nullptr;
};

extern TFRM_PRG_Action_LS* FRM_PRG_Action_LS;
