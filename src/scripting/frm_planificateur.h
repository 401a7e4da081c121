#pragma once

#include "app/form.h"
#include "ui_frm_planificateur.h"

class TFRM_Planificateur : public TForm, public Ui::TFRM_Planificateur {
    Q_OBJECT
public:
    explicit TFRM_Planificateur(QWidget* parent = nullptr);
};

extern TFRM_Planificateur* FRM_Planificateur;
