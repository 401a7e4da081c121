#include "kernels/frame_rows.h"

#include "kernels/clone_route.h"
#include <immintrin.h>

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

void BlendRowPortable(std::uint8_t* dst, const std::uint8_t* src, int bytes, const BlendTables& tables)
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

namespace {

// Eight bytes a step with the tables' very operations: byte x keep weight
// plus byte x take weight in double precision (no fused multiply-add), then
// rounded to the nearest, halves to even.
__attribute__((target("avx2"))) void blendRowAvx2(std::uint8_t* dst, const std::uint8_t* src, int bytes,
                                                   const BlendTables& tables)
{
    const __m256d k = _mm256_set1_pd(tables.keep[1]), w = _mm256_set1_pd(tables.take[1]);
    const __m256d top = _mm256_set1_pd(255.0), zero = _mm256_setzero_pd();
    int i = 0;
    for (; i + 8 <= bytes; i += 8) {
        const __m256i d = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(dst + i)));
        const __m256i s = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + i)));
        __m128i half[2];
        for (int h = 0; h < 2; ++h) {
            const __m128i dh = h == 0 ? _mm256_castsi256_si128(d) : _mm256_extracti128_si256(d, 1);
            const __m128i sh = h == 0 ? _mm256_castsi256_si128(s) : _mm256_extracti128_si256(s, 1);
            __m256d v = _mm256_add_pd(_mm256_mul_pd(_mm256_cvtepi32_pd(dh), k), _mm256_mul_pd(_mm256_cvtepi32_pd(sh), w));
            v = _mm256_round_pd(v, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
            v = _mm256_min_pd(_mm256_max_pd(v, zero), top);
            half[h] = _mm256_cvttpd_epi32(v);
        }
        const __m128i words = _mm_packus_epi32(half[0], half[1]);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + i), _mm_packus_epi16(words, words));
    }
    BlendRowPortable(dst + i, src + i, bytes - i, tables);
}

} // namespace

void BlendRow(std::uint8_t* dst, const std::uint8_t* src, int bytes, const BlendTables& tables)
{
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2)
        blendRowAvx2(dst, src, bytes, tables);
    else
        BlendRowPortable(dst, src, bytes, tables);
}

} // namespace kernels
