#include "kernels/convolution.h"

#include "kernels/clone_route.h"
#include "kernels/rounding.h"
#include "kernels/row_pool.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define NJ_CONVOLUTION_X86 1
#endif

// How the filters work: the image is first copied into a frame with a border
// of k replicated pixels, one row of bytes (blue, green, red, blue, ...) per
// image row. Output byte q of row y is then the sum over the n x n taps of
// coefficient(i, j) x frame[y + i][q + 3 j]: the step of 3 keeps each colour
// with its own kind, so the three channels need no separate passes.
//
// When every coefficient in use fits in 16 bits the sums cannot leave 32 bits
// (255 x 81 x 32768 < 2^31), and the rows are computed with the processor's
// 16-bit multiply-add, eight or sixteen bytes at a time. Larger coefficients
// are split into two 16-bit halves, each summed on its own in 32 bits the
// same way, and the halves joined exactly in double (the sum stays below
// 2^47). The plain path sums in 64 bits; all give the same numbers.

namespace kernels::Filtres2 {

namespace {

// Bytes after each frame row, so that vector loads of the last block of a row
// stay inside the buffer.
constexpr std::ptrdiff_t kRowPadding = 32;

// Rows a thread of the pool takes at a time.
constexpr int kPieceRows = 16;

template <int N>
struct Taps {
    static constexpr int kCount = N * N;
    static constexpr int kPairs = (kCount + 1) / 2;
    std::array<std::ptrdiff_t, kPairs * 2> offset{};   // from the output byte, in the frame
    std::array<std::int32_t, kPairs * 2> coefficient{};
    bool fits16 = true;

