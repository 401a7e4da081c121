#include "imaging/process_frame.h"

#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "app/ui/event_boundary.h"
#include "capture/camera_slots.h"
#include "capture/file_sources.h"
#include "capture/frm_longuepose.h"
#include "capture/long_exposure.h"
#include "imaging/display_helpers.h"
#include "imaging/display_zone.h"
#include "imaging/focus_aids.h"
#include "imaging/frame_helpers.h"
#include "imaging/named_control.h"
#include "imaging/overlays.h"
#include "imaging/pipeline_state.h"
#include "imaging/readout_refresh.h"
#include "imaging/result_render.h"
#include "kernels/jpeg_measure.h"
#include "platform/clock.h"
#include "scripting/scripts.h"
#include "telescope/frm_detect_mvt.h"
#include "telescope/frm_prg_action_ls.h"
#include "telescope/frm_tool_suivi.h"
#include "telescope/track_step.h"
#include "tools/frm_full_screen.h"
#include "tools/frm_fwhm.h"
#include "tools/frm_info.h"
#include "tools/frm_small.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"
#include "tools/frm_tool_mesures.h"
#include "tools/util_images.h"

#include <QTimer>

#include <algorithm>
#include <cmath>

namespace Align_V {

namespace {

using i64 = std::int64_t;

// Controls of the main window that it does not have yet.
pipeline::NamedControl alvLongExposure("CKB_Longuepose_Active");
pipeline::NamedControl alvIndependentDrift("RDB_Mosaique_Derive_Independante");

double num(const TCustomNumInp* input)
{
    const double v = double(input->Value());
    return std::isfinite(v) ? v : 0.0;
}

int truncInt(double v)
{
    return int(std::clamp(std::trunc(v), -2147483648.0, 2147483647.0));
}

void setNum(TCustomNumInp* input, double value)
{
    if (!std::isfinite(value))
        return;
    input->SetValue(std::clamp<long double>(value, input->Min(), input->Max()));
}

int otherSlot(int slot)
{
    return slot == 1 ? 2 : 1;
}

kernels::Rect viewBounds(TImageView* view)
{
    return kernels::boundsOf(view->Bitmap());
}

// The frame and what the steps found out about it.
struct Frame {
    std::uint8_t slot = 1;
    std::uint8_t draw = 1;
    std::uint8_t* keep = nullptr;
    TImageView* view = nullptr;
    bool current = false;
    bool guide = false;
    int Z = 0, Zh = 0;
    std::uint8_t trackResult = 0;
    int width = 0, height = 0;   // frame size of the slot
};

bool darkOrFlatIntegration()
{
    const auto* t = FRM_Tool_Images;
    return t->CKB_Integration->isChecked() && (t->RDB_Dark->isChecked() || t->RDB_Flat->isChecked());
}

bool dualCapture()
{
    return FRM_Tool_Affichage->CKB_DoubleEnreg->isChecked();
}

bool smallShows(int slot)
{
    return FRM_Small && FRM_Small->isVisible()
           && (slot == 1 ? FRM_Small->RDB_Source1->isChecked() : FRM_Small->RDB_Source2->isChecked());
}

kernels::Bitmap24& smallBitmap()
{
    TImageView* v = FRM_Small->Img_Small;
    if (v->Bitmap().isEmpty())
        v->SetPictureSize(std::max(v->width(), 1), std::max(v->height(), 1));
    return v->Bitmap();
}

// Paints black the part of `area` outside `keep`: where a zone that the
// frame's edge clipped leaves the result without a frame pixel, nothing of
// an earlier frame stays. Nothing to paint for a whole zone.
void blackAround(kernels::Bitmap24& b, const kernels::Rect& area, const kernels::Rect& keep)
{
    const int left = std::clamp(keep.left, area.left, area.right), right = std::clamp(keep.right, left, area.right);
    const int top = std::clamp(keep.top, area.top, area.bottom), bottom = std::clamp(keep.bottom, top, area.bottom);
    kernels::fillRect(b, {area.left, area.top, area.right, top}, kernels::kBlack);
    kernels::fillRect(b, {area.left, bottom, area.right, area.bottom}, kernels::kBlack);
    kernels::fillRect(b, {area.left, top, left, bottom}, kernels::kBlack);
    kernels::fillRect(b, {right, top, area.right, bottom}, kernels::kBlack);
}

// Copies the display zone of the slot's frame into ZoneBitmap; the part of
// it that the result passes read besides the zone is black.
void copyZone(int slot)
{
    const kernels::Rect& to = ZoneImageRect;
    const kernels::Rect& from = DisplayZoneRect;
    const QSize result = FRM_Alv->Image3->PictureSize();
    const int binning = std::max(CurrentBinning(), 1);
    blackAround(*ZoneBitmap,
                {0, 0, std::max(to.right, result.width() * binning), std::max(to.bottom, result.height() * binning)}, to);
    // The same size both sides (the usual case) is a plain copy, which the
    // result passes' threads share.
    if (!to.isEmpty() && to.width() == from.width() && to.height() == from.height() && to.width() <= INT32_MAX
        && to.height() <= INT32_MAX)
        kernels::bitBlt(*ZoneBitmap, to.left, to.top, int(to.width()), int(to.height()), *SlotBitmaps[slot][0],
                        from.left, from.top, kernels::RasterOp::SrcCopy, ResultRowPool());
    else
        kernels::stretchBlt(*ZoneBitmap, to, *SlotBitmaps[slot][0], from, kernels::RasterOp::SrcCopy);
}

// Top-left corner of the stamp of a two-camera layout, or false for none.
bool dualStampPlace(int slot, const kernels::Rect& clip, QSize ext, QPoint& at)
{
    const int L = CameraSlots[std::size_t(slot)].recordLayout;
    const kernels::Rect& z = DisplayZoneRect;
    if (L == 1) {
        at = {2 * z.right - ext.width(), z.bottom - ext.height()};
        return true;
    }
    if (L == 2) {
        at = {z.right - ext.width(), 2 * z.bottom - ext.height()};
        return true;
    }
    if (L != 0)
        return false;
    const int R = clip.right, Bm = clip.bottom;
    switch (CameraSlots[std::size_t(otherSlot(slot))].recordLayout) {
    case 0:
        at = {R - ext.width(), Bm - ext.height()};
        return true;
    case 1:
        at = {R / 2 - ext.width(), Bm - ext.height()};
        return true;
    case 2:
        at = {R - ext.width(), Bm / 2 - ext.height()};
        return true;
    default:
        return false;
    }
}

// 1. Stamp.
void stamp(Frame& f)
{
    auto& c = platform::clock();
    TFrameStamp& s = FrameStamps[f.slot];
    s.Wall = c.wallNow();
    s.Monotonic_ms = c.monotonicMs();
    s.Time = s.Wall.time().msecsSinceStartOfDay();
    s.Date = std::int32_t(QDate(1899, 12, 30).daysTo(s.Wall.date()));
}

// 3, 4. Source view.
void showSource(Frame& f)
{
    auto* alv = FRM_Alv;
    if (f.slot == 1)
        SourceViewShown = alv->PGC_Main->currentWidget() == alv->TBS_Source1;
    else
        SourceViewShown = alv->PGC_Main->currentWidget() == alv->TBS_Source2
                          || (FRM_Small && FRM_Small->isVisible() && FRM_Small->RDB_Source2->isChecked());
    kernels::Bitmap24& view = f.view->Bitmap();
    if (view.isEmpty() && f.width > 0 && f.height > 0)
        f.view->SetPictureSize(std::min(f.width, kSlotBitmapSize), std::min(f.height, kSlotBitmapSize));
    // A camera's next frame fills a view whose page comes back; a file's
    // frame stays until the player moves, so its view takes it whichever
    // page is shown.
    const bool drawView = SourceViewShown || (PlayerActive && PlayerSlot == f.slot);

    const bool longExposure = alvLongExposure.checked(FRM_Alv);
    const bool selfGuided = FRM_Longuepose && FRM_Longuepose->CKB_Selfguide_Active->isChecked();
    if (f.current && FRM_Info && FRM_Info->CKB_Satur->isChecked()) {
        kernels::fillRect(*SaturationBitmap, kernels::boundsOf(*SaturationBitmap), kernels::kBlack);
        MarkSaturatedPixels(truncInt(num(FRM_Info->TNI_Seuil_Satur)));
        if (drawView) {
            kernels::bitBlt(view, 0, 0, view.width(), view.height(), *SaturationBitmap, 0, 0, kernels::RasterOp::SrcCopy);
            f.view->Changed();
        }
    } else if (longExposure && selfGuided) {
        if (drawView) {
            kernels::bitBlt(view, 0, 0, view.width(), view.height(), *SlotBitmaps[f.slot][2], 0, 0,
                            kernels::RasterOp::SrcCopy);
            f.view->Changed();
        }
    } else {
        if (drawView) {
            kernels::bitBlt(view, 0, 0, view.width(), view.height(), *SlotBitmaps[f.slot][0], 0, 0,
                            kernels::RasterOp::SrcCopy, ResultRowPool());
            f.view->Changed();
        }
        if (smallShows(f.slot)) {
            kernels::Bitmap24& small = smallBitmap();
            const kernels::Rect src{0, 0, std::max(f.width, 0), std::max(f.height, 0)};
            kernels::stretchBlt(small, kernels::boundsOf(small), *SlotBitmaps[f.slot][0], src, kernels::RasterOp::SrcCopy);
            FRM_Small->Img_Small->Changed();
        }
    }
}

// 7. Time stamp on the source view.
void stampSourceView(Frame& f)
{
    if (!(f.current || dualCapture()) || !(FRM_Pref && FRM_Pref->CKB_DateHeure->isChecked()) || !SourceViewShown)
        return;
    const QString text = FrameStampText(f.slot);
    const QSize ext = TextExtent(text);
    QPoint at;
    if (!dualCapture())
        at = {DisplayZoneRect.right - ext.width(), DisplayZoneRect.bottom - ext.height()};
    else if (!dualStampPlace(f.slot, viewBounds(f.view), ext, at))
        return;
    TextOut(f.view->Bitmap(), at.x(), at.y(), text, kRed);
}

// The whole-frame search for a new star after a lost one: centred on the
// frame and kept inside it.
void searchNewStar(Frame& f)
{
    if (f.width <= 0 || f.height <= 0)
        return;
    f.trackResult = TrackStep(f.width / 2, f.height / 2, std::max(f.width - 2, 1), std::max(f.height - 2, 1), 1, 0,
                              f.slot, 1, TrackResult, 0);
}

// 10. Tracking of the guide slot.
void track(Frame& f)
{
    if (!f.guide)
        return;
    auto* s = FRM_Tool_Suivi;
    const int N = s->SPED_Seuil_Detect_Min->value();
    const int X = TrackedStarPos.x(), Y = TrackedStarPos.y();
    if (s->CKB_Suivi->isChecked() && !darkOrFlatIntegration()) {
        const bool longExposure = alvLongExposure.checked(FRM_Alv);
        const bool selfGuided = FRM_Longuepose && FRM_Longuepose->CKB_Selfguide_Active->isChecked();
        const bool drift = s->RDB_Derive->isChecked();
        if (longExposure && selfGuided) {
            const std::uint8_t follow = LongExposureParams.GuideArmed && !drift ? 0 : 1;
            f.trackResult = TrackStep(X, Y, f.Z, f.Z, follow, 2, f.slot, 0, TrackResult, 0);
        } else if (longExposure) {
            const bool hold = LongExposureParams.ExposureArmed && !drift && CurrentCameraSlot == f.slot;
            f.trackResult = TrackStep(X, Y, f.Z, f.Z, hold ? 0 : 1, 0, f.slot, 0, TrackResult, 0);
        } else {
            TrackResult.previousLevel = TrackResult.level;
            f.trackResult = TrackStep(X, Y, f.Z, f.Z, 1, 0, f.slot, 0, TrackResult, 0);
            if (N > TrackResult.level) {
                Scripts::ObjectInField = 0;
                if (s->CKB_Lost_Star_Alert->isChecked()) {
                    const bool findNew = FRM_PRG_Action_LS && FRM_PRG_Action_LS->CKB_Find_New_Star->isChecked();
                    if (s->RDB_Autoguidage->isChecked()) {
                        if (findNew)
                            searchNewStar(f);
                        RunLostStarActions();
                    } else {
                        RunLostStarActions();
                        if (findNew)
                            searchNewStar(f);
                    }
                }
            } else {
                Scripts::ObjectInField = 1;
            }
        }
    } else if (s->RDB_Autoguidage->isChecked()) {
        const int interval = std::max(s->SPED_Intervalle_Guidage->value(), 1);
        GuideSearchCounter = GuideSearchCounter % interval + 1;
        if (GuideSearchCounter == 1 && f.width > 0 && f.height > 0)
            f.trackResult = TrackStep(f.width / 2, f.height / 2, std::max(f.width - 1, 1), std::max(f.height - 1, 1), 0,
                                      0, f.slot, 0, TrackResult, 0);
    } else {
        f.trackResult = TrackStep(X, Y, f.Z, f.Z, 0, 0, f.slot, 0, TrackResult, 0);
    }
}

// Where the level labels go: the top corners of the detection zone, the
// texts kept inside the bitmap.
void levelLabels(kernels::Bitmap24& bmp, const kernels::Rect& zone)
{
    const bool showMin = FRM_Pref && FRM_Pref->CKB_Intensite_Min->isChecked();
    const bool showMax = FRM_Pref && FRM_Pref->CKB_Intensite_Max->isChecked();
    if (!showMin && !showMax)
        return;
    auto place = [&bmp](int x, int y, QSize ext) {
        return QPoint(std::clamp(x, 0, std::max(bmp.width() - ext.width(), 0)),
                      std::clamp(y, 0, std::max(bmp.height() - ext.height(), 0)));
    };
    if (showMin) {
        const QString text = QString::number(ZoneLevelMin);
        const QSize ext = TextExtent(text);
        const QPoint at = place(zone.left, zone.top - ext.height(), ext);
        TextOut(bmp, at.x(), at.y(), text, kRed);
    }
    if (showMax) {
        const QString text = QString::number(ZoneLevelMax);
        const QSize ext = TextExtent(text);
        const QPoint at = place(zone.right - ext.width(), zone.top - ext.height(), ext);
        TextOut(bmp, at.x(), at.y(), text, kRed);
    }
}

kernels::Rect intersect(const kernels::Rect& a, const kernels::Rect& b)
{
    kernels::Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                    std::min(a.bottom, b.bottom)};
    if (r.isEmpty())
        r = {r.left, r.top, r.left, r.top};
    return r;
}

kernels::Rect scaledRect(const kernels::Rect& r)
{
    const double s = MiniScale > 0 ? MiniScale : 1.0;
    auto t = [s](int v) { return truncInt(v / s); };
    return {t(r.left), t(r.top), t(r.right), t(r.bottom)};
}

// 11. Level labels.
void drawLevelLabels(Frame& f)
{
    const kernels::Rect zone{TrackedStarPos.x() - f.Zh, TrackedStarPos.y() - f.Zh, TrackedStarPos.x() + f.Zh,
                             TrackedStarPos.y() + f.Zh};
    LevelLabelRect = intersect(zone, viewBounds(f.view));
    if (f.guide && SourceViewShown)
        levelLabels(f.view->Bitmap(), LevelLabelRect);
    if (FRM_Small && FRM_Small->isVisible()) {
        kernels::Bitmap24& small = smallBitmap();
        levelLabels(small, intersect(scaledRect(zone), kernels::boundsOf(small)));
    }
}

void redrawOutlines()
{
    if (SourceViewShown && ZoneFrameBitmap)
        DrawZoneRect(*ZoneFrameBitmap, ZoneImageRect, 1);
    if (FRM_Small && FRM_Small->isVisible() && MiniZoneFrameBitmap)
        DrawZoneRect(*MiniZoneFrameBitmap, MiniZoneImageRect, 1);
}

// 12 to 14. Display zone, markers and outline.
void zoneAndMarkers(Frame& f)
{
    if (ZoneMoved && f.current) {
        if (darkOrFlatIntegration()) {
            DisplayZoneRect = viewBounds(f.view);
            ZoneImageRect = DisplayZoneRect;
        } else {
            ComputeDisplayZone(CurrentCameraSlot);
        }
        redrawOutlines();
    }
    if (SourceViewShown) {
        kernels::Bitmap24& view = f.view->Bitmap();
        if (f.guide) {
            DrawZoneMarker(view, TrackedStarPos.x(), TrackedStarPos.y(), f.Zh, kRed, ReticleFrameShape, ReticleCentreShape);
            if (ProcedureState == 16)
                DrawZoneMarker(view, SecondStarPos.x(), SecondStarPos.y(), f.Zh, kGreen, 1, 1);
        }
    }
    if (FRM_Small && FRM_Small->isVisible() && f.guide) {
        const double s = MiniScale > 0 ? MiniScale : 1.0;
        kernels::Bitmap24& small = smallBitmap();
        DrawZoneMarker(small, truncInt(TrackedStarPos.x() / s), truncInt(TrackedStarPos.y() / s), truncInt(f.Zh / s),
                       kRed, ReticleFrameShape, ReticleCentreShape);
        if (ProcedureState == 16)
            DrawZoneMarker(small, truncInt(SecondStarPos.x() / s), truncInt(SecondStarPos.y() / s), truncInt(f.Zh / s),
                           kGreen, 1, 1);
    }
    if (SourceViewShown && f.current && ZoneFrameBitmap)
        MergeZoneOutline(f.view->Bitmap(), DisplayZoneRect, *ZoneFrameBitmap, ZoneImageRect);
    if (smallShows(f.slot) && f.current && MiniZoneFrameBitmap) {
        MergeZoneOutline(smallBitmap(), MiniZoneRect, *MiniZoneFrameBitmap, MiniZoneImageRect);
        FRM_Small->Img_Small->Changed();
    }
}

// 16. Quality measure; returns false when it does not apply.
bool measureQuality(Frame& f)
{
    auto* t = FRM_Tool_Images;
    auto* a = FRM_Tool_Affichage;
    const bool selection = t->CKB_Selection->isChecked();
    const bool focus = a->CKB_MAP->isChecked() && a->RDB_Methode_DCT->isChecked();
    if (!selection && !focus)
        return false;
    const double measure = double(MeasureZoneQuality(f.slot));
    PreviousQuality = truncInt(num(a->TNI_FWHM));

    // A new number of measures starts the ring afresh, sum and index included.
    const int M = std::clamp(FRM_Pref ? FRM_Pref->SPED_Nb_Mesures->value() : 10, 2, kQualityRingSize - 1);
    TQualityHistory& q = QualityHistory;
    if (q.length != M) {
        ResetQualityHistory();
        q.length = M;
    }
    q.index = q.index % M + 1;
    q.oldest = q.index % M + 1;
    q.values[std::size_t(q.index)] = measure;
    q.sum = q.sum - q.values[std::size_t(q.oldest)] + q.values[std::size_t(q.index)];
    const double value = q.sum / (M - 1);
    if (selection)
        setNum(t->TNI_Qualite_Actuelle, value);
    else
        setNum(a->TNI_FWHM, value);
    if (q.index == M)
        QualityFilled = 1;

    if (QualityFilled) {
        if (selection) {
            const double current = num(t->TNI_Qualite_Actuelle);
            if (current > num(t->TNI_Meilleure_Qualite)) {
                setNum(t->TNI_Meilleure_Qualite, current);
                t->SCB_Selection->setMaximum(truncInt(std::nearbyint(current)));
            }
            if (current < num(t->TNI_Pire_Qualite)) {
                setNum(t->TNI_Pire_Qualite, current);
                t->SCB_Selection->setMinimum(truncInt(std::nearbyint(current)));
            }
        } else {
            const double current = num(a->TNI_FWHM);
            if (current > num(a->TNI_Meilleur_FWHM)) {
                setNum(a->TNI_Meilleur_FWHM, current);
                t->SCB_Selection->setMaximum(std::max(truncInt(std::nearbyint(current)), t->SCB_Selection->value()));
            }
            if (current < num(a->TNI_Pire_FWHM)) {
                setNum(a->TNI_Pire_FWHM, current);
                t->SCB_Selection->setMinimum(std::min(truncInt(std::nearbyint(current)), t->SCB_Selection->value()));
            }
        }
    }
    *f.keep = selection && measure < num(t->TNI_Seuil_Selection) ? 0 : 1;
    return true;
}

bool singleFramePass()
{
    const auto* t = FRM_Tool_Images;
    return CurrentBinning() == 2 || num(t->TNI_MaxDark) > 0 || t->CKB_Active_Flat->isChecked()
           || t->CKB_utiliser_seuils->isChecked();
}

// 17. Motion detection and the zone copy of the result pass.
void detectMotion(Frame& f)
{
    auto* d = FRM_Detect_Mvt;
    bool motionTested = false;
    if (d && d->CKB_Detection_Mvt->isChecked() && MotionReferenceSet && !MotionFired
        && num(d->TNI_Seuil_Detection_Niveau) > 0 && num(d->TNI_Seuil_Detection_Nbre) > 0) {
        motionTested = true;
        std::int32_t percent = 0;
        std::int64_t sum = 0;
        if (MotionCompare(truncInt(num(d->TNI_Seuil_Detection_Niveau)), truncInt(num(d->TNI_Seuil_Detection_Nbre)),
                          percent, sum)
            && ((d->RDB_PlusClair->isChecked() && sum > 0) || (d->RDB_PlusFonce->isChecked() && sum < 0)
                || d->RDB_Indiff->isChecked())) {
            *f.keep = 1;
            if (d->CKB_Detection_Action->isChecked())
                RunMotionActions();
        }
        setNum(d->TNI_Diff_actuel, percent);
    }
    if (!motionTested)
        *f.keep = 1;
    if (FRM_Tool_Images->CKB_Integration->isChecked() || singleFramePass())
        copyZone(f.slot);
}

// 22. Result overlay and full screen.
void resultOverlayAndFullScreen()
{
    auto* m = FRM_Tool_Mesures;
    const bool overlay = m && (m->CKB_Reticule->isChecked() || m->CKB_Fichier_Comparaison->isChecked())
                         && m->CKB_Reticule_resultat->isChecked() && OverlayBitmap;
    // The result is only touched when something here uses it.
    if (!overlay && !(FRM_Alv->MNU_PleinEcran->isChecked() && FRM_FullScreen))
        return;
    kernels::Bitmap24& result = FRM_Alv->Image3->Bitmap();
    if (overlay) {
        // Saves take the result without what is drawn for the screen.
        ResultWithoutOverlay.resize(result.width(), result.height());
        kernels::bitBlt(ResultWithoutOverlay, 0, 0, result.width(), result.height(), result, 0, 0,
                        kernels::RasterOp::SrcCopy);
        ResultOverlaid = true;
        kernels::transparentCopy(result, -DisplayZoneRect.left, -DisplayZoneRect.top, OverlayBitmap->bitmap);
        FRM_Alv->Image3->Changed();
    }
    ShowResultFullScreen();
}

} // namespace

