#include "kernels/wavelet.h"

#include "kernels/bitmap24.h"
#include "kernels/clone_route.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <cstring>
#include <exception>
#include <new>
#include <thread>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace kernels {

namespace {

// The planes are format 3 (four signed 16-bit channels). The rows of the
// input and of its smoothings only ever hold 0..255, so they are kept as
// four 8-bit channels: the same numbers in half the room.
constexpr int kPlaneFormat = 3;
constexpr int kChannels = 4;

// Gives b the format and the size width x height; its pixels are kept when
// nothing changes. False when the buffer cannot be had.
bool prepare(TNJBitmap& b, int format, int width, int height)
{
    return b.SetPixelFormat(format) && b.SetWidth(width) && b.SetHeight(height) && b.GetWidth() == width
        && b.GetHeight() == height;
}

template <typename T>
const T* row(const TNJBitmap* b, int y)
{
    return reinterpret_cast<const T*>(b->ScanLine(y));
}
template <typename T>
T* row(TNJBitmap* b, int y)
{
    return reinterpret_cast<T*>(b->ScanLine(y));
}

// Neighbours beyond the edges are mirrored, differently on the two sides:
// before the first index about 0.5 (-1 reads 2), after the last about the
// last itself (last + 1 reads last - 1). An image smaller than the gap would
// mirror past the far edge; the index is then held inside.
int neighbour(int i, int last)
{
    if (i < 0)
        return std::min(1 - i, last);
    if (i > last)
        return std::max(2 * last - i, 0);
    return i;
}

// The gap of level n (1-based).
constexpr int gap(int n) { return 1 << (n - 1); }
constexpr int kMaxGap = 1 << 5;

// The hot loops work on sixteen lanes at a time (GCC/Clang vector
// extensions: SSE2 on x86-64, NEON on ARM), with a scalar tail.
constexpr std::ptrdiff_t kLanes = 16;
using U8xN = std::uint8_t __attribute__((vector_size(kLanes)));
using U16xN = std::uint16_t __attribute__((vector_size(2 * kLanes)));
using I16xN = std::int16_t __attribute__((vector_size(2 * kLanes)));

// Loads and stores through memcpy: the rows have no alignment to promise.
template <typename V, typename T>
[[gnu::always_inline]] inline void load(V& v, const T* p)
{
    std::memcpy(&v, p, sizeof v);
}
template <typename V, typename T>
[[gnu::always_inline]] inline void store(T* p, const V& v)
{
    std::memcpy(p, &v, sizeof v);
}

// The 1-2-1 smoothing: (2 middle + one + other) / 4, truncated (the values
// are never negative). Worked in eight bits as the floored mean of middle
// and the floored mean of the other two, which is the same number: with
// t = one + other, (2m + t) div 4 = (m + t div 2) div 2. The floored mean of
// x and y is (x & y) + ((x ^ y) >> 1), which never overflows. Built twice,
// with vectors of 16 lanes for any processor and of 32 for AVX2; both give
// the same bytes.
template <typename V>
[[gnu::always_inline]] inline void smoothSpanBody(const std::uint8_t* middle, const std::uint8_t* one,
                                                  const std::uint8_t* other, std::uint8_t* out, std::ptrdiff_t n)
{
    constexpr auto lanes = std::ptrdiff_t(sizeof(V));
    std::ptrdiff_t i = 0;
    for (; i + lanes <= n; i += lanes) {
        V m, a, b;
        load(m, middle + i);
        load(a, one + i);
        load(b, other + i);
        const V ab = (a & b) + ((a ^ b) >> 1);
        store(out + i, (m & ab) + ((m ^ ab) >> 1));
    }
    for (; i < n; ++i)
        out[i] = static_cast<std::uint8_t>((2 * middle[i] + one[i] + other[i]) / 4);
}

void smoothSpanPortable(const std::uint8_t* middle, const std::uint8_t* one, const std::uint8_t* other,
                        std::uint8_t* out, std::ptrdiff_t n)
{
    smoothSpanBody<U8xN>(middle, one, other, out, n);
}

#if defined(__x86_64__) || defined(__i386__)
using U8x32 = std::uint8_t __attribute__((vector_size(32)));

__attribute__((target("avx2"))) void smoothSpanAvx2(const std::uint8_t* middle, const std::uint8_t* one,
                                                    const std::uint8_t* other, std::uint8_t* out, std::ptrdiff_t n)
{
    smoothSpanBody<U8x32>(middle, one, other, out, n);
}
#endif

void smoothSpan(const std::uint8_t* middle, const std::uint8_t* one, const std::uint8_t* other, std::uint8_t* out,
                std::ptrdiff_t n)
{
#if defined(__x86_64__) || defined(__i386__)
    if (detail::UseAvx2Clone()) {
        smoothSpanAvx2(middle, one, other, out, n);
        return;
    }
#endif
    smoothSpanPortable(middle, one, other, out, n);
}

// The plane: input minus smoothing, -255..255. The planes are far larger
// than the caches and are read again only by the recombination, so on
// x86-64 their aligned rows are written past the caches (streaming stores:
// no read of the old line before the write).
void subtractSpanPortable(const std::uint8_t* a, const std::uint8_t* c, std::int16_t* out, std::ptrdiff_t n)
{
    std::ptrdiff_t i = 0;
#if defined(__SSE2__)
    if (reinterpret_cast<std::uintptr_t>(out) % 16 == 0) {
        const __m128i zero = _mm_setzero_si128();
        for (; i + 16 <= n; i += 16) {
            const __m128i a8 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
            const __m128i c8 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(c + i));
            _mm_stream_si128(reinterpret_cast<__m128i*>(out + i),
                             _mm_sub_epi16(_mm_unpacklo_epi8(a8, zero), _mm_unpacklo_epi8(c8, zero)));
            _mm_stream_si128(reinterpret_cast<__m128i*>(out + i + 8),
                             _mm_sub_epi16(_mm_unpackhi_epi8(a8, zero), _mm_unpackhi_epi8(c8, zero)));
        }
    }
#endif
    for (; i + kLanes <= n; i += kLanes) {
        U8xN a8, c8;
        load(a8, a + i);
        load(c8, c + i);
        store(out + i, __builtin_convertvector(a8, I16xN) - __builtin_convertvector(c8, I16xN));
    }
    for (; i < n; ++i)
        out[i] = static_cast<std::int16_t>(a[i] - c[i]);
}

