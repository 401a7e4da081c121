#pragma once
// Frame helpers of the per-frame routine for motion detection, alarms,
// saturation, histogram and mosaic tile, and the measurement procedures.
// Their algorithms come with the frame-helper and procedure work; until
// then each does the least its callers rely on.

#include "kernels/bitmap24.h"

#include <cstdint>

namespace Align_V {

// Paints the saturated pixels of the current slot's frame red on
// SaturationBitmap.
void MarkSaturatedPixels(std::int32_t threshold);
// Compares the display zone with the motion reference; true on motion.
bool MotionCompare(std::int32_t level, std::int32_t count, double& percent, std::int64_t& sum);
void RunMotionActions();
void RunLostStarActions();
// Counts and draws the histogram of the current slot's frame.
void DrawHistogram();
// Lays the result into the mosaic at the next tile.
void PlaceMosaicTile(const kernels::Bitmap24& result, std::int32_t width, std::int32_t height);
// The per-frame work of a running measurement procedure (ProcedureState
// not 0) on the current slot.
void AdvanceProcedures(std::uint8_t slot);

} // namespace Align_V