namespace {

// Marks on the result view: the count of its changes the full-screen view
// last showed, and the timer that refreshes it once the drawing under way
// is done.
constexpr const char* kFullScreenShows = "fullScreenShows";
constexpr const char* kFullScreenRefresh = "fullScreenRefresh";

} // namespace

void ShowResultFullScreen()
{
    // (On screen, it shows the result already while its menu item is checked.)
    if (!FRM_Alv || !FRM_FullScreen || !(FRM_Alv->MNU_PleinEcran->isChecked() || FRM_FullScreen->isVisible()))
        return;
    const kernels::Bitmap24& result = FRM_Alv->Image3->Bitmap();
    TImageView* full = FRM_FullScreen->IMG_FullScreen;
    if (full->Bitmap().isEmpty())
        full->SetPictureSize(std::max(full->width(), 1), std::max(full->height(), 1));
    kernels::Bitmap24& target = full->Bitmap();
    if (FRM_FullScreen->MNU_Standard->isChecked()) {
        kernels::stretchBlt(target, kernels::boundsOf(target), result, kernels::boundsOf(result),
                            kernels::RasterOp::SrcCopy);
    } else if (FullScreenZoom2) {
        FullScreenZoom2->resize(result.width() * 2, result.height() * 2);
        if (FRM_FullScreen->MNU_Bilinear->isChecked()) {
            Upscale2x(result, *FullScreenZoom2);
            kernels::stretchBlt(target, kernels::boundsOf(target), *FullScreenZoom2, kernels::boundsOf(*FullScreenZoom2),
                                kernels::RasterOp::SrcCopy);
        } else if (FullScreenZoom4) {
            FullScreenZoom4->resize(FullScreenZoom2->width() * 2, FullScreenZoom2->height() * 2);
            Upscale2x(result, *FullScreenZoom2);
            Upscale2x(*FullScreenZoom2, *FullScreenZoom4);
            kernels::stretchBlt(target, kernels::boundsOf(target), *FullScreenZoom4, kernels::boundsOf(*FullScreenZoom4),
                                kernels::RasterOp::SrcCopy);
        }
    }
    full->Changed();
    // Read after the result's waiting fill has drawn it.
    FRM_Alv->Image3->setProperty(kFullScreenShows, QVariant::fromValue(FRM_Alv->Image3->Changes()));
}

