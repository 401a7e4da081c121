#include "tools/frm_tool_affichage.h"

TFRM_Tool_Affichage* FRM_Tool_Affichage = nullptr;

TFRM_Tool_Affichage::TFRM_Tool_Affichage(QWidget* parent) : TForm(parent)
{
    setupUi(this);
}
