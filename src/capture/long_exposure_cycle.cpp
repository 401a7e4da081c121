// The main window's long-exposure cycle. A modified webcam exposes while its
// read-out lines are held (parallel-port bits, serial RTS and DTR, or the
// camera-control library); at the end of the exposure the frame is read,
// processed and saved, and after a pause the next exposure starts. Plug-in
// cameras expose through their own entry point and end with their image.
// The series and its settings belong to the long-exposure window.

#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "app/settings.h"
#include "app/settings/guide_offset.h"
#include "app/systeme.h"
#include "app/ui/control_adapters.h"
#include "app/ui/event_boundary.h"
#include "capture/camera_slots.h"
#include "capture/capture_helpers.h"
#include "capture/file_sources.h"
#include "capture/frm_longuepose.h"
#include "capture/long_exposure.h"
#include "capture/plugin_mgr.h"
#include "capture/port_io.h"
#include "capture/wdm_capture.h"
#include "imaging/frame_helpers.h"
#include "imaging/pipeline_state.h"
#include "imaging/process_frame.h"
#include "kernels/image_files.h"
#include "kernels/raster.h"
#include "platform/clock.h"
#include "platform/com_io.h"
#include "platform/paths.h"
#include "scripting/scripts.h"
#include "telescope/frm_prg_action.h"
#include "telescope/frm_tool_suivi.h"
#include "telescope/tracking/tracking_state.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"
#include "translation/translated_texts.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <algorithm>
#include <cmath>

