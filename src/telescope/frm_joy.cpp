#include "telescope/frm_joy.h"

TfrmJoy* frmJoy = nullptr;

TfrmJoy::TfrmJoy(QWidget* parent) : TForm(parent)
{
    setupUi(this);
}
