#include "tools/frm_full_screen.h"

TFRM_FullScreen* FRM_FullScreen = nullptr;

TFRM_FullScreen::TFRM_FullScreen(QWidget* parent) : TForm(parent)
{
    setupUi(this);
}
