#pragma once
// The tracking step of the guide camera and the drift of the mosaic, as
// the frame pipeline calls them.

#include "imaging/pipeline_state.h"

#include <cstdint>

namespace Align_V {

// One tracking step on the slot's frame around (X, Y) in a W x H zone.
// Returns 0 when the star was not tracked. The tracking methods come with
// the guiding work; until then no step tracks anything and 0 is returned.
std::uint8_t TrackStep(std::int32_t X, std::int32_t Y, std::int32_t W, std::int32_t H, std::uint8_t Follow,
                       std::uint8_t Mode, std::uint8_t Slot, std::uint8_t SearchNewStar, TTrackResult& result,
                       std::int32_t last);

// Whole pixels of drift since the last call, the fractions kept.
void AdvanceDriftOffset(std::int32_t& dx, std::int32_t& dy);

} // namespace Align_V
