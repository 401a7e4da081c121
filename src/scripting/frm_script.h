#pragma once

#include "app/form.h"
#include "ui_frm_script.h"
#include <QTimer>

class TFRM_Script : public TForm, public Ui::TFRM_Script {
    Q_OBJECT
public:
    explicit TFRM_Script(QWidget* parent = nullptr);
    QTimer* TMR_Script = nullptr;

    // One line of the running script per tick.
    void TMR_ScriptTimer();
};

extern TFRM_Script* FRM_Script;
