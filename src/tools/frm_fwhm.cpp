#include "tools/frm_fwhm.h"

TFRM_FWHM* FRM_FWHM = nullptr;

TFRM_FWHM::TFRM_FWHM(QWidget* parent) : TForm(parent)
{
    setupUi(this);
}
