#include "tools/frm_ressources.h"

TFRM_Ressources* FRM_Ressources = nullptr;

TFRM_Ressources::TFRM_Ressources(QWidget* parent) : TForm(parent)
{
    setupUi(this);
}
