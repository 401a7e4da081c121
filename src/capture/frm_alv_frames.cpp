// The main window's frame road: the frame announcements of stream and
// plug-in cameras, the two frame timers that hand every frame to the
// per-frame routine (frame rate, sequence saving, hand-shake), and the wheel.

#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "app/ui/event_boundary.h"
#include "capture/camera_slots.h"
#include "capture/capture_helpers.h"
#include "capture/file_sources.h"
#include "capture/frame_messages.h"
#include "capture/frame_timers.h"
#include "capture/long_exposure.h"
#include "capture/slot_sources.h"
#include "capture/wdm_capture.h"
#include "imaging/display_helpers.h"
#include "imaging/display_zone.h"
#include "imaging/overlays.h"
#include "imaging/process_frame.h"
#include "imaging/pipeline_state.h"
#include "kernels/frame_copy.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"

#include <QCheckBox>
#include <QWheelEvent>
#include <algorithm>

bool TFRM_Alv::event(QEvent* e)
{
    for (int slot = 1; slot <= 2; ++slot) {
        const QEvent::Type type = FrameMessages::FrameMessage(slot);
        if (type != QEvent::None && e->type() == type) {
            app::runGuarded(QStringLiteral("Frame%1").arg(slot), [&] { FrameMessageArrived(slot); });
            return true;
        }
    }
    if (e->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(e);
        app::runGuarded(QStringLiteral("MouseWheel"), [&] { MouseWheel(wheel->angleDelta().y()); });
        wheel->accept();
        return true;
    }
    return TForm::event(e);
}

void TFRM_Alv::FrameMessageArrived(int slot)
{
    auto& handOver = PluginFrameBitmaps[slot];
    const auto& s = CameraSlots[slot];
    // The image of a plug-in exposure is never lost, even inside a tick.
    const bool exposureImage = s.sourceKind == 3 && PluginExposurePending && LongExposureRunning[slot];
    // A file source playing on the slot owns its live bitmap: the frames of
    // a camera still open there are dismissed, and an exposure's image ends
    // its exposure without one.
    if (FileSources::PlaysOn(slot)) {
        handOver.take(nullptr);
        if (exposureImage)
            PluginExposureImage(slot, false);
        return;
    }
    if (s.sourceKind == 0 && s.streamMode) {
        VideoStreamCallback(slot);   // a grab device's capture sequence
        return;
    }
    const bool streamed = s.sourceKind == 1 || s.sourceKind == 3;
    // While a tick of the slot runs, or for any other source, the
    // announcement is dismissed; the next frame announces itself again.
    if (!streamed || (SlotModes[slot] != 2 && !exposureImage) || !SlotBitmaps[slot][0]) {
        handOver.take(nullptr);
        return;
    }
    // Outside a tick of the slot, the slot takes the camera's size back from
    // a file shown there before, and follows a frame larger than the slot;
    // then the frame is copied.
    const auto refused = handOver.refusedSize();
    if (SlotModes[slot] == 2) {
        Capture::LiveBitmapForCamera(slot);
        if (!refused.isEmpty())
            Capture::FollowFrameSize(slot, refused.width, refused.height);
    }
    kernels::Bitmap24* live = SlotBitmaps[slot][0].get();
    // After a start or a format change the slot bitmap starts black, on this thread.
    if (s.sourceKind == 1 && WdmBufferPending[slot].exchange(false))
        Align_V::ClearSlotBitmap(slot, 0);
    const bool copied = kernels::TakeFrame(handOver, *live);
    // A frame too large to follow was told: it came all the same.
    if (copied || !refused.isEmpty()) {
        LastFrameTaken[slot] = copied;
        ++FramesCame[slot];
    }
    if (!copied) {
        // The exposure's image did not reach the slot (too large, and told):
        // the exposure ends without one rather than waiting for an image
        // that never comes.
        if (exposureImage)
            PluginExposureImage(slot, false);
        return;
    }
    // The exposure cycle processes its image itself.
    if (!exposureImage)
        FrameWaiting[slot] = true;
    if (s.frameHandOver == 1 && SlotModes[slot] == 2)
        FrameTick(slot);
    if (exposureImage)
        PluginExposureImage(slot, true);
}

void TFRM_Alv::Timer_Cam1Timer()
{
    FrameTick(1);
}

