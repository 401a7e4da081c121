#pragma once

#include "app/form.h"
#include "ui_frm_wdm_control.h"

class TFRM_WDMControl : public TForm, public Ui::TFRM_WDMControl {
    Q_OBJECT
public:
    explicit TFRM_WDMControl(QWidget* parent = nullptr);
};

extern TFRM_WDMControl* FRM_WDMControl;
