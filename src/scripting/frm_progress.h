#pragma once

#include "app/form.h"
#include "ui_frm_progress.h"

class TFRM_Progress : public TForm, public Ui::TFRM_Progress {
    Q_OBJECT
public:
    explicit TFRM_Progress(QWidget* parent = nullptr);
};

extern TFRM_Progress* FRM_Progress;