    Taps(const KernelCoefficients& c, std::ptrdiff_t stride)
    {
        constexpr int k = (N - 1) / 2;
        for (int i = 0; i < N; ++i) {
            for (int j = 0; j < N; ++j) {
                const int t = i * N + j;
                offset[t] = i * stride + 3 * j;
                coefficient[t] = c[std::size_t(9 * (4 - k + i) + (4 - k + j))];
                fits16 = fits16 && coefficient[t] >= std::numeric_limits<std::int16_t>::min()
                         && coefficient[t] <= std::numeric_limits<std::int16_t>::max();
            }
        }
        // An odd count gets a last tap of weight 0 so taps go in pairs.
        for (int t = kCount; t < kPairs * 2; ++t)
            offset[t] = offset[0];
    }
};

inline std::uint8_t scaleToByte(double v)
{
    if (v > 255.0)
        return 255;
    if (v < 0.0)
        return 0;
    return std::uint8_t(roundHalfEvenToInt(v));
}

// Plain path, 64-bit sums: any coefficients, any processor.
template <int N>
void filterRowsWide(const Taps<N>& taps, const std::uint8_t* frame, std::ptrdiff_t stride, Bitmap24& bitmap,
                    double scale, int firstRow, int endRow)
{
    const int bytes = bitmap.width() * 3;
    for (int y = firstRow; y < endRow; ++y) {
        const std::uint8_t* base = frame + y * stride;
        std::uint8_t* out = bitmap.scanLine(y);
        for (int q = 0; q < bytes; ++q) {
            std::int64_t sum = 0;
            for (int t = 0; t < Taps<N>::kCount; ++t)
                sum += std::int64_t(taps.coefficient[t]) * base[q + taps.offset[t]];
            out[q] = scaleToByte(double(sum) * scale);
        }
    }
}

#ifdef NJ_CONVOLUTION_X86

// Two coefficients packed for _mm_madd_epi16: the first in the low half.
template <int N>
std::array<std::int32_t, Taps<N>::kPairs> packPairs(const Taps<N>& taps)
{
    std::array<std::int32_t, Taps<N>::kPairs> packed{};
    for (int p = 0; p < Taps<N>::kPairs; ++p)
        packed[p] = std::int32_t(std::uint32_t(std::uint16_t(taps.coefficient[2 * p]))
                                 | std::uint32_t(std::uint16_t(taps.coefficient[2 * p + 1])) << 16);
    return packed;
}

// Four sums to four clamped, rounded bytes' worth of int32 (SSE2).
inline __m128i scale4(__m128i sums, __m128d scale)
{
    const __m128d zero = _mm_setzero_pd(), top = _mm_set1_pd(255.0);
    __m128d a = _mm_mul_pd(_mm_cvtepi32_pd(sums), scale);
    __m128d b = _mm_mul_pd(_mm_cvtepi32_pd(_mm_shuffle_epi32(sums, 0x4E)), scale);
    a = _mm_min_pd(_mm_max_pd(a, zero), top);
    b = _mm_min_pd(_mm_max_pd(b, zero), top);
    // Conversion rounds in the current mode: to nearest, ties to even.
    return _mm_unpacklo_epi64(_mm_cvtpd_epi32(a), _mm_cvtpd_epi32(b));
}

template <int N>
void filterRowsSse2(const Taps<N>& taps, const std::uint8_t* frame, std::ptrdiff_t stride, Bitmap24& bitmap,
                    double scaleValue, int firstRow, int endRow)
{
    const auto packed = packPairs(taps);
    const __m128d scale = _mm_set1_pd(scaleValue);
    const __m128i zero = _mm_setzero_si128();
    const int bytes = bitmap.width() * 3;
    for (int y = firstRow; y < endRow; ++y) {
        const std::uint8_t* base = frame + y * stride;
        std::uint8_t* out = bitmap.scanLine(y);
        for (int q = 0; q < bytes; q += 8) {
            __m128i lo = _mm_setzero_si128(), hi = _mm_setzero_si128();
            for (int p = 0; p < Taps<N>::kPairs; ++p) {
                const __m128i c = _mm_set1_epi32(packed[p]);
                const __m128i a = _mm_unpacklo_epi8(
                    _mm_loadl_epi64(reinterpret_cast<const __m128i*>(base + q + taps.offset[2 * p])), zero);
                const __m128i b = _mm_unpacklo_epi8(
                    _mm_loadl_epi64(reinterpret_cast<const __m128i*>(base + q + taps.offset[2 * p + 1])), zero);
                lo = _mm_add_epi32(lo, _mm_madd_epi16(_mm_unpacklo_epi16(a, b), c));
                hi = _mm_add_epi32(hi, _mm_madd_epi16(_mm_unpackhi_epi16(a, b), c));
            }
            const __m128i words = _mm_packs_epi32(scale4(lo, scale), scale4(hi, scale));
            const __m128i result = _mm_packus_epi16(words, words);
            if (q + 8 <= bytes) {
                _mm_storel_epi64(reinterpret_cast<__m128i*>(out + q), result);
            } else {
                alignas(16) std::uint8_t last[16];
                _mm_store_si128(reinterpret_cast<__m128i*>(last), result);
                std::memcpy(out + q, last, std::size_t(bytes - q));
            }
        }
    }
}

__attribute__((target("avx2"))) inline __m128i scale8Avx2(__m256i sums, __m256d scale)
{
    const __m256d zero = _mm256_setzero_pd(), top = _mm256_set1_pd(255.0);
    __m256d a = _mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(sums)), scale);
    __m256d b = _mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(sums, 1)), scale);
    a = _mm256_min_pd(_mm256_max_pd(a, zero), top);
    b = _mm256_min_pd(_mm256_max_pd(b, zero), top);
    return _mm_packs_epi32(_mm256_cvtpd_epi32(a), _mm256_cvtpd_epi32(b));
}

