#pragma once

#include "app/form.h"
#include "ui_frm_info.h"

class TFRM_Info : public TForm, public Ui::TFRM_Info {
    Q_OBJECT
public:
    explicit TFRM_Info(QWidget* parent = nullptr);
};

extern TFRM_Info* FRM_Info;
