// Clicks on the main window's source views. A plain left click on the
// guided slot places the tracking zone, a plain right click on the current
// slot places the display zone. The other shift states (centring, manual
// corrections, measuring points) and the mouse moves come with the image
// mouse work.

#include "app/frm_alv.h"

#include "capture/camera_slots.h"
#include "imaging/display_zone.h"
#include "imaging/overlays.h"
#include "imaging/pipeline_state.h"
#include "imaging/process_frame.h"
#include "telescope/frm_tool_suivi.h"
#include "telescope/track_step.h"
#include "tools/frm_small.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"

#include <cmath>

namespace {

bool isPlainClick(int shift)
{
    return shift != 1 && shift != 2 && shift != 4 && shift != 5 && shift != 6;
}

bool slotIsLive(const TFRM_Alv& w, int slot)
{
    const TCameraSlot& s = CameraSlots[std::size_t(slot)];
    const QTimer* timer = slot == 1 ? w.Timer_Cam1 : w.Timer_Cam2;
    return (timer && timer->isActive()) || s.streamMode || s.sourceKind == 1 || s.sourceKind == 3;
}

void redraw(int slot)
{
    Align_V::ComputeDisplayZone(std::uint8_t(slot));
    if (SourceViewShown && ZoneFrameBitmap)
        Align_V::DrawZoneRect(*ZoneFrameBitmap, ZoneImageRect, 1);
    if (FRM_Small && FRM_Small->isVisible() && MiniZoneFrameBitmap)
        Align_V::DrawZoneRect(*MiniZoneFrameBitmap, MiniZoneImageRect, 1);
    std::uint8_t keep = 0;
    Align_V::ProcessFrame(1, keep, std::uint8_t(slot));
}

void sourceMouseUp(TFRM_Alv& w, int slot, int button, int shift, int x, int y)
{
    if (!slotIsLive(w, slot))
        return;
    PipelineActive = 1;
    const bool darkOrFlat = FRM_Tool_Images->CKB_Integration->isChecked()
                            && (FRM_Tool_Images->RDB_Dark->isChecked() || FRM_Tool_Images->RDB_Flat->isChecked());
    if (button == 0 && slot == GuideSourceSlot) {
        if (darkOrFlat || !isPlainClick(shift))
            return;
        const QPoint previous = TrackedStarPos;
        PreviousTrackedStarPos = TrackedStarPos;
        TrackedStarPos = QPoint(x, y);
        if (GuideSourceSlot == CurrentCameraSlot)
            DisplayZoneCenter = TrackedStarPos;
        TrackedStarPosF = QPointF(x, y);
        // The display zone stays where it was unless the zones are linked.
        if (!(FRM_Tool_Affichage->CKB_Zones_Liees->isChecked() || slot != CurrentCameraSlot)) {
            PreviousDisplayZoneOffset = DisplayZoneOffset;
            DisplayZoneOffset -= TrackedStarPos - previous;
        }
        if (FRM_Tool_Suivi->CKB_Suivi->isChecked()) {
            const int Z = int(std::trunc(double(FRM_Tool_Affichage->TNI_Taille_ZDetect->Value())));
            Align_V::TrackStep(x, y, Z, Z, 1, 0, std::uint8_t(slot), 0, TrackResult, 0);
        }
        redraw(slot);
    } else if (button == 1 && slot == CurrentCameraSlot) {
        if (darkOrFlat || !isPlainClick(shift))
            return;
        PreviousDisplayZoneOffset = DisplayZoneOffset;
        DisplayZoneOffset = QPoint(x, y) - DisplayZoneCenter;
        redraw(slot);
    }
}

} // namespace

void TFRM_Alv::Image1MouseUp(QObject*, int button, int shift, int x, int y)
{
    if (button >= 0 && button < 3)
        ImageMouseDown[button] = false;
    sourceMouseUp(*this, 1, button, shift, x, y);
}

void TFRM_Alv::Image2MouseUp(QObject*, int button, int shift, int x, int y)
{
    if (button >= 0 && button < 3)
        ImageMouseDown[button] = false;
    sourceMouseUp(*this, 2, button, shift, x, y);
}
