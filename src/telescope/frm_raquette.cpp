#include "telescope/frm_raquette.h"

TFRM_Raquette* FRM_Raquette = nullptr;

TFRM_Raquette::TFRM_Raquette(QWidget* parent) : TForm(parent)
{
    setupUi(this);
}
