#pragma once

#include "app/form.h"
#include "ui_frm_raquette.h"

class TFRM_Raquette : public TForm, public Ui::TFRM_Raquette {
    Q_OBJECT
public:
    explicit TFRM_Raquette(QWidget* parent = nullptr);
};

extern TFRM_Raquette* FRM_Raquette;