void ShowResultFullScreenSoon()
{
    if (!FRM_Alv)
        return;
    TImageView* result = FRM_Alv->Image3;
    auto* refresh = result->property(kFullScreenRefresh).value<QTimer*>();
    if (!refresh) {
        // Made once per result view: each change only starts it.
        refresh = new QTimer(result);
        refresh->setSingleShot(true);
        refresh->setInterval(0);
        QObject::connect(refresh, &QTimer::timeout, result, [result] {
            // The frame road shows each of its pictures there itself.
            if (result->property(kFullScreenShows).value<std::uint64_t>() != result->Changes())
                app::runGuarded(QStringLiteral("ShowResultFullScreen"), [] { ShowResultFullScreen(); });
        });
        result->setProperty(kFullScreenRefresh, QVariant::fromValue(refresh));
    }
    if (!refresh->isActive())
        refresh->start();
}

namespace {

// 23. Mosaic.
void mosaic()
{
    if (!FRM_Alv->CKB_Mosaique_Active->isChecked())
        return;
    if (alvIndependentDrift.checked(FRM_Alv)) {
        std::int32_t dx = 0, dy = 0;
        AdvanceDriftOffset(dx, dy);
        MosaicTileCentre += QPoint(dx, dy);
    }
    const kernels::Bitmap24& result = FRM_Alv->Image3->Bitmap();
    PlaceMosaicTile(result, result.width(), result.height());
}

// The part of the result two cameras share that is the slot's: the side
// of the other slot's place (laid right of or below the zone) that the
// slot's own place is on. Both at their own place share it all.
kernels::Rect dualPart(std::uint8_t slot, const kernels::Rect& result)
{
    const int mine = CameraSlots[slot].recordLayout;
    const int other = CameraSlots[slot == 2 ? 1 : 2].recordLayout;
    const int right = std::clamp(ZoneImageRect.right, result.left, result.right);
    const int bottom = std::clamp(ZoneImageRect.bottom, result.top, result.bottom);
    if (mine == 1)
        return {right, result.top, result.right, result.bottom};
    if (mine == 2)
        return {result.left, bottom, result.right, result.bottom};
    if (other == 1)
        return {result.left, result.top, right, result.bottom};
    if (other == 2)
        return {result.left, result.top, result.right, bottom};
    return result;
}

// 21. Plain display: the zone copied into the result view.
void drawPlainResult(std::uint8_t slot)
{
    kernels::Bitmap24& result = FRM_Alv->Image3->Bitmap();
    const kernels::Rect* place = &ZoneImageRect;
    if (dualCapture()) {
        switch (CameraSlots[slot].recordLayout) {
        case 0:
            break;
        case 1:
            place = &ZoneImageRectRight;
            break;
        case 2:
            place = &ZoneImageRectBelow;
            break;
        default:
            place = nullptr;
        }
    }
    // One camera's result is its zone alone; two share the view, each
    // black around its zone in its own part of it only.
    if (place)
        blackAround(result, dualCapture() ? dualPart(slot, kernels::boundsOf(result)) : kernels::boundsOf(result),
                    *place);
    if (place && SlotBitmaps[slot][0])
        kernels::stretchBlt(result, *place, *SlotBitmaps[slot][0], DisplayZoneRect, kernels::RasterOp::SrcCopy);
    ApplyFishEyeAttenuation();
    if ((FRM_Pref && FRM_Pref->CKB_DateHeure->isChecked())) {
        const QString text = FrameStampText(slot);
        const QSize ext = TextExtent(text);
        const kernels::Rect clip = kernels::boundsOf(result);
        QPoint at;
        bool draw = true;
        if (!dualCapture())
            at = {DisplayZoneRect.right - ext.width(), DisplayZoneRect.bottom - ext.height()};
        else if (CameraSlots[slot].recordLayout == 1 || CameraSlots[slot].recordLayout == 2)
            at = {clip.right - ext.width(), clip.bottom - ext.height()};
        else
            draw = dualStampPlace(slot, clip, ext, at);
        if (draw)
            TextOut(result, at.x(), at.y(), text, kRed);
    }
    FRM_Alv->Image3->Changed();
}

void plainDisplay(Frame& f)
{
    ResultOverlaid = false;
    ResultHoldsStack = false;
    // While the result view is hidden the zone is drawn into it only when
    // the result is next used; two cameras share it, so they draw at once.
    const std::uint8_t slot = f.slot;
    if (dualCapture())
        drawPlainResult(slot);
    else
        FRM_Alv->Image3->Fill([slot] { drawPlainResult(slot); });
    resultOverlayAndFullScreen();
    mosaic();
}

// Integration on with no addition running: the result view holds the
// stack, and frames no longer change it.
bool stackShown()
{
    const auto* t = FRM_Tool_Images;
    return t->CKB_Integration->isChecked() && t->BTN_Demarrer_Add->isEnabled();
}

bool additionRunning()
{
    const auto* t = FRM_Tool_Images;
    return t->CKB_Integration->isChecked() && !t->BTN_Demarrer_Add->isEnabled();
}

// 20, 21. Result.
void renderResult(Frame& f)
{
    auto* t = FRM_Tool_Images;
    if (t->CKB_Integration->isChecked()) {
        if (stackShown() || !f.draw)
            return;
        RenderResult(GetIntegrationKind(), 1, 0, PermanentDisplay);
        ResultHoldsStack = true;
        ResultStackRect = ZoneImageRect;
        ResultStackSize = FRM_Alv->Image3->PictureSize();
        ApplyFishEyeAttenuation();
        mosaic();
        resultOverlayAndFullScreen();
        return;
    }
    if (!f.draw)
        return;
    if (singleFramePass()) {
        ResultHoldsStack = false;
        const std::uint8_t kind = GetIntegrationKind();
        DeepImagePlanes().clear(kind);
        RenderResult(kind, 1, 1, PermanentDisplay);
        ApplyFishEyeAttenuation();
        resultOverlayAndFullScreen();
        mosaic();
        return;
    }
    plainDisplay(f);
}

// 24. Source overlay and the information windows.
void sourceOverlayAndWindows(Frame& f)
{
    if (SourceViewShown) {
        auto* m = FRM_Tool_Mesures;
        if (f.current && m && (m->CKB_Reticule->isChecked() || m->CKB_Fichier_Comparaison->isChecked())
            && OverlayBitmap)
            kernels::transparentCopy(f.view->Bitmap(), 0, 0, OverlayBitmap->bitmap);
        f.view->Changed();
        if (CameraSlots[f.slot].streamMode && f.view->isVisible())
            f.view->repaint();
    }
    if (FRM_Info && FRM_Info->isVisible()) {
        Util_Images::ShowPixelValues(InfoPoint.source, InfoPoint.pixel.x(), InfoPoint.pixel.y());
        DrawHistogram();
    }
    if (FRM_Tool_Mesures && FRM_Tool_Mesures->CKB_Surface_Permanent->isChecked())
        FRM_Tool_Mesures->BTN_Surface_CalculerClick();
    if (f.current)
        AdvanceProcedures(f.slot, f.trackResult);
}

// 25. End.
void finish(Frame& f)
{
    if (f.trackResult == 0 && FRM_Alv->CKB_Mosaique_Active->isChecked() && FRM_Tool_Suivi
        && FRM_Tool_Suivi->CKB_Suivi->isChecked())
        FRM_Tool_Suivi->BTN_FindBestClick();
    if (SequenceSaving) {
        // Seconds to the next shot on the monotonic clock.
        SequenceClock.now_ms = platform::clock().monotonicMs();
        const double seconds = double(SequenceClock.next_ms - SequenceClock.now_ms) / 1000.0;
        setNum(FRM_Tool_Images->TNI_SeqTimer, seconds >= 0 ? std::nearbyint(seconds) : 0);
    }
}

void processFrame(Frame& f)
{
    auto* t = FRM_Tool_Images;
    stamp(f);
    *f.keep = 0;
    showSource(f);
    f.Z = std::max(truncInt(num(FRM_Tool_Affichage->TNI_Taille_ZDetect)), 0);
    f.Zh = f.Z / 2;
    ZoneMoved = 0;
    if (TrackedStarPos != PreviousTrackedStarPos || DisplayZoneOffset != PreviousDisplayZoneOffset) {
        ZoneMoved = 1;
        PreviousTrackedStarPos = TrackedStarPos;
        PreviousDisplayZoneOffset = DisplayZoneOffset;
    }
    stampSourceView(f);
    if (t->CKB_FS_Video->isChecked())
        t->BTN_ShowStarsClick();
    if (PipelineActive) {
        // Whatever the guiding meets (a device gone, a line refused), the
        // frame is shown, kept and saved as without it.
        app::runGuarded(QStringLiteral("TrackStep"), [&f] { track(f); });
        drawLevelLabels(f);
        zoneAndMarkers(f);
        if (f.current || dualCapture()) {
            // The quality measure copies the zone itself; motion detection
            // runs when there is no measure.
            if (!measureQuality(f))
                detectMotion(f);
            auto* a = FRM_Tool_Affichage;
            if (a->CKB_MAP->isChecked() && a->RDB_Methode_DCT->isChecked()) {
                const double worst = num(a->TNI_Pire_FWHM), best = num(a->TNI_Meilleur_FWHM), cur = num(a->TNI_FWHM);
                if (a->CKB_Son_MAP->isChecked()) {
                    PlayFocusSound(false, worst, best, cur, PreviousFWHM);
                    PreviousFWHM = cur;
                }
                if (FRM_FWHM)
                    setNum(FRM_FWHM->TNI_GROS_FWHM, cur);
                UpdateFocusIndicators(1, false, worst, best, cur, PreviousQuality);
            }
            if (*f.keep == 0) {
                SetPanelColour(t->PNL_Image_Selected, kRed);
            } else {
                SetPanelColour(t->PNL_Image_Selected, kGreen);
                if (t->CKB_Selection->isChecked())
                    SelectionSnapshot = {num(t->TNI_Qualite_Actuelle), num(t->TNI_Meilleure_Qualite),
                                         num(t->TNI_Pire_Qualite)};
                renderResult(f);
            }
        } else {
            SetPanelColour(t->PNL_Image_Selected, kRed);
        }
        sourceOverlayAndWindows(f);
    }
    finish(f);
}

} // namespace

