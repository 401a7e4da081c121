// The main window's handling of a new frame size of a camera slot.

#include "app/frm_alv.h"

#include "app/settings.h"
#include "capture/camera_slots.h"
#include "imaging/overlays.h"
#include "imaging/pipeline_state.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"
#include "tools/frm_tool_mesures.h"

#include <algorithm>
#include <cmath>

void TFRM_Alv::SetSourceDimensions(int slot)
{
    if (slot != 1 && slot != 2)
        return;
    const int W = std::clamp(CameraSlots[std::size_t(slot)].width, 0, kSlotBitmapSize);
    const int H = std::clamp(CameraSlots[std::size_t(slot)].height, 0, kSlotBitmapSize);
    TImageView* view = slot == 1 ? Image1 : Image2;
    auto* a = FRM_Tool_Affichage;
    // A running addition ends first and keeps what it built: the zone and
    // the result change size, and the frames processed again below (cleared
    // ones) are no frames of the camera.
    if (FRM_Tool_Images && FRM_Tool_Images->BTN_Arreter_Add->isEnabled())
        BTN_Arreter_AddClick();
    if (!a->RDB_Ratio_Libre->isChecked() && H > 0)
        FrameAspect = double(W) / H;
    view->resize(W, H);
    view->SetPictureSize(W, H);
    // The image scale and field for the new frame (the field from its size),
    // and the reticle graduated at that scale.
    if (FRM_Tool_Mesures) {
        FRM_Tool_Mesures->TNI_Lx->SetValue(W);
        FRM_Tool_Mesures->TNI_Ly->SetValue(H);
        Settings::SetAngleUnitCaptions(slot);
        FRM_Tool_Mesures->CKB_ReticuleClick();
    }
    const int detectMax = std::min(480, std::max(1, W));
    a->SCB_Taille_ZDetect->setMaximum(detectMax);
    a->TNI_Taille_ZDetect->SetValue(std::min<long double>(std::trunc(double(a->TNI_Taille_ZDetect->Value())), detectMax));
    a->SCB_Taille_ZAffich->setMaximum(std::max(W, a->SCB_Taille_ZAffich->minimum()));
    a->SCB_Taille_ZAffichV->setMaximum(std::max(H, a->SCB_Taille_ZAffichV->minimum()));
    if (slot == 1)
        Align_V::ClearImage1();
    else
        Align_V::ClearImage2();
    Align_V::ClearSlotBitmap(slot, 0);
    Align_V::ClearSlotBitmap(slot, 2);

    // A tracked star outside the new frame comes back d + 1 pixels inside
    // its edge, and never outside the frame however large the zone.
    const int d = a->SCB_Taille_ZDetect->value() / 2;
    int x = TrackedStarPos.x(), y = TrackedStarPos.y();
    if (x > W - 1)
        x = std::clamp(W - d - 1, 0, std::max(W - 1, 0));
    if (y > H - 1)
        y = std::clamp(H - d - 1, 0, std::max(H - 1, 0));
    if (slot == 1)
        Image1MouseUp(this, 0, 0, x, y);
    else
        Image2MouseUp(this, 0, 0, x, y);

    if (a->SCB_Taille_ZAffich->value() > W)
        a->SCB_Taille_ZAffich->setValue(W);
    int pos = W;
    a->SCB_Taille_ZAffichScroll(this, 4, pos);
}
