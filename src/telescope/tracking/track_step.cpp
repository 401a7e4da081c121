// The tracking step: measure the star in the detection zone with the chosen
// method, then follow it with the zone (software tracking) or keep the zone
// and send mount corrections (autoguiding), and feed the focusing measure.

#include "telescope/track_step.h"

#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "app/settings.h"
#include "capture/camera_slots.h"
#include "capture/frm_longuepose.h"
#include "imaging/display_zone.h"
#include "imaging/named_control.h"
#include "imaging/overlays.h"
#include "imaging/pipeline_state.h"
#include "kernels/raster.h"
#include "kernels/rounding.h"
#include "platform/clock.h"
#include "telescope/frm_tool_suivi.h"
#include "telescope/tracking/focus_measure.h"
#include "telescope/tracking/tracking_state.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"

#include <algorithm>
#include <cmath>

namespace Align_V {

namespace {

using namespace kernels::guide;

constexpr kernels::Colour kBlue = 0xFF0000;

pipeline::NamedControl alvMosaicFollowsTracking("RDB_Mosaique_Suivi_Logiciel");
pipeline::NamedControl imagesNotEmpty("CKB_Nonvide");

int roundInt(double v) { return int(std::clamp<std::int64_t>(kernels::roundHalfEvenToInt(v), -(1 << 30), 1 << 30)); }

int truncInt(double v) { return std::isfinite(v) ? int(std::clamp(std::trunc(v), -1e9, 1e9)) : 0; }

// The detection-zone size D of the display tool.
double zoneSizeD()
{
    const double d = FRM_Tool_Affichage ? double(FRM_Tool_Affichage->TNI_Taille_ZDetect->Value()) : 0.0;
    return std::isfinite(d) ? d : 0.0;
}

bool focusMode()
{
    const auto* a = FRM_Tool_Affichage;
    return a && a->CKB_MAP->isChecked() && a->RDB_Methode_FWHM->isChecked();
}

int focusThreshold() { return FRM_Tool_Affichage ? FRM_Tool_Affichage->SPED_Seuil_MAP->value() : 0; }

kernels::Bitmap24* viewBitmap(std::uint8_t slot)
{
    if (!FRM_Alv)
        return nullptr;
    TImageView* v = slot == 2 ? FRM_Alv->Image2 : FRM_Alv->Image1;
    return v && !v->Bitmap().isEmpty() ? &v->Bitmap() : nullptr;
}

// The "+" of a measured position, +-10 pixels, green dotted not-xor.
void drawPlus(kernels::Bitmap24* view, Point p)
{
    if (!view)
        return;
    kernels::DottedNotXorPen pen(*view, kGreen);
    const int x = roundInt(p.x), y = roundInt(p.y);
    pen.moveTo(roundInt(p.x - 10), y);
    pen.lineTo(roundInt(p.x + 10), y);
    pen.moveTo(x, roundInt(p.y - 10));
    pen.lineTo(x, roundInt(p.y + 10));
}

// The blue diagonal cross of the averaged position and the re-centring target.
void drawCross(kernels::Bitmap24* view, double x, double y)
{
    if (!view)
        return;
    kernels::DottedNotXorPen pen(*view, kBlue);
    pen.moveTo(roundInt(x - 10), roundInt(y - 10));
    pen.lineTo(roundInt(x + 10), roundInt(y + 10));
    pen.moveTo(roundInt(x - 10), roundInt(y + 10));
    pen.lineTo(roundInt(x + 10), roundInt(y - 10));
}

void drawBox(kernels::Bitmap24* view, const Box& b)
{
    if (view)
        kernels::DottedNotXorPen(*view, kGreen).rectangle({b.left, b.top, b.right, b.bottom});
}

// What one step works with.
struct Step {
    std::int32_t X = 0, Y = 0, W = 0, H = 0, halfW = 0, halfH = 0;
    std::uint8_t slot = 1, index = 0;
    bool forceBrightest = false;
    bool driftOnly = false;
    int sensitivity = 0;
    bool lost = false;
    Point result;
    Point radial;
    FrameView frame;
    kernels::Bitmap24* view = nullptr;
    ZoneLevels levels;

