#include "imaging/pipeline_state.h"

#include "app/frm_alv.h"
#include "capture/slot_streams.h"

#include <algorithm>

SlotBitmapArray SlotBitmaps;
std::unique_ptr<kernels::Bitmap24> ResultBitmap, ZoneBitmap, SaveBitmap, MotionReference, MotionCurrent,
    ZoneFrameBitmap, MiniZoneFrameBitmap, SaturationBitmap;
std::unique_ptr<FrameBitmap16Placeholder> FrameBitmap16;
std::unique_ptr<TransparentBitmap24> OverlayBitmap;

std::uint8_t PipelineActive = 0;
std::uint8_t ProcedureState = 0;
std::uint8_t MotionReferenceSet = 0;
bool PermanentDisplay = false;
double FrameAspect = 4.0 / 3.0;
double MiniScale = 4.0;
double PipelineRunningFactor = 1.0;
double ThresholdScaleLow = 1.0;
double ThresholdScaleHigh = 1.0;
bool FrameRingAllocated = false;
int FrameRingCount = 0;
std::array<std::uint16_t, kIntegrationKinds> AdditionMin{};
std::array<std::uint16_t, kIntegrationKinds> AdditionMax{};
std::array<std::int32_t, kIntegrationKinds> AdditionFrameCount{};
std::int64_t AdditionTotal1 = 0;
std::int64_t AdditionTotal2 = 0;
TQualityHistory QualityHistory;
QPoint MeasurePoint, PreviousMeasurePoint, MeasureDelta;
double MeasureDistanceTotal = 0;
int MeasureDistanceCount = 0;
TInfoPoint InfoPoint;
QPoint DisplayZoneOffset, PreviousDisplayZoneOffset;
QPoint TrackedStarPos;
QPoint DisplayZoneCenter;

namespace Align_V {
namespace {

// Creates a missing 24-bit bitmap of the slot size, black.
bool createIfMissing(std::unique_ptr<kernels::Bitmap24>& bmp)
{
    if (bmp)
        return false;
    bmp = std::make_unique<kernels::Bitmap24>(kSlotBitmapSize, kSlotBitmapSize);
    return true;
}

} // namespace

void ResetPipelineStartValues()
{
    AdditionMax.fill(0);
    AdditionFrameCount.fill(0);
    AdditionMin.fill(kAdditionLevelLimit);
    AdditionTotal1 = 0;
    AdditionTotal2 = 0;
    ThresholdScaleLow = 1.0;
    ThresholdScaleHigh = 1.0;
    PermanentDisplay = false;
    QualityHistory.index = 1;
    MeasurePoint = PreviousMeasurePoint = MeasureDelta = QPoint();
    MeasureDistanceTotal = 0;
    MeasureDistanceCount = 0;
}

bool CreateMissingSlotBitmaps()
{
    bool created = false;
    for (int slot = 1; slot <= 2; ++slot) {
        for (int i = 0; i < 3; ++i) {
            if (SlotBitmaps[slot][i])
                continue;
            if (!Align_V::SlotStreamsExist(slot))
                Align_V::InitSlotStreams(slot);
            SlotBitmaps[slot][i] = std::make_unique<kernels::Bitmap24>(kSlotBitmapSize, kSlotBitmapSize);
            ClearSlotBitmap(slot, i);
            FrameAspect = 1.33333;
            created = true;
        }
    }
    return created;
}

bool CreateMissingWorkBitmaps()
{
    bool created = false;
    created |= createIfMissing(ResultBitmap);
    created |= createIfMissing(ZoneBitmap);
    created |= createIfMissing(SaveBitmap);
    if (!FrameBitmap16) {
        FrameBitmap16 = std::make_unique<FrameBitmap16Placeholder>(
            FrameBitmap16Placeholder{kSlotBitmapSize, kSlotBitmapSize, 0});
        created = true;
    }
    created |= createIfMissing(MotionReference);
    created |= createIfMissing(MotionCurrent);
    if (createIfMissing(ZoneFrameBitmap)) {
        PreviousDisplayZoneOffset = DisplayZoneOffset;
        DisplayZoneOffset = QPoint(0, 0);
        created = true;
    }
    created |= createIfMissing(MiniZoneFrameBitmap);
    created |= createIfMissing(SaturationBitmap);
    if (!OverlayBitmap) {
        OverlayBitmap = std::make_unique<TransparentBitmap24>();
        OverlayBitmap->bitmap.resize(kOverlayWidth, kOverlayHeight);
        created = true;
    }
    return created;
}

void FreePipelineBitmaps()
{
    for (int slot = 1; slot <= 2; ++slot) {
        Align_V::FreeSlotStreams(slot);
        for (auto& b : SlotBitmaps[slot])
            b.reset();
    }
    for (auto* b : {&ResultBitmap, &ZoneBitmap, &SaveBitmap, &MotionReference, &MotionCurrent,
                    &ZoneFrameBitmap, &MiniZoneFrameBitmap, &SaturationBitmap})
        b->reset();
    FrameBitmap16.reset();
    OverlayBitmap.reset();
}

void ClearSlotBitmap(int slot, int index)
{
    if (slot < 1 || slot > 2 || index < 0 || index > 2 || !SlotBitmaps[slot][index])
        return;
    auto& b = *SlotBitmaps[slot][index];
    std::fill(b.bits(), b.bits() + b.byteCount(), std::uint8_t(0));
}

void ClearImage1()
{
    if (FRM_Alv)
        FRM_Alv->Image1->Clear();
}

void FreeFrameRing(int count)
{
    // The ring itself comes with the addition; here only its flags.
    FrameRingAllocated = false;
    FrameRingCount = 0;
}

} // namespace Align_V