#if defined(__x86_64__) || defined(__i386__)
// The same by 32 bytes a store.
__attribute__((target("avx2"))) void subtractSpanAvx2(const std::uint8_t* a, const std::uint8_t* c, std::int16_t* out,
                                                      std::ptrdiff_t n)
{
    std::ptrdiff_t i = 0;
    if (reinterpret_cast<std::uintptr_t>(out) % 32 == 0) {
        for (; i + 16 <= n; i += 16) {
            const __m256i a16 = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i)));
            const __m256i c16 = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(c + i)));
            _mm256_stream_si256(reinterpret_cast<__m256i*>(out + i), _mm256_sub_epi16(a16, c16));
        }
    }
    _mm256_zeroupper();
    subtractSpanPortable(a + i, c + i, out + i, n - i);
}
#endif

void subtractSpan(const std::uint8_t* a, const std::uint8_t* c, std::int16_t* out, std::ptrdiff_t n)
{
#if defined(__x86_64__) || defined(__i386__)
    if (detail::UseAvx2Clone()) {
        subtractSpanAvx2(a, c, out, n);
        return;
    }
#endif
    subtractSpanPortable(a, c, out, n);
}

// Makes the streaming stores of this thread visible before it reports its
// work done.
void finishStreaming()
{
#if defined(__SSE2__)
    _mm_sfence();
#endif
}

// Blue, green, red of n pixels into four channels, the fourth 0. Four
// pixels at a time are read as 12 bytes and written as 16, in registers.
void expandSpanPortable(const std::uint8_t* bgr, std::uint8_t* out, std::ptrdiff_t n, std::ptrdiff_t i = 0)
{
    if constexpr (std::endian::native == std::endian::little) {
        for (; i + 4 <= n; i += 4) {
            std::uint64_t lo;   // bytes 0..7
            std::uint32_t hi;   // bytes 8..11
            std::memcpy(&lo, bgr + 3 * i, 8);
            std::memcpy(&hi, bgr + 3 * i + 8, 4);
            const std::uint64_t first = (lo & 0xffffffu) | ((lo & 0xffffff000000u) << 8);
            const std::uint64_t second =
                (lo >> 48) | (std::uint64_t(hi & 0xffu) << 16) | (std::uint64_t(hi >> 8) << 32);
            std::memcpy(out + 4 * i, &first, 8);
            std::memcpy(out + 4 * i + 8, &second, 8);
        }
    }
    for (; i < n; ++i) {
        out[4 * i] = bgr[3 * i];
        out[4 * i + 1] = bgr[3 * i + 1];
        out[4 * i + 2] = bgr[3 * i + 2];
        out[4 * i + 3] = 0;
    }
}

// The inverse: four channels of n pixels into blue, green, red.
void packSpanPortable(const std::uint8_t* in, std::uint8_t* bgr, std::ptrdiff_t n, std::ptrdiff_t i = 0)
{
    if constexpr (std::endian::native == std::endian::little) {
        for (; i + 4 <= n; i += 4) {
            std::uint64_t first, second;   // pixels 0, 1 and 2, 3
            std::memcpy(&first, in + 4 * i, 8);
            std::memcpy(&second, in + 4 * i + 8, 8);
            const std::uint64_t lo =
                (first & 0xffffffu) | ((first >> 8) & 0xffffff000000u) | ((second & 0xffffu) << 48);
            const auto hi = static_cast<std::uint32_t>(((second >> 16) & 0xffu) | ((second >> 24) & 0xffffff00u));
            std::memcpy(bgr + 3 * i, &lo, 8);
            std::memcpy(bgr + 3 * i + 8, &hi, 4);
        }
    }
    for (; i < n; ++i) {
        bgr[3 * i] = in[4 * i];
        bgr[3 * i + 1] = in[4 * i + 1];
        bgr[3 * i + 2] = in[4 * i + 2];
    }
}

#if defined(__x86_64__) || defined(__i386__)
// The same four pixels at a time by one byte shuffle, reading and writing
// 16 bytes where the pixels hold 12 only while that stays inside the row.
__attribute__((target("avx2"))) void expandSpanAvx2(const std::uint8_t* bgr, std::uint8_t* out, std::ptrdiff_t n)
{
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    std::ptrdiff_t i = 0;
    for (; i + 6 <= n; i += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr + 3 * i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i), _mm_shuffle_epi8(v, spread));
    }
    expandSpanPortable(bgr, out, n, i);
}

__attribute__((target("avx2"))) void packSpanAvx2(const std::uint8_t* in, std::uint8_t* bgr, std::ptrdiff_t n)
{
    const __m128i gather = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    std::ptrdiff_t i = 0;
    // Bytes 12..15 of each store are written again by the next one.
    for (; i + 6 <= n; i += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 4 * i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(bgr + 3 * i), _mm_shuffle_epi8(v, gather));
    }
    packSpanPortable(in, bgr, n, i);
}
#endif

void expandSpan(const std::uint8_t* bgr, std::uint8_t* out, std::ptrdiff_t n)
{
#if defined(__x86_64__) || defined(__i386__)
    if (detail::UseAvx2Clone()) {
        expandSpanAvx2(bgr, out, n);
        return;
    }
#endif
    expandSpanPortable(bgr, out, n);
}

void packSpan(const std::uint8_t* in, std::uint8_t* bgr, std::ptrdiff_t n)
{
#if defined(__x86_64__) || defined(__i386__)
    if (detail::UseAvx2Clone()) {
        packSpanAvx2(in, bgr, n);
        return;
    }
#endif
    packSpanPortable(in, bgr, n);
}

