#include "imaging/display_zone.h"

#include "capture/camera_slots.h"
#include "imaging/overlays.h"
#include "imaging/pipeline_state.h"
#include "imaging/result_render.h"
#include "kernels/rounding.h"
#include "tools/frm_small.h"
#include "tools/frm_tool_affichage.h"

#include <algorithm>
#include <cmath>

namespace Align_V {

namespace {

using i64 = std::int64_t;

int clampInt(i64 v)
{
    return int(std::clamp<i64>(v, INT32_MIN, INT32_MAX));
}

kernels::Rect scaled(const kernels::Rect& r, double scale)
{
    if (!(scale > 0))
        scale = 1;
    auto t = [scale](int v) { return clampInt(i64(std::trunc(v / scale))); };
    return {t(r.left), t(r.top), t(r.right), t(r.bottom)};
}

// Largest result side: the planes hold 1281, the frame bitmaps 1280.
constexpr int kMaxResultSide = kSlotBitmapSize;

int otherSlot(int slot)
{
    return slot == 1 ? 2 : 1;
}

int dualLayout(std::uint8_t slot)
{
    const int s = slot == 2 ? 2 : 1;
    int layout = CameraSlots[std::size_t(s)].recordLayout;
    if (layout == 0)
        layout = CameraSlots[std::size_t(otherSlot(s))].recordLayout;
    return layout;
}

// One direction of a zone: the frame's pixels it takes (first to last)
// and where they land in the result (at to atLast), all inclusive.
struct Span {
    i64 first, last, at, atLast;
};

// The zone of 2 x half + 1 pixels around c on a frame of `size` pixels. The
// part past the frame's edge stays empty in the result. A zone larger than
// the frame in a result cut to the frame's size would push the frame's far
// edge out of the result: there the zone is the whole frame, from the
// result's first pixel, wherever its centre is.
Span zoneSpan(i64 c, i64 half, i64 size, bool resultHoldsFrameOnly)
{
    if (resultHoldsFrameOnly && 2 * half + 1 > size)
        return {0, size - 1, 0, size - 1};
    const i64 first = std::max<i64>(c - half, 0), last = std::min<i64>(c + half, size - 1);
    return {first, last, half - (c - first), std::max<i64>(last - c + half, 0)};
}

} // namespace

ZoneGeometry ComputeZoneGeometry(int zoneSize, double ratio, QPoint centre, int W, int H, double miniScale,
                                 bool resultHoldsFrameOnly)
{
    ZoneGeometry g;
    if (W <= 0 || H <= 0)
        return g;
    if (!(ratio > 0) || !std::isfinite(ratio))
        ratio = 1.0;
    zoneSize = std::max(zoneSize, 0);
    const double half = zoneSize / 2.0;
    const i64 h = i64(std::trunc(half));
    const i64 v = kernels::roundHalfEvenToInt(std::min(half / ratio, 1e9));
    // The vertical pull uses h as well: a zone far above the frame may keep
    // no row, and then its rectangles are empty.
    const i64 cx = std::min<i64>(std::max<i64>(centre.x(), 1 - h), W + h - 1);
    const i64 cy = std::min<i64>(std::max<i64>(centre.y(), 1 - h), H + h - 1);
    const Span x = zoneSpan(cx, h, W, resultHoldsFrameOnly);
    const Span y = zoneSpan(cy, v, H, resultHoldsFrameOnly);
    g.displayZone = {clampInt(x.first), clampInt(y.first), clampInt(x.last + 1), clampInt(y.last + 1)};
    g.miniZone = scaled(g.displayZone, miniScale);
    g.zoneImage = {clampInt(x.at), clampInt(y.at), clampInt(x.atLast + 1), clampInt(y.atLast + 1)};
    g.miniZoneImage = scaled(g.zoneImage, miniScale);
    const kernels::Rect& z = g.zoneImage;
    g.zoneImageRight = {z.right, z.top, clampInt(2 * i64(z.right) - z.left), z.bottom};
    g.zoneImageBelow = {z.left, z.bottom, z.right, clampInt(2 * i64(z.bottom) - z.top)};
    return g;
}

double GetDisplayRatio(std::int32_t width, std::int32_t height)
{
    if (FRM_Tool_Affichage && FRM_Tool_Affichage->RDB_Ratio_Ecran->isChecked())
        return 1.25;
    if (FRM_Tool_Affichage && FRM_Tool_Affichage->RDB_Ratio_Libre->isChecked() && height > 0)
        return double(width) / height;
    return 1.0;
}

void ComputeDisplayZone(std::uint8_t slot)
{
    // The zone cuts the image source's frames into the result: it is laid
    // on that slot's frame whichever slot asks (the page of the other slot
    // shown, its camera started, its view clicked), or the result and the
    // saved pictures would take the other frame's size. Two cameras that
    // share the result each lay it on their own.
    const bool shared = FRM_Tool_Affichage && FRM_Tool_Affichage->CKB_DoubleEnreg->isChecked();
    const int s = shared ? (slot == 2 ? 2 : 1) : (CurrentCameraSlot == 2 ? 2 : 1);
    int zone = 0;
    double ratio = 1.0;
    if (FRM_Tool_Affichage) {
        zone = int(std::clamp<long double>(FRM_Tool_Affichage->TNI_Taille_ZAffich->Value(), 0, 1 << 20));
        ratio = GetDisplayRatio(FRM_Tool_Affichage->SCB_Taille_ZAffich->value(),
                                FRM_Tool_Affichage->SCB_Taille_ZAffichV->value());
    }
    // The result is cut to the frame's size (ZoneDisplayWidth, Height, and
    // a binned result) unless two cameras share it unbinned.
    const bool frameOnly = !shared || CurrentBinning() == 2;
    const QPoint centre = DisplayZoneCenter + DisplayZoneOffset;
    const ZoneGeometry g = ComputeZoneGeometry(zone, ratio, centre, CameraSlots[std::size_t(s)].width,
                                               CameraSlots[std::size_t(s)].height, MiniScale, frameOnly);
    DisplayZoneRect = g.displayZone;
    MiniZoneRect = g.miniZone;
    ZoneImageRect = g.zoneImage;
    MiniZoneImageRect = g.miniZoneImage;
    ZoneImageRectRight = g.zoneImageRight;
    ZoneImageRectBelow = g.zoneImageBelow;
}

void DrawDisplayZoneOutlines()
{
    if (SourceViewShown && ZoneFrameBitmap)
        DrawZoneRect(*ZoneFrameBitmap, ZoneImageRect, 1);
    if (FRM_Small && FRM_Small->isVisible() && MiniZoneFrameBitmap)
        DrawZoneRect(*MiniZoneFrameBitmap, MiniZoneImageRect, 1);
}

void RedrawDisplayZone(std::uint8_t slot)
{
    ComputeDisplayZone(slot);
    DrawDisplayZoneOutlines();
}

std::int32_t ZoneDisplayWidth(std::uint8_t slot, bool dualCapture, std::int32_t width)
{
    i64 w = std::max(width, 0);
    if (!dualCapture) {
        const int cur = CurrentCameraSlot == 2 ? 2 : 1;
        w = std::min<i64>(w, std::max(CameraSlots[std::size_t(cur)].width, 0));
    } else if (dualLayout(slot) == 1) {
        w *= 2;
    }
    return std::int32_t(std::min<i64>(w, kMaxResultSide));
}

std::int32_t ZoneDisplayHeight(std::uint8_t slot, bool dualCapture, std::int32_t height)
{
    i64 h = std::max(height, 0);
    if (!dualCapture) {
        const int cur = CurrentCameraSlot == 2 ? 2 : 1;
        h = std::min<i64>(h, std::max(CameraSlots[std::size_t(cur)].height, 0));
    } else if (dualLayout(slot) == 2) {
        h *= 2;
    }
    return std::int32_t(std::min<i64>(h, kMaxResultSide));
}

} // namespace Align_V
