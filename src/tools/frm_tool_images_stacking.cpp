// The image tool's stacking controls ("Integration", "Dark", "Flat" and
// "Selection" pages) and level controls ("Seuils" page). The frame pipeline
// does the adding, the dark and the flat; these handlers set its state,
// prepare the display zone and re-render the result.

#include "tools/frm_tool_images.h"

#include "app/frm_alv.h"
#include "app/ui/control_adapters.h"
#include "capture/camera_slots.h"
#include "capture/frm_play_control.h"
#include "imaging/addition.h"
#include "imaging/display_helpers.h"
#include "imaging/display_zone.h"
#include "imaging/overlays.h"
#include "imaging/pipeline_state.h"
#include "imaging/process_frame.h"
#include "imaging/readout_refresh.h"
#include "imaging/result_render.h"
#include "kernels/raster.h"
#include "kernels/rounding.h"
#include "scripting/scripts.h"
#include "telescope/frm_tool_suivi.h"
#include "tools/frm_small.h"
#include "tools/frm_tool_affichage.h"
#include "tools/util_images.h"

#include <algorithm>
#include <cmath>

namespace {

using Align_V::RenderResult;

constexpr int kLoopZoneMaxWidth = 1280;
constexpr int kLoopZoneMaxHeight = 1024;
constexpr int kSelectionMax = 9999999;
constexpr int kNonEmptyMax = 768;
constexpr int kKeyEnter = 13;

double num(const TCustomNumInp* input)
{
    const double v = double(input->Value());
    return std::isfinite(v) ? v : 0.0;
}

// Sets a numeric input from code, brought into its range.
void setNum(TCustomNumInp* input, double value)
{
    if (std::isfinite(value))
        input->SetValue(std::clamp<long double>(value, input->Min(), input->Max()));
}

// Frame size of the current camera slot.
QSize slotFrameSize()
{
    const auto& s = CameraSlots[CurrentCameraSlot == 2 ? 2 : 1];
    return {std::clamp(s.width, 0, kSlotBitmapSize), std::clamp(s.height, 0, kSlotBitmapSize)};
}

QScrollBar* zoneBarH()
{
    return FRM_Tool_Affichage->SCB_Taille_ZAffich;
}

QScrollBar* zoneBarV()
{
    return FRM_Tool_Affichage->SCB_Taille_ZAffichV;
}

// The vertical bar works only with the free ratio.
void enableZoneBars(bool on)
{
    zoneBarH()->setEnabled(on);
    zoneBarV()->setEnabled(on && FRM_Tool_Affichage->RDB_Ratio_Libre->isChecked());
}

// A maximum below the bar's minimum would move the minimum too.
void setBarMaximum(QScrollBar* bar, int maximum)
{
    bar->setMaximum(std::max(maximum, bar->minimum()));
}

void setZoneBarMaxima(int width, int height)
{
    setBarMaximum(zoneBarH(), width);
    setBarMaximum(zoneBarV(), height);
}

// The whole frame as the zone: both bars at the frame size.
void zoneBarsToFrame(const QSize& frame)
{
    setZoneBarMaxima(frame.width(), frame.height());
    zoneBarH()->setValue(frame.width());
    zoneBarV()->setValue(frame.height());
}

void centreTrackedStar(QPoint centre, bool zeroOffset)
{
    PreviousTrackedStarPos = TrackedStarPos;
    TrackedStarPos = centre;
    if (zeroOffset) {
        PreviousDisplayZoneOffset = DisplayZoneOffset;
        DisplayZoneOffset = QPoint(0, 0);
    }
}

void redrawOutlines()
{
    if (SourceViewShown && ZoneFrameBitmap)
        Align_V::DrawZoneRect(*ZoneFrameBitmap, ZoneImageRect, 1);
    if (FRM_Small && FRM_Small->isVisible() && MiniZoneFrameBitmap)
        Align_V::DrawZoneRect(*MiniZoneFrameBitmap, MiniZoneImageRect, 1);
}

// In dark and flat mode the zone is the whole source view.
void wholeViewAsZone()
{
    DisplayZoneRect = kernels::boundsOf(FRM_Alv->Image1->Bitmap());
    ZoneImageRect = DisplayZoneRect;
}

void freeRing()
{
    if (!FrameRingAllocated)
        return;
    Align_V::FreeFrameRing(FrameRingCount);
    FrameRingCount = 0;
    FrameRingAllocated = false;
}

void scrollZoneWidth(QObject* sender, int position)
{
    FRM_Tool_Affichage->SCB_Taille_ZAffichScroll(sender, 4, position);
}

// Through the read-out refresh, so that a value a streamed frame left
// pending is not shown after these.
void showCounters(TFRM_Tool_Images& t, int kind)
{
    auto& refresh = pipeline::ReadoutRefresh::instance();
    const std::size_t k = std::size_t(kind);
    refresh.setNumber(t.EDT_NBCaps, AdditionFrameCount[k]);
    refresh.setNumber(t.EDT_Decompte, AdditionFrameCount[k]);
    for (auto [input, value] : {std::pair{t.TNI_Max, AdditionMax[k]}, std::pair{t.TNI_Min, AdditionMin[k]}})
        refresh.setValue(input, std::clamp<long double>(value, input->Min(), input->Max()));
}

std::uint8_t currentKind(const TFRM_Tool_Images& t)
{
    return t.RDB_Dark->isChecked() ? 1 : t.RDB_Flat->isChecked() ? 2 : 0;
}

bool running(const TFRM_Tool_Images& t)
{
    return t.CKB_Integration->isChecked() && !t.BTN_Demarrer_Add->isEnabled();
}

bool ready(const TFRM_Tool_Images& t)
{
    return t.CKB_Integration->isChecked() && t.CKB_Integration->isEnabled() && t.BTN_Demarrer_Add->isEnabled();
}

void setRunningControls(TFRM_Tool_Images& t, bool run)
{
    for (QWidget* w : std::initializer_list<QWidget*>{t.BTN_Reset_Add, t.BTN_Demarrer_Add, t.RDB_Unique, t.RDB_Boucle,
                                                       t.RDB_Dark, t.RDB_Flat, t.SPED_Nb_Bitmap, t.CKB_Integration})
        w->setEnabled(!run);
    if (run) {
        zoneBarH()->setEnabled(false);
        zoneBarV()->setEnabled(false);
    } else {
        enableZoneBars(true);
    }
    t.BTN_Arreter_Add->setEnabled(run);
}

} // namespace

