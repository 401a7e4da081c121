#include "tools/frm_tool_mesures.h"

TFRM_Tool_Mesures* FRM_Tool_Mesures = nullptr;

TFRM_Tool_Mesures::TFRM_Tool_Mesures(QWidget* parent) : TForm(parent)
{
    setupUi(this);
}
