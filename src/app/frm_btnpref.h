#pragma once

#include "app/form.h"
#include "ui_frm_btnpref.h"

class TFRM_BTNPref : public TForm, public Ui::TFRM_BTNPref {
    Q_OBJECT
public:
    explicit TFRM_BTNPref(QWidget* parent = nullptr);
};

extern TFRM_BTNPref* FRM_BTNPref;
