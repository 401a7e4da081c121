// The AVX2 route of the result row loops. Every function here is compiled
// for AVX2 through its own target attribute (not for the whole file), so
// that nothing shared with the rest of the program is built for it; they
// run only when the processor reports AVX2.
//
// Plane words are handled four to a pixel as they lie in memory: the fourth
// lane of each pixel is computed along and then left out (of the fold) or
// put back (in plane 5). The dark is taken away in 16-bit words: the
// amounts are read from a plane of them, looked up by dark word in a table
// of them, or worked out in double and saturated to words, and P - min(P,
// d) is the saturating difference. The corrections run in double
// precision with the very operations of the portable route, in the same
// order, so the words are the same bit for bit; rounding to the nearest,
// halves to even, is the processor's instruction where the portable route
// adds and takes back 1.5 x 2^52, which agree wherever the result is not
// clamped anyway. A frame added and corrected is done in one walk: each
// step adds four pixels into the sum row and corrects them from registers.

#include "kernels/result_rows.h"

#include <algorithm>
#include <cstring>
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

// The four words of one pixel (words 4i to 4i + 3 of w) as doubles.
NJ_AVX2 inline __m256d pixelWords(__m128i w)
{
    return _mm256_cvtepi32_pd(_mm_cvtepu16_epi32(w));
}

NJ_AVX2 inline __m256d roundEven(__m256d x)
{
    return _mm256_round_pd(x, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
}

// The dark amounts of the sixteen words of four pixels: Round(D x level x
// ratio - 0.5) at most 65535 in double, then to words where the packing
// saturates below 0. A product that is no number stays one through the
// min (it returns its second operand), converts to the integer
// indefinite, which is negative, and so gives 0 as the portable route.
struct AmountMaths {
    __m256d level, ratio, half, top;
};

NJ_AVX2 inline __m128i amountsOf(__m128i dark, const AmountMaths& m)
{
    __m256d a = pixelWords(dark), b = pixelWords(_mm_unpackhi_epi64(dark, dark));
    // Limited first, then rounded by the conversion: the same words.
    a = _mm256_min_pd(m.top, _mm256_sub_pd(_mm256_mul_pd(_mm256_mul_pd(a, m.level), m.ratio), m.half));
    b = _mm256_min_pd(m.top, _mm256_sub_pd(_mm256_mul_pd(_mm256_mul_pd(b, m.level), m.ratio), m.half));
    return _mm_packus_epi32(_mm256_cvtpd_epi32(a), _mm256_cvtpd_epi32(b));
}

NJ_AVX2 inline __m256i amountsOf4(const std::uint16_t* dark, const AmountMaths& m)
{
    const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dark));
    return _mm256_set_m128i(amountsOf(_mm256_extracti128_si256(d, 1), m), amountsOf(_mm256_castsi256_si128(d), m));
}

// Where the dark amounts come from: none, worked out from the dark words,
// read from a plane of amounts, or looked up by dark word.
enum class DarkFrom { None, Words, Amounts, Lookup };

// The dark amounts of four pixels looked up by their words 0 to 2 (the
// fourth words 0). The look-ups and the putting together run on the
// integer units, which the vector work leaves free.
NJ_AVX2 inline __m256i lookedUpAmounts4(const std::uint16_t* dark, const std::uint16_t* span)
{
    std::int64_t q[4];
    for (int j = 0; j < 4; ++j) {
        std::uint64_t d;
        std::memcpy(&d, dark + 4 * j, sizeof d);
        q[j] = std::int64_t(std::uint64_t(span[d & 0xFFFF]) | std::uint64_t(span[(d >> 16) & 0xFFFF]) << 16
                            | std::uint64_t(span[(d >> 32) & 0xFFFF]) << 32);
    }
    return _mm256_setr_epi64x(q[0], q[1], q[2], q[3]);
}

