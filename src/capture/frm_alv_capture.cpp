// The main window's camera-slot commands that its start-up and close use.

#include "app/frm_alv.h"
#include "capture/camera_slots.h"
#include "imaging/pipeline_state.h"

namespace {

void stopSlot(TFRM_Alv& w, int slot)
{
    QTimer* timer = slot == 1 ? w.Timer_Cam1 : w.Timer_Cam2;
    timer->stop();
    CameraSlots[slot].captureInProgress = 0;
    CameraSlots[slot].hasCaptureWindow = false;
    PipelineActive = 0;
    (slot == 1 ? w.MNU_Cam1_Arreter : w.MNU_Cam2_Arreter)->setEnabled(false);
    (slot == 1 ? w.MNU_Cam1_Demarrer : w.MNU_Cam2_Demarrer)->setEnabled(true);
}

} // namespace

void TFRM_Alv::MNU_Cam1_ArreterClick()
{
    step(QStringLiteral("MNU_Cam1_ArreterClick"));
    stopSlot(*this, 1);
}

void TFRM_Alv::MNU_Cam2_ArreterClick()
{
    step(QStringLiteral("MNU_Cam2_ArreterClick"));
    stopSlot(*this, 2);
}

void TFRM_Alv::StopCaptureWindow(int slot)
{
    // The capture window's own stop; the grab family clears the flag.
    CameraSlots[slot].captureInProgress = 0;
}