namespace {

using LongExposure::Assert;
using LongExposure::Deassert;

// How soon a guide read-out waiting for the main read-out tries again.
constexpr int kGuideRetry_ms = 50;

// Set while the image of a plug-in exposure is being read: only that image
// ends a plug-in exposure.
bool g_pluginImage = false;
// The plug-in's image ending the exposure was too large for the slot.
bool g_pluginImageLost = false;

TLongExposureParams& params() { return LongExposureParams; }
TLongExposureClock& clk() { return LongExposureClock; }
std::int64_t now() { return platform::clock().monotonicMs(); }

bool vestaMod() { return FRM_Pref && FRM_Pref->CKB_VestaMod->isChecked(); }
bool parallel() { return FRM_Pref && FRM_Pref->RDB_QV_Parallel->isChecked(); }
bool serial() { return FRM_Pref && FRM_Pref->RDB_QV_Serial->isChecked(); }

// Slot 1 is a modified webcam whose lines the cycle drives (a file playing
// on the other slot changes nothing of that).
bool linesDriven()
{
    const auto kind = CameraSlots[1].sourceKind;
    return !FileSources::PlaysOn(1) && (kind == 0 || kind == 1) && vestaMod();
}

// Slot 1 is an open plug-in camera, a file played on either slot or not
// (under a file on its own slot its exposures end without an image).
bool pluginSlot1() { return CameraSlots[1].sourceKind == 3 && CameraSlots[1].pluginHandle != 0; }

bool selfGuided() { return FRM_Longuepose && FRM_Longuepose->CKB_Selfguide_Active->isChecked(); }
bool alternating() { return selfGuided() && params().AlternateLines == 1; }

// Each half of an alternating exposure lasts half the length, at least 1 ms.
int exposureInterval()
{
    const int ms = params().ExposureMs;
    return std::max(1, alternating() ? ms / 2 : ms);
}

// The line pair that is not read for guiding, with its level.
std::pair<int, int> readoutLine()
{
    const auto& p = params();
    return p.GuideLineBit == p.OddLineBit ? std::pair<int, int>{p.EvenLineBit, p.EvenLineActive}
                                          : std::pair<int, int>{p.OddLineBit, p.OddLineActive};
}
std::pair<int, int> guideLine()
{
    const auto& p = params();
    return {p.GuideLineBit, p.GuideLineBit == p.OddLineBit ? p.OddLineActive : p.EvenLineActive};
}

long double pref(const TCustomNumInp* input) { return input ? input->Value() : -1; }

bool serialOn() { return LongExposure::SetSerialLines(pref(FRM_Pref->TNI_LonguePose_On_RTS), pref(FRM_Pref->TNI_LonguePose_On_DTR)); }
bool serialOff() { return LongExposure::SetSerialLines(pref(FRM_Pref->TNI_LonguePose_Off_RTS), pref(FRM_Pref->TNI_LonguePose_Off_DTR)); }

// The library's level: an exposure starts with 0 when "Blink (1)" is chosen
// and ends with 0 when "Fixe (0)" is chosen, 1 otherwise.
bool blinkChosen() { return FRM_Pref && FRM_Pref->RDB_Ledlex_on_blink->isChecked(); }
bool fixedChosen() { return FRM_Pref && FRM_Pref->RDB_Ledlex_off_fixe->isChecked(); }

// Lines of an exposure that starts: the read-out lines (only the one not
// guided on when self-guiding) and the amplifier go inactive. False when
// they could not be switched (told).
bool exposingLines(const QString& tag)
{
    if (parallel()) {
        return LongExposure::ChangePort(tag, [](std::uint8_t v) {
            const auto& p = params();
            if (!selfGuided()) {
                v = Deassert(v, p.OddLineBit, p.OddLineActive);
                v = Deassert(v, p.EvenLineBit, p.EvenLineActive);
            } else {
                v = Deassert(v, readoutLine().first, readoutLine().second);
            }
            return Deassert(v, p.AmpBit, p.AmpActive);
        });
    }
    if (serial())
        return serialOn();
    return LongExposure::LibraryTrigger(blinkChosen());
}

// Lines of a read-out: the read-out lines and the amplifier active again.
bool readoutLines(const QString& tag)
{
    if (parallel()) {
        return LongExposure::ChangePort(tag, [](std::uint8_t v) {
            const auto& p = params();
            if (!selfGuided()) {
                v = Assert(v, p.OddLineBit, p.OddLineActive);
                v = Assert(v, p.EvenLineBit, p.EvenLineActive);
            } else {
                v = Assert(v, readoutLine().first, readoutLine().second);
            }
            return Assert(v, p.AmpBit, p.AmpActive);
        });
    }
    if (serial())
        return serialOff();
    return LongExposure::LibraryTrigger(fixedChosen());
}

// The amplifier line switched on ahead of the end of an exposure. With
// onlyWhenOff the port is written only when the line is not active yet.
// False when it could not be switched (told).
bool amplifierLead(const QString& tag, bool onlyWhenOff)
{
    if (parallel()) {
        if (onlyWhenOff && params().PortAddress && PortDriverOpen) {
            const std::uint8_t v = Align_V::PortRead(*params().PortAddress);
            if (Assert(v, params().AmpBit, params().AmpActive) == v)
                return true;
        }
        return LongExposure::ChangePort(tag, [](std::uint8_t v) { return Assert(v, params().AmpBit, params().AmpActive); });
    }
    if (serial())
        return LongExposure::SetSerialLines(pref(FRM_Pref->TNI_Amp_Off_RTS), pref(FRM_Pref->TNI_Amp_Off_DTR));
    return true;
}

// A half-frame of a self-guided exposure, kept beside the program. A file
// that cannot be written is told once; the frame goes on.
void saveHalf(const kernels::Bitmap24& half, const QString& name)
{
    QString error;
    if (!kernels::ImageFiles::WriteBmp24(platform::joinPath(platform::programDir(), name), half, &error))
        app::reportOnce(TranslatedTexts.MSG_Enregistrement_Impossible + name + QStringLiteral(" : ") + error);
}

// The guide offsets move one step between two self-guided exposures.
void stepOffsetTable()
{
    if (!FRM_Pref || !FRM_Pref->CKB_Fichier_decalage->isChecked())
        return;
    Align_V::StepGuideOffset();
}

void setCountDown(double seconds)
{
    if (!FRM_Longuepose)
        return;
    const int whole = static_cast<int>(std::trunc(seconds));
    FRM_Longuepose->TNI_Timer->SetValue(whole);
    FRM_Longuepose->PGB_Decompte->setMaximum(std::max(0, whole));
    FRM_Longuepose->PGB_Decompte->setValue(std::max(0, whole));
}

// A switch-off asked by the cycle itself (a single exposure of a detection
// action): the box unchecked, its handler run once.
void switchOff()
{
    QCheckBox* box = FRM_Alv->CKB_Longuepose_Active;
    if (box->isChecked())
        box->setChecked(false);
    else
        FRM_Alv->CKB_Longuepose_ActiveClick();
}

// A line of the series could not be switched (told): the series stops where
// it stands, exposing nothing more, the long-exposure window offers its
// start again, and a script waiting for the series stops.
void stopOnLinesFailure()
{
    if (FRM_Longuepose)
        FRM_Longuepose->BTN_Arreter_PoseClick();
    else
        switchOff();
    Scripts::StopIfWaiting(Scripts::WaitLongExposure);
}

} // namespace

