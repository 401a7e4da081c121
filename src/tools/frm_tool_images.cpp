#include "tools/frm_tool_images.h"

TFRM_Tool_Images* FRM_Tool_Images = nullptr;

TFRM_Tool_Images::TFRM_Tool_Images(QWidget* parent) : TForm(parent)
{
    setupUi(this);
}
