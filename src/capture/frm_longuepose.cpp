#include "capture/frm_longuepose.h"

TFRM_Longuepose* FRM_Longuepose = nullptr;

TFRM_Longuepose::TFRM_Longuepose(QWidget* parent) : TForm(parent)
{
    setupUi(this);
}
