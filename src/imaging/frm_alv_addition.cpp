// The main window's side of the addition: the result-image size for the
// display zone, the integration switch and stop that the capture services
// call, and the software binning menus.

#include "app/frm_alv.h"

#include "app/ui/control_adapters.h"
#include "app/ui/event_boundary.h"
#include "capture/camera_slots.h"
#include "imaging/addition.h"
#include "imaging/display_helpers.h"
#include "imaging/display_zone.h"
#include "imaging/pipeline_state.h"
#include "imaging/process_frame.h"
#include "imaging/result_render.h"
#include "tools/frm_full_screen.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"
#include "tools/util_images.h"

#include <algorithm>
#include <cmath>

namespace {

// The size of a saved result image: the pixels and the 368 bytes of its
// headers.
std::int64_t savedImageBytes(const QSize& size)
{
    return std::int64_t(size.width()) * size.height() * 3 + 368;
}

} // namespace

void TFRM_Alv::ConnectAdditionHandlers()
{
    app::bindMenuItemClick(MNU_Cam1_Binning_1x1, this, &TFRM_Alv::MNU_Cam1_Binning_1x1Click);
    app::bindMenuItemClick(MNU_Cam1_Binning_2x2, this, &TFRM_Alv::MNU_Cam1_Binning_2x2Click);
    app::bindMenuItemClick(MNU_Cam2_Binning_1x1, this, &TFRM_Alv::MNU_Cam2_Binning_1x1Click);
    app::bindMenuItemClick(MNU_Cam2_Binning_2x2, this, &TFRM_Alv::MNU_Cam2_Binning_2x2Click);
    // The full-screen view follows the result view whatever draws it: a
    // frame, an option's handler, a reset, a new size.
    connect(Image3, &TImageView::PictureChanged, this, [] { Align_V::ShowResultFullScreenSoon(); });
}

void TFRM_Alv::CKB_IntegrationClick()
{
    if (FRM_Tool_Images)
        FRM_Tool_Images->CKB_IntegrationClick();
}

void TFRM_Alv::BTN_Arreter_AddClick()
{
    if (FRM_Tool_Images)
        FRM_Tool_Images->BTN_Arreter_AddClick();
}

void TFRM_Alv::SCB_Taille_ZAffichChange()
{
    auto* a = FRM_Tool_Affichage;
    if (!a)
        return;
    const std::uint8_t slot = CurrentCameraSlot == 2 ? 2 : 1;
    ZoneMoved = 1;
    a->TNI_Taille_ZAffich->SetValue(
        std::clamp<long double>(a->SCB_Taille_ZAffich->value(), a->TNI_Taille_ZAffich->Min(), a->TNI_Taille_ZAffich->Max()));

    const double zone = double(a->TNI_Taille_ZAffich->Value());
    const double ratio = Align_V::GetDisplayRatio(a->SCB_Taille_ZAffich->value(), a->SCB_Taille_ZAffichV->value());
    const QSize size = Align_V::ComputeZoneSize(slot, a->CKB_DoubleEnreg->isChecked(), zone, ratio,
                                                Align_V::CurrentBinning());
    Image3->SetPictureSize(size.width(), size.height());
    Image3->resize(size);
    if (ResultBitmap)
        ResultBitmap->resize(size.width(), size.height());

    Align_V::RedrawDisplayZone(slot);
    Align_V::ShowMemoryStatus();
    if (FRM_Tool_Images)
        FRM_Tool_Images->EDT_Taille_Fichier->setText(QString::number(savedImageBytes(size)));
    if (FRM_FullScreen && MNU_PleinEcran->isChecked()) {
        // Shown, the full-screen picture takes the zone's shape again, whatever
        // changed it: a free zone's own, or the screen's once the ratio has
        // gone back to it.
        FRM_FullScreen->FormResize();
    } else if (FRM_FullScreen) {
        TImageView* full = FRM_FullScreen->IMG_FullScreen;
        full->SetPictureSize(std::max(full->width(), 1), std::max(full->height(), 1));
    }
    // Resized, the result view and the full-screen view are blank: a stack
    // that has ended is drawn again, as no frame will.
    Align_V::RedrawResultAtItsSize();
}

namespace {

void binning(TFRM_Alv& w, int slot, bool twoByTwo)
{
    QAction* one = slot == 1 ? w.MNU_Cam1_Binning_1x1 : w.MNU_Cam2_Binning_1x1;
    QAction* two = slot == 1 ? w.MNU_Cam1_Binning_2x2 : w.MNU_Cam2_Binning_2x2;
    one->setChecked(!twoByTwo);
    two->setChecked(twoByTwo);
    w.SCB_Taille_ZAffichChange();
    if (twoByTwo) {
        Util_Images::EnableLevelControls(true);
    } else {
        // The other slot's binning and either slot's long exposure still
        // need the levels.
        const QAction* otherTwo = slot == 1 ? w.MNU_Cam2_Binning_2x2 : w.MNU_Cam1_Binning_2x2;
        Util_Images::DisableLevelControlsUnlessUsed({otherTwo, w.MNU_Cam1_PoseLongue, w.MNU_Cam2_Poselongue});
    }
    std::uint8_t keep = 0;
    Align_V::ProcessFrame(1, keep, CurrentCameraSlot);
}

} // namespace

void TFRM_Alv::MNU_Cam1_Binning_1x1Click() { binning(*this, 1, false); }
void TFRM_Alv::MNU_Cam1_Binning_2x2Click() { binning(*this, 1, true); }
void TFRM_Alv::MNU_Cam2_Binning_1x1Click() { binning(*this, 2, false); }
void TFRM_Alv::MNU_Cam2_Binning_2x2Click() { binning(*this, 2, true); }
