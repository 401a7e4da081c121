#pragma once

#include "app/form.h"
#include "ui_frm_scr_cmd.h"

class TFRM_ScrCmd : public TForm, public Ui::TFRM_ScrCmd {
    Q_OBJECT
public:
    explicit TFRM_ScrCmd(QWidget* parent = nullptr);
};

extern TFRM_ScrCmd* FRM_ScrCmd;
