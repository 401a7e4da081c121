#include "telescope/frm_object_action.h"

TFRM_ObjectAction* FRM_ObjectAction = nullptr;

TFRM_ObjectAction::TFRM_ObjectAction(QWidget* parent) : TForm(parent)
{
    setupUi(this);
}
