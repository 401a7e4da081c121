#include "capture/long_exposure.h"

TLongExposureParams LongExposureParams;
std::int32_t LastExposureDurationMs = 0;
