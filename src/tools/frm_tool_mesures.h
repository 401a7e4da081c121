#pragma once

#include "app/form.h"
#include "ui_frm_tool_mesures.h"

class TFRM_Tool_Mesures : public TForm, public Ui::TFRM_Tool_Mesures {
    Q_OBJECT
public:
    explicit TFRM_Tool_Mesures(QWidget* parent = nullptr);
};

extern TFRM_Tool_Mesures* FRM_Tool_Mesures;