void TFRM_Tool_Images::FormCreate()
{
    using namespace app;
    bindCheckBoxClick(CKB_Integration, this, &TFRM_Tool_Images::CKB_IntegrationClick);
    bindRadioClick(RDB_Unique, this, &TFRM_Tool_Images::RDB_UniqueClick);
    bindRadioClick(RDB_Boucle, this, &TFRM_Tool_Images::RDB_BoucleClick);
    bindRadioClick(RDB_Dark, this, &TFRM_Tool_Images::RDB_DarkClick);
    bindRadioClick(RDB_Flat, this, &TFRM_Tool_Images::RDB_FlatClick);
    bindButtonClick(BTN_Demarrer_Add, Handler([this] { BTN_Demarrer_AddClick(); }), this);
    bindButtonClick(BTN_Arreter_Add, this, &TFRM_Tool_Images::BTN_Arreter_AddClick);
    bindButtonClick(BTN_Reset_Add, this, &TFRM_Tool_Images::BTN_Reset_AddClick);
    bindCheckBoxClick(CKB_Visu_Permanente, this, &TFRM_Tool_Images::CKB_Visu_PermanenteClick);
    bindScrollBarChange(SCB_Seuil_dark, this, &TFRM_Tool_Images::SCB_Seuil_darkChange);
    bindSpinEditChange(SPED_RDark, this, &TFRM_Tool_Images::SCB_Seuil_darkChange);
    bindRadioClick(RDB_Dark_Sub, this, &TFRM_Tool_Images::SCB_Seuil_darkChange);
    bindRadioClick(RDB_Dark_Smart, this, &TFRM_Tool_Images::SCB_Seuil_darkChange);
    bindCheckBoxClick(CKB_Active_Flat, this, &TFRM_Tool_Images::CKB_Active_FlatClick);
    bindCheckBoxClick(CKB_Selection, this, &TFRM_Tool_Images::CKB_SelectionClick);
    bindCheckBoxClick(CKB_Nonvide, this, &TFRM_Tool_Images::CKB_NonvideClick);
    bindButtonClick(BTN_Reset_Selection, this, &TFRM_Tool_Images::BTN_Reset_SelectionClick);
    bindScrollBarChange(SCB_Selection, this, &TFRM_Tool_Images::SCB_SelectionChange);

    bindScrollBarScroll(SCB_Minimum, [this](int code, int& pos) { SCB_MinimumScroll(SCB_Minimum, code, pos); }, this);
    bindScrollBarScroll(SCB_Maximum, [this](int code, int& pos) { SCB_MaximumScroll(SCB_Maximum, code, pos); }, this);
    bindNumInpExit(TNI_Seuil_Min, this, &TFRM_Tool_Images::TNI_Seuil_MinExit);
    bindNumInpExit(TNI_Seuil_Max, this, &TFRM_Tool_Images::TNI_Seuil_MaxExit);
    // Enter in the high threshold stores and applies it at once.
    bindEditReturn(TNI_Seuil_Max, Handler([this] { TNI_Seuil_Max->DoExit(); }), this);
    bindCheckBoxClick(CKB_Seuils_Evol, this, &TFRM_Tool_Images::CKB_Seuils_EvolClick);
    bindNumInpExit(TNI_Seuil_MinMin, this, &TFRM_Tool_Images::TNI_Seuil_MinMinExit);
    bindNumInpExit(TNI_Seuil_MinMax, this, &TFRM_Tool_Images::TNI_Seuil_MinMaxExit);
    bindNumInpExit(TNI_Seuil_MaxMin, this, &TFRM_Tool_Images::TNI_Seuil_MaxMinExit);
    bindNumInpExit(TNI_Seuil_MaxMax, this, &TFRM_Tool_Images::TNI_Seuil_MaxMaxExit);
    bindEditReturn(TNI_Seuil_MinMin, Handler([this] { TNI_Seuil_MinMinKeyUp(kKeyEnter); }), this);
    bindEditReturn(TNI_Seuil_MinMax, Handler([this] { TNI_Seuil_MinMaxKeyUp(kKeyEnter); }), this);
    bindEditReturn(TNI_Seuil_MaxMin, Handler([this] { TNI_Seuil_MaxMinKeyUp(kKeyEnter); }), this);
    bindEditReturn(TNI_Seuil_MaxMax, Handler([this] { TNI_Seuil_MaxMaxKeyUp(kKeyEnter); }), this);

    // The filter and colour pages (they reach the window through its global
    // reference, set by now).
    ConnectFilterHandlers();
    ConnectColourHandlers();
}

