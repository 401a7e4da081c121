#pragma once

#include "app/form.h"
#include "ui_frm_fwhm.h"

class TFRM_FWHM : public TForm, public Ui::TFRM_FWHM {
    Q_OBJECT
public:
    explicit TFRM_FWHM(QWidget* parent = nullptr);
};

extern TFRM_FWHM* FRM_FWHM;
