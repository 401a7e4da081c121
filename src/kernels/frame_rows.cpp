#include "kernels/frame_rows.h"

#include "kernels/clone_route.h"

#include <algorithm>
#include <cstdlib>

namespace kernels {

namespace {

// Built twice, for AVX2 and for any processor: only the first turns the
// loops into vector code.
[[gnu::always_inline]] inline void motionRowDiffBody(const std::uint8_t* a, const std::uint8_t* b, int pixels,
                                                     int threshold, std::int64_t& sum, std::int64_t& changed)
{
    // A row of at most 2^21 pixels keeps these within 32 bits.
    std::int32_t rowSum = 0, rowChanged = 0;
    for (int x = 0; x < pixels; ++x) {
        const int d = (a[3 * x] + a[3 * x + 1] + a[3 * x + 2]) - (b[3 * x] + b[3 * x + 1] + b[3 * x + 2]);
        rowSum += d;
        rowChanged += (d > threshold) | (-d > threshold);
    }
    sum += rowSum;
    changed += rowChanged;
}

void motionRowDiffPortable(const std::uint8_t* a, const std::uint8_t* b, int pixels, int threshold,
                           std::int64_t& sum, std::int64_t& changed)
{
    motionRowDiffBody(a, b, pixels, threshold, sum, changed);
}

__attribute__((target("avx2"))) void motionRowDiffAvx2(const std::uint8_t* a, const std::uint8_t* b, int pixels,
                                                       int threshold, std::int64_t& sum, std::int64_t& changed)
{
    motionRowDiffBody(a, b, pixels, threshold, sum, changed);
}

[[gnu::always_inline]] inline void markSaturatedRowBody(const std::uint8_t* src, std::uint8_t* dst, int pixels,
                                                        std::uint8_t threshold)
{
    for (int x = 0; x < pixels; ++x) {
        const bool hit = std::max(std::max(src[3 * x], src[3 * x + 1]), src[3 * x + 2]) >= threshold;
        dst[3 * x] = hit ? 0 : dst[3 * x];
        dst[3 * x + 1] = hit ? 0 : dst[3 * x + 1];
        dst[3 * x + 2] = hit ? 255 : dst[3 * x + 2];
    }
}

void markSaturatedRowPortable(const std::uint8_t* src, std::uint8_t* dst, int pixels, std::uint8_t threshold)
{
    markSaturatedRowBody(src, dst, pixels, threshold);
}

__attribute__((target("avx2"))) void markSaturatedRowAvx2(const std::uint8_t* src, std::uint8_t* dst, int pixels,
                                                          std::uint8_t threshold)
{
    markSaturatedRowBody(src, dst, pixels, threshold);
}

} // namespace

void MotionRowDiff(const std::uint8_t* a, const std::uint8_t* b, int pixels, int threshold, std::int64_t& sum,
                   std::int64_t& changed)
{
    if (detail::UseAvx2Clone())
        motionRowDiffAvx2(a, b, pixels, threshold, sum, changed);
    else
        motionRowDiffPortable(a, b, pixels, threshold, sum, changed);
}

void MarkSaturatedRow(const std::uint8_t* src, std::uint8_t* dst, int pixels, std::uint8_t threshold)
{
    if (detail::UseAvx2Clone())
        markSaturatedRowAvx2(src, dst, pixels, threshold);
    else
        markSaturatedRowPortable(src, dst, pixels, threshold);
}

BlendTables::BlendTables(std::int32_t n)
{
    const double w = n > 0 ? 1.0 / n : 1.0;
    const double k = 1.0 - w;
    for (int v = 0; v < 256; ++v) {
        keep[std::size_t(v)] = v * k;
        take[std::size_t(v)] = v * w;
    }
}

void BlendRow(std::uint8_t* dst, const std::uint8_t* src, int bytes, const BlendTables& tables)
{
    // Adding and removing 1.5 x 2^52 rounds a double of this range to the
    // nearest integer, halves to even, as nearbyint does in the default
    // rounding mode.
    constexpr double kRound = 6755399441055744.0;
    for (int i = 0; i < bytes; ++i) {
        double v = tables.keep[dst[i]] + tables.take[src[i]];
        v = (v + kRound) - kRound;
        dst[i] = std::uint8_t(std::clamp(v, 0.0, 255.0));
    }
}

} // namespace kernels
