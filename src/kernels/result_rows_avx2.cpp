// The AVX2 route of the result row loops. Every function here is compiled
// for AVX2 through its own target attribute (not for the whole file), so
// that nothing shared with the rest of the program is built for it; they
// run only when the processor reports AVX2.
//
// Plane words are handled four to a pixel as they lie in memory: the fourth
// lane of each pixel is computed along and then left out (of the fold) or
// put back (in plane 5). The corrections run in double precision with the
// very operations of the portable route, in the same order, so the words
// are the same bit for bit; rounding to the nearest, halves to even, is the
// processor's instruction where the portable route adds and takes back
// 1.5 x 2^52, which agree wherever the result is not clamped anyway.

#include "kernels/result_rows.h"

#include <algorithm>
#include <immintrin.h>

#define NJ_AVX2 __attribute__((target("avx2")))

namespace kernels::rows {

namespace {

// Bytes b, g, r of four frame pixels (12 of the 16 loaded) spread to four
// words b, g, r, 0 each.
NJ_AVX2 inline __m256i framePixels4(const std::uint8_t* f)
{
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i bytes = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(f)), spread);
    return _mm256_cvtepu8_epi16(bytes);
}

// Four pixels per step while the 16-byte loads stay inside the frame rows
// (3c + 16 <= 3n); returns where the portable tail starts.
template <bool Subtract>
NJ_AVX2 int addLoop(const AddRow& a, int from, int to)
{
    // Words 0 to 2 stop at 255 x 256; the fourth only keeps its value.
    const __m256i limit = _mm256_setr_epi16(-256, -256, -256, -1, -256, -256, -256, -1, -256, -256, -256, -1, -256,
                                            -256, -256, -1);
    int c = from;
    for (; c + 6 <= to; c += 4) {
        auto* p = reinterpret_cast<__m256i*>(a.sum + 4 * c);
        __m256i sum = a.zero ? _mm256_setzero_si256() : _mm256_loadu_si256(p);
        const __m256i f = framePixels4(a.frame + 3 * c);
        if constexpr (Subtract) {
            // P + f - s without wrapping: add what f exceeds s by, take away
            // what s exceeds f by, both saturating.
            const __m256i s = framePixels4(a.subtract + 3 * c);
            sum = _mm256_subs_epu16(_mm256_adds_epu16(sum, _mm256_subs_epu16(f, s)), _mm256_subs_epu16(s, f));
        } else {
            sum = _mm256_adds_epu16(sum, f);
        }
        _mm256_storeu_si256(p, _mm256_min_epu16(sum, limit));
    }
    return c;
}

NJ_AVX2 inline __m256d lowPixel(__m128i words)
{
    return _mm256_cvtepi32_pd(_mm_cvtepu16_epi32(words));
}

NJ_AVX2 inline __m256d highPixel(__m128i words)
{
    return _mm256_cvtepi32_pd(_mm_cvtepu16_epi32(_mm_unpackhi_epi64(words, words)));
}

NJ_AVX2 inline __m256d roundEven(__m256d x)
{
    return _mm256_round_pd(x, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
}

// Two pixels per step; returns where the portable tail starts.
template <bool Dark, bool Flat>
NJ_AVX2 int correctLoop(const CorrectRow& r, __m128i& lo, __m128i& hi)
{
    const __m256d half = _mm256_set1_pd(0.5), zero = _mm256_setzero_pd();
    const __m256d limit = _mm256_set1_pd(65280.0);
    const __m256d level = _mm256_set1_pd(r.darkLevel), ratio = _mm256_set1_pd(r.darkRatio);
    const double *t0 = r.flatFactors[0], *t1 = r.flatFactors[1], *t2 = r.flatFactors[2];
    const __m128i fourth = _mm_setr_epi16(0, 0, 0, -1, 0, 0, 0, -1);
    // Local copies: the stores below could otherwise alias the row fields.
    const std::uint16_t* const sum = r.sum;
    const std::uint16_t* const dark = r.dark;
    const std::uint16_t* const flat = r.flat;
    std::uint16_t* const out = r.out;
    const int pixels = r.pixels;
    const std::ptrdiff_t next = r.nextRow;
    int c = 0;
    for (; c + 2 <= pixels; c += 2) {
        if (next != 0 && c % 8 == 0) {
            // One cache line of each plane's next row per eight pixels: the
            // rows are short streams for the processor's own prefetching.
            __builtin_prefetch(sum + 4 * c + next, 1, 2);
            __builtin_prefetch(out + 4 * c + next, 1, 2);
            if constexpr (Dark)
                __builtin_prefetch(dark + 4 * c + next, 0, 2);
            if constexpr (Flat)
                __builtin_prefetch(flat + 4 * c + next, 0, 2);
        }
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sum + 4 * c));
        __m256d v[2] = {lowPixel(p), highPixel(p)};
        if constexpr (Dark) {
            const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dark + 4 * c));
            const __m256d dw[2] = {lowPixel(d), highPixel(d)};
            for (int i = 0; i < 2; ++i) {
                // Round(D x level x ratio - 0.5), at least 0 (NaN too: max
                // gives its second operand), at most the word itself.
                __m256d t = roundEven(_mm256_sub_pd(_mm256_mul_pd(_mm256_mul_pd(dw[i], level), ratio), half));
                t = _mm256_min_pd(_mm256_max_pd(t, zero), v[i]);
                v[i] = _mm256_sub_pd(v[i], t);
            }
        }
        if constexpr (Flat) {
            const std::uint16_t* f = flat + 4 * c;
            for (int i = 0; i < 2; ++i, f += 4) {
                const __m256d factor = _mm256_setr_pd(t0[f[0]], t1[f[1]], t2[f[2]], 1.0);
                __m256d x = roundEven(_mm256_sub_pd(_mm256_mul_pd(factor, v[i]), half));
                x = _mm256_min_pd(_mm256_max_pd(x, zero), limit);
                v[i] = x;
            }
        }
        const __m128i w = _mm_packus_epi32(_mm256_cvttpd_epi32(v[0]), _mm256_cvttpd_epi32(v[1]));
        lo = _mm_min_epu16(lo, _mm_or_si128(w, fourth));
        hi = _mm_max_epu16(hi, _mm_andnot_si128(fourth, w));
        auto* o = reinterpret_cast<__m128i*>(out + 4 * c);
        _mm_storeu_si128(o, _mm_blend_epi16(w, _mm_loadu_si128(o), 0x88));
    }
    return c;
}

