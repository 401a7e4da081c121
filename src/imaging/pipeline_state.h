#pragma once
// State of the frame pipeline: the slot and work bitmaps, the six deep
// planes, the frame ring of loop addition, the zone geometry and the results
// of the per-frame measurements. These are the main window's globals: every
// window may read them, and the capture, mount, tool and script services
// write some of them. Everything is used on the interface thread only.

#include "kernels/bitmap24.h"
#include "kernels/deep_planes.h"
#include "kernels/nj_bitmap.h"
#include "kernels/raster.h"

#include <QDateTime>
#include <QPoint>
#include <QPointF>
#include <QSize>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

// A 24-bit bitmap drawn over a view, black pixels being transparent.
struct TransparentBitmap24 {
    kernels::Bitmap24 bitmap;
    bool transparent = true;
    std::uint32_t transparentColor = 0;   // black
};

constexpr int kSlotBitmapSize = 1280;
// The reticle and comparison-picture layer covers the largest frame.
constexpr int kOverlayWidth = kSlotBitmapSize;
constexpr int kOverlayHeight = kSlotBitmapSize;
constexpr int kIntegrationKinds = 4;
constexpr std::int32_t kAdditionLevelLimit = kernels::DeepPlanes::kLevelLimit;

// ---- bitmaps -------------------------------------------------------------

// [slot 1..2][0..2]; index 0 of the outer array is unused.
using SlotBitmapArray = std::array<std::array<std::unique_ptr<kernels::Bitmap24>, 3>, 3>;
extern SlotBitmapArray SlotBitmaps;

extern std::unique_ptr<kernels::Bitmap24> ResultBitmap, ZoneBitmap, SaveBitmap, MotionReference,
    MotionCurrent, ZoneFrameBitmap, MiniZoneFrameBitmap, SaturationBitmap;
// The 16-bit work image of the clipboard frame grab.
extern std::unique_ptr<kernels::TNJBitmap> FrameBitmap16;
extern std::unique_ptr<TransparentBitmap24> OverlayBitmap;

// The six deep planes: 0 the running sum, 1 the dark, 2 the flat, 5 the
// 16-bit result; read and written only through their accessor.
kernels::DeepPlanes& DeepImagePlanes();

// ---- frame ring of loop addition -----------------------------------------

// FrameRing[1 .. FrameRingCount]; element 0 is unused.
extern std::vector<std::unique_ptr<kernels::Bitmap24>> FrameRing;
extern int FrameRingCount;
extern bool FrameRingAllocated;
extern std::int32_t RingSize;        // ring length used: frames of the loop + 1
extern std::int32_t RingHead;        // newest, 1-based; 0 when empty
extern std::int32_t RingTail;        // oldest, 1-based; 0 when empty
extern std::int32_t RingFilled;      // frames summed in the loop window
extern std::int32_t ImageSumFrames;  // frames the image plane's sum was last shown with

// ---- addition ------------------------------------------------------------

extern std::array<std::int32_t, kIntegrationKinds> AdditionMin;
extern std::array<std::int32_t, kIntegrationKinds> AdditionMax;
extern std::array<std::int32_t, kIntegrationKinds> AdditionFrameCount;
extern std::int64_t AdditionTotal1;
extern std::int64_t AdditionTotal2;
extern std::array<double, 3> FlatChannelMeans;   // channels 1..3 at 0..2
// Level limits of the finished dark, per dark frame (0 until a dark is built).
extern double DarkMeanMax, DarkMeanMin;
// The dark threshold last applied while addition was off (0 at start).
extern std::int32_t LastDarkThreshold;
extern bool PermanentDisplay;
extern bool ToneCurveActive;
extern const std::int32_t* ToneCurve;            // 256 entries, or null

// ---- zone geometry (frame pixels of the slot) ----------------------------

extern QPoint TrackedStarPos, PreviousTrackedStarPos;
extern QPointF TrackedStarPosF;
extern QPointF StarPosPrecise;
extern QPoint DisplayZoneCenter;
extern QPoint DisplayZoneOffset, PreviousDisplayZoneOffset;
extern kernels::Rect DisplayZoneRect, MiniZoneRect, ZoneImageRect, MiniZoneImageRect, ZoneImageRectRight,
    ZoneImageRectBelow;
extern double MiniScale;
extern double FrameAspect;
// Centre of the next mosaic tile on the mosaic canvas; (-1, -1) until the
// canvas is first initialised or a tile is placed.
extern QPoint MosaicTileCentre;
extern QPoint SecondStarPos;
extern QPoint MeasureCentre, RecentreTarget;
extern QPoint MeasurePoint, PreviousMeasurePoint, MeasureDelta;
// The distance between the two measuring points in seconds of arc, and its
// linear size at the object's distance (in the unit the distance is given in).
extern double MeasuredAngle, MeasuredSize;
extern double MeasureDistanceTotal;
extern int MeasureDistanceCount;
extern QPoint ProcedureStarPos;
// The anchor of the display zone in frame pixels, rescaled when a camera
// start brings a new frame size; ZoneResetPending: the next start centres
// every zone (set at program start and by every file-source start).
extern QPoint ZoneAnchor;
extern std::uint8_t ZoneResetPending;

// ---- per-frame state and results -----------------------------------------

// Stamp of a slot's last frame: wall time for the text, monotonic time for
// durations.
struct TFrameStamp {
    std::int32_t Time = 0;          // milliseconds since midnight
    std::int32_t Date = 0;          // days since 1899-12-30
    QDateTime Wall;
    std::int64_t Monotonic_ms = 0;
};
extern std::array<TFrameStamp, 3> FrameStamps;   // [1..2]
// When the tracked star was last placed by a click.
extern TFrameStamp TrackTimeStamp;
// The mouse buttons (0 left, 1 right, 2 middle) pressed on the first source
// view and not released yet: while one is held, moves drag the zones.
extern std::array<std::uint8_t, 3> MouseButtonHeld;
// "dd/MM/yyyy hh:mm:ss.zzz" of a slot's stamp (empty before its first frame).
QString FrameStampText(int slot);

