#include "scripting/frm_progress.h"

TFRM_Progress* FRM_Progress = nullptr;

TFRM_Progress::TFRM_Progress(QWidget* parent) : TForm(parent)
{
    setupUi(this);
}

void TFRM_Progress::SetProgress(const QString& caption, int position, int maximum)
{
    setWindowTitle(caption);
    ProgressBar1->setMaximum(maximum);
    ProgressBar1->setValue(position);
    if (position > 0 && isHidden())
        show();
    if (position >= maximum - 1)
        close();
}
