// The capture modes of the camera slots: image (one frame a tick of the
// slot's timer), stream (the grab device's capture sequence, frames by
// callback) and long exposure (the long-exposure window and the cycle).

#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "app/settings.h"
#include "app/systeme.h"
#include "app/ui/event_boundary.h"
#include "capture/camera_slots.h"
#include "capture/frm_longuepose.h"
#include "capture/long_exposure.h"
#include "capture/plugin_mgr.h"
#include "capture/wdm_capture.h"
#include "tools/frm_tool_affichage.h"
#include "tools/util_images.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <algorithm>

namespace {

struct ModeControls {
    QAction *image, *stream, *pose;
    QToolButton *imageBtn, *imageB, *streamBtn, *streamB, *poseBtn, *poseB, *stop;
    QTimer* timer;
};

ModeControls modeControls(TFRM_Alv& w, int slot)
{
    if (slot == 1)
        return {w.MNU_Cam1_Image, w.MNU_Cam1_Stream, w.MNU_Cam1_PoseLongue, w.SPDB_Cam1_Image,
                w.SPDB_Cam1_Image_B, w.SPDB_Cam1_Stream, w.SPDB_Cam1_Stream_B, w.SPDB_Cam1_PoseLongue,
                w.SPDB_Cam1_PoseLongue_B, w.SPDB_Cam1_Stop, w.Timer_Cam1};
    return {w.MNU_Cam2_Image, w.MNU_Cam2_Stream, w.MNU_Cam2_Poselongue, w.SPDB_Cam2_Image,
            w.SPDB_Cam2_Image_B, w.SPDB_Cam2_Stream, w.SPDB_Cam2_Stream_B, w.SPDB_Cam2_Poselongue,
            w.SPDB_Cam2_PoseLongue_B, w.SPDB_Cam2_Stop, w.Timer_Cam2};
}

bool vestaMod()
{
    return FRM_Pref && FRM_Pref->CKB_VestaMod->isChecked();
}

bool hasCaptureWindow(int slot)
{
    return CameraSlots[slot].hasCaptureWindow && GrabDevices[slot];
}

// The capture sequence of a grab slot ends; late frames are ignored.
void stopSequence(int slot)
{
    PluginFrameBitmaps[slot].disarm();
    if (GrabDevices[slot])
        GrabDevices[slot]->stopStream();
}

// The three mode items of a slot show one mode.
void checkMode(const ModeControls& c, QAction* mode)
{
    for (QAction* a : {c.image, c.stream, c.pose})
        a->setChecked(a == mode);
}

bool slotRuns(int slot)
{
    return GrabDevices[slot] || (WdmCaptures[slot] && WdmCaptures[slot]->Running())
           || CameraSlots[slot].pluginHandle != 0;
}

// The mode buttons of both tool-bar layouts form one group: pressing one
// (with its twin) releases the others.
void pressMode(const ModeControls& c, QToolButton* button)
{
    const std::pair<QToolButton*, QToolButton*> twins[] = {
        {c.imageBtn, c.imageB}, {c.streamBtn, c.streamB}, {c.poseBtn, c.poseB}};
    for (const auto& [a, b] : twins) {
        const bool down = a == button || b == button;
        a->setChecked(down);
        b->setChecked(down);
    }
}

// The threshold and colour controls go unless something still uses them.
void levelRule(TFRM_Alv& w, const QAction* longExposureItem)
{
    Util_Images::DisableLevelControlsUnlessUsed({w.MNU_Cam1_Binning_2x2, w.MNU_Cam2_Binning_2x2, longExposureItem});
}

// Leaves the long-exposure mode of the slot: a running series stops and the
// long-exposure window closes (which gives a plug-in camera its video back).
void leaveLongExposure(int slot)
{
    if (!LongExposureRunning[slot])
        return;
    if (FRM_Longuepose) {
        if (FRM_Alv->CKB_Longuepose_Active->isChecked())
            FRM_Longuepose->BTN_Arreter_PoseClick();
        FRM_Longuepose->close();
    }
    LongExposureRunning[slot] = 0;
}

} // namespace

