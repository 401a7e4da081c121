#include "imaging/addition.h"

#include "app/frm_alv.h"
#include "capture/camera_slots.h"
#include "imaging/display_zone.h"
#include "imaging/pipeline_state.h"
#include "imaging/result_render.h"
#include "kernels/rounding.h"

#include <algorithm>
#include <cmath>

namespace Align_V {

namespace {

using i64 = std::int64_t;

// The frame bitmaps hold 1280 pixels a side; the planes one more.
constexpr int kMaxSourceSide = kSlotBitmapSize;

} // namespace

QSize ComputeZoneSize(std::uint8_t slot, bool dualCapture, double zone, double ratio, int binning)
{
    const int s = slot == 2 ? 2 : 1;
    const int frameW = std::clamp(CameraSlots[std::size_t(s)].width, 0, kMaxSourceSide);
    const int frameH = std::clamp(CameraSlots[std::size_t(s)].height, 0, kMaxSourceSide);
    const double z = std::isfinite(zone) ? std::clamp(zone, 0.0, 1e6) : 0.0;
    const double r = std::isfinite(ratio) && ratio > 0 ? ratio : 1.0;
    const i64 zoneHeight = kernels::roundHalfEvenToInt(std::min(z / r, 1e9));
    i64 w = 0, h = 0;
    if (binning == 2) {
        // Each result pixel sums a 2 x 2 block: the result reads twice its
        // size from the frame.
        w = std::min<i64>(i64(std::trunc(z / 2)), frameW / 2);
        h = std::min<i64>(frameH, zoneHeight) / 2;
    } else {
        w = ZoneDisplayWidth(std::uint8_t(s), dualCapture, std::int32_t(std::trunc(z)));
        h = ZoneDisplayHeight(std::uint8_t(s), dualCapture, std::int32_t(zoneHeight));
    }
    w = std::clamp<i64>(w, 1, kMaxSourceSide);
    h = std::clamp<i64>(h, 1, kMaxSourceSide);
    return {int(w), int(h)};
}

QSize ResultAreaSize()
{
    if (!FRM_Alv || !ZoneBitmap)
        return {};
    const int B = CurrentBinning();
    const kernels::Bitmap24& view = FRM_Alv->Image3->Bitmap();
    const int W = std::clamp(view.width(), 0, std::min(kernels::DeepPlanes::kSide, ZoneBitmap->width() / B));
    const int H = std::clamp(view.height(), 0, std::min(kernels::DeepPlanes::kSide, ZoneBitmap->height() / B));
    return {W, H};
}

std::array<double, 3> FlatChannelMeansOver(int width, int height)
{
    const kernels::DeepPlanes& planes = DeepImagePlanes();
    const kernels::DeepPlanes::ConstRegion flat = planes.region(2, width, height);
    if (!flat)
        return {1.0, 1.0, 1.0};
    std::array<std::uint64_t, 3> sums{};
    for (int y = 0; y < flat.height; ++y) {
        const std::uint16_t* p = flat.row(y);
        for (int x = 0; x < flat.width; ++x, p += kernels::DeepPlanes::kWordsPerPixel)
            for (int k = 0; k < 3; ++k)
                sums[std::size_t(k)] += p[k];
    }
    const double n = double(flat.width) * double(flat.height);
    return {sums[0] / n, sums[1] / n, sums[2] / n};
}

void ComputeChannelMeans(std::array<double, 3>& means)
{
    const QSize area = ResultAreaSize();
    means = FlatChannelMeansOver(area.width(), area.height());
}

} // namespace Align_V
