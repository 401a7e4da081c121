#pragma once
// Sizes and statistics of the addition: the size of the result image for a
// display-zone width, the area the result pass works on, and the channel
// means of the finished flat.

#include <QSize>

#include <array>
#include <cstdint>

namespace Align_V {

// Size of the result image for a display zone `zone` pixels wide whose
// width-to-height ratio is `ratio`, for the frame of `slot`:
//   1x1 binning: the zone width and Z / ratio (rounded, halves to even),
//                each limited to the frame (ZoneDisplayWidth/Height,
//                doubled by a two-camera layout);
//   2x2 binning: half of each, the height first limited to the frame.
// The result always fits the frame it is made from and the deep planes
// (at most 1280 source pixels a side), and is never below 1 x 1. A zone of
// 0 or less, or a ratio that is not a positive number, is taken as the
// smallest zone and a ratio of 1.
QSize ComputeZoneSize(std::uint8_t slot, bool dualCapture, double zone, double ratio, int binning);

// The result pixels the result pass works on: the result view's size,
// clipped to the planes and to the zone bitmap at the current binning.
QSize ResultAreaSize();

// Mean of channels 1, 2 and 3 (blue, green, red words) of the flat (plane
// 2) over the top-left width x height pixels, in 64-bit sums. An empty area
// gives 1.0 for each channel (a flat that changes nothing).
std::array<double, 3> FlatChannelMeansOver(int width, int height);
// The same over the area the flat was rendered on (ResultAreaSize()).
void ComputeChannelMeans(std::array<double, 3>& means);

} // namespace Align_V
