#include "imaging/frame_helpers.h"

namespace Align_V {

void MarkSaturatedPixels(std::int32_t) {}

bool MotionCompare(std::int32_t, std::int32_t, double& percent, std::int64_t& sum)
{
    percent = 0;
    sum = 0;
    return false;
}

void RunMotionActions() {}
void RunLostStarActions() {}
void DrawHistogram() {}
void PlaceMosaicTile(const kernels::Bitmap24&, std::int32_t, std::int32_t) {}
void AdvanceProcedures(std::uint8_t) {}

} // namespace Align_V