bool LongExposure::CameraRuns()
{
    const int cur = CurrentCameraSlot == 2 ? 2 : 1;
    return !FileSources::PlaysOn(cur)
           && (GrabDevices[cur] || (WdmCaptures[cur] && WdmCaptures[cur]->Running()) || CameraSlots[cur].pluginHandle != 0);
}

void TFRM_Alv::ConnectLongExposureHandlers()
{
    CKB_Longuepose_Active = new QCheckBox(this);
    CKB_Longuepose_Active->setObjectName(QStringLiteral("CKB_Longuepose_Active"));
    CKB_Longuepose_Active->setToolTip(QStringLiteral("Longue pose active"));
    CKB_Longuepose_Active->hide();
    app::bindCheckBoxClick(CKB_Longuepose_Active, this, &TFRM_Alv::CKB_Longuepose_ActiveClick);
    for (QTimer* t : {TMR_Exposure, TMR_Exposure_Guide}) {
        t->setTimerType(Qt::PreciseTimer);
        t->setSingleShot(false);
    }
    connect(TMR_Exposure, &QTimer::timeout, this,
            [this] { app::runGuarded(QStringLiteral("TMR_Exposure"), [this] { TMR_ExposureTimer(); }); });
    connect(TMR_Exposure_Guide, &QTimer::timeout, this,
            [this] { app::runGuarded(QStringLiteral("TMR_Exposure_Guide"), [this] { TMR_Exposure_GuideTimer(); }); });
    Settings::RegisterHandler(QStringLiteral("FRM_Alv.CKB_Longuepose_ActiveClick"),
                              [] { if (FRM_Alv) FRM_Alv->CKB_Longuepose_ActiveClick(); });
    // A held-span exposure ends early when the guide star leaves the neutral zone.
    TrackingHooks.ExposureTimer = [] { if (FRM_Alv) FRM_Alv->TMR_ExposureTimer(); };
}

void TFRM_Alv::CKB_Longuepose_ActiveClick()
{
    auto& p = params();
    auto& k = clk();
    if (!CKB_Longuepose_Active->isChecked()) {
        LongExposureActive = false;
        ExposureTimerRearm = 0;
        GuideTimerRearm = 0;
        TMR_Exposure->stop();
        TMR_Exposure_Guide->stop();
        if (PluginExposurePending && pluginSlot1()) {
            // An exposure under way is given up where the camera allows it.
            if (TCameraRecord* cam = Capture::SlotPluginCamera(1); cam && cam->Camera.Api->camera_stopexposure)
                cam->Camera.Api->camera_stopexposure(CameraSlots[1].pluginHandle);
        }
        PluginExposurePending = false;
        if (linesDriven()) {
            const int cur = CurrentCameraSlot;
            if (CameraSlots[cur].sourceKind == 1 && WdmCaptures[cur])
                WdmCaptures[cur]->CopyFrames = true;
            if (parallel()) {
                LongExposure::ChangePort(QStringLiteral("Longpose_Activeclick-notchecked"), [](std::uint8_t v) {
                    const auto& q = params();
                    v = Assert(v, q.OddLineBit, q.OddLineActive);
                    v = Assert(v, q.EvenLineBit, q.EvenLineActive);
                    v = Assert(v, q.AmpBit, q.AmpActive);
                    if (!FRM_Pref->CKB_LongueposePermanent->isChecked())
                        v = Assert(v, q.LongExpBit, q.LongExpActive);
                    return v;
                });
            } else if (serial()) {
                serialOff();
            } else {
                LongExposure::LibraryTrigger(fixedChosen());
            }
        }
        const auto kind = CameraSlots[1].sourceKind;
        if (kind == 0 || kind == 1) {
            p.ExposureArmed = 0;
            p.GuideArmed = 0;
        }
        // A detection held while its exposure ran tests again.
        Align_V::MotionActionEnded(true);
        return;
    }

    if (!LongExposure::CameraRuns()) {
        // Nothing to expose: the cycle stays off.
        const QSignalBlocker blocker(CKB_Longuepose_Active);
        CKB_Longuepose_Active->setChecked(false);
        LongExposureActive = false;
        return;
    }
    LongExposureActive = true;
    p.ExposureArmed = 1;
    if (linesDriven()) {
        const int cur = CurrentCameraSlot;
        if (CameraSlots[cur].sourceKind == 1 && WdmCaptures[cur])
            WdmCaptures[cur]->CopyFrames = false;
        bool switched = true;
        if (parallel()) {
            if (selfGuided() && p.AlternateLines == 1)
                p.GuideLineBit = p.OddLineBit;
            switched = LongExposure::ChangePort(QStringLiteral("Longpose_Activeclick-checked"), [](std::uint8_t v) {
                const auto& q = params();
                v = Deassert(v, q.OddLineBit, q.OddLineActive);
                v = Deassert(v, q.EvenLineBit, q.EvenLineActive);
                v = Deassert(v, q.AmpBit, q.AmpActive);
                return Deassert(v, q.LongExpBit, q.LongExpActive);
            });
        } else if (serial()) {
            switched = serialOn();
        } else {
            switched = LongExposure::LibraryTrigger(blinkChosen());
        }
        if (!switched) {
            // Lines that do not move would make short frames counted as long
            // exposures: the series does not start (told), the box is off.
            CKB_Longuepose_Active->setChecked(false);
            return;
        }
        TMR_Exposure->setInterval(exposureInterval());
        TMR_Exposure_Guide->setInterval(std::max(1, p.GuideExposureMs));
        ExposureTimerRearm = 1;
        if (selfGuided())
            GuideTimerRearm = 1;
    } else if (pluginSlot1()) {
        // Nothing exposes yet: the first tick of the timer starts the first
        // exposure and only the camera's image ends it.
        p.ExposureArmed = 0;
        PluginExposurePending = false;
        TMR_Exposure->setInterval(std::max(1, p.InterposeMs));
        ExposureTimerRearm = 1;
    }
    k.MainExposureLength = k.MainExposureRemaining = p.ExposureMs / 1000.0;
    k.GuideExposureLength = k.GuideExposureRemaining = p.GuideExposureMs / 1000.0;
    k.MainExposureStart = k.GuideExposureStart = k.ReadoutStart = now();
    setCountDown(k.MainExposureLength);
}

