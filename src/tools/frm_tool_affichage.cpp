#include "tools/frm_tool_affichage.h"

#include "app/frm_alv.h"
#include "app/log.h"
#include "app/ui/control_adapters.h"
#include "capture/camera_slots.h"
#include "imaging/display_zone.h"
#include "kernels/rounding.h"

#include <algorithm>
#include <cmath>

TFRM_Tool_Affichage* FRM_Tool_Affichage = nullptr;
std::unique_ptr<TLog> FWHMLog;
std::uint8_t GuideSourceSlot = 1;

TFRM_Tool_Affichage::TFRM_Tool_Affichage(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    app::bindComboChange(CBX_Cam1_IPS, this, &TFRM_Tool_Affichage::CBX_Cam1_IPSChange);
    app::bindComboChange(CBX_Cam2_IPS, this, &TFRM_Tool_Affichage::CBX_Cam2_IPSChange);
}

namespace {

void applyRateChoice(int slot, QComboBox* choice, QScrollBar* bar, TNumInp* interval)
{
    QTimer* timer = FRM_Alv ? (slot == 1 ? FRM_Alv->Timer_Cam1 : FRM_Alv->Timer_Cam2) : nullptr;
    const QString text = choice->currentText();
    if (text == QLatin1String("Auto")) {
        const auto kind = CameraSlots[slot].sourceKind;
        if (kind == 1 || kind == 3) {
            CameraSlots[slot].frameHandOver = 1;
            if (timer)
                timer->stop();
        }
        return;
    }
    CameraSlots[slot].frameHandOver = 0;
    if (text == QLatin1String("Custom")) {
        bar->setEnabled(true);
        interval->SetValue(bar->value());
    } else {
        bool ok = false;
        const int f = text.toInt(&ok);
        if (!ok || f <= 0)
            return;
        bar->setEnabled(false);
        interval->SetValue(1000 / f);
    }
    if (timer) {
        timer->setInterval(static_cast<int>(kernels::roundHalfEvenToInt(static_cast<double>(interval->Value()) - 0.5)));
        timer->start();
    }
}

} // namespace

void TFRM_Tool_Affichage::CBX_Cam1_IPSChange()
{
    applyRateChoice(1, CBX_Cam1_IPS, SCB_Cam1_Tps_Rafraichissement, TNI_Cam1_Tps_Rafraichissement);
}

void TFRM_Tool_Affichage::CBX_Cam2_IPSChange()
{
    applyRateChoice(2, CBX_Cam2_IPS, SCB_Cam2_Tps_Rafraichissement, TNI_Cam2_Tps_Rafraichissement);
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
    // The result image takes the new size.
    if (FRM_Alv)
        FRM_Alv->SCB_Taille_ZAffichChange();
}
