#include "telescope/frm_sky.h"

TFRM_Sky* FRM_Sky = nullptr;

TFRM_Sky::TFRM_Sky(QWidget* parent) : TForm(parent)
{
    setupUi(this);
}