void TFRM_Alv::Timer_Cam2Timer()
{
    FrameTick(2);
}

void TFRM_Alv::FrameTick(int slot)
{
    QTimer* timer = slot == 1 ? Timer_Cam1 : Timer_Cam2;
    // Only the slowed timer gets its interval back, not the other slot's.
    auto applyPendingInterval = [&] {
        if (PendingTimerInterval > 0 && PendingTimerSlot == slot) {
            timer->setInterval(PendingTimerInterval);
            PendingTimerInterval = 0;
        }
    };
    // The player's own slot steps the file source; the other slot keeps to
    // its camera.
    if (FileSources::PlaysOn(slot)) {
        PlayerStep();
        applyPendingInterval();
        return;
    }
    const auto kind = CameraSlots[slot].sourceKind;
    const bool handShake = kind == 1 || kind == 3;
    if (handShake)
        SlotModes[slot] = 1;
    if (ExposureTimerRearm) {
        TMR_Exposure->start();
        ExposureTimerRearm = 0;
    }
    if (GuideTimerRearm) {
        TMR_Exposure_Guide->start();
        GuideTimerRearm = 0;
    }

    std::uint8_t accept = 0;
    const auto s8 = static_cast<std::uint8_t>(slot);
    // The long exposure of the current slot: count-down and the end of the
    // exposure; the frame is measured only.
    const bool vestaMod = FRM_Pref && FRM_Pref->CKB_VestaMod->isChecked();
    const bool longExposureTick = CKB_Longuepose_Active->isChecked() && slot == CurrentCameraSlot && (slot == 1 || vestaMod);
    if (longExposureTick) {
        LongExposureTick(slot, accept);
    } else if (!(LongExposureRunning[slot] && slot == CurrentCameraSlot)) {
        // A long exposure of the current slot delivers its frames through
        // the long-exposure cycle; its stream frames are not processed.
        // Only a frame that came is processed (and so counted, added and
        // saved): a tick of a slot whose camera is silent, stopped or gone
        // does nothing.
        switch (kind) {
        case 0:
            if (kernels::Bitmap24* live = Capture::LiveBitmapForCamera(slot);
                live && Align_V::GrabFrameViaClipboard(*live, 0, s8, 0))
                Align_V::ProcessFrame(1, accept, s8);
            break;
        case 1:
        case 3:
            if (FrameWaiting[slot]) {
                FrameWaiting[slot] = false;
                Capture::CountFrame(slot);
                Align_V::ProcessFrame(1, accept, s8);
            }
            break;
        default:
            break;
        }
    }

    // Sequence saving: the image tool's hook counts the kept frame and saves
    // it at its cadence. In long-exposure mode the long-exposure cycle
    // saves, also when the series ended inside this tick (its last frame
    // was saved by the cycle); with parallel capture, slot 2 does.
    if (accept && !longExposureTick && !LongExposureActive && FRM_Tool_Images) {
        const bool parallel = slot == 1 && FRM_Tool_Affichage && FRM_Tool_Affichage->CKB_DoubleEnreg->isChecked();
        if (!parallel)
            FRM_Tool_Images->SaveFrameHook();
    }

    // A slot stopped while the tick ran stays stopped.
    if (handShake && SlotModes[slot] == 1)
        SlotModes[slot] = 2;
    applyPendingInterval();
}

void TFRM_Alv::MouseWheel(int angleDelta)
{
    // Fine wheels and touchpads send fractions of a notch: they add up.
    wheelRemainder_ += angleDelta;
    while (wheelRemainder_ >= 120 || wheelRemainder_ <= -120) {
        const int notch = wheelRemainder_ > 0 ? 1 : -1;
        wheelRemainder_ -= notch * 120;
        if (!FRM_Tool_Affichage)
            continue;
        // A notch away from the user widens the zone as a line up of the
        // width bar would, one towards the user narrows it as a line down.
        QScrollBar* bar = FRM_Tool_Affichage->SCB_Taille_ZAffich;
        int pos = std::clamp(bar->value() + notch * 10, bar->minimum(), bar->maximum());
        bar->setValue(pos);
        FRM_Tool_Affichage->SCB_Taille_ZAffichScroll(bar, notch > 0 ? 0 : 1, pos);
    }
}