    Zone zone() const { return {X, Y, halfW, halfH}; }
};

// Copies what a scan measured into the program's globals.
void publish(const ZoneLevels& l)
{
    ZoneSum = std::int32_t(std::min<std::int64_t>(l.focusSum, INT32_MAX));
    ZoneBrightCount = l.brightCount;
    ZoneLevelMax = l.brightest;
    ZoneLevelMin = l.darkest;
}

void measureBrightness(Step& s, bool focus)
{
    measureZoneBrightness(s.frame, s.zone(), {focus, focusThreshold()}, s.levels);
    publish(s.levels);
}

// "Derive": the zone centre moves along the programmed drift.
void measureDrift(Step& s)
{
    const std::int64_t now = platform::clock().monotonicMs();
    const double dt = LastDriftStamp_ms < 0 ? 0.0 : double(now - LastDriftStamp_ms) / 1000.0;
    LastDriftStamp_ms = now;
    int dx = 0, dy = 0;
    TrackDrift.advance(dt, TrackDriftSpeedX, TrackDriftSpeedY, dx, dy);
    // Before the drift is confirmed, autoguiding keeps the zone centre.
    if (!FRM_Tool_Suivi->RDB_Autoguidage->isChecked() || DriftDefined > 0)
        s.result = {double(TrackedStarPos.x() + dx), double(TrackedStarPos.y() + dy)};
    if (FRM_Tool_Suivi->CKB_Drift_Star->isChecked()) {
        PreviousStarPos = TrackedStarPos;
        TrackedStarPos = QPoint(truncInt(s.result.x), truncInt(s.result.y));
    }
}

// "Detect.Limites", with the radial scan while collimation runs.
void measureLimits(Step& s)
{
    const LimitRule rule{s.sensitivity, FRM_Tool_Suivi->CKB_Inversion_Video->isChecked()};
    const LimitsResult lim = objectLimits(s.frame, s.zone(), rule);
    if (lim.found()) {
        drawBox(s.view, lim.box);
        s.result = lim.centre;
    } else {
        s.result = {double(TrackedStarPos.x()), double(TrackedStarPos.y())};
    }
    if (ProcedureState == 16) {
        const LimitsResult rad = radialLimits(s.frame, s.zone(), rule);
        if (rad.found()) {
            drawBox(s.view, rad.box);
            s.radial = rad.centre;
        } else {
            s.radial = {double(TrackedStarPos.x()), double(TrackedStarPos.y())};
        }
    }
}

void measureCorrelation(Step& s)
{
    static CorrelationScratch scratch;
    if (!ReferenceDirty) {
        const auto* t = FRM_Tool_Suivi;
        const auto channel = Channel(std::clamp(t->CBX_Couleurs_Suivi->currentIndex(), 0, 3));
        s.result = searchCorrelation(s.frame, GuideReference, s.zone(), s.W, s.H, t->SPED_Correl_Precision->value(),
                                     channel, scratch)
                       .result;
    }
    ReferenceDirty = 0;
    drawPlus(s.view, s.result);
}

void measure(Step& s)
{
    static AxisSums axisSums;
    const auto* t = FRM_Tool_Suivi;
    const bool focus = focusMode();
    if (t->RDB_Derive->isChecked() || s.driftOnly) {
        measureDrift(s);
        if (!s.driftOnly)
            measureBrightness(s, focus);
    } else if (t->RDB_Colimacon->isChecked() || s.forceBrightest) {
        s.result = brightestPixel(s.frame, s.zone(), s.sensitivity, {focus, focusThreshold()}, s.levels);
        publish(s.levels);
        drawPlus(s.view, s.result);
    } else if (t->RDB_Somax->isChecked()) {
        const FocusCounting counting{focus || t->CKB_Lost_Star_Alert->isChecked(), focusThreshold()};
        if (t->CKB_Inversion_Video->isChecked()) {
            s.result = darkAxes(s.frame, s.zone(), s.sensitivity, counting, s.levels, axisSums);
        } else {
            s.result = brightCentroid(s.frame, s.zone(), counting, s.levels);
            drawPlus(s.view, s.result);
        }
        publish(s.levels);
    } else if (t->RDB_Cadres->isChecked()) {
        measureBrightness(s, focus);
        if (s.sensitivity == 0)
            s.sensitivity = ZoneLevelMax / 2;
        measureLimits(s);
    } else if (t->RDB_Correlation->isChecked()) {
        measureBrightness(s, focus);
        if (s.sensitivity == 0)
            s.sensitivity = ZoneLevelMax / 2;
        measureCorrelation(s);
    }
}

// The averaged position of the last GuideAverageInterval measures.
Point average(Point p)
{
    TGuideAverage& a = GuideAverage;
    const int span = std::clamp(GuideAverageInterval, 1, TGuideAverage::kSlots - 2);
    if (a.span != span || TrackAverageCount > span)
        TrackAverageCount = 0;   // the window changed length: rebuild it
    if (TrackAverageCount < span) {
        if (TrackAverageCount == 0) {
            a = TGuideAverage{};
            a.span = span;
        }
        ++TrackAverageCount;
    }
    a.head = a.head % (span + 1) + 1;
    a.tail = a.head % (span + 1) + 1;
    a.x[std::size_t(a.head)] = p.x;
    a.y[std::size_t(a.head)] = p.y;
    a.sumX += p.x - a.x[std::size_t(a.tail)];
    a.sumY += p.y - a.y[std::size_t(a.tail)];
    return {a.sumX / TrackAverageCount, a.sumY / TrackAverageCount};
}

// True when a correction is due at this step.
bool correctionDue()
{
    const int interval = std::max(FRM_Tool_Suivi->SPED_Intervalle_Guidage->value(), 1);
    GuideCounter = GuideCounter % interval + 1;
    return GuideCounter == 1;
}

void autoguide(Step& s)
{
    s.result = average(s.result);
    drawCross(s.view, s.result.x, s.result.y);
    if (correctionDue()) {
        TrackDriftStar();
        SendGuideCorrection(s.result.x - TrackedStarPos.x(), s.result.y - TrackedStarPos.y());
    }
}

void followDisplayZone()
{
    if (GuideSourceSlot == CurrentCameraSlot)
        DisplayZoneCenter = TrackedStarPos;
}

// Software tracking: the zone follows the star.
void follow(Step& s)
{
    const auto* t = FRM_Tool_Suivi;
    if (t->CKB_Recentrage->isChecked()) {
        drawCross(s.view, RecentreTarget.x(), RecentreTarget.y());
        // The star's offset from the target: the moves bring it there.
        if (correctionDue())
            SendGuideCorrection(TrackedStarPos.x() - RecentreTarget.x(), TrackedStarPos.y() - RecentreTarget.y());
    }
    if (FRM_Longuepose && FRM_Longuepose->CKB_Holdspan->isChecked()) {
        const double half = FRM_Pref ? FRM_Pref->SPED_Neutre->value() / 2.0 : 0.0;
        if (std::fabs(s.result.x - TrackedStarPos.x()) > half || std::fabs(s.result.y - TrackedStarPos.y()) > half) {
            if (TrackingHooks.ExposureTimer)
                TrackingHooks.ExposureTimer();
            PreviousStarPos = TrackedStarPos;
            std::int32_t x = roundInt(s.result.x), y = roundInt(s.result.y);
            s.lost |= ClampZone(x, y, s.halfW, s.halfH, s.frame);
            s.result = {double(x), double(y)};
            TrackedStarPos = QPoint(x, y);
            if (ProcedureState == 16)
                SecondStarPos = QPoint(roundInt(s.radial.x - 0.5), roundInt(s.radial.y - 0.5));
            followDisplayZone();
        }
        return;
    }
    PreviousStarPos = TrackedStarPos;
    if (!s.forceBrightest) {
        const std::int32_t rx = roundInt(s.result.x), ry = roundInt(s.result.y);
        std::int32_t x = rx, y = ry;
        s.lost |= ClampZone(x, y, s.halfW, s.halfH, s.frame);
        if (x != rx)
            s.result.x = x;
        if (y != ry)
            s.result.y = y;
    }
    TrackedStarPos = QPoint(roundInt(s.result.x), roundInt(s.result.y));
    StarPosPrecise = QPointF(s.result.x, s.result.y);
    if (FRM_Alv && FRM_Alv->CKB_Mosaique_Active->isChecked() && alvMosaicFollowsTracking.checked(FRM_Alv)) {
        const QPoint shift = PreviousStarPos - TrackedStarPos;
        MosaicTileCentre += shift;
        DisplayZoneOffset += shift;
    }
    if (ProcedureState == 16)
        SecondStarPos = QPoint(roundInt(s.radial.x), roundInt(s.radial.y));
    followDisplayZone();
}

// The measure-only step: the zone's mean level for the image tool.
void measureOnly(Step& s)
{
    if (!FRM_Tool_Images || !imagesNotEmpty.checked(FRM_Tool_Images))
        return;
    s.levels.brightest = ZoneLevelMax;
    s.levels.darkest = ZoneLevelMin;
    measureBrightness(s, focusMode());
    const double D = zoneSizeD();
    const double area = std::trunc((D + 1) * (D + 1));
    ZoneMeanLevel = area >= 1 ? std::trunc(double(s.levels.zoneSum) / area) : 0.0;
}

} // namespace

FrameView SourceFrame(std::uint8_t slot, std::uint8_t index, bool fromResult)
{
    if (fromResult)
        return FRM_Alv ? FrameView(FRM_Alv->Image3->Bitmap()) : FrameView();
    if ((slot != 1 && slot != 2) || index > 2 || !SlotBitmaps[slot][index])
        return {};
    const kernels::Bitmap24& b = *SlotBitmaps[slot][index];
    const TCameraSlot& cam = CameraSlots[slot];
    // A slot whose source has not told its frame size shows the whole bitmap.
    if (cam.width <= 0 || cam.height <= 0)
        return FrameView(b);
    return FrameView(b, cam.width, cam.height);
}

bool ClampZone(std::int32_t& X, std::int32_t& Y, std::int32_t HalfW, std::int32_t HalfH, const FrameView& frame)
{
    return clampZone(X, Y, HalfW, HalfH, frame.width(), frame.height());
}

std::uint8_t TrackStep(std::int32_t X, std::int32_t Y, std::int32_t W, std::int32_t H, std::uint8_t Follow,
                       std::uint8_t Mode, std::uint8_t Slot, std::uint8_t SearchNewStar, TTrackResult& result,
                       std::int32_t last)
{
    if (!FRM_Tool_Suivi || (Slot != 1 && Slot != 2))
        return 0;
    Step s;
    s.W = std::max(W, 0);
    s.H = std::max(H, 0);
    s.halfW = s.W / 2;
    s.halfH = s.H / 2;
    s.X = X;
    s.Y = Y;
    s.slot = Slot;
    s.index = Mode;
    s.forceBrightest = SearchNewStar == 1;
    s.driftOnly = last == 1;
    s.sensitivity = TrackSensitivity;
    s.frame = SourceFrame(Slot, Mode, FRM_Tool_Suivi->CKB_Guide_On_Result->isChecked());
    s.result = {double(X), double(Y)};

    if (Follow == 0 && !s.driftOnly) {
        measureOnly(s);
        return 0;
    }

    s.lost = ClampZone(s.X, s.Y, s.halfW, s.halfH, s.frame);
    s.result = {double(s.X), double(s.Y)};
    s.radial = s.result;
    if (s.driftOnly) {
        measure(s);
        return s.lost ? 0 : 1;
    }
    s.view = viewBitmap(Slot);
    ZoneLevelMin = 255;
    ZoneLevelMax = 0;
    const bool focus = focusMode();
    if (focus && FRM_Tool_Affichage->CKB_FWHM_Auto->isChecked())
        FRM_Tool_Affichage->SPED_Seuil_MAP->setValue(PreviousBrightest / 2);

    measure(s);

    // No star: the zone stays where it is.
    if (FRM_Tool_Suivi->SPED_Seuil_Detect_Min->value() > ZoneLevelMax)
        s.result = {double(s.X), double(s.Y)};

    if (FRM_Tool_Suivi->RDB_Autoguidage->isChecked() && Slot == GuideSourceSlot && !s.forceBrightest)
        autoguide(s);
    else
        follow(s);

    const std::int64_t zoneSum = focus ? ZoneSum : std::min<std::int64_t>(s.levels.zoneSum, INT32_MAX);
    PreviousBrightest = ZoneLevelMax;
    const double area = std::trunc(zoneSizeD() * zoneSizeD());
    ZoneMeanLevel = area >= 1 ? double(zoneSum) / area : 0.0;
    if (focus)
        FocusMeasure(Slot, s.X, s.Y, s.halfW, std::int32_t(zoneSum));

    RedrawDisplayZone(Slot);
    if (s.view && FRM_Alv)
        (Slot == 2 ? FRM_Alv->Image2 : FRM_Alv->Image1)->Changed();
    result.level = ZoneLevelMax;
    return s.lost ? 0 : 1;
}

void TrackDriftStar()
{
    if (!FRM_Tool_Suivi || !FRM_Tool_Suivi->CKB_Drift_Star->isChecked())
        return;
    // The guide slot's zone: that is where the guide star is tracked.
    const std::int32_t Z = truncInt(zoneSizeD());
    TTrackResult ignored;
    TrackStep(TrackedStarPos.x(), TrackedStarPos.y(), Z, Z, 1, 2, GuideSourceSlot, 0, ignored, 1);
}

void CaptureZoneReference(const FrameView& frame, std::int32_t X, std::int32_t Y, std::int32_t W, std::int32_t H,
                          std::int32_t precision, std::int32_t channel)
{
    captureZoneReference(frame, X, Y, W, H, precision, Channel(std::clamp(channel, 0, 3)), GuideReference);
    ReferenceDirty = 1;
}

void AdvanceDriftOffset(std::int32_t& dx, std::int32_t& dy)
{
    const std::int64_t now = platform::clock().monotonicMs();
    const double dt = LastMosaicDriftStamp_ms < 0 ? 0.0 : double(now - LastMosaicDriftStamp_ms) / 1000.0;
    LastMosaicDriftStamp_ms = now;
    int x = 0, y = 0;
    MosaicDrift.advance(dt, MosaicDriftSpeedX, MosaicDriftSpeedY, x, y);
    dx = x;
    dy = y;
}

} // namespace Align_V