template <int N>
__attribute__((target("avx2"))) void filterRowsAvx2(const Taps<N>& taps, const std::uint8_t* frame,
                                                    std::ptrdiff_t stride, Bitmap24& bitmap, double scaleValue,
                                                    int firstRow, int endRow)
{
    const auto packed = packPairs(taps);
    const __m256d scale = _mm256_set1_pd(scaleValue);
    const int bytes = bitmap.width() * 3;
    for (int y = firstRow; y < endRow; ++y) {
        const std::uint8_t* base = frame + y * stride;
        std::uint8_t* out = bitmap.scanLine(y);
        for (int q = 0; q < bytes; q += 16) {
            // Within each 128-bit lane, lo holds bytes 0-3 (8-11) and hi 4-7 (12-15).
            __m256i lo = _mm256_setzero_si256(), hi = _mm256_setzero_si256();
            for (int p = 0; p < Taps<N>::kPairs; ++p) {
                const __m256i c = _mm256_set1_epi32(packed[p]);
                const __m256i a = _mm256_cvtepu8_epi16(
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + q + taps.offset[2 * p])));
                const __m256i b = _mm256_cvtepu8_epi16(
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + q + taps.offset[2 * p + 1])));
                lo = _mm256_add_epi32(lo, _mm256_madd_epi16(_mm256_unpacklo_epi16(a, b), c));
                hi = _mm256_add_epi32(hi, _mm256_madd_epi16(_mm256_unpackhi_epi16(a, b), c));
            }
            // Bring the lanes back into byte order: 0-3, 4-7 | 8-11, 12-15.
            const __m256i first = _mm256_permute2x128_si256(lo, hi, 0x20);    // 0-3 | 4-7
            const __m256i second = _mm256_permute2x128_si256(lo, hi, 0x31);   // 8-11 | 12-15
            const __m128i result = _mm_packus_epi16(scale8Avx2(first, scale), scale8Avx2(second, scale));
            if (q + 16 <= bytes) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + q), result);
            } else {
                alignas(16) std::uint8_t last[16];
                _mm_store_si128(reinterpret_cast<__m128i*>(last), result);
                std::memcpy(out + q, last, std::size_t(bytes - q));
            }
        }
    }
}

// A coefficient beyond 16 bits is c = 65536 h + l, both halves packed in
// pairs for the multiply-add. Usually l is c's low 16 bits taken as signed,
// and h = (c - l) / 65536 fits 16 bits too. Only for c within 32768 of 2^31
// would h be 32768; any such coefficient makes every split h = c >> 16 and
// l = (c & 0xffff) - 32768 instead, and the 32768 x pixel this leaves out is
// put back from the sum of the pixels under the taps. The pixel sum stays
// below 2^15 (82 x 255), the high sum within +-2^30 and the low one (with
// the pixels put back, at most 82 x 65535 x 255) within +-2^31.
template <int N>
struct WidePairs {
    std::array<std::int32_t, Taps<N>::kPairs> high{}, low{};
    bool pixelSum = false;

    explicit WidePairs(const Taps<N>& taps)
    {
        for (int t = 0; t < Taps<N>::kCount; ++t)
            pixelSum = pixelSum || taps.coefficient[t] > std::numeric_limits<std::int32_t>::max() - 32768;
        const auto split = [&](int t, std::uint32_t& h, std::uint32_t& l) {
            const std::int64_t c = taps.coefficient[t];
            const std::int64_t low = pixelSum ? (c & 0xffff) - 32768 : std::int16_t(std::uint16_t(c & 0xffff));
            const std::int64_t highPart = pixelSum ? (c >> 16) : (c - low) / 65536;
            h = std::uint16_t(highPart);
            l = std::uint16_t(low);
        };
        for (int p = 0; p < Taps<N>::kPairs; ++p) {
            std::uint32_t h0, l0, h1, l1;
            split(2 * p, h0, l0);
            split(2 * p + 1, h1, l1);
            high[p] = std::int32_t(h0 | h1 << 16);
            low[p] = std::int32_t(l0 | l1 << 16);
        }
    }
};

// Four sums given as high and low halves to four clamped, rounded values.
inline __m128i scaleWide4(__m128i high, __m128i low, __m128d scale)
{
    const __m128d zero = _mm_setzero_pd(), top = _mm_set1_pd(255.0), step = _mm_set1_pd(65536.0);
    const auto join = [&](__m128i h, __m128i l) {
        const __m128d v = _mm_add_pd(_mm_mul_pd(_mm_cvtepi32_pd(h), step), _mm_cvtepi32_pd(l));
        return _mm_min_pd(_mm_max_pd(_mm_mul_pd(v, scale), zero), top);
    };
    const __m128d a = join(high, low);
    const __m128d b = join(_mm_shuffle_epi32(high, 0x4E), _mm_shuffle_epi32(low, 0x4E));
    return _mm_unpacklo_epi64(_mm_cvtpd_epi32(a), _mm_cvtpd_epi32(b));
}

