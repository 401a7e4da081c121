#include "imaging/frame_pipeline_seam.h"

#include "app/frm_alv.h"
#include "imaging/pipeline_state.h"

QPoint ZoneAnchor;
QPoint PreviousTrackedStarPos;
std::uint8_t ZoneResetPending = 1;
std::uint8_t GuideSourceSlot = 1;
bool ZoneChanged = false;
std::int32_t AdditionFrameNumber = 0;

namespace Align_V {

void ProcessFrame(std::uint8_t render, std::uint8_t& accept, std::uint8_t slot)
{
    accept = 0;
    if ((slot != 1 && slot != 2) || !SlotBitmaps[slot][0] || !FRM_Alv)
        return;
    accept = 1;
    if (render)
        (slot == 1 ? FRM_Alv->Image1 : FRM_Alv->Image2)->SetPicture(SlotBitmaps[slot][0]->view().copy());
}

void ComputeDisplayZone(int) {}

void ClearImage3()
{
    if (FRM_Alv)
        FRM_Alv->Image3->Clear();
}

void ClearAdditionPlane(int) {}

} // namespace Align_V
