#include "telescope/frm_detect_mvt.h"

TFRM_Detect_Mvt* FRM_Detect_Mvt = nullptr;

TFRM_Detect_Mvt::TFRM_Detect_Mvt(QWidget* parent) : TForm(parent)
{
    setupUi(this);
}