void TFRM_Alv::TMR_ExposureTimer()
{
    auto& p = params();
    auto& k = clk();
    const auto cur = static_cast<std::uint8_t>(CurrentCameraSlot);
    // A late call (a held-span measure, a frame of the other slot) while the
    // cycle is off starts nothing.
    if (!CKB_Longuepose_Active->isChecked()) {
        TMR_Exposure->stop();
        return;
    }

    if (p.ExposureArmed == 0) {
        // The pause is over: a new exposure starts.
        TMR_Exposure->stop();
        TMR_Exposure->setInterval(exposureInterval());
        p.ExposureArmed = 1;
        TMR_Exposure->start();
        if (!alternating() || p.GuideLineBit == p.OddLineBit)
            k.MainExposureStart = k.ReadoutStart = now();
        if (linesDriven()) {
            if (!exposingLines(QStringLiteral("ExposureTimer-EInterpose")))
                stopOnLinesFailure();
        } else if (pluginSlot1()) {
            TMR_Exposure->stop();
            if (TCameraRecord* cam = Capture::SlotPluginCamera(1)) {
                PluginExposurePending = true;
                cam->Camera.Api->camera_startexposure(CameraSlots[1].pluginHandle,
                                                       static_cast<std::int32_t>(std::lround(p.ExposureMs * 10.0)), 1);
            }
        }
        return;
    }

    // The exposure has ended. A plug-in exposure ends with its image only,
    // and a read-out never starts inside another.
    if (pluginSlot1() && !g_pluginImage)
        return;
    if (MainReadoutDone == 0)
        return;
    TMR_Exposure->stop();
    MainReadoutDone = 0;
    struct ReadoutDone {
        ~ReadoutDone() { MainReadoutDone = 1; }
    } readoutDone;

    kernels::Bitmap24* live = SlotBitmaps[cur][0].get();
    if (linesDriven()) {
        // The frame still exposing is taken out of the way first.
        if (live)
            Align_V::GrabFrameViaClipboard(*live, 0, cur, 0);
        // Lines left exposing give no read-out to count or save.
        if (!readoutLines(QStringLiteral("EPose"))) {
            stopOnLinesFailure();
            return;
        }
    }
    std::uint8_t accept = 0;
    bool processed = false;
    auto* dialog = FRM_Longuepose;
    auto countExposure = [&] {
        if (dialog)
            dialog->TNI_Posenum->SetValue(dialog->TNI_Posenum->Value() + 1);
    };
    if (!alternating()) {
        countExposure();
        // An exposure whose image did not reach the live bitmap (too large
        // for the slot, and told) is neither shown nor saved: the bitmap
        // still holds the previous exposure.
        const bool imageCame = pluginSlot1() ? !g_pluginImageLost
                                             : live && Align_V::GrabFrameViaClipboard(*live, 0, cur, 0);
        LastExposureDurationMs = static_cast<std::int32_t>(now() - k.ReadoutStart);
        if (imageCame) {
            Align_V::ProcessFrame(1, accept, cur);
            processed = true;
        }
    } else if (p.GuideLineBit == p.OddLineBit) {
        // First half: the odd lines, kept until the second half.
        if (kernels::Bitmap24* half = SlotBitmaps[cur][1].get()) {
            Align_V::GrabFrameViaClipboard(*half, 1, cur, 0);
            saveHalf(*half, QStringLiteral("Video2.bmp"));
        }
        p.GuideLineBit = p.EvenLineBit;
    } else {
        // Second half: the even lines, joined with the first.
        kernels::Bitmap24* half = SlotBitmaps[cur][1].get();
        if (live) {
            Align_V::GrabFrameViaClipboard(*live, 0, cur, 0);
            saveHalf(*live, QStringLiteral("Video1.bmp"));
            if (half)
                kernels::bitBlt(*live, 0, 0, live->width(), live->height(), *half, 0, 0, kernels::RasterOp::SrcPaint);
        }
        p.GuideLineBit = p.OddLineBit;
        countExposure();
        stepOffsetTable();
        LastExposureDurationMs = static_cast<std::int32_t>(now() - k.ReadoutStart);
        Align_V::ProcessFrame(1, accept, cur);
        processed = true;
    }
    MainReadoutDone = 1;

    // Saving, at the image tool's cadence.
    const bool holdspanOk = !dialog || !dialog->CKB_Holdspan->isChecked()
                            || dialog->SPED_MinExp->value() <= LastExposureDurationMs;
    const bool actionSaves = MotionFired && FRM_Prg_Action && FRM_Prg_Action->CKB_Action_Sauvegarder->isChecked();
    if (processed && accept && holdspanOk && !actionSaves && FRM_Tool_Images)
        FRM_Tool_Images->SaveFrameHook();

    TMR_Exposure->setInterval(std::max(1, p.InterposeMs));
    p.ExposureArmed = 0;
    PluginExposurePending = false;
    k.MainExposureLength = k.MainExposureRemaining = p.ExposureMs / 1000.0;
    if (dialog)
        dialog->PGB_Decompte->setMaximum(static_cast<int>(std::trunc(k.MainExposureLength)));

    if (MotionFired) {
        // The single exposure of a detection action.
        switchOff();
        MotionFired = 0;
    } else if (CKB_Longuepose_Active->isChecked()) {
        ExposureTimerRearm = 1;   // the pause starts at the next frame tick
    }
    Align_V::ApplyNextShift();

    if (dialog && CKB_Longuepose_Active->isChecked() && dialog->SPED_Nb_Poses->value() > 0
        && dialog->TNI_Posenum->Value() >= dialog->SPED_Nb_Poses->value() + 1) {
        dialog->TNI_Posenum->SetValue(0);
        ExposureTimerRearm = 0;
        dialog->BTN_Arreter_PoseClick();
        Scripts::ResumeIfWaiting(Scripts::WaitLongExposure);
    }
}

