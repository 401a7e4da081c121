#pragma once
// The shared record of the long-exposure lines (parallel-port webcams with
// the long-exposure modification). The Preferences dialog fills it from its
// controls on OK and at start-up; the exposure cycle reads it.

#include <cstdint>
#include <optional>

struct TLongExposureParams {
    // The port of the long-exposure lines; none when the port text of the
    // Preferences dialog is no address, and then nothing is written.
    std::optional<std::uint16_t> PortAddress;
    std::int32_t ExposureMs = 0;        // FRM_Longuepose.SPED_Vesta_Pose
    std::int32_t GuideExposureMs = 0;   // FRM_Longuepose.SPED_Vesta_Pose_Guidage
    std::int32_t PauseMs = 0;           // pause between exposures
    // Data-bit numbers (pin - 2, 0..7) and their active levels (0 or 1).
    std::uint8_t OddLineBit = 0, OddLineActive = 1;
    std::uint8_t EvenLineBit = 1, EvenLineActive = 1;
    std::uint8_t AmpBit = 2, AmpActive = 1;
    std::uint8_t LongExpBit = 3, LongExpActive = 1;
    std::uint8_t SelfGuideBit = 0;
    std::uint8_t AlternateLines = 0;    // 1: self-guiding alternates odd and even lines
    // Read by the per-frame routine.
    std::uint8_t GuideHold = 0;
    std::uint8_t SelfGuideHold = 0;
};

extern TLongExposureParams LongExposureParams;

// Measured length of the last long exposure in milliseconds (the frame grab
// minus the start of the exposure), set by the exposure cycle; 0 until the
// first one. The capture file names may carry it.
extern std::int32_t LastExposureDurationMs;
