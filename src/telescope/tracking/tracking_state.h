#pragma once
// State of the tracking step and the guide corrections, beside what the frame
// pipeline keeps (imaging/pipeline_state.h: TrackedStarPos, StarPosPrecise,
// SecondStarPos for the radial centre, RecentreTarget, ZoneLevelMax and
// ZoneLevelMin for the brightest and darkest grey of the zone). Interface
// thread only.

#include "app/log.h"
#include "kernels/guide_correlation.h"
#include "kernels/guide_measure.h"

#include <QPoint>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

// Zone centre before the last move of the zone.
extern QPoint PreviousStarPos;
// ZoneLevelMax of the step before.
extern std::int32_t PreviousBrightest;
// Sum of grey levels and count of pixels above the focusing threshold of
// the last focus-counting scan.
extern std::int32_t ZoneSum;
extern std::int32_t ZoneBrightCount;
// Mean grey level of the zone.
extern double ZoneMeanLevel;
// "Tolerance.:" of the tracking window.
extern std::uint16_t TrackSensitivity;

// Measurements averaged so far (0 rebuilds the averaging window at the next
// step); the window's length is GuideAverageInterval (app/settings.h).
extern std::int32_t TrackAverageCount;
struct TGuideAverage {
    static constexpr int kSlots = 52;            // ring indices 1 .. 51
    std::int32_t head = 0;
    std::int32_t tail = 0;
    std::int32_t span = 0;                       // window length the ring holds
    double sumX = 0;
    double sumY = 0;
    std::array<double, kSlots> x{};
    std::array<double, kSlots> y{};
};
extern TGuideAverage GuideAverage;

// Frames since the last correction (1: a correction is due now).
extern std::int32_t GuideCounter;
// Axis served by the next correction when the axes are corrected
// separately: 1 Right Ascension, 2 Declination. It advances before each
// correction and starts at 2, so the first correction serves RA.
extern std::uint8_t AxisToggle;

// The guide log and the focusing log, when open.
extern std::unique_ptr<TLog> GuideLog;
extern std::unique_ptr<TLog> FwhmLog;
// The periodic-error recording's log ("Fichier sortant"), when open.
extern std::unique_ptr<TLog> PeLog;

// The last N focus measures (N = the Preferences' number of measures,
// 2..50) at 1..N, their sum, and whether N measures are in.
struct TFwhmHistory {
    static constexpr int kSlots = 51;
    std::uint16_t index = 0;
    std::uint16_t oldest = 0;
    std::array<double, kSlots + 1> samples{};
    double sum = 0;
    double previous = 0;
    std::uint8_t full = 0;
    // Empties the history (the focusing tool's reset).
    void reset() { *this = TFwhmHistory{}; }
};
extern TFwhmHistory FwhmHistory;

// Programmed drift of "Derive" in pixels per second, its accumulator and
// whether the user confirmed it.
extern double TrackDriftSpeedX;
extern double TrackDriftSpeedY;
extern kernels::guide::DriftAccumulator TrackDrift;
extern std::int32_t DriftDefined;
// Drift of the mosaic in pixels per second and its accumulator.
extern double MosaicDriftSpeedX;
extern double MosaicDriftSpeedY;
extern kernels::guide::DriftAccumulator MosaicDrift;
// Monotonic times of the last drift step of each clock; -1 before the
// first, so a clock never counts the time before it started.
extern std::int64_t LastDriftStamp_ms;
extern std::int64_t LastMosaicDriftStamp_ms;

// The correlation reference and whether it was taken since the last search
// (the first frame after a capture keeps the zone centre).
extern kernels::guide::ZoneReference GuideReference;
extern std::uint8_t ReferenceDirty;

// Work the tracking step hands to windows built elsewhere. Each may be empty.
struct TTrackingHooks {
    // One tick of the long-exposure cycle's timer, run when a held-span
    // exposure sees the star leave the neutral zone.
    std::function<void()> ExposureTimer;
    // A focus measure for the hand pad's autofocus, once the history is full.
    std::function<void(double fwhm, int measures)> AutofocusMeasure;
};
extern TTrackingHooks TrackingHooks;

namespace Align_V {

// Back to the start values: averaging, counters, histories, drift clocks,
// reference.
void ResetTrackingState();
// Restarts the drift clocks and empties the drift accumulators (the drift
// button of the tracking window).
void ResetDriftClocks();

} // namespace Align_V
