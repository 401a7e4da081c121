#include "telescope/tracking/tracking_state.h"

#include "platform/clock.h"

QPoint PreviousStarPos;
std::int32_t PreviousBrightest = 0;
std::int32_t ZoneSum = 0;
std::int32_t ZoneBrightCount = 0;
double ZoneMeanLevel = 0;
std::uint16_t TrackSensitivity = 0;
std::int32_t TrackAverageCount = 0;
TGuideAverage GuideAverage;
std::int32_t GuideCounter = 0;
std::uint8_t AxisToggle = 2;
std::unique_ptr<TLog> GuideLog;
std::unique_ptr<TLog> PeLog;
std::unique_ptr<TLog> FwhmLog;
TFwhmHistory FwhmHistory;
double TrackDriftSpeedX = 0;
double TrackDriftSpeedY = 0;
kernels::guide::DriftAccumulator TrackDrift;
std::int32_t DriftDefined = 0;
double MosaicDriftSpeedX = 0;
double MosaicDriftSpeedY = 0;
kernels::guide::DriftAccumulator MosaicDrift;
std::int64_t LastDriftStamp_ms = -1;
std::int64_t LastMosaicDriftStamp_ms = -1;
kernels::guide::ZoneReference GuideReference;
std::uint8_t ReferenceDirty = 0;
TTrackingHooks TrackingHooks;

namespace Align_V {

void ResetTrackingState()
{
    PreviousStarPos = QPoint();
    PreviousBrightest = 0;
    ZoneSum = ZoneBrightCount = 0;
    ZoneMeanLevel = 0;
    TrackAverageCount = 0;
    GuideAverage = TGuideAverage{};
    GuideCounter = 0;
    AxisToggle = 2;
    FwhmHistory.reset();
    TrackDrift.reset();
    MosaicDrift.reset();
    DriftDefined = 0;
    LastDriftStamp_ms = LastMosaicDriftStamp_ms = -1;
    GuideReference = kernels::guide::ZoneReference{};
    ReferenceDirty = 0;
}

void ResetDriftClocks()
{
    LastDriftStamp_ms = LastMosaicDriftStamp_ms = platform::clock().monotonicMs();
    TrackDrift.reset();
}

} // namespace Align_V