void TFRM_Alv::ImageMode(int slot)
{
    const ModeControls c = modeControls(*this, slot);
    auto& s = CameraSlots[slot];
    if (hasCaptureWindow(slot) && s.streamMode) {
        stopSequence(slot);
        QCoreApplication::processEvents();
        c.stop->setEnabled(true);
        c.pose->setEnabled(true);
        c.poseBtn->setEnabled(slot == 1 ? vestaMod() : true);
        s.streamMode = 0;
        c.timer->start();
    }
    leaveLongExposure(slot);
    ShowCaptureMode(slot);
    levelRule(*this, slot == 1 ? MNU_Cam2_Poselongue : MNU_Cam1_PoseLongue);
    InsistStep = slot == 1 ? 0 : 4;
    TMR_Insiste->start();
}

void TFRM_Alv::StreamMode(int slot)
{
    const ModeControls c = modeControls(*this, slot);
    auto& s = CameraSlots[slot];
    if (!hasCaptureWindow(slot)) {
        // Only a grab device streams: the item the user chose shows the
        // mode the slot stays in.
        ShowCaptureMode(slot);
        return;
    }
    if (!s.streamMode) {
        leaveLongExposure(slot);
        c.stop->setEnabled(false);
        c.pose->setEnabled(false);
        c.poseBtn->setEnabled(false);
        c.timer->stop();
        StartSequence(slot);
        if (!s.streamMode) {
            // The device refused to stream: the slot goes on in image mode.
            c.stop->setEnabled(true);
            c.pose->setEnabled(true);
            c.poseBtn->setEnabled(slot == 1 ? vestaMod() : true);
            ShowCaptureMode(slot);
            c.timer->start();
            return;
        }
    }
    levelRule(*this, c.pose);
    ShowCaptureMode(slot);
}

void TFRM_Alv::LongExposureMode(int slot)
{
    const ModeControls c = modeControls(*this, slot);
    auto& s = CameraSlots[slot];
    if (hasCaptureWindow(slot) && s.streamMode) {
        stopSequence(slot);
        c.stop->setEnabled(true);
        s.streamMode = 0;
        c.timer->start();
    }
    if (slot == 1 && s.sourceKind == 3 && s.pluginHandle != 0 && !LongExposureRunning[1]) {
        if (TCameraRecord* cam = Capture::SlotPluginCamera(1)) {
            const auto& api = *cam->Camera.Api;
            SlotModes[1] = 2;
            PluginMinExposure = static_cast<float>(api.camera_getproperty(s.pluginHandle, 7));
            api.camera_stop_video(s.pluginHandle);
            if (FRM_Tool_Affichage && FRM_Tool_Affichage->CBX_Cam1_IPS->currentText() == QLatin1String("Auto")) {
                Timer_Cam1->setInterval(200);
                Timer_Cam1->start();
            }
        }
    }
    LongExposureRunning[slot] = 1;
    ShowCaptureMode(slot);
    if (FRM_Longuepose) {
        // At the main window's left edge, bottoms aligned, unless windows
        // kept on top would hide it there.
        Systeme::PlaceInSight(FRM_Longuepose, [this](QSize frame) {
            const QRect main = Systeme::FrameOf(this);
            return QPoint(main.left(), main.top() + main.height() - frame.height());
        });
        Systeme::ShowFormOnScreen(FRM_Longuepose);
    }
    Util_Images::EnableLevelControls(true);
}

void TFRM_Alv::ShowCaptureMode(int slot)
{
    if (slot != 1 && slot != 2)
        return;
    const ModeControls c = modeControls(*this, slot);
    QAction* mode = LongExposureRunning[slot]                           ? c.pose
                    : CameraSlots[slot].streamMode && hasCaptureWindow(slot) ? c.stream
                                                                             : c.image;
    checkMode(c, mode);
    // A stopped slot's buttons are all up; a running one has its mode's down.
    if (slotRuns(slot))
        pressMode(c, mode == c.pose ? c.poseBtn : mode == c.stream ? c.streamBtn : c.imageBtn);
}

