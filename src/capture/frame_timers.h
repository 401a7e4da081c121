#pragma once
// Frame counting and the frame-rate read-out of the slots, on the monotonic
// clock.

#include <QString>

namespace Capture {

// Counts one frame of the slot; every fifth frame the rate over the last five
// is shown in the display tool (EDT_Cam1_FPS / EDT_Cam2_FPS). No rate is
// shown before two stamps exist, nor when no time passed between them.
void CountFrame(int slot);

// The rate as the read-out shows it: 4 significant digits, "." separator.
QString FrameRateText(double framesPerSecond);

// Forgets the slot's count and stamps and empties its read-out (a new start).
void ResetFrameRate(int slot);

} // namespace Capture
