#pragma once

#include "app/form.h"
#include "ui_frm_input.h"

class TFRM_Input : public TForm, public Ui::TFRM_Input {
    Q_OBJECT
public:
    explicit TFRM_Input(QWidget* parent = nullptr);
};

extern TFRM_Input* FRM_Input;
