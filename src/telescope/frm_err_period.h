#pragma once

#include "app/form.h"
#include "ui_frm_err_period.h"

class TFRM_ErrPeriod : public TForm, public Ui::TFRM_ErrPeriod {
    Q_OBJECT
public:
    explicit TFRM_ErrPeriod(QWidget* parent = nullptr);
};

extern TFRM_ErrPeriod* FRM_ErrPeriod;