// Words 0 to 2 of four pixels (b0 g0 r0 . b1 g1 r1 . | b2 ...) as three
// groups of four doubles: b0 g0 r0 b1, g1 r1 b2 g2, r2 b3 g3 r3.
NJ_AVX2 inline void spreadWords(__m256i w, __m256d out[3])
{
    const __m256i lo = _mm256_cvtepu16_epi32(_mm256_castsi256_si128(w));
    const __m256i hi = _mm256_cvtepu16_epi32(_mm256_extracti128_si256(w, 1));
    const __m256i a = _mm256_permutevar8x32_epi32(lo, _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 0, 0));
    const __m256i b = _mm256_permutevar8x32_epi32(hi, _mm256_setr_epi32(0, 0, 0, 1, 2, 4, 5, 6));
    out[0] = _mm256_cvtepi32_pd(_mm256_castsi256_si128(a));
    out[1] = _mm256_cvtepi32_pd(_mm_blend_epi32(_mm256_extracti128_si256(a, 1), _mm256_castsi256_si128(b), 0xC));
    out[2] = _mm256_cvtepi32_pd(_mm256_extracti128_si256(b, 1));
}

// The inverse: three groups of four integers (at most 65535 where they
// are not below 0) back to the words of four pixels; the fourth words 0.
NJ_AVX2 inline __m256i gatherWords(const __m128i q[3])
{
    const __m128i first = _mm_packus_epi32(q[0], q[1]);    // b0 g0 r0 b1 g1 r1 b2 g2
    const __m128i last = _mm_packus_epi32(q[2], q[2]);     // r2 b3 g3 r3 ...
    const __m128i second = _mm_alignr_epi8(last, first, 12);   // b2 g2 r2 b3 g3 r3 ...
    const __m256i place = _mm256_setr_epi8(0, 1, 2, 3, 4, 5, -1, -1, 6, 7, 8, 9, 10, 11, -1, -1, 0, 1, 2, 3, 4, 5,
                                           -1, -1, 6, 7, 8, 9, 10, 11, -1, -1);
    return _mm256_shuffle_epi8(_mm256_set_m128i(second, first), place);
}

// How the loop gets the sum words: read from the sum row, or added there
// from the frame row first (the sum kept, as addRowAvx2 leaves it, and
// used while in registers).
enum class SumFrom { Row, Added };

