// The main window's camera slots: the start of a slot with its driver choice,
// and the stop. The frames themselves: frm_alv_frames.cpp.

#include "app/frm_alv.h"
#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "app/settings.h"
#include "app/ui/control_adapters.h"
#include "app/ui/event_boundary.h"
#include "app/ui/widget_message_service.h"
#include "capture/avi_compression.h"
#include "capture/avi_reader.h"
#include "capture/camera_slots.h"
#include "capture/camera_control_lib.h"
#include "capture/capture_helpers.h"
#include "capture/driver_list.h"
#include "capture/file_sources.h"
#include "capture/frame_timers.h"
#include "capture/long_exposure.h"
#include "capture/port_io.h"
#include "platform/com_io.h"
#include "capture/frm_longuepose.h"
#include "capture/frm_pilote.h"
#include "capture/frm_play_control.h"
#include "capture/plugin_mgr.h"
#include "capture/slot_sources.h"
#include "capture/wdm_capture.h"
#include "imaging/display_helpers.h"
#include "imaging/display_zone.h"
#include "imaging/overlays.h"
#include "imaging/frame_helpers.h"
#include "imaging/process_frame.h"
#include "imaging/pipeline_state.h"
#include "kernels/rounding.h"
#include "scripting/scripts.h"
#include "telescope/frm_detect_mvt.h"
#include "telescope/frm_tool_suivi.h"
#include "tools/frm_info.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"
#include "tools/frm_tool_mesures.h"
#include "translation/translated_texts.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

// The controls of one slot, so the twin handlers share one body.
struct SlotControls {
    QAction *demarrer, *arreter, *format, *source, *stream, *wdmControl, *poseLongue, *image, *pilote;
    QToolButton *start, *startB, *stop, *stopB, *formatBtn, *formatB, *sourceBtn, *sourceB;
    QToolButton *imageBtn, *imageB, *streamBtn, *streamB, *poseBtn, *poseB, *wdmBtn, *wdmB;
    QTimer* timer;
    TImageView* view;
};

SlotControls controls(TFRM_Alv& w, int slot)
{
    if (slot == 1)
        return {w.MNU_Cam1_Demarrer, w.MNU_Cam1_Arreter, w.MNU_Cam1_Format, w.MNU_Cam1_Source, w.MNU_Cam1_Stream,
                w.MNU_Cam1_WDMControl, w.MNU_Cam1_PoseLongue, w.MNU_Cam1_Image, w.MNU_Cam1_Pilote,
                w.SPDB_Cam1_Start, w.SPDB_Cam1_Start_B, w.SPDB_Cam1_Stop, w.SPDB_Cam1_Stop_B, w.SPDB_Cam1_Format,
                w.SPDB_Cam1_Format_B, w.SPDB_Cam1_Source, w.SPDB_Cam1_Source_B, w.SPDB_Cam1_Image,
                w.SPDB_Cam1_Image_B, w.SPDB_Cam1_Stream, w.SPDB_Cam1_Stream_B, w.SPDB_Cam1_PoseLongue,
                w.SPDB_Cam1_PoseLongue_B, w.SPDB_Cam1_WDMControl, w.SPDB_Cam1_WDMControl_B, w.Timer_Cam1, w.Image1};
    return {w.MNU_Cam2_Demarrer, w.MNU_Cam2_Arreter, w.MNU_Cam2_Format, w.MNU_Cam2_Source, w.MNU_Cam2_Stream,
            w.MNU_Cam2_WDMControl, w.MNU_Cam2_Poselongue, w.MNU_Cam2_Image, w.MNU_Cam2_Pilote,
            w.SPDB_Cam2_Start, w.SPDB_Cam2_Start_B, w.SPDB_Cam2_Stop, w.SPDB_Cam2_Stop_B, w.SPDB_Cam2_Format,
            w.SPDB_Cam2_Format_B, w.SPDB_Cam2_Source, w.SPDB_Cam2_Source_B, w.SPDB_Cam2_Image,
            w.SPDB_Cam2_Image_B, w.SPDB_Cam2_Stream, w.SPDB_Cam2_Stream_B, w.SPDB_Cam2_Poselongue,
            w.SPDB_Cam2_PoseLongue_B, w.SPDB_Cam2_WDMControl, w.SPDB_Cam2_WDMControl_B, w.Timer_Cam2, w.Image2};
}

void setButton(QToolButton* b, bool enabled, bool down)
{
    b->setEnabled(enabled);
    b->setChecked(down);
}

void setOnline(int slot, bool online)
{
    (slot == 1 ? Scripts::Cam1Online : Scripts::Cam2Online) = online;
}

bool vestaMod()
{
    return FRM_Pref && FRM_Pref->CKB_VestaMod->isChecked();
}

