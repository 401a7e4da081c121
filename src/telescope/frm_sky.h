#pragma once

#include "app/form.h"
#include "ui_frm_sky.h"

class TFRM_Sky : public TForm, public Ui::TFRM_Sky {
    Q_OBJECT
public:
    explicit TFRM_Sky(QWidget* parent = nullptr);
};

extern TFRM_Sky* FRM_Sky;
