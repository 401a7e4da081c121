#include "tools/frm_tool_affichage.h"

#include "app/log.h"

TFRM_Tool_Affichage* FRM_Tool_Affichage = nullptr;
std::unique_ptr<TLog> FWHMLog;
std::uint8_t GuideSourceSlot = 1;

TFRM_Tool_Affichage::TFRM_Tool_Affichage(QWidget* parent) : TForm(parent)
{
    setupUi(this);
}

void TFRM_Tool_Affichage::CKB_Save_FWHMClick()
{
    // The log's columns come with the focusing tool; here its life only.
    if (!CKB_Save_FWHM->isChecked())
        FWHMLog.reset();
}
