#pragma once

#include "app/form.h"
#include "ui_frm_matdec.h"

class TFRM_Matdec : public TForm, public Ui::TFRM_Matdec {
    Q_OBJECT
public:
    explicit TFRM_Matdec(QWidget* parent = nullptr);
};

extern TFRM_Matdec* FRM_Matdec;
