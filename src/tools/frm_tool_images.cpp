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
    if (RDB_Boucle->isChecked() && FrameRingAllocated) {
        Align_V::FreeFrameRing(FrameRingCount);
        FrameRingCount = 0;
        FrameRingAllocated = false;
    }
    for (QWidget* w : std::initializer_list<QWidget*>{BTN_Reset_Add, BTN_Demarrer_Add, RDB_Unique, RDB_Boucle,
                                                       RDB_Dark, RDB_Flat, SPED_Nb_Bitmap, CKB_Integration})
        w->setEnabled(true);
    BTN_Arreter_Add->setEnabled(false);
}
