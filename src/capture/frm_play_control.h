#pragma once

#include "app/form.h"
#include "ui_frm_play_control.h"

class TFRM_PlayControl : public TForm, public Ui::TFRM_PlayControl {
    Q_OBJECT
public:
    explicit TFRM_PlayControl(QWidget* parent = nullptr);
};

extern TFRM_PlayControl* FRM_PlayControl;