// Row smoothing with gap g of the pixels first..last of a row of an image
// width pixels wide; in holds every pixel the mirrored neighbours reach.
// Near the image's edges one neighbour of each pixel is a mirrored one: the
// mirrored neighbours of a run of such pixels are gathered into a short row
// first (at most g pixels), so the whole row is smoothed by vectors.
void smoothRow(const std::uint8_t* in, std::uint8_t* out, int first, int last, int g, int width)
{
    const int innerFirst = g;   // the pixels whose neighbours are both inside
    const int innerLast = width - 1 - g;
    auto pixel = [](auto* row, int x) { return row + std::ptrdiff_t(x) * kChannels; };
    if (width < 2 * g || width < g + 2 || g > kMaxGap) {
        // An image narrower than twice the gap (or than three pixels): the
        // mirror may itself be held inside, one pixel at a time.
        for (int x = first; x <= last; ++x) {
            const int l = neighbour(x - g, width - 1);
            const int r = neighbour(x + g, width - 1);
            for (int c = 0; c < kChannels; ++c)
                pixel(out, x)[c] =
                    static_cast<std::uint8_t>((2 * pixel(in, x)[c] + pixel(in, l)[c] + pixel(in, r)[c]) / 4);
        }
        return;
    }
    alignas(64) std::uint8_t mirrored[kMaxGap * kChannels];
    // Left of the inner pixels: x - g reads 1 - (x - g), which lies inside.
    if (first < innerFirst) {
        const int end = std::min(last, innerFirst - 1);
        for (int x = first; x <= end; ++x)
            std::memcpy(mirrored + (x - first) * kChannels, pixel(in, g + 1 - x), kChannels);
        smoothSpan(pixel(in, first), mirrored, pixel(in, first + g), pixel(out, first),
                   std::ptrdiff_t(end - first + 1) * kChannels);
    }
    // The inner pixels.
    const int lo = std::max(first, innerFirst);
    const int hi = std::min(last, innerLast);
    if (lo <= hi)
        smoothSpan(pixel(in, lo), pixel(in, lo - g), pixel(in, lo + g), pixel(out, lo),
                   std::ptrdiff_t(hi - lo + 1) * kChannels);
    // Right of them: x + g reads 2 (width - 1) - (x + g), inside too.
    if (last > innerLast) {
        const int begin = std::max(first, innerLast + 1);
        for (int x = begin; x <= last; ++x)
            std::memcpy(mirrored + (x - begin) * kChannels, pixel(in, 2 * (width - 1) - x - g), kChannels);
        smoothSpan(pixel(in, begin), pixel(in, begin - g), mirrored, pixel(out, begin),
                   std::ptrdiff_t(last - begin + 1) * kChannels);
    }
}

// The rows a tile works with, each kind in a ring where row y sits in slot
// y mod size. The levels are worked in row order, each only as far as the
// level above needs. Level n's row y reads rows y - gap, y and y + gap of
// its row smoothing (mirrored at the top and the bottom: row 0 reads row
// gap + 1), and no row after y + gap has been made yet (gap + 1 for row 0),
// so 2 gap + 1 rows hold all it still reads. The input row y is read again
// by each level's plane; by then the input has gone at most 64 rows further
// (63 plus the one row of the mirror at the top).
constexpr int kInputRingRows = 72;
constexpr int ringRows(int n) { return n == 0 ? kInputRingRows : 2 * gap(n) + 1; }
constexpr int kRings = TWavelet::MaxLevels + 1;   // 0: the input, n: level n's row smoothing
constexpr int kPrefetchRows = 4;

constexpr int ringStart(int ring)
{
    int start = 0;
    for (int i = 0; i < ring; ++i)
        start += ringRows(i);
    return start;
}
// After the rings, one row per level for its smoothing; then, for a
// sharpening without planes, the ring of the rows being recombined (row y
// lives from level 1's row y to the last level's, as the input row y does).
constexpr int kAccumulatorStart = ringStart(kRings) + TWavelet::MaxLevels;

// Where row y of a ring sits, without a division: y mod size as the high
// part of (y x the ring's 64-bit fraction 1 / size) x size, exact for any
// 32-bit y.
struct RingPlace {
    int start = 0;
    std::uint32_t size = 1;
    std::uint64_t fraction = 0;
};
constexpr std::array<RingPlace, kRings> kRingPlaces = [] {
    std::array<RingPlace, kRings> places{};
    for (int ring = 0; ring < kRings; ++ring) {
        const auto size = std::uint32_t(ringRows(ring));
        places[ring] = {ringStart(ring), size, ~std::uint64_t(0) / size + 1};
    }
    return places;
}();
inline int ringSlot(int ring, int y)
{
    const RingPlace& place = kRingPlaces[std::size_t(ring)];
    const std::uint64_t low = place.fraction * std::uint32_t(y);
    return place.start + int((static_cast<unsigned __int128>(low) * place.size) >> 64);
}
constexpr int kScratchRows = kAccumulatorStart + kInputRingRows;

} // namespace

// A tile's working rows hold only the columns it works, each row starting
// on a cache line: rows as wide as the image would leave a narrow strip a
// short piece of every line and page it touches.
std::size_t scratchRowBytes(int pixels) { return (std::size_t(std::max(pixels, 0)) * kChannels + 63) / 64 * 64; }

// The working rows of one tile, kept between calls and made again only
// when the width changes: room for rows as wide as the image, four channels
// per pixel, the first on a cache line.
struct TileScratch {
    std::unique_ptr<std::uint8_t[]> storage;
    std::uint8_t* rows = nullptr;
    int width = -1;

    bool Reserve(int w)
    {
        if (w == width)
            return true;
        const std::size_t bytes = scratchRowBytes(w) * kScratchRows + 63;
        storage.reset(new (std::nothrow) std::uint8_t[bytes]);
        rows = storage.get();
        if (rows)
            rows += (64 - reinterpret_cast<std::uintptr_t>(rows) % 64) % 64;
        width = rows ? w : -1;
        return rows != nullptr;
    }
};

// How the caller reaches a pool worker. After a job a worker lingers a
// short while (kLingering) before it goes back to sleep (kAway): a run that
// comes meanwhile, as the next of a series does, calls it (kCalled) without
// the wake-up, which takes longer than many a band of rows here. An error
// its job let escape waits here for the caller.
enum SeatState : int { kAway, kLingering, kCalled };
struct alignas(64) WorkerSeat {
    std::atomic<int> State{kAway};
    std::exception_ptr Error;
};

// The parameter of one job, one per worker; each on its own cache lines, as
// the workers read them side by side.
struct alignas(64) WaveletJobBlock {
    void (*Work)(const WaveletJobBlock& job) = nullptr;   // a tile, or rows
    const Bitmap24* Source = nullptr;
    Bitmap24* Destination = nullptr;   // recombination
    // The decomposition's tile: the columns and rows whose planes (or
    // result) it makes; the rows of work shared out by pieces.
    NJRect Band;
    // Work shared out by pieces of rows: the first row no part has taken.
    std::atomic<int>* Next = nullptr;
    // On the pool: each job adds one here when it ends; the worker's seat.
    std::atomic<int>* Finished = nullptr;
    WorkerSeat* Seat = nullptr;
    int Levels = 0;
    // The decomposition fills Planes[0..Levels-1]; the recombination adds
    // them with the gains Weights[0..Levels-1].
    std::array<TNJBitmap*, TWavelet::MaxLevels> Planes{};
    std::array<std::int32_t, TWavelet::MaxLevels> Weights{};
    TileScratch* Scratch = nullptr;
    // A sharpening without planes writes its rows here instead (blue,
    // green, red; the tile's columns), Weights being the gains of all the
    // levels, 0 for those that add nothing.
    std::uint8_t* Output = nullptr;
    std::ptrdiff_t OutputStride = 0;
};

