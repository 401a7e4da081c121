#pragma once
// The per-frame routine: every frame of both camera slots passes here after
// it has been copied into SlotBitmaps[slot][0].

#include <cstdint>

namespace Align_V {

// Stamps the frame, shows it in the slot's source view, runs the tracking
// step of the guide slot, draws the zone markers, measures the frame's
// quality, runs motion detection, renders the result (with draw 1), feeds
// the information windows and the procedures. keep is set to 1 when the
// frame may be saved. A slot other than 1 or 2 is ignored; an exception in
// any step is reported once per cause and the next frame runs normally.
void ProcessFrame(std::uint8_t draw, std::uint8_t& keep, std::uint8_t slot);

// The detail measure of the display zone of the slot's frame: the size of
// the zone compressed as JPEG at the selection quality of the Preferences.
std::int64_t MeasureZoneQuality(std::uint8_t slot);

} // namespace Align_V
