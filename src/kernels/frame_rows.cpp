#include "kernels/frame_rows.h"

#include "kernels/clone_route.h"
#include <immintrin.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

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

BlendTables::BlendTables(std::int32_t n) : frames(n > 0 ? n : 1)
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
// rounded to the nearest, halves to even (the conversion rounds in the
// current mode, as the plain loop's rounding does). The sum lies in 0..255
// (both weights are at least 0 and add up to 1 within a rounding), so it
// needs no clamp.
__attribute__((target("avx2"))) void blendRowDoubleAvx2(std::uint8_t* dst, const std::uint8_t* src, int bytes,
                                                         const BlendTables& tables)
{
    const __m256d k = _mm256_set1_pd(tables.keep[1]), w = _mm256_set1_pd(tables.take[1]);
    int i = 0;
    for (; i + 8 <= bytes; i += 8) {
        __m128i half[2];
        for (int h = 0; h < 2; ++h) {
            std::int32_t d4, s4;
            std::memcpy(&d4, dst + i + 4 * h, 4);
            std::memcpy(&s4, src + i + 4 * h, 4);
            const __m128i dh = _mm_cvtepu8_epi32(_mm_cvtsi32_si128(d4));
            const __m128i sh = _mm_cvtepu8_epi32(_mm_cvtsi32_si128(s4));
            half[h] = _mm256_cvtpd_epi32(
                _mm256_add_pd(_mm256_mul_pd(_mm256_cvtepi32_pd(dh), k), _mm256_mul_pd(_mm256_cvtepi32_pd(sh), w)));
        }
        const __m128i words = _mm_packus_epi32(half[0], half[1]);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + i), _mm_packus_epi16(words, words));
    }
    BlendRowPortable(dst + i, src + i, bytes - i, tables);
}

// Sixteen bytes a step, the same sums as the loop above with fewer
// operations: a byte b becomes the double 2^52 + b by setting the exponent
// bits above it, and fma(2^52 + b, weight, -2^52 x weight) is b x weight
// rounded once, as the tables' product is (2^52 x weight is exact). The two
// products are added and rounded as there.
__attribute__((target("avx2,fma"))) inline __m256d blendFourFma(const std::uint8_t* dst, const std::uint8_t* src,
                                                                __m256d k, __m256d kOffset, __m256d w,
                                                                __m256d wOffset)
{
    const __m256i exponent = _mm256_set1_epi64x(0x4330000000000000LL);   // the double 2^52
    std::int32_t d4, s4;
    std::memcpy(&d4, dst, 4);
    std::memcpy(&s4, src, 4);
    const __m256d d = _mm256_castsi256_pd(_mm256_or_si256(_mm256_cvtepu8_epi64(_mm_cvtsi32_si128(d4)), exponent));
    const __m256d s = _mm256_castsi256_pd(_mm256_or_si256(_mm256_cvtepu8_epi64(_mm_cvtsi32_si128(s4)), exponent));
    return _mm256_add_pd(_mm256_fmadd_pd(d, k, kOffset), _mm256_fmadd_pd(s, w, wOffset));
}

__attribute__((target("avx2,fma"))) void blendRowDoubleFma(std::uint8_t* dst, const std::uint8_t* src, int bytes,
                                                          const BlendTables& tables)
{
    constexpr double kTwo52 = 4503599627370496.0;
    const __m256d k = _mm256_set1_pd(tables.keep[1]), w = _mm256_set1_pd(tables.take[1]);
    const __m256d kOffset = _mm256_set1_pd(-kTwo52 * tables.keep[1]), wOffset = _mm256_set1_pd(-kTwo52 * tables.take[1]);
    int i = 0;
    for (; i + 16 <= bytes; i += 16) {
        __m128i r[4];
        for (int q = 0; q < 4; ++q)
            r[q] = _mm256_cvtpd_epi32(blendFourFma(dst + i + 4 * q, src + i + 4 * q, k, kOffset, w, wOffset));
        const __m128i bytes16 = _mm_packus_epi16(_mm_packus_epi32(r[0], r[1]), _mm_packus_epi32(r[2], r[3]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), bytes16);
    }
    blendRowDoubleAvx2(dst + i, src + i, bytes - i, tables);
}

