#include "scripting/frm_planificateur.h"

TFRM_Planificateur* FRM_Planificateur = nullptr;

TFRM_Planificateur::TFRM_Planificateur(QWidget* parent) : TForm(parent)
{
    setupUi(this);
}
