#include "tools/frm_tool_affichage.h"

#include "app/log.h"
#include "capture/camera_slots.h"
#include "imaging/display_zone.h"

#include <algorithm>
#include <cmath>

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

void TFRM_Tool_Affichage::SCB_Taille_ZAffichScroll(QObject*, int scrollCode, int& scrollPos)
{
    if (scrollCode == 8) {
        scrollPos = int(std::trunc(double(TNI_Taille_ZAffich->Value())));
        return;
    }
    const int w = std::clamp(scrollPos, SCB_Taille_ZAffich->minimum(), SCB_Taille_ZAffich->maximum());
    SCB_Taille_ZAffich->setValue(w);
    TNI_Taille_ZAffich->SetValue(std::clamp<long double>(w, TNI_Taille_ZAffich->Min(), TNI_Taille_ZAffich->Max()));
    Align_V::ComputeDisplayZone(CurrentCameraSlot);
}