// Folds the vector extremes (eight words each) into e.
NJ_AVX2 void foldInto(__m128i lo, __m128i hi, Extremes& e)
{
    const int mn = _mm_extract_epi16(_mm_minpos_epu16(lo), 0);
    const int mx = 0xFFFF - _mm_extract_epi16(_mm_minpos_epu16(_mm_xor_si128(hi, _mm_set1_epi16(-1))), 0);
    e.min = std::min(e.min, mn);
    e.max = std::max(e.max, mx);
}

} // namespace

NJ_AVX2 void addRowAvx2(const AddRow& a)
{
    const int subPixels = a.subtract ? std::clamp(a.subPixels, 0, a.pixels) : 0;
    int c = addLoop<true>(a, 0, subPixels);
    AddRow rest = a;
    if (c < subPixels) {
        rest.sum = a.sum + 4 * c;
        rest.frame = a.frame + 3 * c;
        rest.subtract = a.subtract + 3 * c;
        rest.pixels = subPixels - c;
        rest.subPixels = subPixels - c;
        addRowPortable(rest);
        c = subPixels;
    }
    c = addLoop<false>(a, c, a.pixels);
    rest.sum = a.sum + 4 * c;
    rest.frame = a.frame + 3 * c;
    rest.subtract = nullptr;
    rest.pixels = a.pixels - c;
    rest.subPixels = 0;
    addRowPortable(rest);
}

NJ_AVX2 void correctRowAvx2(const CorrectRow& r, Extremes& e)
{
    __m128i lo = _mm_set1_epi16(-1), hi = _mm_setzero_si128();
    int c;
    if (r.dark && r.flat)
        c = correctLoop<true, true>(r, lo, hi);
    else if (r.dark)
        c = correctLoop<true, false>(r, lo, hi);
    else if (r.flat)
        c = correctLoop<false, true>(r, lo, hi);
    else
        c = correctLoop<false, false>(r, lo, hi);
    if (c > 0)
        foldInto(lo, hi, e);
    if (c < r.pixels) {
        CorrectRow rest = r;
        rest.sum += 4 * c;
        rest.out += 4 * c;
        if (rest.dark)
            rest.dark += 4 * c;
        if (rest.flat)
            rest.flat += 4 * c;
        rest.pixels = r.pixels - c;
        correctRowPortable(rest, e);
    }
}

NJ_AVX2 void foldPixelsAvx2(const std::uint16_t* row, int pixels, Extremes& e)
{
    const __m256i fourth = _mm256_setr_epi16(0, 0, 0, -1, 0, 0, 0, -1, 0, 0, 0, -1, 0, 0, 0, -1);
    __m256i lo = _mm256_set1_epi16(-1), hi = _mm256_setzero_si256();
    int c = 0;
    for (; c + 4 <= pixels; c += 4) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + 4 * c));
        lo = _mm256_min_epu16(lo, _mm256_or_si256(v, fourth));
        hi = _mm256_max_epu16(hi, _mm256_andnot_si256(fourth, v));
    }
    if (c > 0)
        foldInto(_mm_min_epu16(_mm256_castsi256_si128(lo), _mm256_extracti128_si256(lo, 1)),
                 _mm_max_epu16(_mm256_castsi256_si128(hi), _mm256_extracti128_si256(hi, 1)), e);
    foldPixelsPortable(row + 4 * c, pixels - c, e);
}

} // namespace kernels::rows
