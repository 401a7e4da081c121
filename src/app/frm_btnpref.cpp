#include "app/frm_btnpref.h"

TFRM_BTNPref* FRM_BTNPref = nullptr;

TFRM_BTNPref::TFRM_BTNPref(QWidget* parent) : TForm(parent)
{
    setupUi(this);
}
