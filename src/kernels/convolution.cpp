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

// How the filters work: each image row is copied, with a border of k
// replicated pixels on either side, into a framed row of bytes (blue, green,
// red, blue, ...). Output byte q of row y is then the sum over the n x n taps
// of coefficient(i, j) x framed[y - k + i][q + 3 j]: the step of 3 keeps each
// colour with its own kind, so the three channels need no separate passes.
// The framed rows live in a ring of 2k + 1 rows per thread: row y + k is
// framed just before result row y is written over image row y, so the image
// is read once and written once, by the same thread, while the rows are still
// in its caches.
//
// On the pool, the rows are cut into pieces: each thread works through a
// band of them and then takes the last ones left of the others' bands. A
// piece reads k image rows of each neighbour beyond its own, so the k
// rows along each seam are written only once the piece across the seam has
// framed them; until then they wait in a side buffer, and whichever of the two
// pieces comes last puts them in place (see Seams).
//
// When every coefficient in use fits in 16 bits the sums cannot leave 32 bits
// (255 x 81 x 32768 < 2^31), and the rows are computed with the processor's
// 16-bit multiply-add, eight or sixteen bytes at a time. Larger coefficients
// are split into two 16-bit halves, each summed on its own in 32 bits the
// same way, and the halves joined exactly in double (the sum stays below
// 2^47). The plain path sums in 64 bits; all give the same numbers.

namespace kernels::Filtres2 {

namespace {

// Bytes after each framed row, so that vector loads of the last block of a
// row stay inside the buffer.
constexpr std::ptrdiff_t kRowPadding = 32;

// Rows of a piece on the pool: a thread slowed by the rest of the machine
// holds the run up by about one piece (0.03 to 0.2 ms at 1280 pixels wide).
constexpr int kPieceRows = 16;

template <int N>
struct Taps {
    static constexpr int kCount = N * N;
    static constexpr int kPairs = (kCount + 1) / 2;
    // Row by row; an odd count gets a last tap of weight 0 so taps go in pairs.
    std::array<std::int32_t, kPairs * 2> coefficient{};
    // Pairs of them packed for the 16-bit multiply-add, the first in the low
    // half (meaningful when they fit 16 bits).
    std::array<std::int32_t, kPairs> packed{};
    bool fits16 = true;