// The display zone's height for the current slot's frame of height h: its
// width over the frame's aspect, at least 20 pixels or the frame's height.
void setDisplayZoneHeight(int h)
{
    auto* a = FRM_Tool_Affichage;
    if (!(FrameAspect > 0))
        return;
    const double fromWidth = kernels::roundHalfEven(double(a->TNI_Taille_ZAffich->Value()) / FrameAspect);
    const double height = kernels::roundHalfEven(std::min(double(std::max(h, 20)), fromWidth) - 0.5);
    a->TNI_Taille_ZAffichV->SetValue(std::clamp<long double>(height, a->TNI_Taille_ZAffichV->Min(),
                                                             a->TNI_Taille_ZAffichV->Max()));
}

// The display zone of the current slot's frame of w x h: the whole frame,
// as a start gives it.
void fitZoneToFrame(int w, int h)
{
    auto* a = FRM_Tool_Affichage;
    FrameAspect = double(w) / h;
    auto* bar = a->SCB_Taille_ZAffich;
    bar->setMaximum(w);
    bar->setValue(w);
    a->SCB_Taille_ZAffichV->setMaximum(h);
    a->SCB_Taille_ZAffichV->setValue(h);
    a->TNI_Taille_ZAffich->SetValue(bar->value());
    setDisplayZoneHeight(h);
}

} // namespace

void Capture::FitZoneToCurrentSlot(std::uint8_t previous)
{
    if (!FRM_Alv || !FRM_Tool_Affichage)
        return;
    // A running addition ends first and keeps what it built: the other
    // camera's frames, of another size or binning, are not added to it.
    if (previous != CurrentCameraSlot && FRM_Tool_Images && FRM_Tool_Images->BTN_Arreter_Add->isEnabled())
        FRM_Alv->BTN_Arreter_AddClick();
    const int slot = CurrentCameraSlot == 2 ? 2 : 1;
    const int w = CameraSlots[slot].width, h = CameraSlots[slot].height;
    if (w <= 0 || h <= 0)
        return;
    // A zone centred outside the new frame comes to its middle.
    if (!QRect(0, 0, w, h).contains(DisplayZoneCenter)) {
        DisplayZoneCenter = QPoint(w / 2, h / 2);
        DisplayZoneOffset = QPoint(0, 0);
    }
    fitZoneToFrame(w, h);
    Align_V::ClearImage3();
    FRM_Alv->SCB_Taille_ZAffichChange();
}

void Capture::FitDetectionZoneToGuideSlot()
{
    auto* a = FRM_Tool_Affichage;
    const int slot = GuideSourceSlot == 2 ? 2 : 1;
    const int w = CameraSlots[slot].width, h = CameraSlots[slot].height;
    if (!a || w <= 0 || h <= 0)
        return;
    auto* bar = a->SCB_Taille_ZDetect;
    bar->setMaximum(std::min(480, std::max(1, w)));
    a->TNI_Taille_ZDetect->SetValue(
        std::min<long double>(kernels::roundHalfEven(static_cast<double>(a->TNI_Taille_ZDetect->Value())), bar->maximum()));
    const int d = bar->value() / 2;
    QPoint star = TrackedStarPos;
    if (star.x() > w - 1)
        star.setX(std::clamp(w - d - 1, 0, w - 1));
    if (star.y() > h - 1)
        star.setY(std::clamp(h - d - 1, 0, h - 1));
    if (star == TrackedStarPos)
        return;
    // The display zone stays where it is shown; tracking brings it along.
    PreviousTrackedStarPos = TrackedStarPos;
    TrackedStarPos = star;
    ZoneMoved = 1;
}

void Capture::GuideSlotChanged(std::uint8_t previous)
{
    if (previous == GuideSourceSlot)
        return;
    FitDetectionZoneToGuideSlot();
    TFRM_Tool_Suivi* t = FRM_Tool_Suivi;
    if (!FRM_Alv || !t || !t->CKB_Suivi->isChecked())
        return;
    // The slot no longer guided gets its format back, as when tracking stops.
    const bool one = previous == 1;
    (one ? FRM_Alv->SPDB_Cam1_Format : FRM_Alv->SPDB_Cam2_Format)->setEnabled(true);
    (one ? FRM_Alv->MNU_Cam1_Format : FRM_Alv->MNU_Cam2_Format)->setEnabled(true);
    t->CKB_SuiviClick();
}

