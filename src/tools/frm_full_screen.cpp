#include "tools/frm_full_screen.h"

TFRM_FullScreen* FRM_FullScreen = nullptr;
std::unique_ptr<kernels::Bitmap24> FullScreenZoom2, FullScreenZoom4;

TFRM_FullScreen::TFRM_FullScreen(QWidget* parent) : TForm(parent)
{
    setupUi(this);
}
