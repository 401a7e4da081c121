#pragma once

#include "app/form.h"
#include "ui_frm_object_action.h"

class TFRM_ObjectAction : public TForm, public Ui::TFRM_ObjectAction {
    Q_OBJECT
public:
    explicit TFRM_ObjectAction(QWidget* parent = nullptr);
};

extern TFRM_ObjectAction* FRM_ObjectAction;
