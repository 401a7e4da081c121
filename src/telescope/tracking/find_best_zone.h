#pragma once
// The automatic guide zone: the frame is halved around its most detailed
// quarter until the search is 40 pixels wide. Detail is the size of the
// quarter compressed as JPEG, blown up to the size of the search first.

#include "kernels/bitmap24.h"

#include <QPoint>
#include <optional>

namespace Align_V {

// Where the guide zone goes on the width x height frame held in frame (both
// limited to the bitmap): the centre of the last quarter that won. A frame
// 40 or fewer pixels wide gives its centre; a round stops early when a
// quarter would have no rows or columns left. Nothing without a frame.
// Reuses one scratch bitmap, so calls after the first allocate nothing of
// their own.
std::optional<QPoint> FindBestZoneCentre(const kernels::Bitmap24& frame, int width, int height, int quality);

} // namespace Align_V
