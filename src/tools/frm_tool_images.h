#pragma once

#include "app/form.h"
#include "ui_frm_tool_images.h"

class TFRM_Tool_Images : public TForm, public Ui::TFRM_Tool_Images {
    Q_OBJECT
public:
    explicit TFRM_Tool_Images(QWidget* parent = nullptr);
};

extern TFRM_Tool_Images* FRM_Tool_Images;
