#include "tools/frm_tool_images.h"

#include "imaging/display_helpers.h"
#include "imaging/pipeline_state.h"

TFRM_Tool_Images* FRM_Tool_Images = nullptr;
bool AviTypeListed = false;

TFRM_Tool_Images::TFRM_Tool_Images(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    ConnectSavingHandlers();
}

TFRM_Tool_Images::~TFRM_Tool_Images() = default;

void TFRM_Tool_Images::AddAviFileType()
{
    if (AviTypeListed)
        return;
    CBX_TypeFichier->addItem(QStringLiteral("AVI"));
    AviTypeListed = true;
}

void TFRM_Tool_Images::BTN_ShowStarsClick() {}

void TFRM_Tool_Images::BTN_Arreter_AddClick()
{
    // frm_tool_images_stacking.cpp
    stopOrLetTheScriptGoOn();
}