// The tiles of the last split, kept while the same split is asked for.
struct TileSplit {
    int Parts = 0;
    int Width = -1;
    int Height = -1;
    int Levels = 0;
    int Step = 0;
    double Own = 0;
    std::array<NJRect, TGenericModule::MaxThreads> Tiles;
};

struct TWavelet::Workspace {
    std::array<WaveletJobBlock, MaxThreads> Blocks;
    std::array<TileScratch, MaxThreads> Scratch;
    std::vector<std::uint8_t> Result;   // a sharpening in place
    std::atomic<int> Next{0};
    std::atomic<int> Finished{0};
    std::array<WorkerSeat, MaxThreads> Seats;
    TileSplit Split;
};

namespace {

// The gain of a level: value x weight / 1024, truncated toward zero, added
// to a channel and clamped to 0..255, exactly as with a 64-bit product.
// Plane values lie in -255..255, so a weight beyond +-2^18 moves any nonzero
// value by 256 or more and clamps exactly like +-2^18: the weight is limited
// there. With |weight| = 1024 q + r, the size of the gain is
// |value| q + (|value| r) div 1024: at most 65534, and whatever reaches 256
// clamps alike, so sixteen bits suffice.
constexpr std::int32_t kWeightLimit = 1 << 18;

std::int32_t effectiveWeight(std::int32_t weight) { return std::clamp(weight, -kWeightLimit, kWeightLimit); }

std::uint8_t addGain(int value, std::int16_t planeValue, std::int32_t weight)
{
    const std::int64_t sum = value + std::int64_t(planeValue) * weight / 1024;
    return static_cast<std::uint8_t>(std::clamp<std::int64_t>(sum, 0, 255));
}

// Adds the gains of the first levels planes to the n channel values, level
// after level, each onto the clamped result of the ones before.
void applyGains(std::uint8_t* values, const std::array<const std::int16_t*, TWavelet::MaxLevels>& planes,
                const std::array<std::int32_t, TWavelet::MaxLevels>& weights, int levels, std::ptrdiff_t n)
{
    std::ptrdiff_t i = 0;
#if defined(__SSE2__)
    struct Gain {
        __m128i whole, part, negative;
    };
    std::array<Gain, TWavelet::MaxLevels> gains;
    for (int k = 0; k < levels; ++k) {
        const std::int32_t size = weights[k] < 0 ? -weights[k] : weights[k];
        // (|value| r) div 1024 is the high half of |value| x 64 r.
        gains[k] = {_mm_set1_epi16(static_cast<short>(size >> 10)),
                    _mm_set1_epi16(static_cast<short>((size & 1023) << 6)), _mm_set1_epi16(weights[k] < 0 ? -1 : 0)};
    }
    const __m128i zero = _mm_setzero_si128();
    const __m128i limit = _mm_set1_epi16(256);
    const __m128i top = _mm_set1_epi16(255);
    for (; i + 8 <= n; i += 8) {
        __m128i v = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(values + i)), zero);
        for (int k = 0; k < levels; ++k) {
            const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(planes[k] + i));
            const __m128i sign = _mm_srai_epi16(p, 15);
            const __m128i size = _mm_sub_epi16(_mm_xor_si128(p, sign), sign);
            __m128i g = _mm_add_epi16(_mm_mullo_epi16(size, gains[k].whole), _mm_mulhi_epu16(size, gains[k].part));
            g = _mm_sub_epi16(g, _mm_subs_epu16(g, limit));   // at most 256
            const __m128i negate = _mm_xor_si128(sign, gains[k].negative);
            g = _mm_sub_epi16(_mm_xor_si128(g, negate), negate);
            v = _mm_min_epi16(_mm_max_epi16(_mm_add_epi16(v, g), zero), top);
        }
        _mm_storel_epi64(reinterpret_cast<__m128i*>(values + i), _mm_packus_epi16(v, v));
    }
#endif
    for (; i < n; ++i)
        for (int k = 0; k < levels; ++k)
            values[i] = addGain(values[i], planes[k][i], weights[k]);
}

// The plane values of n channel values, input minus smoothing, kept in
// the caches (they are used at once).
void differenceSpan(const std::uint8_t* a, const std::uint8_t* c, std::int16_t* out, std::ptrdiff_t n)
{
    std::ptrdiff_t i = 0;
    for (; i + kLanes <= n; i += kLanes) {
        U8xN a8, c8;
        load(a8, a + i);
        load(c8, c + i);
        store(out + i, __builtin_convertvector(a8, I16xN) - __builtin_convertvector(c8, I16xN));
    }
    for (; i < n; ++i)
        out[i] = static_cast<std::int16_t>(a[i] - c[i]);
}

// values += gain x (input - smoothing), clamped, for n channel values: the
// plane's values made and added at once. The copy for any processor goes
// through a short plane row and applyGains.
void addLevelSpanPortable(const std::uint8_t* input, const std::uint8_t* smooth, std::uint8_t* values,
                          std::int32_t weight, std::ptrdiff_t n)
{
    constexpr std::ptrdiff_t kChunk = 512;
    std::int16_t plane[kChunk];
    const std::array<const std::int16_t*, TWavelet::MaxLevels> planes{plane};
    const std::array<std::int32_t, TWavelet::MaxLevels> weights{weight};
    for (std::ptrdiff_t i = 0; i < n; i += kChunk) {
        const std::ptrdiff_t m = std::min(kChunk, n - i);
        differenceSpan(input + i, smooth + i, plane, m);
        applyGains(values + i, planes, weights, 1, m);
    }
}