// Four pixels per step, sixteen words at once: the dark taken away in
// words (P - min(P, d) is the saturating difference), the flat division in
// double on the twelve words that count. Returns where the portable tail
// starts.
template <DarkFrom Dark, bool Flat, SumFrom Sum>
NJ_AVX2 int correctLoop(const CorrectRow& r, __m256i& lo, __m256i& hi, const AddRow* add)
{
    const __m256d half = _mm256_set1_pd(0.5), zero = _mm256_setzero_pd();
    const __m256d limit = _mm256_set1_pd(65280.0);
    const AmountMaths maths{_mm256_set1_pd(r.darkLevel), _mm256_set1_pd(r.darkRatio), half,
                            _mm256_set1_pd(65535.0)};
    const double *t0 = r.flatFactors[0], *t1 = r.flatFactors[1], *t2 = r.flatFactors[2];
    const std::uint16_t* const span = r.darkSpan;
    const __m256i fourth = _mm256_setr_epi16(0, 0, 0, -1, 0, 0, 0, -1, 0, 0, 0, -1, 0, 0, 0, -1);
    // Local copies: the stores below could otherwise alias the row fields.
    const std::uint16_t* const sum = r.sum;
    const std::uint16_t* const dark = r.dark;
    const std::uint16_t* const amounts = r.amounts;
    const std::uint16_t* const flat = r.flat;
    std::uint16_t* const out = r.out;
    const int pixels = r.pixels;
    const std::ptrdiff_t next = r.nextRow;
    // Adding: the 16-byte frame loads stay inside the row (3c + 16 <= 3n).
    const std::uint8_t* const frame = add ? add->frame : nullptr;
    std::uint16_t* const sumOut = add ? add->sum : nullptr;
    const bool fresh = add && add->zero;
    const __m256i sumLimit = _mm256_setr_epi16(-256, -256, -256, -1, -256, -256, -256, -1, -256, -256, -256, -1,
                                               -256, -256, -256, -1);
    const int end = Sum == SumFrom::Added ? pixels - 2 : pixels;
    int c = 0;
    for (; c + 4 <= end; c += 4) {
        if (next != 0 && c % 8 == 0) {
            // One cache line of each plane's next row per eight pixels: the
            // rows are short streams for the processor's own prefetching.
            __builtin_prefetch(sum + 4 * c + next, 1, 2);
            __builtin_prefetch(out + 4 * c + next, 1, 2);
            if constexpr (Dark == DarkFrom::Words)
                __builtin_prefetch(dark + 4 * c + next, 0, 2);
            if constexpr (Dark == DarkFrom::Amounts)
                __builtin_prefetch(amounts + 4 * c + next, 0, 2);
            if constexpr (Dark == DarkFrom::Lookup)
                __builtin_prefetch(dark + 4 * c + next, 0, 2);
            if constexpr (Flat)
                __builtin_prefetch(flat + 4 * c + next, 0, 2);
        }
        __m256i w;
        if constexpr (Sum == SumFrom::Added) {
            const __m256i f = framePixels4(frame + 3 * c);
            auto* p = reinterpret_cast<__m256i*>(sumOut + 4 * c);
            // A fresh sum is the frame's bytes (within the limit, fourth
            // words 0); otherwise as addRowAvx2 adds.
            w = fresh ? f : _mm256_min_epu16(_mm256_adds_epu16(_mm256_loadu_si256(p), f), sumLimit);
            _mm256_storeu_si256(p, w);
        } else {
            w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sum + 4 * c));
        }
        if constexpr (Dark == DarkFrom::Words && !Flat)
            w = _mm256_subs_epu16(w, amountsOf4(dark + 4 * c, maths));
        if constexpr (Dark == DarkFrom::Amounts)
            w = _mm256_subs_epu16(w, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(amounts + 4 * c)));
        if constexpr (Dark == DarkFrom::Lookup)
            w = _mm256_subs_epu16(w, lookedUpAmounts4(dark + 4 * c, span));
        if constexpr (Flat) {
            // The twelve words that count, as three groups of four doubles
            // (the fourth words are left out of the arithmetic).
            __m256d v[3];
            spreadWords(w, v);
            if constexpr (Dark == DarkFrom::Words) {
                // Followed by the division, the dark stays in double (the
                // words are converted once): at least 0, NaN too (max gives
                // its second operand), at most the word.
                __m256d d[3];
                spreadWords(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(dark + 4 * c)), d);
                for (int i = 0; i < 3; ++i) {
                    __m256d t =
                        roundEven(_mm256_sub_pd(_mm256_mul_pd(_mm256_mul_pd(d[i], maths.level), maths.ratio), half));
                    t = _mm256_min_pd(_mm256_max_pd(t, zero), v[i]);
                    v[i] = _mm256_sub_pd(v[i], t);
                }
            }
            const std::uint16_t* f = flat + 4 * c;
            const __m256d factor[3] = {_mm256_setr_pd(t0[f[0]], t1[f[1]], t2[f[2]], t0[f[4]]),
                                       _mm256_setr_pd(t1[f[5]], t2[f[6]], t0[f[8]], t1[f[9]]),
                                       _mm256_setr_pd(t2[f[10]], t0[f[12]], t1[f[13]], t2[f[14]])};
            // Limited above in double, then rounded by the conversion (to
            // the nearest, halves to even): the same as rounding first
            // wherever the limit applies. NaN stays one through the min
            // (its second operand) and, like anything below 0, converts to
            // a negative integer, which the packing makes 0.
            __m128i q[3];
            for (int i = 0; i < 3; ++i)
                q[i] = _mm256_cvtpd_epi32(_mm256_min_pd(limit, _mm256_sub_pd(_mm256_mul_pd(factor[i], v[i]), half)));
            w = gatherWords(q);
        }
        lo = _mm256_min_epu16(lo, _mm256_or_si256(w, fourth));
        hi = _mm256_max_epu16(hi, _mm256_andnot_si256(fourth, w));
        auto* o = reinterpret_cast<__m256i*>(out + 4 * c);
        _mm256_storeu_si256(o, _mm256_blend_epi16(w, _mm256_loadu_si256(o), 0x88));
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

