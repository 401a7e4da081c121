#include "tools/frm_info.h"

TFRM_Info* FRM_Info = nullptr;

TFRM_Info::TFRM_Info(QWidget* parent) : TForm(parent)
{
    setupUi(this);
}
