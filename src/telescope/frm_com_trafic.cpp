#include "telescope/frm_com_trafic.h"

TFRM_ComTrafic* FRM_ComTrafic = nullptr;

TFRM_ComTrafic::TFRM_ComTrafic(QWidget* parent) : TForm(parent)
{
    setupUi(this);
}
