#pragma once

#include "app/form.h"
#include "ui_frm_longuepose.h"

class TFRM_Longuepose : public TForm, public Ui::TFRM_Longuepose {
    Q_OBJECT
public:
    explicit TFRM_Longuepose(QWidget* parent = nullptr);
};

extern TFRM_Longuepose* FRM_Longuepose;
