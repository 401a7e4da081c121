#pragma once

#include "app/form.h"
#include "ui_frm_prg_suivi.h"
#include <QTimer>

class TFRM_Prg_Suivi : public TForm, public Ui::TFRM_Prg_Suivi {
    Q_OBJECT
public:
    explicit TFRM_Prg_Suivi(QWidget* parent = nullptr);
    QTimer* TMR_Suivi_AD = nullptr;
    QTimer* TMR_Suivi_Dec = nullptr;
};

extern TFRM_Prg_Suivi* FRM_Prg_Suivi;
