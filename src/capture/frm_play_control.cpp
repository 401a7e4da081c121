#include "capture/frm_play_control.h"

TFRM_PlayControl* FRM_PlayControl = nullptr;

TFRM_PlayControl::TFRM_PlayControl(QWidget* parent) : TForm(parent)
{
    setupUi(this);
}