template <int N, bool PixelSum>
void filterRowsWideSse2(const Taps<N>& taps, const WidePairs<N>& pairs, const std::uint8_t* frame,
                        std::ptrdiff_t stride, Bitmap24& bitmap, double scaleValue, int firstRow, int endRow)
{
    const __m128d scale = _mm_set1_pd(scaleValue);
    const __m128i zero = _mm_setzero_si128();
    const int bytes = bitmap.width() * 3;
    for (int y = firstRow; y < endRow; ++y) {
        const std::uint8_t* base = frame + y * stride;
        std::uint8_t* out = bitmap.scanLine(y);
        for (int q = 0; q < bytes; q += 8) {
            __m128i highLo = _mm_setzero_si128(), highHi = _mm_setzero_si128();
            __m128i lowLo = _mm_setzero_si128(), lowHi = _mm_setzero_si128();
            __m128i pixels = _mm_setzero_si128();
            for (int p = 0; p < Taps<N>::kPairs; ++p) {
                const __m128i h = _mm_set1_epi32(pairs.high[p]), l = _mm_set1_epi32(pairs.low[p]);
                const __m128i a = _mm_unpacklo_epi8(
                    _mm_loadl_epi64(reinterpret_cast<const __m128i*>(base + q + taps.offset[2 * p])), zero);
                const __m128i b = _mm_unpacklo_epi8(
                    _mm_loadl_epi64(reinterpret_cast<const __m128i*>(base + q + taps.offset[2 * p + 1])), zero);
                const __m128i abLo = _mm_unpacklo_epi16(a, b), abHi = _mm_unpackhi_epi16(a, b);
                highLo = _mm_add_epi32(highLo, _mm_madd_epi16(abLo, h));
                highHi = _mm_add_epi32(highHi, _mm_madd_epi16(abHi, h));
                lowLo = _mm_add_epi32(lowLo, _mm_madd_epi16(abLo, l));
                lowHi = _mm_add_epi32(lowHi, _mm_madd_epi16(abHi, l));
                if constexpr (PixelSum)
                    pixels = _mm_add_epi16(pixels, _mm_add_epi16(a, b));
            }
            if constexpr (PixelSum) {
                lowLo = _mm_add_epi32(lowLo, _mm_slli_epi32(_mm_unpacklo_epi16(pixels, zero), 15));
                lowHi = _mm_add_epi32(lowHi, _mm_slli_epi32(_mm_unpackhi_epi16(pixels, zero), 15));
            }
            const __m128i words = _mm_packs_epi32(scaleWide4(highLo, lowLo, scale), scaleWide4(highHi, lowHi, scale));
            const __m128i result = _mm_packus_epi16(words, words);
            if (q + 8 <= bytes) {
                _mm_storel_epi64(reinterpret_cast<__m128i*>(out + q), result);
            } else {
                alignas(16) std::uint8_t last[16];
                _mm_store_si128(reinterpret_cast<__m128i*>(last), result);
                std::memcpy(out + q, last, std::size_t(bytes - q));
            }
        }
    }
}

__attribute__((target("avx2"))) inline __m256d joinWide4Avx2(__m128i high, __m128i low, __m256d scale)
{
    const __m256d v =
        _mm256_add_pd(_mm256_mul_pd(_mm256_cvtepi32_pd(high), _mm256_set1_pd(65536.0)), _mm256_cvtepi32_pd(low));
    return _mm256_min_pd(_mm256_max_pd(_mm256_mul_pd(v, scale), _mm256_setzero_pd()), _mm256_set1_pd(255.0));
}

__attribute__((target("avx2"))) inline __m128i scaleWide8Avx2(__m256i high, __m256i low, __m256d scale)
{
    const __m256d a = joinWide4Avx2(_mm256_castsi256_si128(high), _mm256_castsi256_si128(low), scale);
    const __m256d b = joinWide4Avx2(_mm256_extracti128_si256(high, 1), _mm256_extracti128_si256(low, 1), scale);
    return _mm_packs_epi32(_mm256_cvtpd_epi32(a), _mm256_cvtpd_epi32(b));
}