#if defined(__x86_64__) || defined(__i386__)
// Sixteen values a step with applyGains' arithmetic: the gain's size is
// |value| q + (|value| 64 r) >> 16 for |weight| = 1024 q + r, at most 256,
// its sign that of value x weight.
__attribute__((target("avx2"))) void addLevelSpanAvx2(const std::uint8_t* input, const std::uint8_t* smooth,
                                                      std::uint8_t* values, std::int32_t weight, std::ptrdiff_t n)
{
    const std::int32_t size = weight < 0 ? -weight : weight;
    const __m256i whole = _mm256_set1_epi16(static_cast<short>(size >> 10));
    const __m256i part = _mm256_set1_epi16(static_cast<short>((size & 1023) << 6));
    const __m256i limit = _mm256_set1_epi16(256), zero = _mm256_setzero_si256(), top = _mm256_set1_epi16(255);
    const bool negative = weight < 0;
    std::ptrdiff_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m256i in = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(input + i)));
        const __m256i sm = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(smooth + i)));
        // The plane's value, negated for a negative weight: its sign is the gain's.
        const __m256i p = negative ? _mm256_sub_epi16(sm, in) : _mm256_sub_epi16(in, sm);
        const __m256i a = _mm256_abs_epi16(p);
        __m256i g = _mm256_add_epi16(_mm256_mullo_epi16(a, whole), _mm256_mulhi_epu16(a, part));
        g = _mm256_sign_epi16(_mm256_min_epu16(g, limit), p);
        __m256i v = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(values + i)));
        v = _mm256_min_epi16(_mm256_max_epi16(_mm256_add_epi16(v, g), zero), top);
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(v, v), 0x08);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(values + i), _mm256_castsi256_si128(packed));
    }
    // The compiler turns the call below into a jump without clearing the
    // upper halves of the vector registers; the SSE code after it would then
    // run several times slower on this thread until something clears them.
    _mm256_zeroupper();
    addLevelSpanPortable(input + i, smooth + i, values + i, weight, n - i);
}
#endif

void addLevelSpan(const std::uint8_t* input, const std::uint8_t* smooth, std::uint8_t* values, std::int32_t weight,
                  std::ptrdiff_t n)
{
#if defined(__x86_64__) || defined(__i386__)
    if (detail::UseAvx2Clone()) {
        addLevelSpanAvx2(input, smooth, values, weight, n);
        return;
    }
#endif
    addLevelSpanPortable(input, smooth, values, weight, n);
}

// All the levels of one tile, worked from its top row to its bottom one.
// Making row y of level n first makes the rows of level n - 1 (or of the
// input) that it reads; each new row of a level is smoothed along the row
// into the ring of the level above. Level n is needed on the columns and
// rows its upper levels reach, so the tile's edges move out by one gap per
// level downward: columns spans_[n], rows from starts_[n] on. Only the
// tile's own columns and rows go into the planes or the result.
class TileDecomposer {
public:
    explicit TileDecomposer(const WaveletJobBlock& job)
        : source_(*job.Source),
          planes_(job.Planes),
          rows_(job.Scratch->rows),
          width_(job.Source->width()),
          height_(job.Source->height()),
          levels_(job.Levels),
          first_(job.Band.Left),
          last_(job.Band.Right),
          top_(job.Band.Top),
          bottom_(job.Band.Bottom),
          weights_(job.Weights),
          output_(job.Output),
          outputStride_(job.OutputStride)
    {
        spans_[levels_] = {first_, last_};
        starts_[levels_] = top_;
        for (int n = levels_; n >= 1; --n) {
            auto [lo, hi] = spans_[n];
            for (int x = spans_[n].first; x <= spans_[n].second; ++x)
                for (int reach : {neighbour(x - gap(n), width_ - 1), neighbour(x + gap(n), width_ - 1)}) {
                    lo = std::min(lo, reach);
                    hi = std::max(hi, reach);
                }
            spans_[n - 1] = {lo, hi};
            // The rows of level n from starts_[n] on read those of level
            // n - 1 from a gap above on (all of them near the top, where
            // the mirror reads further down).
            starts_[n - 1] = std::max(0, starts_[n] - gap(n));
        }
        for (int n = 0; n <= levels_; ++n)
            done_[n] = starts_[n];
        rowBytes_ = std::ptrdiff_t(scratchRowBytes(spans_[0].second - spans_[0].first + 1));
        // Rows are addressed by the image's columns: column x of a row at
        // byte (x - the first column worked) x channels.
        origin_ = std::ptrdiff_t(spans_[0].first) * kChannels;
    }

    void Run()
    {
        if (levels_ >= 1 && first_ <= last_ && top_ <= bottom_)
            advance(levels_, bottom_);
    }

private:
    std::uint8_t* scratchRow(int index)
    {
        return reinterpret_cast<std::uint8_t*>(reinterpret_cast<std::uintptr_t>(rows_ + rowBytes_ * index) -
                                               std::uintptr_t(origin_));
    }
    std::uint8_t* ringRow(int ring, int y) { return scratchRow(ringSlot(ring, y)); }

    // Makes the rows of level n (0: the input) up to row y.
    void advance(int n, int y)
    {
        for (; done_[n] <= y; ++done_[n]) {
            const int q = done_[n];
            const std::uint8_t* made = n == 0 ? inputRow(q) : levelRow(n, q);
            if (n < levels_)
                smoothRow(made, ringRow(n + 1, q), spans_[n + 1].first, spans_[n + 1].second, gap(n + 1), width_);
        }
    }

    // Input row y as four channels.
    const std::uint8_t* inputRow(int y)
    {
        std::uint8_t* out = ringRow(0, y);
        const auto [lo, hi] = spans_[0];
        // A tile reads a piece of each source row, which the hardware does
        // not always fetch ahead on its own: ask for a later row's.
        if (const std::uint8_t* later = source_.scanLine(y + kPrefetchRows)) {
            for (std::ptrdiff_t at = std::ptrdiff_t(lo) * 3; at < std::ptrdiff_t(hi + 1) * 3; at += 64)
                __builtin_prefetch(later + at);
        }
        expandSpan(source_.scanLine(y) + std::ptrdiff_t(lo) * 3, out + std::ptrdiff_t(lo) * kChannels, hi - lo + 1);
        return out;
    }