// ---- Integration page --------------------------------------------------------

void TFRM_Tool_Images::CKB_IntegrationClick()
{
    auto* alv = FRM_Alv;
    auto* a = FRM_Tool_Affichage;
    if (!alv || !a)
        return;
    const bool on = CKB_Integration->isChecked();
    // Switched off while an addition runs (by code: the box is disabled
    // then): the addition is stopped first, so that nothing it built is lost
    // and a script waiting on it goes on.
    if (!on && BTN_Arreter_Add->isEnabled())
        stopAddition();

    for (QWidget* w : std::initializer_list<QWidget*>{BTN_Demarrer_Add, BTN_Reset_Add, RDB_Unique, RDB_Boucle, RDB_Dark,
                                                       RDB_Flat, SPED_Nb_Bitmap, CKB_Visu_Permanente})
        w->setEnabled(on);
    BTN_Arreter_Add->setEnabled(false);
    alv->SCB_Taille_ZAffichChange();

    const QSize frame = slotFrameSize();
    QWidget* addButton = FRM_PlayControl ? FRM_PlayControl->BTN_Ajouter : nullptr;
    if (on) {
        a->CKB_DoubleEnreg->setEnabled(false);
        Util_Images::ShowButtonState({alv->SPDB_Integration}, QStringLiteral("Integration"), true);
        Util_Images::EnableLevelControls(true);
        if (addButton)
            addButton->setEnabled(true);
        enableZoneBars(true);
        if (RDB_Boucle->isChecked()) {
            RDB_BoucleClick();
        } else if (RDB_Dark->isChecked() || RDB_Flat->isChecked()) {
            zoneBarsToFrame(frame);
            zoneBarH()->setEnabled(false);
            zoneBarV()->setEnabled(false);
            centreTrackedStar({frame.width() / 2, frame.height() / 2}, true);
            Align_V::ComputeDisplayZone(CurrentCameraSlot);
            redrawOutlines();
        }
        alv->MNU_Cam1_Binning->menuAction()->setEnabled(false);
        alv->MNU_Cam2_Binning->menuAction()->setEnabled(false);
    } else {
        a->CKB_DoubleEnreg->setEnabled(true);
        Util_Images::ShowButtonState({alv->SPDB_Integration}, QStringLiteral("Integration"), false);
        if (RDB_Unique->isChecked())
            RDB_UniqueClick();
        else
            RDB_Unique->setChecked(true);   // runs RDB_UniqueClick
        if (addButton)
            addButton->setEnabled(false);
        setZoneBarMaxima(frame.width(), frame.height());
        enableZoneBars(true);
        alv->MNU_Cam1_Binning->menuAction()->setEnabled(true);
        alv->MNU_Cam2_Binning->menuAction()->setEnabled(true);
        Util_Images::DisableLevelControlsUnlessUsed({alv->MNU_Cam1_Binning_2x2, alv->MNU_Cam2_Binning_2x2,
                                                     alv->MNU_Cam1_PoseLongue, alv->MNU_Cam2_Poselongue});
    }
    RingHead = 0;
    RingTail = 0;
}

