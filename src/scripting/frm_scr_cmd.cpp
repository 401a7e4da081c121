#include "scripting/frm_scr_cmd.h"

TFRM_ScrCmd* FRM_ScrCmd = nullptr;

TFRM_ScrCmd::TFRM_ScrCmd(QWidget* parent) : TForm(parent)
{
    setupUi(this);
}