void TFRM_Alv::ConnectCaptureHandlers()
{
    // Frame timers fire on time: a 33 ms timer must not drift to 35 ms.
    for (QTimer* t : {Timer_Cam1, Timer_Cam2}) {
        t->setTimerType(Qt::PreciseTimer);
        t->setSingleShot(false);
    }
    connect(Timer_Cam1, &QTimer::timeout, this, [this] { app::runGuarded(QStringLiteral("Timer_Cam1"), [this] { Timer_Cam1Timer(); }); });
    connect(Timer_Cam2, &QTimer::timeout, this, [this] { app::runGuarded(QStringLiteral("Timer_Cam2"), [this] { Timer_Cam2Timer(); }); });
    app::bindMenuItemClick(MNU_Cam1_Demarrer, this, &TFRM_Alv::MNU_Cam1_DemarrerClick);
    app::bindMenuItemClick(MNU_Cam2_Demarrer, this, &TFRM_Alv::MNU_Cam2_DemarrerClick);
    app::bindMenuItemClick(MNU_Cam1_Arreter, this, &TFRM_Alv::MNU_Cam1_ArreterClick);
    app::bindMenuItemClick(MNU_Cam2_Arreter, this, &TFRM_Alv::MNU_Cam2_ArreterClick);
    app::bindSpeedButtonClick(SPDB_Cam1_Start, this, &TFRM_Alv::SPDB_Cam1_StartClick);
    app::bindSpeedButtonClick(SPDB_Cam1_Start_B, this, &TFRM_Alv::SPDB_Cam1_StartClick);
    app::bindSpeedButtonClick(SPDB_Cam2_Start, this, &TFRM_Alv::SPDB_Cam2_StartClick);
    app::bindSpeedButtonClick(SPDB_Cam2_Start_B, this, &TFRM_Alv::SPDB_Cam2_StartClick);
    app::bindSpeedButtonClick(SPDB_Cam1_Stop, this, &TFRM_Alv::SPDB_Cam1_StopClick);
    app::bindSpeedButtonClick(SPDB_Cam1_Stop_B, this, &TFRM_Alv::SPDB_Cam1_StopClick);
    app::bindSpeedButtonClick(SPDB_Cam2_Stop, this, &TFRM_Alv::SPDB_Cam2_StopClick);
    app::bindSpeedButtonClick(SPDB_Cam2_Stop_B, this, &TFRM_Alv::SPDB_Cam2_StopClick);
    // The open menus and buttons, the script engine and the player reach the
    // file sources by name.
    Settings::RegisterHandler(QStringLiteral("FRM_Alv.MNU_Ouvrir_ImageClick"), [] { if (FRM_Alv) FRM_Alv->MNU_Ouvrir_ImageClick(); });
    Settings::RegisterHandler(QStringLiteral("FRM_Alv.MNU_Ouvrir_DarkClick"), [] { if (FRM_Alv) FRM_Alv->MNU_Ouvrir_DarkClick(); });
    Settings::RegisterHandler(QStringLiteral("FRM_Alv.MNU_Ouvrir_FlatClick"), [] { if (FRM_Alv) FRM_Alv->MNU_Ouvrir_FlatClick(); });
    Settings::RegisterHandler(QStringLiteral("FRM_Alv.LoadImage"), [] { if (FRM_Alv) FRM_Alv->LoadImage(); });
    ConnectCameraMenuHandlers();
    ConnectCameraModeHandlers();
    ConnectLongExposureHandlers();
}

// ---- Start -----------------------------------------------------------------

namespace {

// The slot has a camera open (a stream or plug-in camera may wait there
// under a file source).
bool slotHasCamera(int slot)
{
    return GrabDevices[slot] || (WdmCaptures[slot] && WdmCaptures[slot]->Running())
           || CameraSlots[slot].pluginHandle != 0;
}

// What a camera start takes from the sources in place: the file source and
// the play of its player, and the frame timers. Given back whole when no
// camera starts.
struct SourcesHeld {
    std::uint8_t fileSource = 0;
    QToolButton* playing = nullptr;   // the player's play button that was down
    bool playerShown = false;
    std::array<bool, 3> timerRan{};
    // The file source's slot, when the start is on it: a camera that opened
    // there and was refused may have laid the slot out at its own size.
    int width = 0, height = 0;
    kernels::Bitmap24 frame;
};

SourcesHeld holdSources(TFRM_Alv& w, int slot)
{
    SourcesHeld h;
    h.timerRan = {false, w.Timer_Cam1->isActive(), w.Timer_Cam2->isActive()};
    h.fileSource = PlayerActive;
    if (!PlayerActive)
        return h;
    if (TFRM_PlayControl* p = FRM_PlayControl) {
        h.playerShown = p->isVisible();
        for (QToolButton* b : {p->SPDB_PlayForward, p->SPDB_PlayBackwards})
            if (b->isChecked())
                h.playing = b;
    }
    if (PlayerSlot == slot) {
        h.width = CameraSlots[slot].width;
        h.height = CameraSlots[slot].height;
        if (SlotBitmaps[slot][0])
            h.frame = *SlotBitmaps[slot][0];
    }
    return h;
}

void giveBack(TFRM_Alv& w, SourcesHeld& h)
{
    if (h.fileSource) {
        const int slot = PlayerSlot == 2 ? 2 : 1;
        if (!h.frame.isEmpty()) {
            CameraSlots[slot].width = h.width;
            CameraSlots[slot].height = h.height;
            if (SlotBitmaps[slot][0])
                *SlotBitmaps[slot][0] = std::move(h.frame);
        }
        PlayerActive = h.fileSource;
        if (TFRM_PlayControl* p = FRM_PlayControl) {
            if (h.playing)
                p->Press(h.playing);
            if (h.playerShown && !p->isVisible())
                p->show();
        }
    }
    // The timers of what still runs: the file source's, and a camera's that
    // the start did not let go.
    for (int slot : {1, 2})
        if (h.timerRan[slot] && ((h.fileSource && slot == PlayerSlot) || slotHasCamera(slot)))
            (slot == 1 ? w.Timer_Cam1 : w.Timer_Cam2)->start();
}

} // namespace