template <int N, bool PixelSum>
__attribute__((target("avx2"))) void filterRowsWideAvx2(const Taps<N>& taps, const WidePairs<N>& pairs,
                                                        const std::uint8_t* frame, std::ptrdiff_t stride,
                                                        Bitmap24& bitmap, double scaleValue, int firstRow, int endRow)
{
    const __m256d scale = _mm256_set1_pd(scaleValue);
    const __m256i zero = _mm256_setzero_si256();
    const int bytes = bitmap.width() * 3;
    for (int y = firstRow; y < endRow; ++y) {
        const std::uint8_t* base = frame + y * stride;
        std::uint8_t* out = bitmap.scanLine(y);
        for (int q = 0; q < bytes; q += 16) {
            // Lanes as in filterRowsAvx2: lo holds bytes 0-3 | 8-11, hi 4-7 | 12-15.
            __m256i highLo = _mm256_setzero_si256(), highHi = _mm256_setzero_si256();
            __m256i lowLo = _mm256_setzero_si256(), lowHi = _mm256_setzero_si256();
            __m256i pixels = _mm256_setzero_si256();
            for (int p = 0; p < Taps<N>::kPairs; ++p) {
                const __m256i h = _mm256_set1_epi32(pairs.high[p]), l = _mm256_set1_epi32(pairs.low[p]);
                const __m256i a = _mm256_cvtepu8_epi16(
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + q + taps.offset[2 * p])));
                const __m256i b = _mm256_cvtepu8_epi16(
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + q + taps.offset[2 * p + 1])));
                const __m256i abLo = _mm256_unpacklo_epi16(a, b), abHi = _mm256_unpackhi_epi16(a, b);
                highLo = _mm256_add_epi32(highLo, _mm256_madd_epi16(abLo, h));
                highHi = _mm256_add_epi32(highHi, _mm256_madd_epi16(abHi, h));
                lowLo = _mm256_add_epi32(lowLo, _mm256_madd_epi16(abLo, l));
                lowHi = _mm256_add_epi32(lowHi, _mm256_madd_epi16(abHi, l));
                if constexpr (PixelSum)
                    pixels = _mm256_add_epi16(pixels, _mm256_add_epi16(a, b));
            }
            if constexpr (PixelSum) {
                lowLo = _mm256_add_epi32(lowLo, _mm256_slli_epi32(_mm256_unpacklo_epi16(pixels, zero), 15));
                lowHi = _mm256_add_epi32(lowHi, _mm256_slli_epi32(_mm256_unpackhi_epi16(pixels, zero), 15));
            }
            const __m128i first = scaleWide8Avx2(_mm256_permute2x128_si256(highLo, highHi, 0x20),
                                                 _mm256_permute2x128_si256(lowLo, lowHi, 0x20), scale);
            const __m128i second = scaleWide8Avx2(_mm256_permute2x128_si256(highLo, highHi, 0x31),
                                                  _mm256_permute2x128_si256(lowLo, lowHi, 0x31), scale);
            const __m128i result = _mm_packus_epi16(first, second);
            if (q + 16 <= bytes) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + q), result);
            } else {
                alignas(16) std::uint8_t last[16];
                _mm_store_si128(reinterpret_cast<__m128i*>(last), result);
                std::memcpy(out + q, last, std::size_t(bytes - q));
            }
        }
    }
}

#endif // NJ_CONVOLUTION_X86

// Copies the image into frame rows firstRow .. endRow - 1 (of H + 2k: image
// rows -k .. H-1+k), each with k copies of its first pixel on the left and of
// its last on the right.
void buildFrame(const Bitmap24& bitmap, int k, std::uint8_t* frame, std::ptrdiff_t stride, int firstRow,
                int endRow)
{
    const int w = bitmap.width(), h = bitmap.height();
    for (int fy = firstRow; fy < endRow; ++fy) {
        const std::uint8_t* src = bitmap.scanLine(std::clamp(fy - k, 0, h - 1));
        std::uint8_t* dst = frame + fy * stride;
        for (int i = 0; i < k; ++i)
            std::memcpy(dst + 3 * i, src, 3);
        std::memcpy(dst + 3 * k, src, std::size_t(w) * 3);
        for (int i = 0; i < k; ++i)
            std::memcpy(dst + 3 * (k + w + i), src + 3 * (w - 1), 3);
    }
}

