#pragma once

#include "app/form.h"
#include "ui_frm_recherche.h"

class TFRM_Recherche : public TForm, public Ui::TFRM_Recherche {
    Q_OBJECT
public:
    explicit TFRM_Recherche(QWidget* parent = nullptr);
};

extern TFRM_Recherche* FRM_Recherche;