namespace {

// Row r from pixel c on.
CorrectRow correctFrom(const CorrectRow& r, int c)
{
    CorrectRow rest = r;
    rest.sum += 4 * c;
    rest.out += 4 * c;
    if (rest.dark)
        rest.dark += 4 * c;
    if (rest.amounts)
        rest.amounts += 4 * c;
    if (rest.flat)
        rest.flat += 4 * c;
    rest.pixels = r.pixels - c;
    return rest;
}

template <SumFrom Sum>
NJ_AVX2 int correctLoops(const CorrectRow& r, __m256i& lo, __m256i& hi, const AddRow* add)
{
    if (r.amounts)
        return r.flat ? correctLoop<DarkFrom::Amounts, true, Sum>(r, lo, hi, add)
                      : correctLoop<DarkFrom::Amounts, false, Sum>(r, lo, hi, add);
    if (r.dark && r.darkSpan)
        return r.flat ? correctLoop<DarkFrom::Lookup, true, Sum>(r, lo, hi, add)
                      : correctLoop<DarkFrom::Lookup, false, Sum>(r, lo, hi, add);
    if (r.dark)
        return r.flat ? correctLoop<DarkFrom::Words, true, Sum>(r, lo, hi, add)
                      : correctLoop<DarkFrom::Words, false, Sum>(r, lo, hi, add);
    return r.flat ? correctLoop<DarkFrom::None, true, Sum>(r, lo, hi, add)
                  : correctLoop<DarkFrom::None, false, Sum>(r, lo, hi, add);
}

NJ_AVX2 void foldVectors(__m256i lo, __m256i hi, Extremes& e)
{
    foldInto(_mm_min_epu16(_mm256_castsi256_si128(lo), _mm256_extracti128_si256(lo, 1)),
             _mm_max_epu16(_mm256_castsi256_si128(hi), _mm256_extracti128_si256(hi, 1)), e);
}

} // namespace

NJ_AVX2 void correctRowAvx2(const CorrectRow& r, Extremes& e)
{
    __m256i lo = _mm256_set1_epi16(-1), hi = _mm256_setzero_si256();
    const int c = correctLoops<SumFrom::Row>(r, lo, hi, nullptr);
    if (c > 0)
        foldVectors(lo, hi, e);
    if (c < r.pixels)
        correctRowPortable(correctFrom(r, c), e);
}

NJ_AVX2 void addCorrectRowAvx2(const AddRow& a, const CorrectRow& r, Extremes& e)
{
    const bool subtracts = a.subtract && a.subPixels > 0;
    if (subtracts || a.sum != r.sum || a.pixels != r.pixels) {
        addRowAvx2(a);
        correctRowAvx2(r, e);
        return;
    }
    __m256i lo = _mm256_set1_epi16(-1), hi = _mm256_setzero_si256();
    const int c = correctLoops<SumFrom::Added>(r, lo, hi, &a);
    if (c > 0)
        foldVectors(lo, hi, e);
    if (c < a.pixels) {
        AddRow rest = a;
        rest.sum += 4 * c;
        rest.frame += 3 * c;
        rest.subtract = nullptr;
        rest.pixels = a.pixels - c;
        rest.subPixels = 0;
        addRowPortable(rest);
        correctRowPortable(correctFrom(r, c), e);
    }
}

NJ_AVX2 void darkAmountsRowAvx2(const std::uint16_t* dark, std::uint16_t* amounts, int pixels, double level,
                                double ratio)
{
    const AmountMaths maths{_mm256_set1_pd(level), _mm256_set1_pd(ratio), _mm256_set1_pd(0.5),
                            _mm256_set1_pd(65535.0)};
    const __m256i fourth = _mm256_setr_epi16(0, 0, 0, -1, 0, 0, 0, -1, 0, 0, 0, -1, 0, 0, 0, -1);
    int c = 0;
    for (; c + 4 <= pixels; c += 4)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(amounts + 4 * c),
                            _mm256_andnot_si256(fourth, amountsOf4(dark + 4 * c, maths)));
    darkAmountsRowPortable(dark + 4 * c, amounts + 4 * c, pixels - c, level, ratio);
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

