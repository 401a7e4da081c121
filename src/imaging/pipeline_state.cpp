#include "imaging/pipeline_state.h"

#include "capture/slot_streams.h"
#include "imaging/overlays.h"

#include <QLocale>

SlotBitmapArray SlotBitmaps;
std::unique_ptr<kernels::Bitmap24> ResultBitmap, ZoneBitmap, SaveBitmap, MotionReference, MotionCurrent,
    ZoneFrameBitmap, MiniZoneFrameBitmap, SaturationBitmap;
std::unique_ptr<kernels::TNJBitmap> FrameBitmap16;
std::unique_ptr<TransparentBitmap24> OverlayBitmap;

kernels::DeepPlanes& DeepImagePlanes()
{
    static kernels::DeepPlanes planes;
    return planes;
}

std::vector<std::unique_ptr<kernels::Bitmap24>> FrameRing;
int FrameRingCount = 0;
bool FrameRingAllocated = false;
std::int32_t RingSize = 0;
std::int32_t RingHead = 0;
std::int32_t RingTail = 0;
std::int32_t RingFilled = 0;
std::int32_t ImageSumFrames = 0;

std::array<std::int32_t, kIntegrationKinds> AdditionMin{};
std::array<std::int32_t, kIntegrationKinds> AdditionMax{};
std::array<std::int32_t, kIntegrationKinds> AdditionFrameCount{};
std::int64_t AdditionTotal1 = 0;
std::int64_t AdditionTotal2 = 0;
std::array<double, 3> FlatChannelMeans{};
double DarkMeanMax = 0, DarkMeanMin = 0;
std::int32_t LastDarkThreshold = 0;
bool PermanentDisplay = false;
bool ToneCurveActive = false;
const std::int32_t* ToneCurve = nullptr;

QPoint TrackedStarPos, PreviousTrackedStarPos;
QPointF TrackedStarPosF;
QPointF StarPosPrecise;
QPoint DisplayZoneCenter;
QPoint DisplayZoneOffset, PreviousDisplayZoneOffset;
kernels::Rect DisplayZoneRect, MiniZoneRect, ZoneImageRect, MiniZoneImageRect, ZoneImageRectRight,
    ZoneImageRectBelow;
double MiniScale = 4.0;
double FrameAspect = 4.0 / 3.0;
QPoint MosaicTileCentre{-1, -1};
QPoint SecondStarPos;
QPoint MeasureCentre, RecentreTarget;
QPoint MeasurePoint, PreviousMeasurePoint, MeasureDelta;
double MeasureDistanceTotal = 0;
int MeasureDistanceCount = 0;
QPoint ProcedureStarPos;
QPoint ZoneAnchor;
std::uint8_t ZoneResetPending = 1;

std::array<TFrameStamp, 3> FrameStamps;
std::uint8_t PipelineActive = 0;
std::uint8_t SourceViewShown = 0;
std::uint8_t ZoneMoved = 0;
std::uint8_t ProcedureState = 0;
TTrackResult TrackResult;
std::int32_t GuideSearchCounter = 0;
std::int32_t ZoneLevelMax = 0, ZoneLevelMin = 0;
kernels::Rect LevelLabelRect;
TQualityHistory QualityHistory;
std::uint8_t QualityFilled = 0;
std::int32_t PreviousQuality = 0;
double PreviousFWHM = 0;
TSelectionSnapshot SelectionSnapshot;
std::uint8_t MotionReferenceSet = 0;
std::uint8_t MotionFired = 0;
TInfoPoint InfoPoint;
TFrameStamp TrackTimeStamp;
std::array<std::uint8_t, 3> MouseButtonHeld{};
double MeasuredAngle = 0, MeasuredSize = 0;
std::array<std::int32_t, 256> HistogramRed{}, HistogramGreen{}, HistogramBlue{};
double ProcedureElapsed = 0;
double FieldOrientation = 1.0;
TProcedureStart ProcedureStart;
double ProcedureDirection = 0;
QPoint KingTarget, KingOffset;
std::uint8_t KingPaused = 0;
std::int32_t DriftGuideSeconds = 0;
QPoint PeriodicErrorTrail(1, 1);
TLearning Learning;
std::int64_t MosaicEnd_ms = 0;
std::uint8_t MosaicCountdownRunning = 0;
double PipelineRunningFactor = 1.0;
QSize ResultPlaneSize;
kernels::Bitmap24 ResultWithoutOverlay;
bool ResultOverlaid = false;
bool ResultHoldsStack = false;
kernels::Rect ResultStackRect;
QSize ResultStackSize;
std::uint8_t ResultStackKind = 0;
double AutoThresholdLowFactor = 1.0;
double AutoThresholdHighFactor = 1.0;
std::array<TFocusHistoryEntry, 129> FocusHistory{};

QString FrameStampText(int slot)
{
    if (slot < 1 || slot > 2 || !FrameStamps[std::size_t(slot)].Wall.isValid())
        return {};
    return QLocale::c().toString(FrameStamps[std::size_t(slot)].Wall, QStringLiteral("dd/MM/yyyy hh:mm:ss.zzz"));
}

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
    ResultPlaneSize = QSize();
    ResultOverlaid = false;
    ResultHoldsStack = false;
    ResultStackRect = {};
    ResultStackSize = QSize();
    ResultStackKind = 0;
    AutoThresholdLowFactor = 1.0;
    AutoThresholdHighFactor = 1.0;
    PermanentDisplay = false;
    LastDarkThreshold = 0;
    RingFilled = 0;
    ImageSumFrames = 0;
    QualityHistory.index = 1;
    MeasurePoint = PreviousMeasurePoint = MeasureDelta = QPoint();
    MeasureDistanceTotal = 0;
    MeasureDistanceCount = 0;
    MeasuredAngle = MeasuredSize = 0;
    MouseButtonHeld.fill(0);
    MosaicTileCentre = QPoint(-1, -1);
    MosaicCountdownRunning = 0;
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
        FrameBitmap16 = std::make_unique<kernels::TNJBitmap>();
        FrameBitmap16->SetPixelFormat(0);
        FrameBitmap16->SetWidth(kSlotBitmapSize);
        FrameBitmap16->SetHeight(kSlotBitmapSize);
        created = true;
    }
    created |= createIfMissing(MotionReference);
    created |= createIfMissing(MotionCurrent);
    // The outline bitmaps are white until an outline is drawn on them.
    if (createIfMissing(ZoneFrameBitmap)) {
        DrawZoneRect(*ZoneFrameBitmap, {}, 1);
        PreviousDisplayZoneOffset = DisplayZoneOffset;
        DisplayZoneOffset = QPoint(0, 0);
        created = true;
    }
    if (createIfMissing(MiniZoneFrameBitmap)) {
        DrawZoneRect(*MiniZoneFrameBitmap, {}, 1);
        created = true;
    }
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

void ResetQualityHistory()
{
    QualityHistory.values.fill(0);
    QualityHistory.sum = 0;
    QualityHistory.index = 0;
    QualityHistory.oldest = 0;
    QualityHistory.length = 0;
    QualityFilled = 0;
}

} // namespace Align_V