void TFRM_Alv::TMR_Exposure_GuideTimer()
{
    auto& p = params();
    auto& k = clk();
    if (!CKB_Longuepose_Active->isChecked()) {
        TMR_Exposure_Guide->stop();
        return;
    }
    if (p.GuideArmed == 0) {
        TMR_Exposure_Guide->stop();
        TMR_Exposure_Guide->setInterval(std::max(1, p.GuideExposureMs));
        p.GuideArmed = 1;
        TMR_Exposure_Guide->start();
        k.GuideExposureStart = now();
        if (linesDriven() && parallel()
            && !LongExposure::ChangePort(QStringLiteral("Exposure_GuideTimer_Einterpose"), [](std::uint8_t v) {
                   v = Deassert(v, guideLine().first, guideLine().second);
                   return Deassert(v, params().AmpBit, params().AmpActive);
               }))
            stopOnLinesFailure();
        return;
    }
    TMR_Exposure_Guide->stop();
    if (MainReadoutDone != 1) {
        // The main read-out is still going on: try again shortly.
        TMR_Exposure_Guide->setInterval(kGuideRetry_ms);
        TMR_Exposure_Guide->start();
        return;
    }
    const auto slot = static_cast<std::uint8_t>(GuideSourceSlot == 2 ? 2 : 1);
    kernels::Bitmap24* guideFrame = SlotBitmaps[slot][2].get();
    if (guideFrame)
        Align_V::GrabFrameViaClipboard(*guideFrame, 2, slot, 0);
    if (linesDriven() && parallel()
        && !LongExposure::ChangePort(QStringLiteral("Exposure_GuideTimer_Epose"), [](std::uint8_t v) {
               v = Assert(v, guideLine().first, guideLine().second);
               return Assert(v, params().AmpBit, params().AmpActive);
           })) {
        stopOnLinesFailure();
        return;
    }
    if (guideFrame)
        Align_V::GrabFrameViaClipboard(*guideFrame, 2, slot, 0);
    TMR_Exposure_Guide->setInterval(std::max(1, p.InterposeMs));
    p.GuideArmed = 0;
    k.GuideExposureLength = k.GuideExposureRemaining = p.GuideExposureMs / 1000.0;
    if (MotionFired) {
        switchOff();
        MotionFired = 0;
    } else if (CKB_Longuepose_Active->isChecked()) {
        GuideTimerRearm = 1;
    }
}

