#include "telescope/frm_tool_suivi.h"

TFRM_Tool_Suivi* FRM_Tool_Suivi = nullptr;

TFRM_Tool_Suivi::TFRM_Tool_Suivi(QWidget* parent) : TForm(parent)
{
    setupUi(this);
}
