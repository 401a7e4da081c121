#include "kernels/equalizer.h"

#include "kernels/rounding.h"
#include "platform/message_service.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace kernels::Equalizer {

namespace {

using i64 = std::int64_t;

// The sliders give levels 0..255; coordinates far beyond that are limited so
// that no step of the curve can overflow.
constexpr std::int32_t kCoordinateLimit = 32767;
// The number of steps of one segment is its polygon length, a few hundred for
// real curves; absurd points cannot make it run for minutes.
constexpr i64 kMaxSegmentSteps = 65536;

std::int32_t clampToInt32(i64 v)
{
    return std::int32_t(std::clamp<i64>(v, std::numeric_limits<std::int32_t>::min(),
                                        std::numeric_limits<std::int32_t>::max()));
}

// Control point next to anchor c, leaning from a away from b; divisions
// truncate toward zero.
std::int32_t control(i64 c, i64 a, i64 b, i64 smoothing)
{
    const i64 r = c - ((b - c) * smoothing) / 100;
    return clampToInt32(((c + a) / 2 + (r + c) / 2) / 2);
}

EqualizerPoint controlPoint(const EqualizerPoint& c, const EqualizerPoint& a, const EqualizerPoint& b, int smoothing)
{
    EqualizerPoint p = c;
    p.X = control(c.X, a.X, b.X, smoothing);
    p.Y = control(c.Y, a.Y, b.Y, smoothing);
    return p;
}

void inform(const char* text)
{
    platform::messages().show({QString::fromLatin1(text), platform::MsgKind::Information, platform::MsgButtons::Ok, {}, {}});
}

std::int32_t roundCoordinate(double v)
{
    return clampToInt32(roundHalfEvenToInt(std::clamp(v, -2147483648.0, 2147483647.0)));
}

} // namespace

std::int64_t ISqrt(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d)
{
    const i64 dx = i64(c) - a, dy = i64(d) - b;
    // Squares of vectors longer than 2^30 would overflow: saturate instead.
    constexpr i64 kLong = i64(1) << 30;
    const i64 square = (std::abs(dx) > kLong || std::abs(dy) > kLong) ? (i64(1) << 62) : dx * dx + dy * dy;
    i64 x = (square + 1) / 2;
    for (int i = 0; i < 12; ++i) {
        if (x > 0)
            x = (square / x + x) / 2;
    }
    return x;
}

CurvePoint BezierPoint(const EqualizerPoint& p0, const EqualizerPoint& p1, const EqualizerPoint& p2,
                       const EqualizerPoint& p3, float t)
{
    const float t2 = t * t;
    const float t3 = t * t2;
    const double w0 = 1.0 - 3.0 * t + 3.0 * t2 - t3;
    const double w1 = 3.0 * t - 6.0 * t2 + 3.0 * t3;
    const double w2 = 3.0 * t2 - 3.0 * t3;
    const double w3 = t3;
    auto coordinate = [&](std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) {
        const double sum = double(float(w0 * a)) + double(float(w1 * b)) + double(float(w2 * c))
                           + double(float(w3 * d));
        return roundCoordinate(sum);
    };
    return {coordinate(p0.X, p1.X, p2.X, p3.X), coordinate(p0.Y, p1.Y, p2.Y, p3.Y)};
}

void ComputeControlPoints(std::span<EqualizerPoint> bezier, int count, int smoothing)
{
    if (count % 3 != 1)
        inform("Incorrect number of Pts (nx3)+1");
    const int n = std::clamp(count, 0, int(bezier.size()));
    const int segments = (n - 1) / 3;
    for (int k = 1; k < segments; ++k) {
        const EqualizerPoint& c = bezier[3 * k];
        const EqualizerPoint& prev = bezier[3 * k - 3];
        const EqualizerPoint& next = bezier[3 * k + 3];
        bezier[3 * k - 1] = controlPoint(c, prev, next, smoothing);
        bezier[3 * k + 1] = controlPoint(c, next, prev, smoothing);
    }
    // The first and last segments start and end with a control point on
    // their anchor.
    if (n >= 2) {
        bezier[1] = bezier[0];
        bezier[n - 2] = bezier[n - 1];
    }
}

void BuildEqualizerCurve(EqualizerCurve& curve, int count)
{
    auto& lut = curve.LUT;
    lut.fill(0);
    curve.SliderPositions.fill(std::nullopt);
    if (count % 3 != 1)
        inform("Incorrect number of points (nx3)+1");

    // The active points become the anchors at slots 0, 3, 6, ...
    const int considered = std::clamp(count, 0, kPointCount);
    int anchors = 0;
    for (int p = 0; p < considered; ++p) {
        EqualizerPoint point = curve.Points[p];
        if (point.Active == 0)
            continue;
        point.X = std::clamp(point.X, -kCoordinateLimit, kCoordinateLimit);
        point.Y = std::clamp(point.Y, -kCoordinateLimit, kCoordinateLimit);
        curve.Bezier[std::size_t(3 * anchors)] = point;
        ++anchors;
    }
    if (anchors >= 2)
        ComputeControlPoints(curve.Bezier, 3 * (anchors - 1) + 1, kSmoothing);

    // Walk each segment in about as many steps as its polygon is long and
    // write the points it passes; points left of 0 or right of 255 drop out.
    CurvePoint previous{curve.Bezier[0].X, curve.Bezier[0].Y};
    for (int j = 1; j < anchors; ++j) {
        const EqualizerPoint& p0 = curve.Bezier[std::size_t(3 * j - 3)];
        const EqualizerPoint& p1 = curve.Bezier[std::size_t(3 * j - 2)];
        const EqualizerPoint& p2 = curve.Bezier[std::size_t(3 * j - 1)];
        const EqualizerPoint& p3 = curve.Bezier[std::size_t(3 * j)];
        i64 steps = ISqrt(p0.X, p0.Y, p1.X, p1.Y) + ISqrt(p1.X, p1.Y, p2.X, p2.Y) + ISqrt(p2.X, p2.Y, p3.X, p3.Y);
        steps = std::clamp<i64>(steps, 1, kMaxSegmentSteps);
        const float dt = 1.0f / float(steps);
        float t = 0.0f;
        for (i64 s = 0; s < steps; ++s) {
            t += dt;
            const CurvePoint point = BezierPoint(p0, p1, p2, p3, t);
            if (point == previous)
                continue;
            if (point.x >= 0 && point.x <= 255)
                lut[std::size_t(point.x)] = point.y;
            previous = point;
        }
    }

    // Spike removal, left to right (the entry before i is final), and the
    // sliders of switched-off points: each takes 255 minus the curve at the
    // last i of its window.
    for (int i = 1; i <= 254; ++i) {
        const i64 a = lut[std::size_t(i - 1)], b = lut[std::size_t(i + 1)];
        const i64 mean = (a + b) / 2;
        if (std::abs(a - b) < 5 && std::abs(lut[std::size_t(i)] - mean) >= 6)
            lut[std::size_t(i)] = std::int32_t(mean);
        for (int p = 1; p <= 7; ++p) {
            const EqualizerPoint& point = curve.Points[std::size_t(p)];
            if (point.Active == 0 && i64(i) - 15 < point.X && point.X < i64(i) + 15)
                curve.SliderPositions[std::size_t(p - 1)] = 255 - lut[std::size_t(i)];
        }
    }
    lut[0] = lut[1];
}

} // namespace kernels::Equalizer
