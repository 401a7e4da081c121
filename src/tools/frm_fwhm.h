#pragma once
// The large read-out of the focusing aid: the measure, the trend lights and
// the two graphs drawn by the tracking step.

#include "app/form.h"
#include "ui_frm_fwhm.h"

class TFRM_FWHM : public TForm, public Ui::TFRM_FWHM {
    Q_OBJECT
public:
    explicit TFRM_FWHM(QWidget* parent = nullptr);

    // Closing the window by its frame unchecks the display tool's box.
    void FormCloseQuery(bool& canClose) override;
};

extern TFRM_FWHM* FRM_FWHM;
