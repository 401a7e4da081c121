#pragma once
// The focusing measure of the tracking step (display tool's "Mise au point"
// with the FWHM method): the apparent star diameter from the pixels above
// the focusing threshold, averaged over the last measures, its read-outs,
// lamps, sound and log line, and the star's profile.

#include <cstdint>

namespace Align_V {

// One focus measure after a tracking step around (X, Y) with half width
// halfW; zoneSum is the step's sum of grey levels.
void FocusMeasure(std::uint8_t slot, std::int32_t X, std::int32_t Y, std::int32_t halfW, std::int32_t zoneSum);

} // namespace Align_V
