#pragma once
// Frame helpers of the per-frame routine for motion detection, alarms,
// saturation, histogram and mosaic tile, and the measurement procedures.
// User-interface thread only. The per-frame routines allocate nothing.

#include "kernels/bitmap24.h"

#include <QString>
#include <cstdint>

namespace Align_V {

// Paints red, on SaturationBitmap, every pixel of the current slot's frame
// whose brightest channel reaches threshold; other pixels stay as they are.
void MarkSaturatedPixels(std::int32_t threshold);

// Copies the current slot's display zone into MotionCurrent (the size of
// MotionReference) and compares it with the reference: percent receives
// the changed pixels in hundredths of a percent of the zone, sum the signed
// difference of the grey sums. A pixel changed when its grey sum moved by
// more than 3 x level; motion when more than count / 10000 of the pixels
// changed. No reference, zone or frame: no motion, 0 and 0.
bool MotionCompare(std::int32_t level, std::int32_t count, std::int32_t& percent, std::int64_t& sum);

// Defines the motion reference now: the current slot's display zone at the
// size of the result view; the reference panel turns green.
void DefineMotionReference();
// Forgets the reference (a source start, a format change); the reference
// panel turns red.
void InvalidateMotionReference();

// The actions chosen for a detection and for the loss of the guide star.
// A sound still playing and a script still running are not started again.
void RunMotionActions();
void RunLostStarActions();

// The long exposure (`exposure`) or the saving a detection action started
// has ended, however it ended (its own end, Arrêter, a camera that stops,
// a line that fails): detection tests frames again once nothing the action
// started still runs. Ends of an exposure or a saving the action did not
// start change nothing.
void MotionActionEnded(bool exposure);

// Counts the current slot's frame into the histograms and draws them on
// the information window.
void DrawHistogram();

// Blends the result into the mosaic around MosaicTileCentre and runs the
// mosaic's countdown.
void PlaceMosaicTile(const kernels::Bitmap24& tile, std::int32_t width, std::int32_t height);

// The countdown of a timed mosaic belongs to one run: it starts when the
// mosaic is switched on, or initialised while on, with a duration above 0,
// and only a countdown so started ends the mosaic. Switched off, or on
// without a duration, the run has none: a duration typed while it runs
// waits for the next start. Every start of the mosaic goes through here.
void StartMosaicCountdown(bool on, std::int32_t duration_ms);

// Hides the main window's recording indicator.
void HideRecIndicator();

// The per-frame work of the measurement procedure in ProcedureState on the
// current slot; trackResult is the tracking step's result for this frame
// (0: the star was lost or no tracking step ran), which ends the procedure.
void AdvanceProcedures(std::uint8_t slot, std::uint8_t trackResult);

// A source stop while the motor speeds are being learnt on its frames: no
// frame will end the move under way, so the learning ends now (moves and
// learning timer stopped, the completed cycles kept).
void EndLearningOnSourceStop(int slot);

// Stops a running motor-speed learning (its move, the guide port and the
// learning timer; the completed cycles kept) before it is aborted or another
// operation is armed. Nothing when no learning runs.
void StopLearning();

// The translated direction word: vertical axis "le bas" when positive, else
// "le haut"; horizontal axis "Est" when positive, else "Ouest".
QString DirectionName(bool vertical, bool positive);

} // namespace Align_V
