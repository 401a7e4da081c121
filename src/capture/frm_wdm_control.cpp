#include "capture/frm_wdm_control.h"

TFRM_WDMControl* FRM_WDMControl = nullptr;

TFRM_WDMControl::TFRM_WDMControl(QWidget* parent) : TForm(parent)
{
    setupUi(this);
}
