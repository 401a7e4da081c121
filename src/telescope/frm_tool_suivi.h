#pragma once

#include "app/form.h"
#include "ui_frm_tool_suivi.h"

class TFRM_Tool_Suivi : public TForm, public Ui::TFRM_Tool_Suivi {
    Q_OBJECT
public:
    explicit TFRM_Tool_Suivi(QWidget* parent = nullptr);

    // Picks a new guide star (comes with the guiding work).
    void BTN_FindBestClick() {}
};

extern TFRM_Tool_Suivi* FRM_Tool_Suivi;
