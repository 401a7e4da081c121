#include "telescope/frm_recherche.h"

TFRM_Recherche* FRM_Recherche = nullptr;

TFRM_Recherche::TFRM_Recherche(QWidget* parent) : TForm(parent)
{
    setupUi(this);
}
