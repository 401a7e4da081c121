#pragma once

#include "app/form.h"
#include "ui_frm_full_screen.h"

#include "kernels/bitmap24.h"

#include <memory>

class TFRM_FullScreen : public TForm, public Ui::TFRM_FullScreen {
    Q_OBJECT
public:
    explicit TFRM_FullScreen(QWidget* parent = nullptr);
};

extern TFRM_FullScreen* FRM_FullScreen;

// The doubled and quadrupled result of the "Bilinear" modes, made by their
// menu items; null otherwise.
extern std::unique_ptr<kernels::Bitmap24> FullScreenZoom2, FullScreenZoom4;
