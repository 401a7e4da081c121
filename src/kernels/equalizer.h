#pragma once
// The tone-curve equalizer of the image tool: the switched-on points of nine
// sliders (input levels 0, 32, ..., 224, 255) are joined by a chain of cubic
// Bezier segments into a 256-entry curve, isolated spikes are removed, and
// the sliders of the switched-off points are moved onto the curve.
//
// The image tool owns an EqualizerCurve, fills Points, calls
// BuildEqualizerCurve(curve, 10), then uses LUT as its tone curve and sets
// the sliders listed in SliderPositions (without running their handlers).

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace kernels::Equalizer {

// A curve point, 9 bytes packed when stored: X (input level), Y (output
// level), Active (0 or 1).
struct EqualizerPoint {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    std::uint8_t Active = 0;
};

struct CurvePoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool operator==(const CurvePoint&) const = default;
};

inline constexpr int kPointCount = 10;    // records of Points; the tenth stays inactive
inline constexpr int kBezierSlots = 28;
inline constexpr int kSmoothing = 100;    // percent

struct EqualizerCurve {
    std::array<EqualizerPoint, kPointCount> Points{};
    // The active points at slots 0, 3, 6, ... with two control points
    // between each pair of neighbours.
    std::array<EqualizerPoint, kBezierSlots> Bezier{};
    // Output level for each input level 0..255.
    std::array<std::int32_t, 256> LUT{};
    // For inner points 1..7 (sliders TRKB_EQ2 .. TRKB_EQ8): the position the
    // slider of a switched-off point takes, or empty when it stays.
    std::array<std::optional<int>, 7> SliderPositions{};
};

// Builds LUT and SliderPositions from the first count records of Points.
// A count that is not 3n + 1 is reported ("Incorrect number of points
// (nx3)+1") and the curve is built anyway; counts beyond the ten records are
// limited to them.
void BuildEqualizerCurve(EqualizerCurve& curve, int count);

// Fills the two control points between each pair of anchors among the first
// count slots (anchors at 0, 3, 6, ...).
void ComputeControlPoints(std::span<EqualizerPoint> bezier, int count, int smoothing);

// The point of the cubic Bezier segment p0..p3 at t, computed in single
// precision as the curve has always been, each coordinate rounded to the
// nearest integer (ties to even).
CurvePoint BezierPoint(const EqualizerPoint& p0, const EqualizerPoint& p1, const EqualizerPoint& p2,
                       const EqualizerPoint& p3, float t);

// Integer length of the vector from (a, b) to (c, d), by twelve Newton steps
// (short of the root for very long vectors, as the curve expects).
std::int64_t ISqrt(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d);

} // namespace kernels::Equalizer
