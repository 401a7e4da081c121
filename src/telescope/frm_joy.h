#pragma once

#include "app/form.h"
#include "ui_frm_joy.h"

class TfrmJoy : public TForm, public Ui::TfrmJoy {
    Q_OBJECT
public:
    explicit TfrmJoy(QWidget* parent = nullptr);
};

extern TfrmJoy* frmJoy;
