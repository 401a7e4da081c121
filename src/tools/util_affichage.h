#pragma once
// The size rules of the display zone: the height that follows the width
// (the "Ecran" ratio or the free one), the halving of a 2 x 2 binned slot,
// and the snapping of both sizes to multiples of 4 for video codecs.

#include <cstdint>

namespace Util_Affichage {

// What the rules depend on: the slot's binning, the ratio button and the
// current slot's frame size.
struct ZoneRules {
    bool binning1x1 = true;
    bool ecran = true;
    int frameWidth = 0;
    int frameHeight = 0;
};

// Mode 1 and 3 halve the width of a binned slot; mode 2 and 3 derive the
// height from the width.
void AdjustZoneSize(int mode, std::int32_t& width, std::int32_t& height, const ZoneRules& rules);
// 3 both multiples of 4, 1 only the width, 2 only the height, 0 neither.
std::uint8_t ZoneMultipleOf4State(std::int32_t width, std::int32_t height);
// Steps the width (direction -1 down to 8, +1 up to the frame width - 8),
// the height following it, until the width is a multiple of 4; then steps
// the height alone until both are.
void SnapZoneToMultipleOf4(std::int32_t& width, std::int32_t& height, int direction, const ZoneRules& rules);
// The snapping direction of a scroll code: down for line up, page up,
// position, track and top; up for line down, page down and bottom.
int SnapDirection(int scrollCode);

} // namespace Util_Affichage
