#include "scripting/frm_progress.h"

#include <QtGlobal>

TFRM_Progress* FRM_Progress = nullptr;

TFRM_Progress::TFRM_Progress(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    setWindowFlag(Qt::Tool);
    PGB_Progression->setRange(0, 100);
    setFixedSize(323, 21);
}

void TFRM_Progress::SetProgress(const QString& caption, int position, int maximum)
{
    setWindowTitle(caption);
    // The bar ignores values outside its range; a stray position shows as
    // an empty or a full bar instead.
    PGB_Progression->setValue(qBound(PGB_Progression->minimum(), position, PGB_Progression->maximum()));
    if (qint64(position) >= qint64(maximum) - 1) {
        if (isVisible())
            close();
    } else if (position > 0 && isHidden()) {
        show();
    }
}
