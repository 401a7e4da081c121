#pragma once

#include "app/form.h"
#include "ui_frm_img_ref.h"

class TFRM_ImgRef : public TForm, public Ui::TFRM_ImgRef {
    Q_OBJECT
public:
    explicit TFRM_ImgRef(QWidget* parent = nullptr);
};

extern TFRM_ImgRef* FRM_ImgRef;