std::int64_t MeasureZoneQuality(std::uint8_t slot)
{
    if (slot != 1 && slot != 2)
        return 0;
    copyZone(slot);
    const int quality = std::clamp(FRM_Pref ? truncInt(num(FRM_Pref->TNI_Finesse_Selection)) : 30, 0, 100);
    return kernels::JpegCompressedSize(*ZoneBitmap, ZoneImageRect, quality);
}

bool EndedStackShown() { return FRM_Tool_Images && ResultHoldsStack && !additionRunning(); }

kernels::Rect ResultPictureRect()
{
    if (!FRM_Alv)
        return {};
    const kernels::Rect whole = kernels::boundsOf(FRM_Alv->Image3->Bitmap());
    // A stack keeps where its frames lay, whatever became of the zone since.
    const kernels::Rect& filled = EndedStackShown() ? ResultStackRect : ZoneImageRect;
    return {std::max(filled.left, whole.left), std::max(filled.top, whole.top), std::min(filled.right, whole.right),
            std::min(filled.bottom, whole.bottom)};
}

void RedrawResultAtItsSize()
{
    if (!FRM_Alv || !EndedStackShown())
        return;
    // The plane the view shows, whatever mode the integration page has gone
    // to since (the camera's stop, which ends the integration, selects the
    // single image, whose plane may hold an older stack). An empty plane
    // has nothing to show (and a flat rendered would be applied to what
    // follows).
    const std::uint8_t kind = ResultStackKind;
    if ((kind == 0 ? std::max(AdditionFrameCount[0], RingFilled) : AdditionFrameCount[kind]) <= 0)
        return;
    // The stack's plane is laid out as the result image, from its top-left
    // corner: rendered at the new size it is cut, or padded with what the
    // plane holds there (black since its reset), and plane 5, which the
    // 16-bit saves write, follows the view.
    RenderResult(kind, 0, 0, 1);
    ApplyFishEyeAttenuation();
    resultOverlayAndFullScreen();
}

void ProcessFrame(std::uint8_t draw, std::uint8_t& keep, std::uint8_t slot)
{
    keep = 0;
    if ((slot != 1 && slot != 2) || !FRM_Alv || !FRM_Tool_Images || !FRM_Tool_Affichage || !FRM_Tool_Suivi
        || !SlotBitmaps[slot][0] || !ZoneBitmap || !ResultBitmap)
        return;
    Frame f;
    f.slot = slot;
    f.draw = draw;
    f.keep = &keep;
    f.view = slot == 1 ? FRM_Alv->Image1 : FRM_Alv->Image2;
    f.current = slot == CurrentCameraSlot;
    f.guide = slot == GuideSourceSlot;
    f.width = std::clamp(CameraSlots[slot].width, 0, kSlotBitmapSize);
    f.height = std::clamp(CameraSlots[slot].height, 0, kSlotBitmapSize);
    // Frames stream through here: the per-frame read-outs are refreshed at
    // a readable pace rather than on every frame.
    const pipeline::ReadoutRefresh::Stream stream;
    app::runGuarded(QStringLiteral("ProcessFrame"), [frame = &f] { processFrame(*frame); });
}

} // namespace Align_V
