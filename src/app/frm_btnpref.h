#pragma once
// The properties of one function button: script, picture and hint. The main
// window fills it from ScriptButtons and chooses the edited button before
// showing it; "Ok" rewrites the whole collection file.

#include "app/form.h"
#include "ui_frm_btnpref.h"

class TFRM_BTNPref : public TForm, public Ui::TFRM_BTNPref {
    Q_OBJECT
public:
    explicit TFRM_BTNPref(QWidget* parent = nullptr);

    void BBTN_ScriptClick();
    void BBTN_IconeClick();
    void SPDB_ScriptsClick();
    void BTN_OkClick();
    void BTN_AnnulerClick();
    // Any way of closing forgets the edited button.
    void FormClose(TCloseAction& action) override;
};

extern TFRM_BTNPref* FRM_BTNPref;
