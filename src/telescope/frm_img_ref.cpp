#include "telescope/frm_img_ref.h"

TFRM_ImgRef* FRM_ImgRef = nullptr;

TFRM_ImgRef::TFRM_ImgRef(QWidget* parent) : TForm(parent)
{
    setupUi(this);
}
