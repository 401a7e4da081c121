#pragma once

#include "app/form.h"
#include "ui_frm_small.h"

class TFRM_Small : public TForm, public Ui::TFRM_Small {
    Q_OBJECT
public:
    explicit TFRM_Small(QWidget* parent = nullptr);
};

extern TFRM_Small* FRM_Small;
