#include "capture/frm_chargeseq.h"

TFRM_Chargeseq* FRM_Chargeseq = nullptr;

TFRM_Chargeseq::TFRM_Chargeseq(QWidget* parent) : TForm(parent)
{
    setupUi(this);
}