void TFRM_Tool_Images::RDB_UniqueClick()
{
    if (!FRM_Tool_Affichage)
        return;
    ZoneMoved = 1;
    freeRing();
    const QSize frame = slotFrameSize();
    setZoneBarMaxima(frame.width(), frame.height());
    enableZoneBars(true);
    Align_V::ComputeDisplayZone(CurrentCameraSlot);
    scrollZoneWidth(this, zoneBarH()->value());
    redrawOutlines();
    showCounters(*this, 0);
    // Run by integration switched off (a camera's stop switches it off), it
    // leaves an ended stack shown, of whatever kind, as the zone width above
    // drew it again: no frame may come to replace it.
    if (CKB_Integration->isChecked() || !Align_V::EndedStackShown())
        RenderResult(0, 0, 0, PermanentDisplay);
}

void TFRM_Tool_Images::RDB_BoucleClick()
{
    if (!FRM_Tool_Affichage)
        return;
    ZoneMoved = 1;
    int width = zoneBarH()->value();
    if (RDB_Boucle->isChecked()) {
        // The ring's bitmaps hold at most 1280 x 1024 pixels.
        zoneBarH()->setMaximum(kLoopZoneMaxWidth);
        zoneBarV()->setMaximum(kLoopZoneMaxHeight);
        width = std::min(width, kLoopZoneMaxWidth);
    }
    enableZoneBars(true);
    Align_V::ComputeDisplayZone(CurrentCameraSlot);
    scrollZoneWidth(this, width);
    redrawOutlines();
    showCounters(*this, 0);
    RenderResult(0, 0, 0, PermanentDisplay);
}

void TFRM_Tool_Images::RDB_DarkClick()
{
    if (!FRM_Tool_Affichage || !FRM_Alv)
        return;
    ZoneMoved = 1;
    freeRing();
    const QSize frame = slotFrameSize();
    zoneBarsToFrame(frame);
    zoneBarH()->setEnabled(false);
    zoneBarV()->setEnabled(false);
    centreTrackedStar({(frame.width() - 1) / 2, (frame.height() - 1) / 2}, true);
    FRM_Alv->SCB_Taille_ZAffichChange();
    wholeViewAsZone();
    redrawOutlines();
    showCounters(*this, 1);
    Align_V::ComputeDisplayZone(CurrentCameraSlot);
    FRM_Alv->SCB_Taille_ZAffichChange();
    redrawOutlines();
    RenderResult(1, 0, 0, PermanentDisplay);
}

void TFRM_Tool_Images::RDB_FlatClick()
{
    if (!FRM_Tool_Affichage || !FRM_Alv)
        return;
    ZoneMoved = 1;
    freeRing();
    const QSize frame = slotFrameSize();
    zoneBarsToFrame(frame);
    zoneBarH()->setEnabled(false);
    zoneBarV()->setEnabled(false);
    scrollZoneWidth(this, zoneBarH()->value());
    centreTrackedStar({frame.width() / 2, frame.height() / 2}, true);
    wholeViewAsZone();
    redrawOutlines();
    showCounters(*this, 2);
    RenderResult(2, 0, 0, PermanentDisplay);
}

bool TFRM_Tool_Images::AdditionCanStart() const { return ready(*this); }

bool TFRM_Tool_Images::AdditionRuns() const { return running(*this); }