bool fusedMultiplyAdd()
{
#if defined(__x86_64__) || defined(__i386__)
    static const bool fma = __builtin_cpu_supports("fma");
    return fma;
#else
    return false;
#endif
}

// The single-precision loop below, for the n whose bytes it gives exactly.
// The exact value is d + (s - d) / n. For odd n below 511 it is never a
// half: it lies at least 1 / (2n), more than 1/1100, from one, while the
// tables' doubles and (s - d) x (1/n) in floats both stay within 1/30000 of
// it, so all round alike and the result is d plus (s - d) / n rounded. For n
// a power of two up to 256 every operation here and in the tables is exact,
// halves included, and both round halves to even: the float sum
// d + (s - d) / n is rounded as a whole (WithOwn).
//
// Eight results as int32: (s - d) / n, plus d when WithOwn, rounded.
template <bool WithOwn>
__attribute__((target("avx2"))) inline __m256i blendPartAvx2(__m128i d16, __m128i t16, __m256 w)
{
    __m256 v = _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_cvtepi16_epi32(t16)), w);
    if constexpr (WithOwn)
        v = _mm256_add_ps(v, _mm256_cvtepi32_ps(_mm256_cvtepu16_epi32(d16)));
    return _mm256_cvtps_epi32(v);
}

// Sixteen bytes a step.
template <bool WithOwn>
__attribute__((target("avx2"))) void blendRowFloatAvx2(std::uint8_t* dst, const std::uint8_t* src, int bytes,
                                                       const BlendTables& tables)
{
    const __m256 w = _mm256_set1_ps(1.0f / float(tables.frames));
    int i = 0;
    for (; i + 16 <= bytes; i += 16) {
        const __m256i d = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i)));
        const __m256i s = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i)));
        const __m256i t = _mm256_sub_epi16(s, d);
        const __m256i lo = blendPartAvx2<WithOwn>(_mm256_castsi256_si128(d), _mm256_castsi256_si128(t), w);
        const __m256i hi = blendPartAvx2<WithOwn>(_mm256_extracti128_si256(d, 1), _mm256_extracti128_si256(t, 1), w);
        // packs works within 128-bit lanes: words 0-3, 8-11 | 4-7, 12-15.
        __m256i r = _mm256_permute4x64_epi64(_mm256_packs_epi32(lo, hi), 0xD8);
        if constexpr (!WithOwn)
            r = _mm256_add_epi16(r, d);
        const __m128i bytes16 = _mm_packus_epi16(_mm256_castsi256_si128(r), _mm256_extracti128_si256(r, 1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), bytes16);
    }
    blendRowDoubleAvx2(dst + i, src + i, bytes - i, tables);
}

} // namespace

void BlendRow(std::uint8_t* dst, const std::uint8_t* src, int bytes, const BlendTables& tables)
{
    if (!detail::UseAvx2Clone()) {
        BlendRowPortable(dst, src, bytes, tables);
        return;
    }
    const std::int32_t n = tables.frames;
    if (n <= 1) {
        // keep is 0 and take the byte itself: the source's bytes.
        if (bytes > 0)
            std::memmove(dst, src, std::size_t(bytes));
    } else if (n > 510) {
        // (s - d) / n stays within 255/511 of d, well short of a half: d.
    } else if (n % 2 == 1) {
        blendRowFloatAvx2<false>(dst, src, bytes, tables);
    } else if (n <= 256 && (n & (n - 1)) == 0) {
        blendRowFloatAvx2<true>(dst, src, bytes, tables);
    } else if (fusedMultiplyAdd()) {
        // Other even n: their exact halves (s - d = n/2 modulo n) round
        // either way in the tables, so the double sums are kept.
        blendRowDoubleFma(dst, src, bytes, tables);
    } else {
        blendRowDoubleAvx2(dst, src, bytes, tables);
    }
}

} // namespace kernels
