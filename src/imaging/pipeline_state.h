#pragma once
// State of the frame pipeline that the main window's start-up and close
// touch: the slot and work bitmaps, the frame ring flags, the addition
// limits and the measurement points. The per-frame code extends this.

#include "kernels/bitmap24.h"

#include <QPoint>
#include <array>
#include <cstdint>
#include <memory>

// The 16-bit work bitmap of the pipeline.
// TODO(TNJBitmap): placeholder until the 16-bit bitmap class is available;
// it only records the size and format the start-up asks for.
struct FrameBitmap16Placeholder {
    int width = 0;
    int height = 0;
    int format = 0;
};

// A 24-bit bitmap drawn over a view, black pixels being transparent.
struct TransparentBitmap24 {
    kernels::Bitmap24 bitmap;
    bool transparent = true;
    std::uint32_t transparentColor = 0;   // black
};

constexpr int kSlotBitmapSize = 1280;
constexpr int kOverlayWidth = 800;
constexpr int kOverlayHeight = 600;
constexpr int kIntegrationKinds = 4;
constexpr std::uint16_t kAdditionLevelLimit = 65280;

// [slot 1..2][0..2]; index 0 of the outer array is unused.
using SlotBitmapArray = std::array<std::array<std::unique_ptr<kernels::Bitmap24>, 3>, 3>;
extern SlotBitmapArray SlotBitmaps;

extern std::unique_ptr<kernels::Bitmap24> ResultBitmap, ZoneBitmap, SaveBitmap, MotionReference,
    MotionCurrent, ZoneFrameBitmap, MiniZoneFrameBitmap, SaturationBitmap;
extern std::unique_ptr<FrameBitmap16Placeholder> FrameBitmap16;
extern std::unique_ptr<TransparentBitmap24> OverlayBitmap;

extern std::uint8_t PipelineActive;
extern std::uint8_t ProcedureState;
extern std::uint8_t MotionReferenceSet;
extern bool PermanentDisplay;
extern double FrameAspect;
extern double MiniScale;
extern double PipelineRunningFactor;
extern double ThresholdScaleLow;
extern double ThresholdScaleHigh;

extern bool FrameRingAllocated;
extern int FrameRingCount;

extern std::array<std::uint16_t, kIntegrationKinds> AdditionMin;
extern std::array<std::uint16_t, kIntegrationKinds> AdditionMax;
extern std::array<std::int32_t, kIntegrationKinds> AdditionFrameCount;
extern std::int64_t AdditionTotal1;
extern std::int64_t AdditionTotal2;

struct TQualityHistory {
    int index = 1;
};
extern TQualityHistory QualityHistory;

extern QPoint MeasurePoint, PreviousMeasurePoint, MeasureDelta;
extern double MeasureDistanceTotal;
extern int MeasureDistanceCount;

struct TInfoPoint {
    int source = 1;
    QPoint pixel;
};
extern TInfoPoint InfoPoint;

extern QPoint DisplayZoneOffset, PreviousDisplayZoneOffset;
// The tracked star (centre of the detection zone) and the display zone's
// centre, in frame pixels.
extern QPoint TrackedStarPos;
extern QPoint DisplayZoneCenter;

namespace Align_V {

// Start values of the pipeline state before the main window's first activation.
void ResetPipelineStartValues();

// Creates every slot bitmap (with the slot's streams first) and work bitmap
// that does not exist yet. Returns true when something was created.
bool CreateMissingSlotBitmaps();
bool CreateMissingWorkBitmaps();
// Frees every bitmap created above.
void FreePipelineBitmaps();

void ClearSlotBitmap(int slot, int index);
// Clears the source 1 view to black.
void ClearImage1();
void FreeFrameRing(int count);

} // namespace Align_V
