#include "telescope/track_step.h"

namespace Align_V {

std::uint8_t TrackStep(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::uint8_t, std::uint8_t,
                       std::uint8_t, std::uint8_t, TTrackResult&, std::int32_t)
{
    return 0;
}

void AdvanceDriftOffset(std::int32_t& dx, std::int32_t& dy)
{
    dx = 0;
    dy = 0;
}

} // namespace Align_V