bool TFRM_Tool_Images::BTN_Demarrer_AddClick()
{
    if (!FRM_Tool_Affichage || !FRM_Alv)
        return false;
    if (!ready(*this)) {
        // Only "startwait" waits on this start: its script would wait for
        // an addition that never runs.
        if (Scripts::WaitIntegration) {
            Scripts::WaitIntegration = false;
            if (Scripts::ScriptRunning)
                Scripts::ScriptError(QStringLiteral("startwait"));
        }
        return false;
    }
    const bool loop = RDB_Boucle->isChecked();
    if (loop && SPED_Nb_Bitmap->value() == 0)
        SPED_Nb_Bitmap->setValue(1);
    RingSize = SPED_Nb_Bitmap->value() + 1;

    if (loop) {
        const int width = std::min(zoneBarH()->value(), kLoopZoneMaxWidth);
        const double ratio = Align_V::GetDisplayRatio(width, zoneBarV()->value());
        const int height = int(std::clamp<std::int64_t>(kernels::roundHalfEvenToInt(width / ratio), 0, kLoopZoneMaxHeight));
        freeRing();
        const std::int32_t made = Align_V::AllocFrameRing(RingSize, width, height + 1, 24);
        // A ring holds the newest frame and the one to take away: fewer
        // than two bitmaps is no ring (the allocation has said why).
        if (made < 2) {
            freeRing();
            return false;
        }
        SPED_Nb_Bitmap->setValue(made - 1);
        BTN_Reset_AddClick();
        RingFilled = 0;
    }
    if (RDB_Dark->isChecked() || RDB_Flat->isChecked()) {
        const QSize frame = slotFrameSize();
        centreTrackedStar({frame.width() / 2, frame.height() / 2}, false);
        if (FRM_Tool_Suivi) {
            FRM_Tool_Suivi->CKB_Suivi->setChecked(false);
            FRM_Tool_Suivi->CKB_Suivi->setEnabled(false);
        }
    }
    setRunningControls(*this, true);
    return true;
}

void TFRM_Tool_Images::FlatMade()
{
    setNum(TNI_MaxFlat, AdditionFrameCount[2]);
    CKB_Active_Flat->setEnabled(true);
    Align_V::ComputeChannelMeans(FlatChannelMeans);
}

void TFRM_Tool_Images::stopOrLetTheScriptGoOn()
{
    if (running(*this))
        stopAddition();
    else
        Scripts::ResumeIfWaiting(Scripts::WaitIntegration);
}

void TFRM_Tool_Images::stopAddition()
{
    if (RDB_Boucle->isChecked()) {
        freeRing();
    } else if (RDB_Dark->isChecked()) {
        if (FRM_Tool_Suivi)
            FRM_Tool_Suivi->CKB_Suivi->setEnabled(true);
        setNum(TNI_MaxDark, 0);
        SCB_Seuil_dark->setValue(100);
        if (AdditionFrameCount[1] > 0) {
            DarkMeanMax = double(AdditionMax[1]) / AdditionFrameCount[1];
            DarkMeanMin = double(AdditionMin[1]) / AdditionFrameCount[1];
        }
    } else if (RDB_Flat->isChecked()) {
        if (FRM_Tool_Suivi)
            FRM_Tool_Suivi->CKB_Suivi->setEnabled(true);
        // A stop before any flat frame keeps the flat there was: the means
        // of an empty plane would turn every corrected image black.
        if (AdditionFrameCount[2] > 0)
            FlatMade();
    }
    setRunningControls(*this, false);
    if (!PermanentDisplay) {
        RenderResult(Align_V::GetIntegrationKind(), 0, 0, 1);
        Align_V::ApplyFishEyeAttenuation();
    }
    Scripts::ResumeIfWaiting(Scripts::WaitIntegration);
}

