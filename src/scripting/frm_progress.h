#pragma once

#include "app/form.h"
#include "ui_frm_progress.h"

class TFRM_Progress : public TForm, public Ui::TFRM_Progress {
    Q_OBJECT
public:
    explicit TFRM_Progress(QWidget* parent = nullptr);

    // Shows the caption and the bar at the position: shows the window when
    // the position is above 0 and it is hidden; closes it when the position
    // reaches maximum - 1.
    void SetProgress(const QString& caption, int position, int maximum);
};

extern TFRM_Progress* FRM_Progress;
