#pragma once
// SEAM, to be replaced by the frame pipeline: the per-frame routine and the
// zone services that the camera road calls, in the least form that shows a
// live frame. When the pipeline lands, its Align_V::ProcessFrame and zone
// state take the place of everything declared here and this file goes.

#include <QPoint>
#include <cstdint>

// Zone geometry re-laid out by a camera or file start.
// (TrackedStarPos and DisplayZoneCenter are in pipeline_state.h.)
extern QPoint ZoneAnchor;
extern QPoint PreviousTrackedStarPos;
extern std::uint8_t ZoneResetPending;   // the next start re-centres every zone
extern std::uint8_t GuideSourceSlot;    // the slot whose frames drive the detection zone
extern bool ZoneChanged;                // the frame routine re-places its zones
extern std::int32_t AdditionFrameNumber;

namespace Align_V {

// The per-frame routine for SlotBitmaps[slot][0]. Seam: shows the frame in
// the slot's source view and keeps (accepts) every frame.
void ProcessFrame(std::uint8_t render, std::uint8_t& accept, std::uint8_t slot);
// Seam: nothing to compute until the zones exist.
void ComputeDisplayZone(int slot);
// Clears the result view to black.
void ClearImage3();
// Seam: clears addition plane 0, 1 (dark) or 2 (flat) once the planes exist.
void ClearAdditionPlane(int plane);

} // namespace Align_V
