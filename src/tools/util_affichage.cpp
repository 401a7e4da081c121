#include "tools/util_affichage.h"

#include "kernels/rounding.h"

#include <algorithm>

namespace Util_Affichage {

namespace {

double ratioOf(std::int32_t width, std::int32_t height, const ZoneRules& rules)
{
    if (rules.ecran)
        return 1.25;
    return height > 0 ? double(width) / height : 1.0;
}

std::int32_t roundToInt(double v) { return std::int32_t(kernels::roundHalfEvenToInt(v)); }

} // namespace

void AdjustZoneSize(int mode, std::int32_t& width, std::int32_t& height, const ZoneRules& rules)
{
    if ((mode == 1 || mode == 3) && !rules.binning1x1)
        width = roundToInt(width / 2.0 - 0.5);
    const double r = ratioOf(width, height, rules);
    if (mode != 2 && mode != 3)
        return;
    if (rules.binning1x1) {
        height = std::min(rules.frameHeight, roundToInt(width / r - 0.5));
    } else {
        const std::int32_t t = std::min(rules.frameHeight, roundToInt(width / r));
        height = roundToInt(t / 2.0 - 0.5);
    }
}

std::uint8_t ZoneMultipleOf4State(std::int32_t width, std::int32_t height)
{
    return std::uint8_t((width % 4 == 0 ? 1 : 0) | (height % 4 == 0 ? 2 : 0));
}

void SnapZoneToMultipleOf4(std::int32_t& width, std::int32_t& height, int direction, const ZoneRules& rules)
{
    if (direction != -1 && direction != 1)
        return;
    std::uint8_t s = ZoneMultipleOf4State(width, height);
    auto widthMayStep = [&] { return direction < 0 ? width > 8 : width < rules.frameWidth - 8; };
    while (widthMayStep() && s != 1 && s != 3) {
        width += direction;
        AdjustZoneSize(2, width, height, rules);
        s = ZoneMultipleOf4State(width, height);
    }
    // The height steps alone: adjusting the size here would halve the
    // width of a binned slot at every step.
    auto heightMayStep = [&] { return direction < 0 ? height > 8 : height < rules.frameHeight - 8; };
    while (heightMayStep() && s != 3) {
        height += direction;
        s = ZoneMultipleOf4State(width, height);
    }
}

int SnapDirection(int scrollCode)
{
    switch (scrollCode) {
    case 1:
    case 3:
    case 7:
        return 1;
    default:
        return -1;
    }
}

} // namespace Util_Affichage
