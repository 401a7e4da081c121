#pragma once

#include "app/form.h"
#include "ui_frm_com_trafic.h"

class TFRM_ComTrafic : public TForm, public Ui::TFRM_ComTrafic {
    Q_OBJECT
public:
    explicit TFRM_ComTrafic(QWidget* parent = nullptr);
};

extern TFRM_ComTrafic* FRM_ComTrafic;