void TFRM_Tool_Images::BTN_Reset_AddClick()
{
    if (!FRM_Alv)
        return;
    for (TImageView* view : {FRM_Alv->Image1, FRM_Alv->Image3}) {
        kernels::fillRect(view->Bitmap(), kernels::boundsOf(view->Bitmap()), kernels::kBlack);
        view->Changed();
    }
    const std::uint8_t kind = currentKind(*this);
    kernels::DeepPlanes& planes = DeepImagePlanes();
    if (kind == 1) {
        planes.clear(1);
        SCB_Seuil_dark->setValue(100);
        DarkMeanMax = DarkMeanMin = 0;
    } else if (kind == 2) {
        planes.clear(2);
        setNum(TNI_MaxFlat, 0);
        // A flat that no longer exists is not applied either.
        CKB_Active_Flat->setChecked(false);
        CKB_Active_Flat->setEnabled(false);
    } else {
        planes.clear(0);
        ImageSumFrames = 0;
        // The frame before processing.
        if (ZoneBitmap)
            kernels::fillRect(*ZoneBitmap, kernels::boundsOf(*ZoneBitmap), kernels::kBlack);
    }
    AdditionMax[kind] = 0;
    AdditionMin[kind] = 0;
    AdditionFrameCount[kind] = 0;
    FRM_Alv->SetOperationsSource(true);
    showCounters(*this, kind);
    RingHead = 0;
    RingTail = 0;
    RingSize = SPED_Nb_Bitmap->value() + 1;
}

void TFRM_Tool_Images::CKB_Visu_PermanenteClick()
{
    PermanentDisplay = CKB_Visu_Permanente->isChecked();
}

// ---- Dark and flat pages -----------------------------------------------------

void TFRM_Tool_Images::SCB_Seuil_darkChange()
{
    setNum(TNI_MaxDark, 100 - SCB_Seuil_dark->value());
    if (FRM_Alv)
        Util_Images::ShowButtonState({FRM_Alv->SPDB_Dark}, QStringLiteral("Dark"), SCB_Seuil_dark->value() < 100);
    if (CKB_Integration->isChecked()) {
        RenderResult(0, 0, 0, PermanentDisplay);
    } else {
        // The image shown is processed again as a frame of its own.
        if (LastDarkThreshold == 0 && FRM_Alv && ZoneBitmap) {
            const kernels::Bitmap24& shown = FRM_Alv->Image3->Bitmap();
            kernels::bitBlt(*ZoneBitmap, 0, 0, shown.width(), shown.height(), shown, 0, 0,
                            kernels::RasterOp::SrcCopy);
            DeepImagePlanes().clear(0);
            RenderResult(0, 1, 1, PermanentDisplay);
        }
        RenderResult(0, 0, 1, PermanentDisplay);
    }
    LastDarkThreshold = std::int32_t(std::trunc(num(TNI_MaxDark)));
}

void TFRM_Tool_Images::CKB_Active_FlatClick()
{
    if (FRM_Alv)
        Util_Images::ShowButtonState({FRM_Alv->SPDB_Flat}, QStringLiteral("Flat"), CKB_Active_Flat->isChecked());
    // While a flat is being built the frame being rendered checks the box;
    // it shows the result itself.
    if (running(*this) && RDB_Flat->isChecked())
        return;
    RenderResult(0, 0, CKB_Integration->isChecked() ? 0 : 1, PermanentDisplay);
}

// ---- Selection page ------------------------------------------------------------

void TFRM_Tool_Images::CKB_SelectionClick()
{
    const bool on = CKB_Selection->isChecked();
    if (FRM_Alv)
        Util_Images::ShowButtonState({FRM_Alv->SPDB_Select}, QStringLiteral("Selection"), on);
    if (on)
        CKB_Nonvide->setChecked(false);
    if (FRM_Tool_Affichage)
        FRM_Tool_Affichage->CKB_MAP->setEnabled(!on);
    SCB_Selection->setMaximum(kSelectionMax);
}

void TFRM_Tool_Images::CKB_NonvideClick()
{
    if (CKB_Nonvide->isChecked())
        CKB_Selection->setChecked(false);
    SCB_Selection->setMaximum(kNonEmptyMax);
}

void TFRM_Tool_Images::BTN_Reset_SelectionClick()
{
    Align_V::ResetQualityHistory();
    SCB_Selection->setMinimum(0);
    if (CKB_Selection->isChecked())
        SCB_Selection->setMaximum(kSelectionMax);
    else if (CKB_Nonvide->isChecked())
        SCB_Selection->setMaximum(kNonEmptyMax);
    SCB_Selection->setValue(0);
    setNum(TNI_Qualite_Actuelle, 0);
    setNum(TNI_Meilleure_Qualite, 0);
    setNum(TNI_Pire_Qualite, kSelectionMax);
}

void TFRM_Tool_Images::SCB_SelectionChange()
{
    setNum(TNI_Seuil_Selection, SCB_Selection->value());
}