extern std::uint8_t PipelineActive;
extern std::uint8_t SourceViewShown;
extern std::uint8_t ZoneMoved;
extern std::uint8_t ProcedureState;

struct TTrackResult {
    std::int32_t level = 0;
    std::int32_t previousLevel = 0;
};
extern TTrackResult TrackResult;
extern std::int32_t GuideSearchCounter;
extern std::int32_t ZoneLevelMax, ZoneLevelMin;
// Where the detection zone's levels are written: the zone's rectangle in
// the view, clamped into it.
extern kernels::Rect LevelLabelRect;
// (The marker's shape and centre mark are the Preferences' ReticleFrameShape
// and ReticleCentreShape.)

// The last measures of the compression quality: a ring of M values
// (M = 2..50) at 1..M with a running sum of the last M - 1.
constexpr int kQualityRingSize = 51;
struct TQualityHistory {
    int index = 1;                   // newest, 1-based
    int oldest = 0;
    int length = 0;                  // M the ring was filled with; 0 before use
    std::array<double, kQualityRingSize> values{};
    double sum = 0;
};
extern TQualityHistory QualityHistory;
extern std::uint8_t QualityFilled;
extern std::int32_t PreviousQuality;
extern double PreviousFWHM;
struct TSelectionSnapshot {
    double current = 0, best = 0, worst = 0;
};
extern TSelectionSnapshot SelectionSnapshot;

extern std::uint8_t MotionReferenceSet;
extern std::uint8_t MotionFired;

struct TInfoPoint {
    int source = 1;
    QPoint pixel;
};
extern TInfoPoint InfoPoint;

extern std::array<std::int32_t, 256> HistogramRed, HistogramGreen, HistogramBlue;

// Measurement procedures.
extern double ProcedureElapsed;      // seconds since the procedure started
extern double FieldOrientation;
// Where and when the running procedure (or the current learning move)
// started: the star's position and the monotonic time.
struct TProcedureStart {
    QPointF pos;
    std::int64_t time_ms = 0;
};
extern TProcedureStart ProcedureStart;
// The drift direction turned into the sky's frame (degrees).
extern double ProcedureDirection;
// The King method: where the star should end up, the offset to it, and
// whether both are frozen while the user corrects the mount.
extern QPoint KingTarget, KingOffset;
extern std::uint8_t KingPaused;
// Seconds of the last drift-speed measure, for drift guiding.
extern std::int32_t DriftGuideSeconds;
// The periodic-error window's star displacement, whole pixels, at least 1.
extern QPoint PeriodicErrorTrail;
// Motor-speed learning: sub-state (0 to 10), step-done flag (set by the
// learning timer), the counter and the running sums (West, North, East,
// South) of completed cycles. The execute button starts a learning with
// Learning = {}.
struct TLearning {
    std::uint8_t step = 0;
    std::uint8_t tick = 0;
    std::int32_t counter = 1;
    std::int32_t cycles = 0;
    std::array<double, 4> sums{};
};
extern TLearning Learning;

// The mosaic's countdown: its monotonic end, and whether a countdown
// started for the present run waits for it (Align_V::StartMosaicCountdown);
// the first frame at or after the end clears it as it ends the mosaic.
extern std::int64_t MosaicEnd_ms;
extern std::uint8_t MosaicCountdownRunning;
extern double PipelineRunningFactor;

// ---- result rendering ----------------------------------------------------

extern double AutoThresholdLowFactor;
// Width and height of the part of plane 5 the render pass last wrote (the
// 16-bit result the image tool saves); empty until it wrote any.
extern QSize ResultPlaneSize;
// The result view as rendered, before the overlays drawn on it for the
// screen (reticle, comparison picture); valid while ResultOverlaid is set,
// that is from the drawing of an overlay to the next render.
extern kernels::Bitmap24 ResultWithoutOverlay;
extern bool ResultOverlaid;
// The result view holds a stack (frames were added into it and no frame has
// been drawn over it since), and the part of the view its frames filled.
// ResultStackKind: the integration kind (image, dark, flat) whose plane the
// render last drew into the view.
extern bool ResultHoldsStack;
extern kernels::Rect ResultStackRect;
// The size of the result the stack's frames were added at: drawn again in
// a larger view, the part beyond it is padding, none of the stack's pixels.
extern QSize ResultStackSize;
extern std::uint8_t ResultStackKind;
extern double AutoThresholdHighFactor;

// ---- focus aids ----------------------------------------------------------

// (FocusTolerance and FocusSensitivity belong to the Preferences, the
// effective focal length to the settings.)
struct TFocusHistoryEntry {
    double Value = 0;
    std::int32_t Colour = 0;
};
extern std::array<TFocusHistoryEntry, 129> FocusHistory;   // [1..128]

namespace Align_V {

// Start values of the pipeline state before the main window's first activation.
void ResetPipelineStartValues();

// Creates every slot bitmap (with the slot's streams first) and work bitmap
// that does not exist yet. Returns true when something was created.
bool CreateMissingSlotBitmaps();
bool CreateMissingWorkBitmaps();
// Frees every bitmap created above.
void FreePipelineBitmaps();

// Empties the quality ring: values, sum, index and filled flag together
// (a change of the number of measures averaged).
void ResetQualityHistory();

} // namespace Align_V
