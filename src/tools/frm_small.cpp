#include "tools/frm_small.h"

TFRM_Small* FRM_Small = nullptr;

TFRM_Small::TFRM_Small(QWidget* parent) : TForm(parent)
{
    setupUi(this);
}