    // Row y of level n's smoothing (rows, then columns); writes the tile's
    // part of row y of plane n on the way.
    const std::uint8_t* levelRow(int n, int y)
    {
        const int up = neighbour(y - gap(n), height_ - 1);
        const int down = neighbour(y + gap(n), height_ - 1);
        advance(n - 1, std::max({up, y, down}));
        std::uint8_t* out = scratchRow(ringStart(kRings) + n - 1);
        const auto [lo, hi] = spans_[n];
        const std::ptrdiff_t at = std::ptrdiff_t(lo) * kChannels;
        smoothSpan(ringRow(n, y) + at, ringRow(n, up) + at, ringRow(n, down) + at, out + at,
                   std::ptrdiff_t(hi - lo + 1) * kChannels);
        if (y < top_ || y > bottom_)   // a row only the levels above read
            return out;

        const std::ptrdiff_t own = std::ptrdiff_t(first_) * kChannels;
        const std::ptrdiff_t count = std::ptrdiff_t(last_ - first_ + 1) * kChannels;
        const std::uint8_t* input = ringRow(0, y) + own;
        if (!output_) {
            subtractSpan(input, out + own, row<std::int16_t>(planes_[n - 1], y) + own, count);
            return out;
        }
        // Sharpening: the plane's row goes at once into the recombined row,
        // the levels of a row coming in order (level n's row y is made
        // before level n + 1's).
        std::uint8_t* values = scratchRow(kAccumulatorStart + y % kInputRingRows) + own;
        if (n == 1)
            std::memcpy(values, input, std::size_t(count));
        if (weights_[n - 1] != 0)
            addLevelSpan(input, out + own, values, weights_[n - 1], count);
        if (n == levels_)
            packSpan(values, output_ + outputStride_ * y + std::ptrdiff_t(first_) * 3, last_ - first_ + 1);
        return out;
    }

    const Bitmap24& source_;
    const std::array<TNJBitmap*, TWavelet::MaxLevels>& planes_;
    std::uint8_t* const rows_;
    const int width_;
    const int height_;
    const int levels_;
    const int first_;   // the tile's columns and rows: the part of the planes it writes
    const int last_;
    const int top_;
    const int bottom_;
    std::ptrdiff_t rowBytes_ = 0;
    std::ptrdiff_t origin_ = 0;
    const std::array<std::int32_t, TWavelet::MaxLevels>& weights_;
    std::uint8_t* const output_;
    const std::ptrdiff_t outputStride_;
    std::array<std::pair<int, int>, kRings> spans_;
    std::array<int, kRings> starts_{};
    std::array<int, kRings> done_{};   // rows made so far, per level
};

void decomposeTile(const WaveletJobBlock& job)
{
    TileDecomposer(job).Run();
    finishStreaming();
}

// The recombination of the job's band of rows, a chunk of a row at a time:
// spread into four channels per pixel like the planes, all the levels
// added, packed back.
void recombineRows(const WaveletJobBlock& job, int first, int end)
{
    constexpr int kChunk = 128;   // pixels
    const Bitmap24& source = *job.Source;
    Bitmap24& destination = *job.Destination;
    const int width = source.width();
    std::array<std::uint8_t, kChunk * kChannels> values;
    std::array<const std::int16_t*, TWavelet::MaxLevels> planes{};
    for (int y = first; y < end; ++y) {
        const std::uint8_t* s = source.scanLine(y);
        std::uint8_t* d = destination.scanLine(y);
        if (job.Levels == 0) {
            if (d != s)
                std::memcpy(d, s, std::size_t(width) * 3);
            continue;
        }
        for (int x = 0; x < width; x += kChunk) {
            const int n = std::min(kChunk, width - x);
            for (int k = 0; k < job.Levels; ++k)
                planes[k] = row<std::int16_t>(job.Planes[k], y) + std::ptrdiff_t(x) * kChannels;
            expandSpan(s + std::ptrdiff_t(x) * 3, values.data(), n);
            applyGains(values.data(), planes, job.Weights, job.Levels, std::ptrdiff_t(n) * kChannels);
            packSpan(values.data(), d + std::ptrdiff_t(x) * 3, n);
        }
    }
}

// Rows first..end-1 of a sharpening's result into the destination.
void copyResultRows(const WaveletJobBlock& job, int first, int end)
{
    const std::size_t bytes = std::size_t(job.Destination->width()) * 3;
    for (int y = first; y < end; ++y)
        std::memcpy(job.Destination->scanLine(y), job.Output + job.OutputStride * y, bytes);
}

// Work whose rows are independent: the parts take pieces of kPieceRows rows
// in turn from a shared count until none is left, so that a part slowed
// down by the rest of the machine holds the others up by one piece at most.
constexpr int kPieceRows = 16;

template <void (*Rows)(const WaveletJobBlock&, int, int)>
void sharedRows(const WaveletJobBlock& job)
{
    const int rows = job.Band.Bottom + 1;
    for (;;) {
        const int first = job.Next->fetch_add(kPieceRows, std::memory_order_relaxed);
        if (first >= rows)
            return;
        Rows(job, first, std::min(first + kPieceRows, rows));
    }
}

// The work of making all the levels of the tile whose columns are
// first..last and rows top..bottom, in rough units (a pixel smoothed once):
// per level, its two smoothings on the columns and rows the later levels
// reach, a fixed cost per row (worth about 32 pixels), and own for each of
// the tile's own pixels (its plane or sum).
double tileCost(int first, int last, int top, int bottom, int width, int height, int levels, double own)
{
    double cost = 0;
    int reach = 0;
    for (int n = levels; n >= 1; --n) {
        const int columns = std::min(width - 1, last + reach) - std::max(0, first - reach) + 1;
        const int rows = std::min(height - 1, bottom + reach) - std::max(0, top - reach) + 1;
        cost += (2.0 * columns + 32) * rows + own * (last - first + 1) * (bottom - top + 1);
        reach += gap(n);
    }
    return cost;
}

// Splits 0..size-1 into parts ranges whose edges fall on multiples of step,
// each costing at most what cost(first, last) gives for the costliest one
// of the best such split (found by halving the limit); empty ranges at the
// end when there are more parts than steps.
template <typename Cost>
void balancedSplit(int parts, int size, int step, const Cost& cost, std::array<std::pair<int, int>, TGenericModule::MaxThreads>& out)
{
    const int units = (size + step - 1) / step;
    auto edge = [&](int unit) { return std::min(unit * step, size); };
    auto fill = [&](double limit) {
        int unit = 0;
        for (int i = 0; i < parts; ++i) {
            int end = unit;
            if (i == parts - 1)
                end = units;
            else if (unit < units) {
                end = unit + 1;
                while (end < units && cost(edge(unit), edge(end + 1) - 1) <= limit)
                    ++end;
            }
            out[std::size_t(i)] = {edge(unit), edge(end) - 1};
            unit = end;
        }
        const auto [first, last] = out[std::size_t(parts - 1)];
        return first > last || cost(first, last) <= limit;
    };
    double low = 0;
    double high = size > 0 ? cost(0, size - 1) : 0;
    for (int i = 0; i < 40 && high - low > 0.5; ++i) {
        const double middle = (low + high) / 2;
        (fill(middle) ? high : low) = middle;
    }
    fill(high);
}