void TFRM_Alv::MNU_Cam1_ImageClick() { ImageMode(1); }
void TFRM_Alv::MNU_Cam2_ImageClick() { ImageMode(2); }
void TFRM_Alv::MNU_Cam1_StreamClick() { StreamMode(1); }
void TFRM_Alv::MNU_Cam2_StreamClick() { StreamMode(2); }
void TFRM_Alv::MNU_Cam1_PoseLongueClick() { LongExposureMode(1); }
void TFRM_Alv::MNU_Cam2_PoselongueClick() { LongExposureMode(2); }
void TFRM_Alv::SPDB_Cam1_ImageClick() { MNU_Cam1_ImageClick(); }
void TFRM_Alv::SPDB_Cam2_ImageClick() { MNU_Cam2_ImageClick(); }
void TFRM_Alv::SPDB_Cam1_StreamClick() { MNU_Cam1_StreamClick(); }
void TFRM_Alv::SPDB_Cam2_StreamClick() { MNU_Cam2_StreamClick(); }
void TFRM_Alv::SPDB_Cam1_PoseLongueClick() { MNU_Cam1_PoseLongueClick(); }
void TFRM_Alv::SPDB_Cam2_PoseLongueClick() { MNU_Cam2_PoselongueClick(); }

void TFRM_Alv::TMR_InsisteTimer()
{
    TMR_Insiste->stop();
    // The image button pressed once more, as the slot's mode has it.
    if (InsistStep == 0)
        ShowCaptureMode(1);
    else if (InsistStep == 4)
        ShowCaptureMode(2);
}

void TFRM_Alv::BTN_TurboClick(int slot)
{
    if (!hasCaptureWindow(slot))
        return;
    const ModeControls c = modeControls(*this, slot);
    auto& s = CameraSlots[slot];
    if (!s.streamMode) {
        c.stop->setEnabled(false);
        c.timer->stop();
        StartSequence(slot);
        if (!s.streamMode) {
            c.stop->setEnabled(true);
            c.timer->start();
        }
    } else {
        stopSequence(slot);
        c.stop->setEnabled(true);
        s.streamMode = 0;
        c.timer->start();
    }
    ShowCaptureMode(slot);
}

void TFRM_Alv::ConnectCameraModeHandlers()
{
    TMR_Insiste = new QTimer(this);
    TMR_Insiste->setObjectName(QStringLiteral("TMR_Insiste"));
    TMR_Insiste->setInterval(200);
    connect(TMR_Insiste, &QTimer::timeout, this,
            [this] { app::runGuarded(QStringLiteral("TMR_Insiste"), [this] { TMR_InsisteTimer(); }); });
    using H = std::function<void()>;
    const std::pair<const char*, H> names[] = {
        {"FRM_Alv.MNU_Cam1_ImageClick", [] { if (FRM_Alv) FRM_Alv->MNU_Cam1_ImageClick(); }},
        {"FRM_Alv.MNU_Cam2_ImageClick", [] { if (FRM_Alv) FRM_Alv->MNU_Cam2_ImageClick(); }},
        {"FRM_Alv.MNU_Cam1_StreamClick", [] { if (FRM_Alv) FRM_Alv->MNU_Cam1_StreamClick(); }},
        {"FRM_Alv.MNU_Cam2_StreamClick", [] { if (FRM_Alv) FRM_Alv->MNU_Cam2_StreamClick(); }},
        {"FRM_Alv.MNU_Cam1_PoseLongueClick", [] { if (FRM_Alv) FRM_Alv->MNU_Cam1_PoseLongueClick(); }},
        {"FRM_Alv.MNU_Cam2_PoselongueClick", [] { if (FRM_Alv) FRM_Alv->MNU_Cam2_PoselongueClick(); }},
        {"FRM_Alv.SPDB_Cam1_ImageClick", [] { if (FRM_Alv) FRM_Alv->SPDB_Cam1_ImageClick(); }},
        {"FRM_Alv.SPDB_Cam2_ImageClick", [] { if (FRM_Alv) FRM_Alv->SPDB_Cam2_ImageClick(); }},
        {"FRM_Alv.SPDB_Cam1_StreamClick", [] { if (FRM_Alv) FRM_Alv->SPDB_Cam1_StreamClick(); }},
        {"FRM_Alv.SPDB_Cam2_StreamClick", [] { if (FRM_Alv) FRM_Alv->SPDB_Cam2_StreamClick(); }},
        {"FRM_Alv.SPDB_Cam1_PoseLongueClick", [] { if (FRM_Alv) FRM_Alv->SPDB_Cam1_PoseLongueClick(); }},
        {"FRM_Alv.SPDB_Cam2_PoseLongueClick", [] { if (FRM_Alv) FRM_Alv->SPDB_Cam2_PoseLongueClick(); }},
    };
    for (const auto& [name, handler] : names)
        Settings::RegisterHandler(QString::fromLatin1(name), handler);
}
