#pragma once

#include "app/form.h"
#include "ui_frm_chargeseq.h"

class TFRM_Chargeseq : public TForm, public Ui::TFRM_Chargeseq {
    Q_OBJECT
public:
    explicit TFRM_Chargeseq(QWidget* parent = nullptr);
};

extern TFRM_Chargeseq* FRM_Chargeseq;
