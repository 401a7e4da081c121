#pragma once
// The shared long-exposure record, as far as the frame pipeline reads it.

#include <cstdint>

struct TLongExposureParams {
    std::uint8_t GuideHold = 0;       // hold the guide zone during a long exposure
    std::uint8_t SelfGuideHold = 0;   // the same for a self-guided long exposure
};

extern TLongExposureParams LongExposureParams;
