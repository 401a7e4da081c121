#pragma once

#include "app/form.h"
#include "ui_frm_pref.h"

class TFRM_Pref : public TForm, public Ui::TFRM_Pref {
    Q_OBJECT
public:
    explicit TFRM_Pref(QWidget* parent = nullptr);
};

extern TFRM_Pref* FRM_Pref;
