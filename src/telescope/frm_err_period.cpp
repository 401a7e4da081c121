#include "telescope/frm_err_period.h"

TFRM_ErrPeriod* FRM_ErrPeriod = nullptr;

TFRM_ErrPeriod::TFRM_ErrPeriod(QWidget* parent) : TForm(parent)
{
    setupUi(this);
}
