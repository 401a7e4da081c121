#include "capture/frm_longuepose.h"

#include "app/align_v_features.h"
#include "app/frm_alv.h"
#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "app/settings.h"
#include "app/ui/control_adapters.h"
#include "capture/camera_slots.h"
#include "capture/file_sources.h"
#include "capture/long_exposure.h"
#include "capture/plugin_mgr.h"
#include "capture/wdm_capture.h"
#include "kernels/rounding.h"
#include "platform/clock.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"
#include "translation/translated_texts.h"

#include <QCheckBox>

TFRM_Longuepose* FRM_Longuepose = nullptr;

namespace {

// Sets a box and runs its click handler exactly once: the adapter runs it
// when the state changes, else it is run here.
void checkAndRun(QAbstractButton* box, bool state, const std::function<void()>& handler)
{
    if (box->isChecked() != state)
        box->setChecked(state);
    else
        handler();
}

bool grabOrStreamSlot1()
{
    const auto kind = CameraSlots[1].sourceKind;
    return !FileSources::PlaysOn(1) && (kind == 0 || kind == 1);
}

} // namespace

TFRM_Longuepose::TFRM_Longuepose(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    app::bindSpinEditChange(SPED_Vesta_Pose, this, &TFRM_Longuepose::SPED_Vesta_PoseChange);
    app::bindSpinEditChange(SPED_Vesta_Pose_Guidage, this, &TFRM_Longuepose::SPED_Vesta_Pose_GuidageChange);
    app::bindButtonClick(BTN_Demarrer_Pose, this, &TFRM_Longuepose::BTN_Demarrer_PoseClick);
    app::bindButtonClick(BTN_Arreter_Pose, this, &TFRM_Longuepose::BTN_Arreter_PoseClick);
    app::bindCheckBoxClick(CKB_Selfguide_Active, this, &TFRM_Longuepose::CKB_Selfguide_ActiveClick);
    app::bindCheckBoxClick(CKB_Holdspan, this, &TFRM_Longuepose::CKB_HoldspanClick);
    LongExposureParams.ExposureMs = SPED_Vesta_Pose->value();
    LongExposureParams.GuideExposureMs = SPED_Vesta_Pose_Guidage->value();
    Settings::RegisterHandler(QStringLiteral("FRM_Longuepose.BTN_Demarrer_PoseClick"),
                              [] { if (FRM_Longuepose) FRM_Longuepose->BTN_Demarrer_PoseClick(); });
    Settings::RegisterHandler(QStringLiteral("FRM_Longuepose.BTN_Arreter_PoseClick"),
                              [] { if (FRM_Longuepose) FRM_Longuepose->BTN_Arreter_PoseClick(); });
}

void TFRM_Longuepose::SPED_Vesta_PoseChange()
{
    // Read by the cycle when the next exposure starts.
    LongExposureParams.ExposureMs = SPED_Vesta_Pose->value();
}

void TFRM_Longuepose::SPED_Vesta_Pose_GuidageChange()
{
    LongExposureParams.GuideExposureMs = SPED_Vesta_Pose_Guidage->value();
}

void TFRM_Longuepose::BTN_Demarrer_PoseClick()
{
    if (!FRM_Alv)
        return;
    const auto refuse = [] { Msg::ShowMessageText(false, TranslatedTexts.MSG_Poses_Longues_Sans_Camera); };
    // No camera runs: the series cannot start, and nothing is prepared for
    // it - a dark or flat built before, the dark's threshold and the
    // stacking mode stay as they were.
    if (!LongExposure::CameraRuns()) {
        refuse();
        return;
    }
    if (grabOrStreamSlot1() && FRM_Pref && FRM_Pref->CKB_VestaMod->isChecked())
        Preferences::ApplyLongExposureSettings();
    LongExposure::ForgetLinesFailure();   // a new start tells its own failure
    LongExposureParams.ExposureMs = SPED_Vesta_Pose->value();
    LongExposureParams.GuideExposureMs = SPED_Vesta_Pose_Guidage->value();
    // The cycle starts first: when it refuses after all (its lines cannot be
    // switched, and it has told so), nothing of the image tool has been
    // prepared for exposures that never come.
    checkAndRun(FRM_Alv->CKB_Longuepose_Active, true, [] { FRM_Alv->CKB_Longuepose_ActiveClick(); });
    if (!FRM_Alv->CKB_Longuepose_Active->isChecked()) {
        if (!LongExposure::CameraRuns())
            refuse();
        return;
    }
    CBX_TypePose->setEnabled(false);
    if (TFRM_Tool_Images* t = FRM_Tool_Images) {
        const QString type = CBX_TypePose->currentText();
        if (type == QLatin1String("Image")) {
            checkAndRun(t->RDB_Unique, true, [t] { t->RDB_UniqueClick(); });
        } else if (type == QLatin1String("Flat") || type == QLatin1String("Dark")) {
            checkAndRun(t->CKB_Integration, true, [t] { t->CKB_IntegrationClick(); });
            if (type == QLatin1String("Flat"))
                checkAndRun(t->RDB_Flat, true, [t] { t->RDB_FlatClick(); });
            else
                checkAndRun(t->RDB_Dark, true, [t] { t->RDB_DarkClick(); });
            t->BTN_Reset_AddClick();
            t->SPED_Nb_Bitmap->setValue(SPED_Nb_Poses->value());
            t->BTN_Demarrer_AddClick();
        }
    }
    BTN_Arreter_Pose->setEnabled(true);
    BTN_Demarrer_Pose->setEnabled(false);
    TNI_Posenum->SetValue(1);
}