template <int N>
void convolve(Bitmap24& bitmap, const KernelCoefficients& coefficients, std::int64_t divisor,
              ConvolutionScratch& scratch)
{
    constexpr int k = (N - 1) / 2;
    if (bitmap.isEmpty())
        return;
    std::ptrdiff_t stride = 0;
    std::uint8_t* frame = scratch.prepare(bitmap.width(), bitmap.height(), k, stride);
    if (!frame)
        return;   // no memory for the frame: the image stays as it was
    // Every row, of the frame and of the result, is made on its own, so bands
    // of rows may run on several threads and give the same bytes as one.
    RowPool* pool = scratch.pool();
    const auto inBands = [pool](int rows, const auto& band) {
        if (pool)
            pool->RunShared(rows, kPieceRows, [&band](int first, int end) { band(first, end); });
        else
            band(0, rows);
    };
    inBands(bitmap.height() + 2 * k, [&](int first, int end) { buildFrame(bitmap, k, frame, stride, first, end); });

    // A divisor of 0 would make every value infinite; it counts as 1.
    const double scale = 1.0 / double(divisor == 0 ? 1 : divisor);
    const Taps<N> taps(coefficients, stride);
#ifdef NJ_CONVOLUTION_X86
    if (scratch.route() != ConvolutionScratch::Route::Portable) {
        const bool avx2 = scratch.route() == ConvolutionScratch::Route::Fastest && detail::UseAvx2Clone();
        const WidePairs<N> pairs(taps);
        inBands(bitmap.height(), [&](int first, int end) {
            if (taps.fits16 && avx2)
                filterRowsAvx2<N>(taps, frame, stride, bitmap, scale, first, end);
            else if (taps.fits16)
                filterRowsSse2<N>(taps, frame, stride, bitmap, scale, first, end);
            else if (avx2 && pairs.pixelSum)
                filterRowsWideAvx2<N, true>(taps, pairs, frame, stride, bitmap, scale, first, end);
            else if (avx2)
                filterRowsWideAvx2<N, false>(taps, pairs, frame, stride, bitmap, scale, first, end);
            else if (pairs.pixelSum)
                filterRowsWideSse2<N, true>(taps, pairs, frame, stride, bitmap, scale, first, end);
            else
                filterRowsWideSse2<N, false>(taps, pairs, frame, stride, bitmap, scale, first, end);
        });
        return;
    }
#endif
    inBands(bitmap.height(), [&](int first, int end) { filterRowsWide<N>(taps, frame, stride, bitmap, scale, first, end); });
}

ConvolutionScratch& threadScratch()
{
    thread_local ConvolutionScratch scratch;
    return scratch;
}

} // namespace

std::uint8_t* ConvolutionScratch::prepare(int width, int height, int k, std::ptrdiff_t& stride)
{
    stride = (std::ptrdiff_t(width) + 2 * k) * 3 + kRowPadding;
    const auto rows = std::size_t(height) + 2 * std::size_t(k);
    if (rows != 0 && std::size_t(stride) > std::numeric_limits<std::size_t>::max() / rows)
        return nullptr;
    const std::size_t bytes = std::size_t(stride) * rows;
    try {
        if (frame_.size() < bytes)
            frame_.resize(bytes);
    } catch (const std::bad_alloc&) {
        std::vector<std::uint8_t>().swap(frame_);
        return nullptr;
    } catch (const std::length_error&) {
        return nullptr;
    }
    return frame_.data();
}

void Convolve3x3(Bitmap24& b, const KernelCoefficients& c, std::int64_t d, ConvolutionScratch& s) { convolve<3>(b, c, d, s); }
void Convolve5x5(Bitmap24& b, const KernelCoefficients& c, std::int64_t d, ConvolutionScratch& s) { convolve<5>(b, c, d, s); }
void Convolve7x7(Bitmap24& b, const KernelCoefficients& c, std::int64_t d, ConvolutionScratch& s) { convolve<7>(b, c, d, s); }
void Convolve9x9(Bitmap24& b, const KernelCoefficients& c, std::int64_t d, ConvolutionScratch& s) { convolve<9>(b, c, d, s); }

void Convolve3x3(Bitmap24& b, const KernelCoefficients& c, std::int64_t d) { convolve<3>(b, c, d, threadScratch()); }
void Convolve5x5(Bitmap24& b, const KernelCoefficients& c, std::int64_t d) { convolve<5>(b, c, d, threadScratch()); }
void Convolve7x7(Bitmap24& b, const KernelCoefficients& c, std::int64_t d) { convolve<7>(b, c, d, threadScratch()); }
void Convolve9x9(Bitmap24& b, const KernelCoefficients& c, std::int64_t d) { convolve<9>(b, c, d, threadScratch()); }

} // namespace kernels::Filtres2
