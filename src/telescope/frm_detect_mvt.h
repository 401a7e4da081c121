#pragma once

#include "app/form.h"
#include "ui_frm_detect_mvt.h"

class TFRM_Detect_Mvt : public TForm, public Ui::TFRM_Detect_Mvt {
    Q_OBJECT
public:
    explicit TFRM_Detect_Mvt(QWidget* parent = nullptr);
};

extern TFRM_Detect_Mvt* FRM_Detect_Mvt;