void TFRM_Longuepose::BTN_Arreter_PoseClick()
{
    if (FRM_Alv)
        checkAndRun(FRM_Alv->CKB_Longuepose_Active, false, [] { FRM_Alv->CKB_Longuepose_ActiveClick(); });
    const QString type = CBX_TypePose->currentText();
    if (TFRM_Tool_Images* t = FRM_Tool_Images; t && (type == QLatin1String("Flat") || type == QLatin1String("Dark"))) {
        checkAndRun(t->CKB_Integration, false, [t] { t->CKB_IntegrationClick(); });
        t->CKB_Integration->setEnabled(true);
    }
    CBX_TypePose->setEnabled(true);
    BTN_Demarrer_Pose->setEnabled(true);
    BTN_Arreter_Pose->setEnabled(false);
    PGB_Decompte->setValue(0);
}

void TFRM_Longuepose::CKB_Selfguide_ActiveClick()
{
    if (!FRM_Alv)
        return;
    if (!CKB_Selfguide_Active->isChecked()) {
        GuideTimerRearm = 0;
        FRM_Alv->TMR_Exposure_Guide->stop();
        return;
    }
    if (!FRM_Alv->CKB_Longuepose_Active->isChecked())
        return;
    GuideTimerRearm = 1;
    auto& p = LongExposureParams;
    p.GuideExposureMs = SPED_Vesta_Pose_Guidage->value();
    LongExposureClock.GuideExposureLength = LongExposureClock.GuideExposureRemaining = p.GuideExposureMs / 1000.0;
    LongExposureClock.GuideExposureStart = platform::clock().monotonicMs();
    FRM_Alv->TMR_Exposure_Guide->setInterval(std::max(1, p.GuideExposureMs));
}

void TFRM_Longuepose::CKB_HoldspanClick()
{
    Align_V::ApplyHoldspan();
}

void TFRM_Longuepose::FormClose(TCloseAction&)
{
    TFRM_Alv* alv = FRM_Alv;
    const int slot = CurrentCameraSlot == 2 ? 2 : 1;
    const auto kind1 = CameraSlots[1].sourceKind;
    // Also while a file plays: a plug-in camera left open under it gets its
    // video back for when the file ends.
    if (alv && (kind1 == 0 || kind1 == 1 || kind1 == 3)) {
        const bool pluginWasExposing = LongExposureRunning[1] && CameraSlots[1].pluginHandle != 0;
        if (alv->CKB_Longuepose_Active->isChecked())
            BTN_Arreter_PoseClick();
        // Cleared first: the image mode would otherwise close this window again.
        LongExposureRunning[slot] = 0;
        alv->ImageMode(slot);
        if (WdmCaptures[slot])
            WdmCaptures[slot]->FrameReady = true;
        // The video stopped for the long exposures comes back, with its own exposure.
        if (pluginWasExposing) {
            if (TCameraRecord* cam = Capture::SlotPluginCamera(1)) {
                if (FRM_Tool_Affichage && FRM_Tool_Affichage->CBX_Cam1_IPS->currentText() == QLatin1String("Auto"))
                    alv->Timer_Cam1->stop();
                const auto& api = *cam->Camera.Api;
                const std::int32_t handle = CameraSlots[1].pluginHandle;
                PluginExposurePending = false;
                api.camera_start_video(handle);
                api.camera_setproperty(handle, 7, PluginMinExposure);
                SlotModes[1] = 2;
            }
        }
    }
    LongExposureRunning[CurrentCameraSlot] = 0;
    if (alv)
        alv->ShowCaptureMode(CurrentCameraSlot == 2 ? 2 : 1);
}