    explicit Taps(const KernelCoefficients& c)
    {
        constexpr int k = (N - 1) / 2;
        for (int i = 0; i < N; ++i) {
            for (int j = 0; j < N; ++j) {
                const int t = i * N + j;
                coefficient[t] = c[std::size_t(9 * (4 - k + i) + (4 - k + j))];
                fits16 = fits16 && coefficient[t] >= std::numeric_limits<std::int16_t>::min()
                         && coefficient[t] <= std::numeric_limits<std::int16_t>::max();
            }
        }
        for (int p = 0; p < kPairs; ++p)
            packed[p] = std::int32_t(std::uint32_t(std::uint16_t(coefficient[2 * p]))
                                     | std::uint32_t(std::uint16_t(coefficient[2 * p + 1])) << 16);
    }
};

// Where each tap reads for output byte 0 of a row (tap (i, j) at byte 3 j of
// framed row i); the weightless last tap reads where the first does.
template <int N>
using TapPointers = std::array<const std::uint8_t*, Taps<N>::kPairs * 2>;

inline std::uint8_t scaleToByte(double v)
{
    if (v > 255.0)
        return 255;
    if (v < 0.0)
        return 0;
    return std::uint8_t(roundHalfEvenToInt(v));
}

// Plain path, 64-bit sums: any coefficients, any processor. Filters one row
// into out (bytes bytes); so do the vector routines below.
template <int N>
void filterRowWide(const Taps<N>& taps, const TapPointers<N>& src, std::uint8_t* out, int bytes, double scale)
{
    for (int q = 0; q < bytes; ++q) {
        std::int64_t sum = 0;
        for (int t = 0; t < Taps<N>::kCount; ++t)
            sum += std::int64_t(taps.coefficient[t]) * src[t][q];
        out[q] = scaleToByte(double(sum) * scale);
    }
}

#ifdef NJ_CONVOLUTION_X86

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
void filterRowSse2(const Taps<N>& taps, const TapPointers<N>& src, std::uint8_t* out, int bytes, double scaleValue)
{
    const auto& packed = taps.packed;
    const __m128d scale = _mm_set1_pd(scaleValue);
    const __m128i zero = _mm_setzero_si128();
    for (int q = 0; q < bytes; q += 8) {
        __m128i lo = _mm_setzero_si128(), hi = _mm_setzero_si128();
        for (int p = 0; p < Taps<N>::kPairs; ++p) {
            const __m128i c = _mm_set1_epi32(packed[p]);
            const __m128i a = _mm_unpacklo_epi8(
                _mm_loadl_epi64(reinterpret_cast<const __m128i*>(src[2 * p] + q)), zero);
            const __m128i b = _mm_unpacklo_epi8(
                _mm_loadl_epi64(reinterpret_cast<const __m128i*>(src[2 * p + 1] + q)), zero);
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
__attribute__((target("avx2"))) void filterRowAvx2(const Taps<N>& taps, const TapPointers<N>& src,
                                                    std::uint8_t* out, int bytes, double scaleValue)
{
    const auto& packed = taps.packed;
    const __m256d scale = _mm256_set1_pd(scaleValue);
    for (int q = 0; q < bytes; q += 16) {
        // Within each 128-bit lane, lo holds bytes 0-3 (8-11) and hi 4-7 (12-15).
        __m256i lo = _mm256_setzero_si256(), hi = _mm256_setzero_si256();
        for (int p = 0; p < Taps<N>::kPairs; ++p) {
            const __m256i c = _mm256_set1_epi32(packed[p]);
            const __m256i a = _mm256_cvtepu8_epi16(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(src[2 * p] + q)));
            const __m256i b = _mm256_cvtepu8_epi16(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(src[2 * p + 1] + q)));
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
void filterRowWideSse2(const Taps<N>& taps, const WidePairs<N>& pairs, const TapPointers<N>& src,
                        std::uint8_t* out, int bytes, double scaleValue)
{
    const __m128d scale = _mm_set1_pd(scaleValue);
    const __m128i zero = _mm_setzero_si128();
    for (int q = 0; q < bytes; q += 8) {
        __m128i highLo = _mm_setzero_si128(), highHi = _mm_setzero_si128();
        __m128i lowLo = _mm_setzero_si128(), lowHi = _mm_setzero_si128();
        __m128i pixels = _mm_setzero_si128();
        for (int p = 0; p < Taps<N>::kPairs; ++p) {
            const __m128i h = _mm_set1_epi32(pairs.high[p]), l = _mm_set1_epi32(pairs.low[p]);
            const __m128i a = _mm_unpacklo_epi8(
                _mm_loadl_epi64(reinterpret_cast<const __m128i*>(src[2 * p] + q)), zero);
            const __m128i b = _mm_unpacklo_epi8(
                _mm_loadl_epi64(reinterpret_cast<const __m128i*>(src[2 * p + 1] + q)), zero);
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
__attribute__((target("avx2"))) void filterRowWideAvx2(const Taps<N>& taps, const WidePairs<N>& pairs,
                                                        const TapPointers<N>& src, std::uint8_t* out,
                                                        int bytes, double scaleValue)
{
    const __m256d scale = _mm256_set1_pd(scaleValue);
    const __m256i zero = _mm256_setzero_si256();
    for (int q = 0; q < bytes; q += 16) {
        // Lanes as in filterRowAvx2: lo holds bytes 0-3 | 8-11, hi 4-7 | 12-15.
        __m256i highLo = _mm256_setzero_si256(), highHi = _mm256_setzero_si256();
        __m256i lowLo = _mm256_setzero_si256(), lowHi = _mm256_setzero_si256();
        __m256i pixels = _mm256_setzero_si256();
        for (int p = 0; p < Taps<N>::kPairs; ++p) {
            const __m256i h = _mm256_set1_epi32(pairs.high[p]), l = _mm256_set1_epi32(pairs.low[p]);
            const __m256i a = _mm256_cvtepu8_epi16(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(src[2 * p] + q)));
            const __m256i b = _mm256_cvtepu8_epi16(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(src[2 * p + 1] + q)));
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

#endif // NJ_CONVOLUTION_X86

// Copies an image row into a framed row: k copies of its first pixel, the
// row, k copies of its last.
void frameRow(const std::uint8_t* src, int width, int k, std::uint8_t* dst)
{
    for (int i = 0; i < k; ++i)
        std::memcpy(dst + 3 * i, src, 3);
    std::memcpy(dst + 3 * k, src, std::size_t(width) * 3);
    for (int i = 0; i < k; ++i)
        std::memcpy(dst + 3 * (k + width + i), src + 3 * (width - 1), 3);
}

// The kernel and the routine chosen for one filtering.
template <int N>
class RowFilter {
public:
    RowFilter(const KernelCoefficients& coefficients, std::int64_t divisor, ConvolutionScratch::Route route,
              int bytes)
        : taps_(coefficients), pairs_(taps_), bytes_(bytes),
          // A divisor of 0 would make every value infinite; it counts as 1.
          scale_(1.0 / double(divisor == 0 ? 1 : divisor))
    {
#ifdef NJ_CONVOLUTION_X86
        if (route != ConvolutionScratch::Route::Portable) {
            const bool avx2 = route == ConvolutionScratch::Route::Fastest && kernels::detail::UseAvx2Clone();
            if (taps_.fits16)
                routine_ = avx2 ? Routine::Avx2 : Routine::Sse2;
            else if (pairs_.pixelSum)
                routine_ = avx2 ? Routine::WideAvx2PixelSum : Routine::WideSse2PixelSum;
            else
                routine_ = avx2 ? Routine::WideAvx2 : Routine::WideSse2;
        }
#else
        (void)route;
#endif
    }

    // Filters into out the row whose framed rows y - k .. y + k are rows[0 .. N - 1].
    void operator()(const std::array<const std::uint8_t*, N>& rows, std::uint8_t* out) const
    {
        TapPointers<N> src;
        for (int t = 0; t < Taps<N>::kCount; ++t)
            src[std::size_t(t)] = rows[std::size_t(t / N)] + 3 * (t % N);
        for (int t = Taps<N>::kCount; t < Taps<N>::kPairs * 2; ++t)
            src[std::size_t(t)] = src[0];
        switch (routine_) {
#ifdef NJ_CONVOLUTION_X86
        case Routine::Avx2: filterRowAvx2<N>(taps_, src, out, bytes_, scale_); return;
        case Routine::Sse2: filterRowSse2<N>(taps_, src, out, bytes_, scale_); return;
        case Routine::WideAvx2PixelSum: filterRowWideAvx2<N, true>(taps_, pairs_, src, out, bytes_, scale_); return;
        case Routine::WideAvx2: filterRowWideAvx2<N, false>(taps_, pairs_, src, out, bytes_, scale_); return;
        case Routine::WideSse2PixelSum: filterRowWideSse2<N, true>(taps_, pairs_, src, out, bytes_, scale_); return;
        case Routine::WideSse2: filterRowWideSse2<N, false>(taps_, pairs_, src, out, bytes_, scale_); return;
#endif
        case Routine::Plain: break;
        }
        filterRowWide<N>(taps_, src, out, bytes_, scale_);
    }

private:
    enum class Routine { Plain, Avx2, Sse2, WideAvx2PixelSum, WideAvx2, WideSse2PixelSum, WideSse2 };
    Taps<N> taps_;
#ifdef NJ_CONVOLUTION_X86
    WidePairs<N> pairs_;
#else
    struct NoPairs {
        explicit NoPairs(const Taps<N>&) {}
    } pairs_;
#endif
    int bytes_;
    double scale_;
    Routine routine_ = Routine::Plain;
};

// One filtering cut into pieces of rows. Across the seam between pieces s and
// s + 1 each reads k rows of the other. Each piece frames the rows it needs
// of its neighbours first thing, and says so in the seam's state; it writes
// its own k rows along a seam into the image only once the piece across has
// said so, and otherwise into the seam's side buffer. Whichever of the two
// comes last (the one that finds the other's mark when it sets its own) puts
// the side buffer's rows in place, so no piece ever waits for another and
// the pieces may run in any order on any threads.
template <int N>
class Pieces {
public:
    static constexpr int k = (N - 1) / 2;

    Pieces(Bitmap24& bitmap, const RowFilter<N>& filter, const ConvolutionScratch::Buffers& buffers)
        : bitmap_(bitmap), filter_(filter), count_(buffers.pieces), width_(bitmap.width()), height_(bitmap.height()),
          bytes_(std::size_t(bitmap.width()) * 3), buffers_(buffers)
    {
        for (int s = 0; s + 1 < count_; ++s)
            buffers_.seams[s].store(0, std::memory_order_relaxed);
    }

    // Filters the rows of piece i, with the 3k + 1 framed rows at work.
    void run(int i, std::uint8_t* work) const
    {
        const int a = firstRow(i), b = firstRow(i + 1), h = height_;
        const std::ptrdiff_t stride = buffers_.stride;
        constexpr int ringRows = 2 * k + 1;
        std::uint8_t* const ring = work;
        std::uint8_t* const below = work + ringRows * stride;
        // The framed row of image row r (rows beyond the image repeat its
        // edge rows): the piece's own rows and the k above it rotate through
        // the ring, the k below it stay apart.
        const auto framed = [&](int r) -> std::uint8_t* {
            r = std::clamp(r, 0, h - 1);
            if (r >= b)
                return below + (r - b) * stride;
            return ring + ((r - a + k) % ringRows) * stride;
        };
        const bool upperSeam = i > 0, lowerSeam = i + 1 < count_;

        for (int r = std::max(a - k, 0); r < std::min(a + k, b); ++r)
            frameRow(bitmap_.scanLine(r), width_, k, framed(r));
        for (int r = b; r < std::min(b + k, h); ++r)
            frameRow(bitmap_.scanLine(r), width_, k, framed(r));
        if (upperSeam && (buffers_.seams[i - 1].fetch_or(kLowerRead, std::memory_order_acq_rel) & kUpperHeld))
            place(i - 1, true);
        if (lowerSeam && (buffers_.seams[i].fetch_or(kUpperRead, std::memory_order_acq_rel) & kLowerHeld))
            place(i, false);

        bool holdTop = false, holdBottom = false;
        std::array<const std::uint8_t*, N> rows;
        for (int y = a; y < b; ++y) {
            if (y + k < b)
                frameRow(bitmap_.scanLine(y + k), width_, k, framed(y + k));
            for (int t = 0; t < N; ++t)
                rows[std::size_t(t)] = framed(y - k + t);
            std::uint8_t* out = bitmap_.scanLine(y);
            if (upperSeam && y < a + k) {
                if (y == a)
                    holdTop = !(buffers_.seams[i - 1].load(std::memory_order_acquire) & kUpperRead);
                if (holdTop)
                    out = held(i - 1, false) + std::size_t(y - a) * bytes_;
            } else if (lowerSeam && y >= b - k) {
                if (y == b - k)
                    holdBottom = !(buffers_.seams[i].load(std::memory_order_acquire) & kLowerRead);
                if (holdBottom)
                    out = held(i, true) + std::size_t(y - (b - k)) * bytes_;
            }
            filter_(rows, out);
            if (holdTop && y == a + k - 1
                && (buffers_.seams[i - 1].fetch_or(kLowerHeld, std::memory_order_acq_rel) & kUpperRead))
                place(i - 1, false);
            if (holdBottom && y == b - 1
                && (buffers_.seams[i].fetch_or(kUpperHeld, std::memory_order_acq_rel) & kLowerRead))
                place(i, true);
        }
    }

private:
    // A seam's state: which side has framed the other's rows, which side's
    // rows wait in the side buffer.
    static constexpr std::uint8_t kUpperRead = 1, kLowerRead = 2, kUpperHeld = 4, kLowerHeld = 8;

    int firstRow(int i) const { return buffers_.firstRows[i]; }

    // The side buffer of seam s for the upper piece's last k rows or the
    // lower piece's first k.
    std::uint8_t* held(int s, bool upper) const
    {
        return buffers_.held + (std::size_t(s) * 2 + (upper ? 0 : 1)) * std::size_t(k) * bytes_;
    }

    void place(int s, bool upper) const
    {
        const int seam = firstRow(s + 1), first = upper ? seam - k : seam;
        for (int r = 0; r < k; ++r)
            std::memcpy(bitmap_.scanLine(first + r), held(s, upper) + std::size_t(r) * bytes_, bytes_);
    }

    Bitmap24& bitmap_;
    const RowFilter<N>& filter_;
    int count_, width_, height_;
    std::size_t bytes_;
    ConvolutionScratch::Buffers buffers_;
};

template <int N>
void convolve(Bitmap24& bitmap, const KernelCoefficients& coefficients, std::int64_t divisor,
              ConvolutionScratch& scratch, int pieceRows, const std::vector<int>* order)
{
    constexpr int k = (N - 1) / 2;
    if (bitmap.isEmpty())
        return;
    RowPool* pool = order ? nullptr : scratch.pool();
    const int threads = pool ? pool->Threads() : 1;
    // One piece on one thread. Pieces of at least 2k rows otherwise, so that
    // a piece's rows along its two seams are distinct and its neighbours read
    // no further than their own seams.
    const int longest = order || threads > 1 ? std::max(pieceRows, 2 * k) : bitmap.height();
    const int shortest = order || threads <= 1 ? longest : std::max(2 * k, 2);
    ConvolutionScratch::Buffers buffers;
    if (!scratch.prepare(bitmap.width(), bitmap.height(), k, threads, longest, shortest, buffers))
        return;   // no memory for the framed rows: the image stays as it was
    const int count = buffers.pieces, parts = std::min(threads, count);
    const RowFilter<N> filter(coefficients, divisor, scratch.route(), bitmap.width() * 3);
    const Pieces<N> pieces(bitmap, filter, buffers);
    if (order) {
        for (const int i : *order)
            pieces.run(i, buffers.work);
    } else if (parts <= 1) {
        for (int i = 0; i < count; ++i)
            pieces.run(i, buffers.work);
    } else {
        pool->RunPieces(count, [&](int part, int i) {
            pieces.run(i, buffers.work + std::ptrdiff_t(part) * buffers.partBytes);
        });
    }
}

ConvolutionScratch& threadScratch()
{
    thread_local ConvolutionScratch scratch;
    return scratch;
}

template <int N>
void convolve(Bitmap24& bitmap, const KernelCoefficients& coefficients, std::int64_t divisor,
              ConvolutionScratch& scratch)
{
    convolve<N>(bitmap, coefficients, divisor, scratch, kPieceRows, nullptr);
}

} // namespace

bool ConvolutionScratch::prepare(int width, int height, int k, int threads, int longest, int shortest,
                                 Buffers& buffers)
{
    buffers.stride = (std::ptrdiff_t(width) + 2 * k) * 3 + kRowPadding;
    // Each part's rows start on a cache line of their own.
    buffers.partBytes = (buffers.stride * (3 * k + 1) + 63) & ~std::ptrdiff_t(63);
    try {
        // Pieces of `longest` rows, shorter towards the end (never below
        // `shortest`), so that the threads run out of work close together.
        firstRows_.clear();
        for (int row = 0; row < height;) {
            firstRows_.push_back(row);
            const int left = height - row;
            int rows = std::clamp(left / (4 * std::max(threads, 1)), std::min(shortest, longest), longest);
            if (left - rows < shortest)
                rows = left;
            row += rows;
        }
        firstRows_.push_back(height);
        buffers.pieces = int(firstRows_.size()) - 1;
        const auto seams = std::size_t(buffers.pieces - 1);
        const int parts = std::min(threads, buffers.pieces);
        const std::size_t workBytes = std::size_t(buffers.partBytes) * std::size_t(parts) + 64;
        if (work_.size() < workBytes)
            work_.resize(workBytes);
        // Written only when a piece finishes before the one across its
        // seam has started: left uninitialised, most of it is never touched.
        const std::size_t heldBytes = seams * 2 * std::size_t(k) * std::size_t(width) * 3;
        if (heldCapacity_ < heldBytes) {
            held_.reset();
            held_ = std::make_unique_for_overwrite<std::uint8_t[]>(heldBytes);
            heldCapacity_ = heldBytes;
        }
        if (seamCapacity_ < seams) {
            seams_ = std::make_unique<std::atomic<std::uint8_t>[]>(seams);
            seamCapacity_ = seams;
        }
    } catch (const std::bad_alloc&) {
        std::vector<std::uint8_t>().swap(work_);
        held_.reset();
        heldCapacity_ = 0;
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    const auto address = reinterpret_cast<std::uintptr_t>(work_.data());
    buffers.work = work_.data() + ((64 - address % 64) % 64);
    buffers.held = held_.get();
    buffers.seams = seams_.get();
    buffers.firstRows = firstRows_.data();
    return true;
}

void Convolve3x3(Bitmap24& b, const KernelCoefficients& c, std::int64_t d, ConvolutionScratch& s) { convolve<3>(b, c, d, s); }
void Convolve5x5(Bitmap24& b, const KernelCoefficients& c, std::int64_t d, ConvolutionScratch& s) { convolve<5>(b, c, d, s); }
void Convolve7x7(Bitmap24& b, const KernelCoefficients& c, std::int64_t d, ConvolutionScratch& s) { convolve<7>(b, c, d, s); }
void Convolve9x9(Bitmap24& b, const KernelCoefficients& c, std::int64_t d, ConvolutionScratch& s) { convolve<9>(b, c, d, s); }

void Convolve3x3(Bitmap24& b, const KernelCoefficients& c, std::int64_t d) { convolve<3>(b, c, d, threadScratch()); }
void Convolve5x5(Bitmap24& b, const KernelCoefficients& c, std::int64_t d) { convolve<5>(b, c, d, threadScratch()); }
void Convolve7x7(Bitmap24& b, const KernelCoefficients& c, std::int64_t d) { convolve<7>(b, c, d, threadScratch()); }
void Convolve9x9(Bitmap24& b, const KernelCoefficients& c, std::int64_t d) { convolve<9>(b, c, d, threadScratch()); }

namespace detail {

void ConvolveInPieces(int n, Bitmap24& bitmap, const KernelCoefficients& coefficients, std::int64_t divisor,
                      ConvolutionScratch& scratch, int pieceRows, const std::vector<int>& order)
{
    switch (n) {
    case 3: convolve<3>(bitmap, coefficients, divisor, scratch, pieceRows, &order); break;
    case 5: convolve<5>(bitmap, coefficients, divisor, scratch, pieceRows, &order); break;
    case 7: convolve<7>(bitmap, coefficients, divisor, scratch, pieceRows, &order); break;
    case 9: convolve<9>(bitmap, coefficients, divisor, scratch, pieceRows, &order); break;
    default: break;
    }
}

} // namespace detail

} // namespace kernels::Filtres2
