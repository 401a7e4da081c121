#pragma once
// The display zone: the part of the current slot's frame that the result
// view shows and that addition, thresholds and filters work on; its
// rectangle in the frame, its place in the result image, and their
// mini-window and side-by-side variants.

#include "kernels/raster.h"

#include <QPoint>
#include <cstdint>

namespace Align_V {

// The rectangles of one zone.
struct ZoneGeometry {
    kernels::Rect displayZone;      // in the frame, clamped to it
    kernels::Rect miniZone;         // displayZone / mini scale
    kernels::Rect zoneImage;        // place of the zone in the result image
    kernels::Rect miniZoneImage;
    kernels::Rect zoneImageRight;   // the second slot's place side by side
    kernels::Rect zoneImageBelow;   // ... or below
};

// The geometry of a zone of width zoneSize around centre in a frame of
// frameWidth x frameHeight, the height following ratio. A frame without
// pixels gives empty rectangles; a ratio that is not a positive number
// counts as 1. When the result is no larger than the frame
// (resultHoldsFrameOnly), a zone wider or taller than the frame takes the
// whole frame that way, at the result's edge, so that none of it falls out
// of the result.
ZoneGeometry ComputeZoneGeometry(int zoneSize, double ratio, QPoint centre, int frameWidth, int frameHeight,
                                 double miniScale, bool resultHoldsFrameOnly);

// Width-to-height ratio of the display zone: 1.25 for "Ecran", Width /
// Height for "Libre"; 1.0 when neither is chosen or the height is not
// above 0.
double GetDisplayRatio(std::int32_t width, std::int32_t height);

// Recomputes DisplayZoneRect and the rectangles that follow it, from the
// display tool's zone size and ratio and the zone centre and offset, on the
// current slot's frame (on the given slot's while two cameras share the
// result).
void ComputeDisplayZone(std::uint8_t slot);

// The zone's outline drawn again on the source view and the preview window
// when they show.
void DrawDisplayZoneOutlines();
// ComputeDisplayZone, then DrawDisplayZoneOutlines.
void RedrawDisplayZone(std::uint8_t slot);

// Width and height to give the result view: the zone size, limited to the
// current slot's frame; doubled by a side-by-side (width) or one-above-
// the-other (height) layout of two-camera capture; never beyond what the
// deep planes and the frame bitmaps hold.
std::int32_t ZoneDisplayWidth(std::uint8_t slot, bool dualCapture, std::int32_t width);
std::int32_t ZoneDisplayHeight(std::uint8_t slot, bool dualCapture, std::int32_t height);

} // namespace Align_V
