#include "scripting/frm_progress.h"

TFRM_Progress* FRM_Progress = nullptr;

TFRM_Progress::TFRM_Progress(QWidget* parent) : TForm(parent)
{
    setupUi(this);
}
