#include "tools/frm_matdec.h"

TFRM_Matdec* FRM_Matdec = nullptr;

TFRM_Matdec::TFRM_Matdec(QWidget* parent) : TForm(parent)
{
    setupUi(this);
}
