#pragma once

#include "app/form.h"
#include "ui_frm_tool_affichage.h"

class TFRM_Tool_Affichage : public TForm, public Ui::TFRM_Tool_Affichage {
    Q_OBJECT
public:
    explicit TFRM_Tool_Affichage(QWidget* parent = nullptr);
};

extern TFRM_Tool_Affichage* FRM_Tool_Affichage;