bool TFRM_Alv::StartCamera(int slot)
{
    SourcesHeld held = holdSources(*this, slot);
    TFRM_PlayControl* p = FRM_PlayControl;
    if (held.playing && p) {
        // The tick of the file's own slot stops the play at the frame shown.
        p->Press(p->SPDB_Stop);
        FrameTick(PlayerSlot);
    }
    if (slot == 1 || held.playing)
        (slot == 1 ? Timer_Cam1 : Timer_Cam2)->stop();
    PlayerActive = 0;
    if (!Start(slot)) {
        giveBack(*this, held);
        return false;
    }
    // Camera 1 runs: the film read and the video written let go.
    if (slot == 1) {
        if (AviFileOpen)
            CloseAviFile();
        if (AviWriter) {
            AviWriter->Close();
            AviWriter.reset();
        }
    }
    return true;
}

void TFRM_Alv::MNU_Cam1_DemarrerClick()
{
    StartCamera(1);
}

void TFRM_Alv::MNU_Cam2_DemarrerClick()
{
    Align_V::StartCamera2();
}

void TFRM_Alv::SPDB_Cam1_StartClick()
{
    MNU_Cam1_DemarrerClick();
}

void TFRM_Alv::SPDB_Cam2_StartClick()
{
    MNU_Cam2_DemarrerClick();
}

void Align_V::StartCamera2()
{
    if (FRM_Alv)
        FRM_Alv->StartCamera(2);
}

bool TFRM_Alv::GetDriver(int slot)
{
    TFRM_Pilote dialog;
    const std::vector<TDriver> list = Capture::BuildDriverList(slot);
    for (const TDriver& d : list)
        dialog.ComboBox1->addItem(d.Line());
    if (dialog.ComboBox1->count() > 0)
        dialog.ComboBox1->setCurrentIndex(0);
    // The choice waits for its answer: it stands above every window, those
    // kept on top included, or the program would seem frozen behind them.
    if (app::ExecInFront(dialog) != QDialog::Accepted)
        return false;
    const int i = dialog.ComboBox1->currentIndex();
    auto& s = CameraSlots[slot];
    if (i >= CaptureDeviceCount) {
        WdmDeviceIndex[slot] = i - CaptureDeviceCount;
        s.driverListIndex = i;
        s.sourceKind = 3;
    } else if (i >= VfwDriverCount) {
        WdmDeviceIndex[slot] = i - VfwDriverCount;
        s.sourceKind = 1;
    } else {
        // Also an empty list: line -1, which no grab device answers.
        s.driverListIndex = i;
        s.sourceKind = 0;
    }
    return true;
}

void TFRM_Alv::ReleaseStartButtons(int slot)
{
    const SlotControls c = controls(*this, slot);
    c.start->setChecked(false);
    c.startB->setChecked(false);
}

bool TFRM_Alv::Start(int slot)
{
    if (slot != 1 && slot != 2)
        return false;
    if (PlayerActive) {
        if (!StartFileSource(slot))
            return false;
        StartCommonTail(slot, false);
        FinishFileSourceStart(slot);
        return true;
    }
    if (!StartCameraSource(slot))
        return false;
    StartCommonTail(slot, true);
    return true;
}

// Whether each slot holds a reference on the camera-control library.
static std::array<bool, 3> g_ledLibraryTaken{};

