#pragma once
// The tracking step of the guide camera, the guide corrections it sends and
// the drift of the mosaic, as the frame pipeline, the image mouse-ups and the
// tracking window call them. The measurement methods themselves are pure
// code in kernels/guide_measure.h and kernels/guide_correlation.h; the state
// they keep between frames is in telescope/tracking/tracking_state.h.

#include "imaging/pipeline_state.h"
#include "kernels/guide_measure.h"

#include <cstdint>

namespace Align_V {

// One tracking step on the slot's frame around (X, Y) in a W x H zone,
// with the method chosen in the tracking window.
//   Follow 0  measure only: with the image tool's "not empty" check, the
//             zone's mean level; nothing else; returns 0 (nothing tracked).
//   Mode      bitmap index of SlotBitmaps[Slot] (0 the frame, 2 the
//             self-guiding half-frame).
//   SearchNewStar 1  brightest pixel whatever the window says, the zone
//             left where the star is (the lost-star search).
//   last 1    drift only: the zone moves along the programmed drift and
//             nothing is measured, averaged or corrected (the drift-star
//             step of the autoguiding branch).
// Writes the zone's brightest grey level into result.level. Returns 0 when
// the zone had to be pushed back inside the frame, otherwise 1.
std::uint8_t TrackStep(std::int32_t X, std::int32_t Y, std::int32_t W, std::int32_t H, std::uint8_t Follow,
                       std::uint8_t Mode, std::uint8_t Slot, std::uint8_t SearchNewStar, TTrackResult& result,
                       std::int32_t last);

// Moves the guide star's zone along the programmed drift before a
// correction, when "Guidage dérivant" is checked.
void TrackDriftStar();

// The frame the measures read: the result view's picture when fromResult,
// else the camera's frame in SlotBitmaps[slot][index]. Empty when there is
// none.
kernels::guide::FrameView SourceFrame(std::uint8_t slot, std::uint8_t index, bool fromResult);

// Keeps a zone centre inside the frame; true when it had to move.
bool ClampZone(std::int32_t& X, std::int32_t& Y, std::int32_t HalfW, std::int32_t HalfH,
               const kernels::guide::FrameView& frame);

// Takes the correlation reference of a W x H zone around (X, Y) of bitmap
// (the tracking window's precision and colour channel) and marks it fresh.
void CaptureZoneReference(const kernels::guide::FrameView& frame, std::int32_t X, std::int32_t Y, std::int32_t W,
                          std::int32_t H, std::int32_t precision, std::int32_t channel);

// Offset of the star from where it should be, in frame pixels: the mount
// moves that bring it back, and one line of the guide log.
void SendGuideCorrection(double DX, double DY);
// Signed amounts in seconds of arc: RA < 0 East, > 0 West; Dec < 0 South,
// > 0 North (with separate axes, the Dec part waits for the end of the RA
// pulse). Zero sends nothing.
void SendCorrectionPulses(std::int32_t RA, std::int32_t Dec);

// The grey profile of row Y, X - Half .. X + Half, in the focusing window.
void DrawStarProfile(std::uint8_t Slot, std::int32_t X, std::int32_t Y, std::uint8_t Index, std::int32_t Half);

// Whole pixels of mosaic drift since the last call, the fractions kept.
void AdvanceDriftOffset(std::int32_t& dx, std::int32_t& dy);

} // namespace Align_V