// ---- Levels ("Seuils" page) ----------------------------------------------------

void TFRM_Tool_Images::SCB_MinimumScroll(QObject*, int, int& scrollPos)
{
    if (CKB_Seuils_Evol->isChecked())
        AutoThresholdLowFactor = scrollPos / std::max(0.001, std::trunc(num(TNI_Min)));
    setNum(TNI_Seuil_Min, scrollPos);
    // The bar takes the position before the result is drawn again at it: a
    // stack that has ended has no frame to come that would catch up.
    SCB_Minimum->setValue(scrollPos);
    Util_Images::RefreshResultImage();
}

void TFRM_Tool_Images::SCB_MaximumScroll(QObject*, int, int& scrollPos)
{
    if (CKB_Seuils_Evol->isChecked())
        AutoThresholdHighFactor = scrollPos / std::max(0.001, std::trunc(num(TNI_Max)));
    setNum(TNI_Seuil_Max, scrollPos);
    SCB_Maximum->setValue(scrollPos);
    Util_Images::RefreshResultImage();
}

namespace {

// A typed threshold v puts the bar on v - 0.5 rounded, halves to even:
// v itself when even, v - 1 when odd.
int thresholdPosition(double value)
{
    return int(std::clamp<std::int64_t>(kernels::roundHalfEvenToInt(value - 0.5), INT32_MIN, INT32_MAX));
}

} // namespace

void TFRM_Tool_Images::TNI_Seuil_MinExit()
{
    SCB_Minimum->setValue(thresholdPosition(num(TNI_Seuil_Min)));
    if (CKB_Seuils_Evol->isChecked())
        AutoThresholdLowFactor = SCB_Minimum->value() / std::max(1.0, std::trunc(num(TNI_Min)));
    Util_Images::RefreshResultImage();
}

void TFRM_Tool_Images::TNI_Seuil_MaxExit()
{
    SCB_Maximum->setValue(thresholdPosition(num(TNI_Seuil_Max)));
    if (CKB_Seuils_Evol->isChecked())
        AutoThresholdHighFactor = SCB_Maximum->value() / std::max(1.0, std::trunc(num(TNI_Max)));
}

void TFRM_Tool_Images::CKB_Seuils_EvolClick()
{
    if (!FRM_Alv || !FRM_Alv->FirstActivationDone || !CKB_Seuils_Evol->isChecked())
        return;
    AutoThresholdLowFactor = 1.0;
    AutoThresholdHighFactor = 1.0;
    RenderResult(Align_V::GetIntegrationKind(), 0, 0, PermanentDisplay);
    Align_V::ShowResultFullScreen();
}

namespace {

int integerPart(const TCustomNumInp* input)
{
    return int(std::clamp(std::trunc(num(input)), double(INT32_MIN), double(INT32_MAX)));
}

} // namespace

void TFRM_Tool_Images::TNI_Seuil_MinMinExit()
{
    SCB_Minimum->setMinimum(integerPart(TNI_Seuil_MinMin));
}

void TFRM_Tool_Images::TNI_Seuil_MinMaxExit()
{
    SCB_Minimum->setMaximum(integerPart(TNI_Seuil_MinMax));
}

void TFRM_Tool_Images::TNI_Seuil_MaxMinExit()
{
    SCB_Maximum->setMinimum(integerPart(TNI_Seuil_MaxMin));
}

void TFRM_Tool_Images::TNI_Seuil_MaxMaxExit()
{
    SCB_Maximum->setMaximum(integerPart(TNI_Seuil_MaxMax));
}

// Enter stores the typed bound, whose exit handler then applies it.
void TFRM_Tool_Images::TNI_Seuil_MinMinKeyUp(int key)
{
    if (key == kKeyEnter)
        TNI_Seuil_MinMin->DoExit();
}

void TFRM_Tool_Images::TNI_Seuil_MinMaxKeyUp(int key)
{
    if (key == kKeyEnter)
        TNI_Seuil_MinMax->DoExit();
}

void TFRM_Tool_Images::TNI_Seuil_MaxMinKeyUp(int key)
{
    if (key == kKeyEnter)
        TNI_Seuil_MaxMin->DoExit();
}

void TFRM_Tool_Images::TNI_Seuil_MaxMaxKeyUp(int key)
{
    if (key == kKeyEnter)
        TNI_Seuil_MaxMax->DoExit();
}
