#pragma once
// The per-frame routine: every frame of both camera slots passes here after
// it has been copied into SlotBitmaps[slot][0].

#include "kernels/raster.h"

#include <cstdint>

namespace Align_V {

// Stamps the frame, shows it in the slot's source view, runs the tracking
// step of the guide slot, draws the zone markers, measures the frame's
// quality, runs motion detection, renders the result (with draw 1), feeds
// the information windows and the procedures. keep is set to 1 when the
// frame may be saved. A slot other than 1 or 2 is ignored; an exception in
// any step is reported once per cause and the next frame runs normally.
void ProcessFrame(std::uint8_t draw, std::uint8_t& keep, std::uint8_t slot);

// The result view given a new size (by the display zone, the frame layout,
// the binning or a new frame size) shows a stack that has ended at that
// size, with its overlay and in the full-screen view, until the next
// addition starts. A live view and a running addition show their next
// frame instead.
void RedrawResultAtItsSize();

// The result view shows a stack that has ended: no addition runs and no
// frame has been drawn over it since its last one (the stop of its camera,
// which ends the integration, leaves it there), until the next start.
bool EndedStackShown();

// The part of the result view that holds the picture, clipped to the view:
// where the display zone lies on the frame, or, for a stack that has ended,
// where its frames lay (a zone changed or moved since does not cut it).
kernels::Rect ResultPictureRect();

// The full-screen view, while it is on, shows the result view stretched
// to its size (doubled once or twice by bilinear steps first in those modes).
void ShowResultFullScreen();
// The same once the drawing under way is done, unless the full-screen view
// shows the result's last picture by then; run whenever the result view's
// picture changes, so that it shows there whichever handler drew it.
void ShowResultFullScreenSoon();

// The detail measure of the display zone of the slot's frame: the size of
// the zone compressed as JPEG at the selection quality of the Preferences.
std::int64_t MeasureZoneQuality(std::uint8_t slot);

} // namespace Align_V