// The tiles for parts workers: the image cut into bands of whole rows, or
// into strips of columns where those save much more work (an image not
// much taller than the rows that bands share); balanced by their work. A
// tile's work includes the columns or rows around it that its later levels
// read, so the tiles at the image's edges, with a neighbour on one side
// only, are made larger. The strips' edges fall on multiples of step
// pixels, so that no two strips write into the same 64 bytes of a row (the
// stores would fight over the line). Squarer tiles, cut both ways, would
// share more work than either, the pixels around a tile growing with both
// its sides.
void splitTiles(TileSplit& split, int parts, int width, int height, int levels, int step, double own)
{
    if (split.Parts == parts && split.Width == width && split.Height == height && split.Levels == levels &&
        split.Step == step && split.Own == own)
        return;
    split = {parts, width, height, levels, step, own, {}};
    double best = -1;
    for (const int columns : {1, parts}) {
        const int rows = parts / columns;
        std::array<std::pair<int, int>, TGenericModule::MaxThreads> xs{}, ys{};
        balancedSplit(columns, width, step,
                      [&](int first, int last) { return tileCost(first, last, 0, height - 1, width, height, levels, own); },
                      xs);
        balancedSplit(rows, height, 1,
                      [&](int top, int bottom) { return tileCost(0, width - 1, top, bottom, width, height, levels, own); },
                      ys);
        // Strips write their planes and result in pieces of rows, which the
        // memory takes more slowly than whole rows (about a quarter more
        // time at 1280 x 960 on four threads).
        double worst = 0;
        const double pieces = columns > 1 ? 1.25 : 1.0;
        std::array<NJRect, TGenericModule::MaxThreads> tiles{};
        for (int c = 0; c < columns; ++c)
            for (int r = 0; r < rows; ++r) {
                const auto [first, last] = xs[std::size_t(c)];
                const auto [top, bottom] = ys[std::size_t(r)];
                tiles[std::size_t(c * rows + r)] = {first, top, last, bottom};
                if (first <= last && top <= bottom)
                    worst = std::max(worst, pieces * tileCost(first, last, top, bottom, width, height, levels, own));
            }
        if (best < 0 || worst < best) {
            best = worst;
            split.Tiles = tiles;
        }
    }
}

// A job of the calling thread, or of any thread without the pool.
void WaveletJob(void* parameter)
{
    const auto& job = *static_cast<const WaveletJobBlock*>(parameter);
    // Counted done however it ends: the caller waits on the count.
    struct Count {
        std::atomic<int>* finished;
        ~Count()
        {
            if (finished)
                finished->fetch_add(1, std::memory_order_release);
        }
    } count{job.Finished};
    job.Work(job);
}

void spinPause()
{
#if defined(__SSE2__)
    _mm_pause();
#endif
}

// How long a worker lingers after a job.
constexpr auto kLinger = std::chrono::microseconds(200);

// Lingers on the seat: true when called meanwhile, false when the worker
// went away.
bool awaitCall(WorkerSeat& seat)
{
    const auto until = std::chrono::steady_clock::now() + kLinger;
    for (int spins = 1;; ++spins) {
        if (seat.State.load(std::memory_order_acquire) == kCalled)
            return true;
        if (spins % 256 == 0 && std::chrono::steady_clock::now() > until) {
            int lingering = kLingering;
            return !seat.State.compare_exchange_strong(lingering, kAway, std::memory_order_acq_rel);
        }
        spinPause();
    }
}

// The job of a pool worker: its block's job, then again each time it is
// called while it lingers. The block is read afresh for each run (the
// caller has filled it before calling).
void WorkerJob(void* parameter)
{
    const auto* block = static_cast<const WaveletJobBlock*>(parameter);
    for (;;) {
        WorkerSeat& seat = *block->Seat;
        std::atomic<int>& finished = *block->Finished;
        try {
            block->Work(*block);
        } catch (...) {
            seat.Error = std::current_exception();
        }
        // Lingering before counted done: the caller's next run finds it so.
        // From the count on, the caller may fill the block again: only the
        // seat is read until it calls.
        seat.State.store(kLingering, std::memory_order_release);
        finished.fetch_add(1, std::memory_order_release);
        if (!awaitCall(seat))
            return;
    }
}

} // namespace

TWavelet::TWavelet() : work_(std::make_unique<Workspace>())
{
    for (auto& level : planes_)
        prepare(level.Plane, kPlaneFormat, width_, height_);
}

TWavelet::~TWavelet()
{
    // The workers point at the job blocks: end them first.
    FreePools();
}

bool TWavelet::SetSize(int width, int height, int levels)
{
    levels = std::clamp(levels, 0, MaxLevels);
    bool ok = true;
    for (int n = 0; n < levels; ++n) {
        planes_[n].Weight = 0;
        ok = prepare(planes_[n].Plane, kPlaneFormat, width, height) && ok;
    }
    levels_ = levels;
    return ok;
}

void TWavelet::SetWeight(int level, std::int32_t value)
{
    if (level >= 1 && level <= MaxLevels)
        planes_[level - 1].Weight = value;
}

std::int32_t TWavelet::Weight(int level) const
{
    return (level >= 1 && level <= MaxLevels) ? planes_[level - 1].Weight : 0;
}

const TNJBitmap& TWavelet::Plane(int level) const
{
    return planes_[std::clamp(level, 1, MaxLevels) - 1].Plane;
}

bool TWavelet::CreatePools()
{
    FreePools();
    SetPools(1);
    for (auto& seat : work_->Seats) {
        seat.State.store(kAway, std::memory_order_relaxed);
        seat.Error = nullptr;
    }
    for (int i = 0; i < ThreadCount(); ++i) {
        if (!GetPool(0)->AddWorker(WorkerJob, &work_->Blocks[i])) {
            FreePools();
            return false;
        }
    }
    return true;
}

void TWavelet::FreePools()
{
    SetPools(0);
}

int TWavelet::PrepareParts()
{
    if (ThreadCount() <= 1) {
        if (PoolsActive())
            FreePools();
        return 1;
    }
    if ((!PoolsActive() || GetPool(0)->Count() != ThreadCount()) && !CreatePools())
        return 1;
    return ThreadCount();
}