namespace {

// (o x 256) div r for sixteen words o at a time, in 16-bit arithmetic, by
// the multiply-and-shift that divides exactly by a constant: with l the
// least power of two with 2^l >= r and M = ceil(2^(24 + l) / r), every
// n = o x 256 below 2^24 has n div r = (n x M) >> (24 + l), that is
// (o x M) >> (16 + l). M (at most 2^25) is split into its high and low
// sixteen bits, and o x M >> 16 is put together from three 16-bit products
// as a high and a low word, then shifted by l.
struct StretchDivisor {
    __m256i low, high, one;
    __m128i left, right;
    bool wide;   // l > 16: the quotient lies in the high word alone

    NJ_AVX2 explicit StretchDivisor(std::int32_t r)
    {
        int l = 0;
        while ((std::int64_t(1) << l) < r)
            ++l;
        const std::uint64_t M = ((std::uint64_t(1) << (24 + l)) + std::uint64_t(r) - 1) / std::uint64_t(r);
        low = _mm256_set1_epi16(std::int16_t(M & 0xFFFF));
        high = _mm256_set1_epi16(std::int16_t(M >> 16));
        one = _mm256_set1_epi16(1);
        wide = l > 16;
        left = _mm_cvtsi32_si128(wide ? 0 : 16 - l);
        right = _mm_cvtsi32_si128(wide ? l - 16 : l);
    }

    NJ_AVX2 __m256i of(__m256i o) const
    {
        const __m256i h1 = _mm256_mulhi_epu16(o, low);
        const __m256i l2 = _mm256_mullo_epi16(o, high);
        const __m256i h2 = _mm256_mulhi_epu16(o, high);
        // Low word l2 + h1; its carry goes to the high word h2 (the
        // saturating sum equals the wrapped one when there is none).
        const __m256i sum = _mm256_add_epi16(l2, h1);
        const __m256i noCarry = _mm256_cmpeq_epi16(_mm256_adds_epu16(l2, h1), sum);
        const __m256i top = _mm256_add_epi16(_mm256_add_epi16(h2, one), noCarry);
        if (wide)
            return _mm256_srl_epi16(top, right);
        return _mm256_or_si256(_mm256_sll_epi16(top, left), _mm256_srl_epi16(sum, right));
    }
};

} // namespace

NJ_AVX2 int stretchRowAvx2(const std::uint16_t* words, std::uint8_t* out, std::uint8_t* copy, int pixels,
                           std::uint16_t low, std::int32_t range, std::uint32_t mask)
{
    // Offsets are taken at most the range (a larger one shows 255 either
    // way); a range beyond 65535 x 256 shows 0 for every offset, as its
    // largest value does, which keeps the quotients within 16 bits.
    const std::int32_t r = std::clamp<std::int32_t>(range, 1, 65535 * 256 + 1);
    const StretchDivisor divisor(r);
    const __m256i low16 = _mm256_set1_epi16(std::int16_t(low));
    const __m256i range16 = _mm256_set1_epi16(std::int16_t(std::min(r, 65535)));
    const __m256i keep = _mm256_set1_epi32(std::int32_t(mask & 0xFFFFFF));
    const __m256i pack = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1, 0, 1, 2, 4, 5, 6,
                                          8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    int c = 0;
    // Eight pixels a step; the second store reaches four bytes past them.
    for (; c + 10 <= pixels; c += 8) {
        __m256i k[2];
        for (int i = 0; i < 2; ++i) {
            const __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(words + 4 * c + 16 * i));
            k[i] = divisor.of(_mm256_min_epu16(_mm256_subs_epu16(w, low16), range16));
        }
        // Bytes saturate 256 to 255; the packing interleaves the halves,
        // which the permutation puts back in pixel order.
        const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(k[0], k[1]), 0xD8);
        const __m256i packed = _mm256_shuffle_epi8(_mm256_and_si256(bytes, keep), pack);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * c), _mm256_castsi256_si128(packed));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * c + 12), _mm256_extracti128_si256(packed, 1));
        if (copy) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(copy + 3 * c), _mm256_castsi256_si128(packed));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(copy + 3 * c + 12), _mm256_extracti128_si256(packed, 1));
        }
    }
    return c;
}

} // namespace kernels::rows
