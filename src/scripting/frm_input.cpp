#include "scripting/frm_input.h"

TFRM_Input* FRM_Input = nullptr;

TFRM_Input::TFRM_Input(QWidget* parent) : TForm(parent)
{
    setupUi(this);
}