// The serial channel of the long-exposure lines. The port is named by
// characters 7 to 10 of the port text ("$03F8(COM1)"); a text that is itself
// a port name ("COM1", as the shipped port list has it) names it directly.
// A port that cannot be opened is told; the start goes on, and a series
// started on it is refused, its lines not switching.
static void OpenLongExposureChannel(const QString& text)
{
    namespace com = platform::com_io;
    // The COM name of the entry: "$03F8(COM1)", "      COM12" and "COM12"
    // all name theirs; any other text is tried as it stands.
    static const QRegularExpression comName(QStringLiteral("COM\\d+"), QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = comName.match(text);
    const QString name = match.hasMatch() ? match.captured(0) : text.trimmed();
    try {
        if (!com::open_com(kLongExposureChannel, name.toUpper()))
            LongExposure::TellLinesFailure(TranslatedTexts.MSG_Poses_Longues_Port_Invalide.arg(text));
    } catch (const com::ExCom& e) {
        LongExposure::TellLinesFailure(e.message());
    }
}

// A camera modified for long exposures. On the parallel port the odd-line,
// even-line and amplifier lines go to their active level, and the
// long-exposure line too unless it is permanent. A USB camera is prepared
// through the camera-control library, its results told in the message
// window. On a serial port RTS and DTR take their initial levels.
// Lines that cannot be switched are told once.
static void PrepareLongExposureLines(int slot)
{
    if (!vestaMod())
        return;
    LongExposure::ForgetLinesFailure();
    if (FRM_Pref->RDB_QV_Parallel->isChecked()) {
        LongExposure::ChangePort(QStringLiteral("Start"), [](std::uint8_t v) {
            const auto& p = LongExposureParams;
            v |= static_cast<std::uint8_t>((p.OddLineActive << p.OddLineBit) | (p.EvenLineActive << p.EvenLineBit)
                                           | (p.AmpActive << p.AmpBit));
            if (!FRM_Pref->CKB_LongueposePermanent->isChecked())
                v |= static_cast<std::uint8_t>(p.LongExpActive << p.LongExpBit);
            else
                v &= static_cast<std::uint8_t>(~((p.LongExpActive & 1) << p.LongExpBit));
            return v;
        });
        return;
    }
    if (FRM_Pref->RDB_QV_Serial->isChecked()) {
        OpenLongExposureChannel(FRM_Pref->CBX_Vesta_Port->currentText());
        LongExposure::SetSerialLines(FRM_Pref->TNI_Initialisation_RTS->Value(), FRM_Pref->TNI_Initialisation_DTR->Value());
        return;
    }
    if (!g_ledLibraryTaken[slot])
        g_ledLibraryTaken[slot] = Align_V::LoadLedControlDll();
    const TLedControlProcs& p = LedControlProcs;
    LedControlResult = p.InitLedCtrl ? p.InitLedCtrl() : 1;
    Msg::ShowMessageText(false, QStringLiteral("InitLedCtrl = ") + QString::number(LedControlResult));
    if (LedControlResult == 0)
        LedControlResult = p.EnumCams ? p.EnumCams() : 1;
    if (LedControlResult != 0) {
        Msg::ShowMessageText(false, QStringLiteral("EnumCams = -1 !!"));
        return;
    }
    LedControlResult = p.SetCam ? p.SetCam(0) : 1;
    if (p.CamTrigger)
        LedControlResult = p.CamTrigger(FRM_Pref->RDB_Ledlex_off_fixe->isChecked() ? 0 : 1);
    Msg::ShowMessageText(false, QStringLiteral("ResLedLex = ") + QString::number(LedControlResult));
}

// The stop gives the library back.
static void ReleaseLedLibrary(int slot)
{
    if (g_ledLibraryTaken[slot])
        Align_V::FreeLedControlDll();
    g_ledLibraryTaken[slot] = false;
}

bool TFRM_Alv::StartCameraSource(int slot)
{
    auto& s = CameraSlots[slot];
    setOnline(slot, false);
    if (!GetDriver(slot)) {
        ReleaseStartButtons(slot);
        return false;
    }
    s.driverIndex = s.sourceKind == 0 ? s.driverListIndex : WdmDeviceIndex[slot];
    if (FRM_PlayControl)
        FRM_PlayControl->hide();
    PrepareLongExposureLines(slot);

    // A start never leaves an earlier source of the slot running.
    Capture::ReleaseSlotSource(slot);
    auto refuse = [&] {
        Capture::ReleaseSlotSource(slot);
        ReleaseStartButtons(slot);
        return false;
    };
    auto cannotStart = [&] {
        Msg::ShowMessageText(true, TranslatedTexts.MSG_Cannot_Start_Cam1 + QLatin1Char(' ') + QString::number(slot)
                                       + TranslatedTexts.MSG_Cannot_Start_Cam2);
        return refuse();
    };
    switch (s.sourceKind) {
    case 0:
        if (!Capture::OpenGrabDevice(slot)) {
            s.driverListIndex = -1;
            s.driverIndex = -1;
            return cannotStart();
        }
        Align_V::DumpCaptureFormat(slot);
        break;
    case 1:
        if (!Capture::OpenStreamDevice(slot)) {
            const QString why = WdmCaptures[slot] ? WdmCaptures[slot]->LastError : QString();
            const bool started = cannotStart();
            if (!why.isEmpty())
                Msg::ShowMessageText(false, why);   // permission, busy device, refused format
            return started;
        }
        SlotModes[slot] = 2;
        Align_V::CopyWdmFrameSize(slot);
        break;
    case 3:
        switch (Capture::OpenPluginCamera(slot)) {
        case Capture::PluginStart::Started:
            break;
        case Capture::PluginStart::Unavailable:
            return cannotStart();
        case Capture::PluginStart::ConnectFailed:
            return refuse();   // the plug-in tells its own reasons
        }
        Align_V::ReadPluginFrameSize(slot);
        break;
    default:
        return cannotStart();
    }
    if (!Align_V::CheckFrameSize(slot))
        return refuse();
    // The camera's frames fill the slot's live bitmap, whatever size an
    // earlier source (a smaller picture or film) left it.
    Capture::LayLiveBitmap(slot, s.width, s.height);
    if (FRM_Tool_Affichage) {
        if (slot == 1)
            FRM_Tool_Affichage->CBX_Cam1_IPSChange();
        else
            FRM_Tool_Affichage->CBX_Cam2_IPSChange();
    }
    setOnline(slot, true);
    return true;
}

void TFRM_Alv::StartCommonTail(int slot, bool camera)
{
    auto& s = CameraSlots[slot];
    const int w = s.width, h = s.height;
    const SlotControls c = controls(*this, slot);

    // Zones: centred after a file start, else rescaled with the frame.
    if (ZoneResetPending) {
        ZoneAnchor = QPoint(w / 2, h / 2);
        s.previousWidth = w;
        s.previousHeight = h;
        TrackedStarPos = DisplayZoneCenter = QPoint(w / 2, h / 2);
        DisplayZoneOffset = QPoint(0, 0);
        ZoneResetPending = 0;
        if (FRM_Tool_Affichage) {
            FRM_Tool_Affichage->SCB_Taille_ZAffich->setEnabled(true);
            FRM_Tool_Affichage->SCB_Taille_ZAffichV->setEnabled(FRM_Tool_Affichage->RDB_Ratio_Libre->isChecked());
            FRM_Tool_Affichage->SCB_Taille_ZDetect->setEnabled(true);
        }
    } else if (s.previousWidth > 0 && s.previousHeight > 0 && w != s.previousWidth && h != s.previousHeight) {
        // The display zone of the slot shown is anchored where it stands; a
        // new format moves the anchor with the frame and the zone follows,
        // so that it shows the same part of the picture.
        const bool shown = slot == CurrentCameraSlot;
        if (shown)
            ZoneAnchor = DisplayZoneCenter;
        ZoneAnchor = QPoint(static_cast<int>(kernels::roundHalfEvenToInt(double(ZoneAnchor.x()) * w / s.previousWidth)),
                            static_cast<int>(kernels::roundHalfEvenToInt(double(ZoneAnchor.y()) * h / s.previousHeight)));
        if (shown)
            DisplayZoneCenter = ZoneAnchor;
        s.previousWidth = w;
        s.previousHeight = h;
    }

    if (slot == CurrentCameraSlot && FRM_Tool_Affichage && h > 0)
        fitZoneToFrame(w, h);
    // The image scale and field for the new frame: the field from its size.
    if (FRM_Tool_Mesures) {
        FRM_Tool_Mesures->TNI_Lx->SetValue(w);
        FRM_Tool_Mesures->TNI_Ly->SetValue(h);
    }
    Settings::SetAngleUnitCaptions(slot);
    if (slot == GuideSourceSlot && FRM_Tool_Affichage) {
        auto* bar = FRM_Tool_Affichage->SCB_Taille_ZDetect;
        auto* size = FRM_Tool_Affichage->TNI_Taille_ZDetect;
        size->SetValue(bar->value());
        bar->setMaximum(std::min(480, std::max(1, w)));
        size->SetValue(std::min<long double>(kernels::roundHalfEven(static_cast<double>(size->Value())), bar->maximum()));
        ZoneMoved = 1;
        PreviousTrackedStarPos = TrackedStarPos;
        // A star left outside by a larger source before comes inside.
        Capture::FitDetectionZoneToGuideSlot();
    }
    Align_V::ClearImage3();
    SCB_Taille_ZAffichChange();   // the result view takes the new frame size

    if (camera) {
        c.demarrer->setEnabled(false);
        c.start->setEnabled(false);
        c.startB->setEnabled(false);
        for (QAction* a : {c.arreter, c.format, c.source})
            a->setEnabled(true);
        for (QToolButton* b : {c.stop, c.stopB, c.formatBtn, c.formatB, c.sourceBtn, c.sourceB})
            setButton(b, true, false);
        c.imageBtn->setEnabled(true);
        c.imageB->setEnabled(true);
        // The mode menu offers what the buttons offer: a stop took its items
        // away, and a camera always has its image mode.
        c.image->setEnabled(true);
        const int kind = s.sourceKind;
        c.stream->setEnabled(kind == 0);
        c.streamBtn->setEnabled(kind == 0);
        c.streamB->setEnabled(kind == 0);
        c.wdmControl->setEnabled(kind == 1);
        c.wdmBtn->setEnabled(kind == 1);
        c.wdmB->setEnabled(kind == 1);
        const bool longExp = kind == 0 ? vestaMod() : kind == 3 && slot == 1;
        setButton(c.poseBtn, longExp, false);
        setButton(c.poseB, kind == 0 && vestaMod(), false);
        // A grab camera's long exposures with the modified camera, as the
        // Preferences give them; a plug-in camera's were given at its start.
        if (kind == 0)
            c.poseLongue->setEnabled(vestaMod());
        ShowCaptureMode(slot);   // a start runs in image mode
    }

    // The source view takes the frame size, black.
    if (w > 0 && h > 0) {
        c.view->resize(w, h);
        c.view->SetPictureSize(w, h);
        kernels::fillRect(c.view->Bitmap(), kernels::boundsOf(c.view->Bitmap()), kernels::kBlack);
        c.view->Changed();
    }
    if (FRM_Info)
        FRM_Info->Img_Histogramme->resize(FRM_Info->Img_Histogramme->size());

    PipelineActive = 1;
    Align_V::InvalidateMotionReference();
    const std::uint8_t kind = Align_V::GetIntegrationKind();   // 1 dark, 2 flat, 0 image
    if (camera)
        DeepImagePlanes().clear(kind);
    AdditionFrameCount[kind] = 1;
    SetOperationsSource(true);
    if (FRM_Tool_Images) {
        FRM_Tool_Images->CKB_Integration->setEnabled(true);
        FRM_Tool_Images->CKB_Selection->setEnabled(true);
    }
    if (FRM_Tool_Suivi) {
        FRM_Tool_Suivi->CKB_Suivi->setEnabled(true);
        FRM_Tool_Suivi->BTN_SetDerive->setEnabled(true);
    }
    if (FRM_Tool_Mesures) {
        FRM_Tool_Mesures->CKB_Reticule->setEnabled(true);
        FRM_Tool_Mesures->BTN_Def_Declinaison->setEnabled(true);
    }
    if (FRM_Detect_Mvt)
        FRM_Detect_Mvt->CKB_Detection_Mvt->setEnabled(true);
    if (FRM_Tool_Affichage) {
        FRM_Tool_Affichage->CKB_MAP->setEnabled(true);
        for (QWidget* centring : std::initializer_list<QWidget*>{FRM_Tool_Affichage->BTN_Centrer_Detect,
                                                                 FRM_Tool_Affichage->BTN_Centrer_Affich,
                                                                 FRM_Tool_Affichage->BTN_Centrer_Affich_Mire})
            centring->setEnabled(true);
    }
    Align_V::RedrawDisplayZone(static_cast<std::uint8_t>(slot));
    Capture::ResetFrameRate(slot);

    if (!camera)
        return;   // the file source finishes its own start

    if (s.sourceKind == 0 && FRM_Tool_Affichage) {
        const auto* refresh = slot == 1 ? FRM_Tool_Affichage->TNI_Cam1_Tps_Rafraichissement
                                        : FRM_Tool_Affichage->TNI_Cam2_Tps_Rafraichissement;
        c.timer->setInterval(static_cast<int>(std::max<std::int64_t>(1, kernels::roundHalfEvenToInt(double(refresh->Value())))));
        c.timer->start();
    }
    // The reticle at the new scale, now that the slot delivers frames.
    if (FRM_Tool_Mesures)
        FRM_Tool_Mesures->CKB_ReticuleClick();
}

// ---- Stop ------------------------------------------------------------------

void TFRM_Alv::MNU_Cam1_ArreterClick()
{
    step(QStringLiteral("MNU_Cam1_ArreterClick"));
    StopSlot(1);
}

void TFRM_Alv::MNU_Cam2_ArreterClick()
{
    step(QStringLiteral("MNU_Cam2_ArreterClick"));
    StopSlot(2);
}

void TFRM_Alv::SPDB_Cam1_StopClick()
{
    // A grab-family capture of the slot in progress keeps its source.
    if (CameraSlots[1].captureInProgress && CameraSlots[1].sourceKind == 0)
        return;
    MNU_Cam1_ArreterClick();
    SPDB_Cam1_Stop->setEnabled(false);
    SPDB_Cam1_Start->setEnabled(true);
}

void TFRM_Alv::SPDB_Cam2_StopClick()
{
    MNU_Cam2_ArreterClick();
}

void TFRM_Alv::StopSlot(int slot)
{
    const SlotControls c = controls(*this, slot);
    auto& s = CameraSlots[slot];
    const bool started = slotHasCamera(slot);
    // The exposure cycle of the slot stops first, as the long-exposure
    // window's stop does: no line switches and no frame is saved afterwards.
    if (CKB_Longuepose_Active->isChecked() && (LongExposureRunning[slot] || slot == CurrentCameraSlot)) {
        if (FRM_Longuepose)
            FRM_Longuepose->BTN_Arreter_PoseClick();
        else
            CKB_Longuepose_Active->setChecked(false);
    }
    LongExposureRunning[slot] = 0;
    ExposureTimerRearm = 0;
    GuideTimerRearm = 0;
    PluginExposurePending = false;
    if (started)
        RestLongExposureLines(slot);
    TMR_Exposure->stop();
    TMR_Exposure_Guide->stop();
    if (slot == 1 && s.pluginCamera >= 0 && s.pluginHandle != 0) {
        if (TCameraRecord* cam = Capture::SlotPluginCamera(1);
            cam && cam->Camera.Api->camera_getmaxexposure(s.pluginHandle) >= 1000) {
            MNU_Cam1_PoseLongue->setEnabled(false);
            SPDB_Cam1_PoseLongue->setEnabled(false);
        }
    }
    Capture::ReleaseSlotSource(slot);
    ReleaseLedLibrary(slot);
    s.captureInProgress = 0;
    PipelineActive = 0;
    Align_V::EndLearningOnSourceStop(slot);

    const bool guides = FRM_Tool_Affichage
                        && (slot == 1 ? FRM_Tool_Affichage->CKB_Src1_Autoguidage : FRM_Tool_Affichage->CKB_Src2_Autoguidage)
                               ->isChecked();
    if (slot == 2 || guides) {
        DropOperation();   // no measurement goes on without its source
        SetOperationsSource(false);
    }

    setButton(c.stop, false, true);
    setButton(c.stopB, false, true);
    setButton(c.start, true, false);
    setButton(c.startB, true, false);
    for (QToolButton* b : {c.formatBtn, c.formatB, c.wdmBtn, c.wdmB, c.sourceBtn, c.sourceB})
        b->setEnabled(false);
    for (QToolButton* b : {c.imageBtn, c.imageB, c.streamBtn, c.streamB, c.poseBtn, c.poseB})
        setButton(b, false, false);
    for (QAction* a : {c.wdmControl, c.source, c.image, c.stream, c.poseLongue, c.arreter})
        a->setEnabled(false);
    for (QAction* a : {c.demarrer, c.format, c.pilote})
        a->setEnabled(true);
    ShowCaptureMode(slot);

    const bool feedsImage = FRM_Tool_Affichage
                            && (slot == 1 ? FRM_Tool_Affichage->CKB_Src1_Image : FRM_Tool_Affichage->CKB_Src2_Image)
                                   ->isChecked();
    if (feedsImage)
        SavedZoneSize = static_cast<std::int32_t>(FRM_Tool_Affichage->TNI_Taille_ZAffich->Value());
    if (feedsImage && FRM_Tool_Images) {
        // A running addition ends (and keeps what it built) before its source goes.
        if (FRM_Tool_Images->CKB_Integration->isChecked()) {
            BTN_Arreter_AddClick();
            CKB_IntegrationClick();
        }
        FRM_Tool_Images->CKB_Integration->setChecked(false);
        FRM_Tool_Images->CKB_Integration->setEnabled(false);
        FRM_Tool_Images->CKB_Selection->setChecked(false);
        FRM_Tool_Images->CKB_Selection->setEnabled(false);
        if (FRM_Detect_Mvt)
            FRM_Detect_Mvt->CKB_Detection_Mvt->setEnabled(false);
    }
    if (feedsImage && slot == 1)
        SPDB_Cam1_PoseLongue->setEnabled(vestaMod());
    if (guides) {
        SPDB_Executer->setEnabled(false);
        SPDB_Abort->setEnabled(false);
        if (FRM_Tool_Suivi) {
            FRM_Tool_Suivi->CKB_Suivi->setEnabled(false);
            FRM_Tool_Suivi->BTN_SetDerive->setEnabled(false);
        }
        if (FRM_Tool_Mesures) {
            FRM_Tool_Mesures->CKB_Reticule->setEnabled(false);
            FRM_Tool_Mesures->BTN_Def_Declinaison->setEnabled(false);
        }
        FRM_Tool_Affichage->CKB_MAP->setChecked(false);
        FRM_Tool_Affichage->CKB_MAP->setEnabled(false);
    }
    setOnline(slot, false);
}

void TFRM_Alv::StopCaptureWindow(int slot)
{
    // The capture window's own stop; the grab family clears the flag.
    CameraSlots[slot].captureInProgress = 0;
}