void TWavelet::RunJobs(int parts)
{
    TThreadPool* pool = RunsPooled() ? GetPool(0) : nullptr;
    if (parts < 2 || !pool || pool->Count() < parts) {
        work_->Next.store(0, std::memory_order_relaxed);
        for (int i = 0; i < parts; ++i)
            WaveletJob(&work_->Blocks[i]);
        return;
    }
    work_->Next.store(0, std::memory_order_relaxed);
    work_->Finished.store(0, std::memory_order_relaxed);
    for (int i = 0; i < parts; ++i) {
        work_->Blocks[i].Finished = &work_->Finished;
        work_->Blocks[i].Seat = &work_->Seats[i];
    }
    // A worker still lingering after its last job is called; one gone back
    // to sleep is woken through the pool.
    for (int i = 1; i < parts; ++i) {
        int lingering = kLingering;
        if (!work_->Seats[i].State.compare_exchange_strong(lingering, kCalled, std::memory_order_acq_rel))
            pool->GetWorker(i)->Run();
    }
    // The calling thread works the first part itself rather than waking a
    // worker for it and sleeping until the others are done. Then it waits
    // for the others' count (they linger in their jobs, so the pool does
    // not report them done): spinning, as they are usually about to end,
    // then giving way to other threads.
    std::exception_ptr error;
    try {
        WaveletJob(&work_->Blocks[0]);
    } catch (...) {
        error = std::current_exception();
    }
    for (int spins = 0; work_->Finished.load(std::memory_order_acquire) < parts; ++spins) {
        if (spins < 50000)
            spinPause();
        else
            std::this_thread::yield();
    }
    for (int i = 1; i < parts; ++i)
        if (std::exception_ptr e = std::exchange(work_->Seats[i].Error, nullptr); e && !error)
            error = e;
    if (error)
        std::rethrow_exception(error);
}

void TWavelet::SplitTiles(int parts, int width, int height, int levels, int step, double own)
{
    splitTiles(work_->Split, parts, width, height, levels, step, own);
    for (int i = 0; i < parts; ++i)
        work_->Blocks[i].Band = work_->Split.Tiles[i];
}

bool TWavelet::Decompose(const Bitmap24& source, int levels)
{
    levels = std::clamp(levels, 0, MaxLevels);
    const int width = source.width();
    const int height = source.height();
    levels_ = 0;
    bool ok = true;
    for (int n = 0; n < levels && ok; ++n) {
        if (!prepare(planes_[n].Plane, kPlaneFormat, width, height)) {
            levels = n;
            ok = false;
        }
    }
    const int parts = PrepareParts();
    for (int i = 0; i < parts; ++i)
        if (!work_->Scratch[i].Reserve(width))
            return false;

    for (int i = 0; i < parts; ++i) {
        WaveletJobBlock& job = work_->Blocks[i];
        job = {};
        job.Work = decomposeTile;
        job.Source = &source;
        job.Levels = levels;
        for (int n = 0; n < levels; ++n)
            job.Planes[n] = &planes_[n].Plane;
        job.Scratch = &work_->Scratch[i];
    }
    // Strip edges on multiples of 8 pixels: no two strips write into the
    // same 64 bytes of a plane row. Each pixel of a tile's own streams 8
    // bytes of plane to memory per level, which on four threads takes about
    // twice as long as all the smoothing of the level: the tiles' own
    // pixels weigh more than the pixels they share.
    SplitTiles(parts, width, height, levels, 8, 6.0);
    RunJobs(parts);
    levels_ = levels;
    return ok;
}

bool TWavelet::Sharpen(const Bitmap24& source, Bitmap24& destination, int levels)
{
    levels = std::clamp(levels, 0, MaxLevels);
    const int width = source.width();
    const int height = source.height();
    if (&source != &destination && !destination.resize(width, height))
        return false;
    if (width == 0 || height == 0)
        return true;
    if (levels == 0) {
        if (&source != &destination)
            for (int y = 0; y < height; ++y)
                std::memcpy(destination.scanLine(y), source.scanLine(y), std::size_t(width) * 3);
        return true;
    }
    const int parts = PrepareParts();
    for (int i = 0; i < parts; ++i)
        if (!work_->Scratch[i].Reserve(width))
            return false;
    // In place, the tiles still read pixels around them that their
    // neighbours have finished: the rows go to a buffer first.
    const bool buffered = &source == &destination;
    std::uint8_t* output = destination.scanLine(0);
    std::ptrdiff_t stride = destination.stride();
    if (buffered) {
        stride = std::ptrdiff_t(width) * 3;
        const std::size_t bytes = std::size_t(stride) * std::size_t(height);
        try {
            if (work_->Result.size() < bytes)
                work_->Result.resize(bytes);
        } catch (const std::bad_alloc&) {
            return false;
        }
        output = work_->Result.data();
    }

    for (int i = 0; i < parts; ++i) {
        WaveletJobBlock& job = work_->Blocks[i];
        job = {};
        job.Work = decomposeTile;
        job.Source = &source;
        job.Levels = levels;
        for (int n = 0; n < levels; ++n)
            job.Weights[n] = effectiveWeight(planes_[n].Weight);
        job.Scratch = &work_->Scratch[i];
        job.Output = output;
        job.OutputStride = stride;
    }
    // Strip edges on multiples of 64 pixels: no two strips write into the
    // same 64 bytes of a result row.
    SplitTiles(parts, width, height, levels, 64, 1.0);
    RunJobs(parts);
    const NJRect whole{0, 0, width - 1, height - 1};
    if (buffered) {
        for (int i = 0; i < parts; ++i) {
            WaveletJobBlock& job = work_->Blocks[i];
            job.Work = sharedRows<copyResultRows>;
            job.Destination = &destination;
            job.Band = whole;
            job.Next = &work_->Next;
        }
        RunJobs(parts);
    }
    return true;
}

bool TWavelet::Recombine(const Bitmap24& source, Bitmap24& destination)
{
    const int width = source.width();
    const int height = source.height();
    if (&source != &destination && !destination.resize(width, height))
        return false;
    if (width == 0 || height == 0)
        return true;

    const int parts = PrepareParts();
    const NJRect whole{0, 0, width - 1, height - 1};
    for (int i = 0; i < parts; ++i) {
        WaveletJobBlock& job = work_->Blocks[i];
        job = {};
        job.Work = sharedRows<recombineRows>;
        job.Source = &source;
        job.Destination = &destination;
        for (int n = 0; n < levels_; ++n) {
            Level& level = planes_[n];
            if (level.Weight != 0 && level.Plane.GetWidth() == width && level.Plane.GetHeight() == height) {
                job.Planes[job.Levels] = &level.Plane;
                job.Weights[job.Levels] = effectiveWeight(level.Weight);
                ++job.Levels;
            }
        }
        job.Band = whole;
        job.Next = &work_->Next;
    }
    RunJobs(parts);
    return true;
}

} // namespace kernels
