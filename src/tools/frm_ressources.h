#pragma once

#include "app/form.h"
#include "ui_frm_ressources.h"

class TFRM_Ressources : public TForm, public Ui::TFRM_Ressources {
    Q_OBJECT
public:
    explicit TFRM_Ressources(QWidget* parent = nullptr);
    ~TFRM_Ressources() override;
};

extern TFRM_Ressources* FRM_Ressources;
