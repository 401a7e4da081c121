#pragma once

#include "app/form.h"
#include "ui_frm_full_screen.h"

class TFRM_FullScreen : public TForm, public Ui::TFRM_FullScreen {
    Q_OBJECT
public:
    explicit TFRM_FullScreen(QWidget* parent = nullptr);
};

extern TFRM_FullScreen* FRM_FullScreen;
