#include "app/frm_pref.h"

TFRM_Pref* FRM_Pref = nullptr;

TFRM_Pref::TFRM_Pref(QWidget* parent) : TForm(parent)
{
    setupUi(this);
}