void TFRM_Alv::LongExposureTick(int slot, std::uint8_t& accept)
{
    auto& p = params();
    auto& k = clk();
    const std::int64_t t = now();
    k.MainExposureRemaining = k.MainExposureLength - static_cast<double>(t - k.MainExposureStart) / 1000.0;
    if (FRM_Longuepose)
        FRM_Longuepose->PGB_Decompte->setValue(static_cast<int>(std::trunc(k.MainExposureLength - k.MainExposureRemaining)));
    k.GuideExposureRemaining = k.GuideExposureLength - static_cast<double>(t - k.GuideExposureStart) / 1000.0;

    const auto kind = CameraSlots[slot].sourceKind;
    const bool amplifier = slot == 1 ? (kind == 0 || kind == 1) && vestaMod() : true;
    const double lead = FRM_Pref ? FRM_Pref->SPED_Avance->value() / 1000.0 : 0.0;
    if (amplifier && selfGuided()) {
        if (k.GuideExposureRemaining <= -0.5 && p.GuideArmed == 1)
            TMR_Exposure_GuideTimer();
        else if (lead > k.GuideExposureRemaining && !amplifierLead(QStringLiteral("Timer1-1"), false))
            stopOnLinesFailure();
    }
    if (k.MainExposureRemaining <= -0.5 && p.ExposureArmed == 1)
        TMR_ExposureTimer();
    else if (amplifier && lead > k.MainExposureRemaining && !amplifierLead(QStringLiteral("Timer1-2"), true))
        stopOnLinesFailure();
    if (FRM_Longuepose)
        FRM_Longuepose->TNI_Timer->SetValue(std::trunc(k.MainExposureRemaining));
    Align_V::ProcessFrame(0, accept, static_cast<std::uint8_t>(slot));
    QCoreApplication::processEvents();
}

void TFRM_Alv::PluginExposureImage(int slot, bool imageTaken)
{
    if (slot != 1 || !PluginExposurePending || !CKB_Longuepose_Active->isChecked())
        return;
    PluginExposurePending = false;
    params().ExposureArmed = 1;
    g_pluginImage = true;
    g_pluginImageLost = !imageTaken;
    struct Reset {
        ~Reset() { g_pluginImage = g_pluginImageLost = false; }
    } reset;
    TMR_ExposureTimer();
}

void TFRM_Alv::RestLongExposureLines(int slot)
{
    if (!vestaMod())
        return;
    if (parallel()) {
        LongExposure::ChangePort(QStringLiteral("Stop"), [](std::uint8_t v) {
            const auto& q = params();
            v = Assert(v, q.OddLineBit, q.OddLineActive);
            v = Assert(v, q.EvenLineBit, q.EvenLineActive);
            v = Assert(v, q.AmpBit, q.AmpActive);
            return Assert(v, q.LongExpBit, q.LongExpActive);
        });
    } else if (serial()) {
        serialOff();
        // The lines let go of their port; a mount, guide port or focuser
        // link that shares it keeps it open, and its page stays connected.
        if (slot == 2)
            platform::com_io::release_com(kLongExposureChannel);
    }
}
