#include "kernels/wavelet.h"

#include "kernels/bitmap24.h"

#include <algorithm>
#include <cstring>

namespace kernels {

namespace {

// The planes are format 3 (four signed 16-bit channels). The working images
// A, B and C only ever hold the input and its smoothings, 0..255, so they are
// kept in format 0 (four 8-bit channels): the same numbers in half the
// memory traffic, which is what bounds this filter.
constexpr int kPlaneFormat = 3;
constexpr int kWorkFormat = 0;
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
// before the first index about lo + 0.5 (lo - 1 reads lo + 2), after the last
// about hi itself (hi + 1 reads hi - 1). An image smaller than the gap would
// mirror past the far edge; the index is then held inside.
int reflectBelow(int i, int lo, int hi) { return std::min(2 * lo + 1 - i, hi); }
int reflectAbove(int i, int lo, int hi) { return std::max(2 * hi - i, lo); }

int neighbour(int i, int lo, int hi) { return i < lo ? reflectBelow(i, lo, hi) : i > hi ? reflectAbove(i, lo, hi) : i; }

// The hot loops work on sixteen lanes at a time (GCC/Clang vector
// extensions: SSE2 on x86-64, NEON on ARM), with a scalar tail.
constexpr std::ptrdiff_t kLanes = 16;
using U8xN = std::uint8_t __attribute__((vector_size(kLanes)));
using U16xN = std::uint16_t __attribute__((vector_size(2 * kLanes)));
using I16xN = std::int16_t __attribute__((vector_size(2 * kLanes)));

// Loads and stores through memcpy: the rows have no alignment to promise.
template <typename V, typename T>
void load(V& v, const T* p)
{
    std::memcpy(&v, p, sizeof v);
}
template <typename V, typename T>
void store(T* p, const V& v)
{
    std::memcpy(p, &v, sizeof v);
}

// The 1-2-1 smoothing: (2 middle + one + other) / 4. The values are never
// negative, so the division truncating toward zero is a shift.
void smoothSpan(const std::uint8_t* middle, const std::uint8_t* one, const std::uint8_t* other, std::uint8_t* out,
                std::ptrdiff_t n)
{
    std::ptrdiff_t i = 0;
    for (; i + kLanes <= n; i += kLanes) {
        U8xN m8, a8, b8;
        load(m8, middle + i);
        load(a8, one + i);
        load(b8, other + i);
        const U16xN m = __builtin_convertvector(m8, U16xN);
        const U16xN sum = m + m + __builtin_convertvector(a8, U16xN) + __builtin_convertvector(b8, U16xN);
        store(out + i, __builtin_convertvector(sum >> 2, U8xN));
    }
    for (; i < n; ++i)
        out[i] = static_cast<std::uint8_t>((2 * middle[i] + one[i] + other[i]) / 4);
}

// The plane: input minus smoothing, -255..255.
void subtractSpan(const std::uint8_t* a, const std::uint8_t* c, std::int16_t* out, std::ptrdiff_t n)
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

// Row smoothing of the band with gap Step; the band's left and right edges
// are the mirror limits (the full width for the bands of a pooled run).
void SmoothRowsJob(void* parameter)
{
    const auto& job = *static_cast<const WaveletJobBlock*>(parameter);
    if (job.Band.isEmpty())
        return;
    const int lo = job.Band.Left;
    const int hi = job.Band.Right;
    const int step = job.Step;
    const int innerFirst = lo + step;   // first x whose neighbours are both inside
    const int innerLast = hi - step;
    for (int y = job.Band.Top; y <= job.Band.Bottom; ++y) {
        const std::uint8_t* s = row<std::uint8_t>(job.Source, y);
        std::uint8_t* d = row<std::uint8_t>(job.Destination, y);
        auto border = [&](int x) {
            const int l = neighbour(x - step, lo, hi);
            const int r = neighbour(x + step, lo, hi);
            for (int c = 0; c < kChannels; ++c)
                d[x * kChannels + c] = static_cast<std::uint8_t>(
                    (2 * s[x * kChannels + c] + s[l * kChannels + c] + s[r * kChannels + c]) / 4);
        };
        const int leftEnd = std::min(hi, innerFirst - 1);
        for (int x = lo; x <= leftEnd; ++x)
            border(x);
        if (innerFirst <= innerLast) {
            const std::ptrdiff_t first = std::ptrdiff_t(innerFirst) * kChannels;
            const std::ptrdiff_t gap = std::ptrdiff_t(step) * kChannels;
            smoothSpan(s + first, s + first - gap, s + first + gap, d + first,
                       std::ptrdiff_t(innerLast - innerFirst + 1) * kChannels);
        }
        for (int x = std::max(leftEnd + 1, innerLast + 1); x <= hi; ++x)
            border(x);
    }
}

// Column smoothing of the band with gap Step; the band's top and bottom are
// the mirror limits (the full height for the bands of a pooled run).
void SmoothColumnsJob(void* parameter)
{
    const auto& job = *static_cast<const WaveletJobBlock*>(parameter);
    if (job.Band.isEmpty())
        return;
    const std::ptrdiff_t first = std::ptrdiff_t(job.Band.Left) * kChannels;
    const std::ptrdiff_t n = (std::ptrdiff_t(job.Band.Right) - job.Band.Left + 1) * kChannels;
    for (int y = job.Band.Top; y <= job.Band.Bottom; ++y) {
        const int u = neighbour(y - job.Step, job.Band.Top, job.Band.Bottom);
        const int d = neighbour(y + job.Step, job.Band.Top, job.Band.Bottom);
        smoothSpan(row<std::uint8_t>(job.Source, y) + first, row<std::uint8_t>(job.Source, u) + first,
                   row<std::uint8_t>(job.Source, d) + first, row<std::uint8_t>(job.Destination, y) + first, n);
    }
}

// Destination (a plane) := Source - Second over the band.
void SubtractPlanesJob(void* parameter)
{
    const auto& job = *static_cast<const WaveletJobBlock*>(parameter);
    if (job.Band.isEmpty())
        return;
    const std::ptrdiff_t first = std::ptrdiff_t(job.Band.Left) * kChannels;
    const std::ptrdiff_t n = (std::ptrdiff_t(job.Band.Right) - job.Band.Left + 1) * kChannels;
    for (int y = job.Band.Top; y <= job.Band.Bottom; ++y)
        subtractSpan(row<std::uint8_t>(job.Source, y) + first, row<std::uint8_t>(job.Second, y) + first,
                     row<std::int16_t>(job.Destination, y) + first, n);
}

// The gain of a level: value x weight / 1024, truncated toward zero, added
// to a channel and clamped to 0..255, exactly as with a 64-bit product.
// Plane values lie in -255..255. A weight beyond +-2^18 moves any nonzero
// value by 256 or more, so it clamps exactly like +-2^18: the weight is
// limited there. The product is then taken in single precision, which is
// exact: below 2^16 the product has at most 24 bits; from 2^16 on it has at
// most 20 bits for values up to 3, and larger values reach 256 or more, where
// rounding cannot bring the result back below the clamp.
constexpr std::int32_t kWeightLimit = 1 << 18;
constexpr int kGainChunk = 256;   // pixels per chunk of a row
constexpr std::ptrdiff_t kGainLanes = 8;
using I16x8 = std::int16_t __attribute__((vector_size(2 * kGainLanes)));
using I32x8 = std::int32_t __attribute__((vector_size(4 * kGainLanes)));
using F32x8 = float __attribute__((vector_size(4 * kGainLanes)));

std::int32_t effectiveWeight(std::int32_t weight) { return std::clamp(weight, -kWeightLimit, kWeightLimit); }

void applyGain(std::int16_t* values, const std::int16_t* plane, std::int32_t weight, std::ptrdiff_t n)
{
    const float scale = static_cast<float>(weight) / 1024.0f;   // exact: a power-of-two division
    std::ptrdiff_t i = 0;
    for (; i + kGainLanes <= n; i += kGainLanes) {
        I16x8 p16, v16;
        load(p16, plane + i);
        load(v16, values + i);
        // float to int conversion truncates toward zero
        const I32x8 gain = __builtin_convertvector(__builtin_convertvector(p16, F32x8) * scale, I32x8);
        I32x8 v = __builtin_convertvector(v16, I32x8) + gain;
        v = v < 0 ? 0 : v;
        v = v > 255 ? 255 : v;
        store(values + i, __builtin_convertvector(v, I16x8));
    }
    for (; i < n; ++i) {
        const auto gain = static_cast<std::int32_t>(static_cast<float>(plane[i]) * scale);
        values[i] = static_cast<std::int16_t>(std::clamp(values[i] + gain, 0, 255));
    }
}

constexpr ThreadJob kJobs[] = {SmoothRowsJob, SmoothColumnsJob, SubtractPlanesJob};

} // namespace

TWavelet::TWavelet()
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
    SetPools(JobKinds);
    for (int kind = 0; kind < JobKinds; ++kind) {
        TThreadPool* pool = GetPool(kind);
        for (int i = 0; i < ThreadCount(); ++i) {
            if (!pool->AddWorker(kJobs[kind], &jobBlocks_[kind][i])) {
                FreePools();
                return false;
            }
        }
    }
    return true;
}

void TWavelet::FreePools()
{
    SetPools(0);
}

void TWavelet::RunStep(JobKind kind, const TNJBitmap& source, const TNJBitmap* second, TNJBitmap& destination,
                       int step)
{
    const NJRect whole = source.Canvas().ClipRect();
    TThreadPool* pool = RunsPooled() ? GetPool(kind) : nullptr;
    const int parts = pool ? std::min(pool->Count(), int(MaxThreads)) : 0;
    if (parts < 1) {
        WaveletJobBlock job{&source, second, &destination, whole, step};
        kJobs[kind](&job);
        return;
    }
    for (int i = 0; i < parts; ++i) {
        WaveletJobBlock& job = jobBlocks_[kind][i];
        job = {&source, second, &destination, whole, step};
        if (kind == ColumnsJob)
            NJImages_Threaded::SplitColumns(parts, i, whole, job.Band);
        else
            NJImages_Threaded::SplitRows(parts, i, whole, job.Band);
        pool->GetWorker(i)->Run();
    }
    pool->WaitAll();
}

bool TWavelet::Decompose(const Bitmap24& source, int levels)
{
    levels = std::clamp(levels, 0, MaxLevels);
    const int width = source.width();
    const int height = source.height();
    levels_ = 0;
    if (!prepare(a_, kWorkFormat, width, height) || !prepare(b_, kWorkFormat, width, height)
        || !prepare(c_, kWorkFormat, width, height))
        return false;
    NJImages_Threaded::CopyBitmapToNJ(source, {0, 0, width - 1, height - 1}, a_, a_.Canvas().ClipRect());

    if (ThreadCount() > 1) {
        if (!PoolsActive() || GetPool(0)->Count() != ThreadCount())
            CreatePools();
    } else if (PoolsActive()) {
        FreePools();
    }

    int step = 1;
    const TNJBitmap* current = &a_;
    for (int n = 0; n < levels; ++n) {
        TNJBitmap& plane = planes_[n].Plane;
        if (!prepare(plane, kPlaneFormat, width, height))
            return false;
        RunStep(RowsJob, *current, nullptr, b_, step);
        RunStep(ColumnsJob, b_, nullptr, c_, step);
        RunStep(SubtractJob, a_, &c_, plane, 0);
        levels_ = n + 1;
        step *= 2;
        current = &c_;
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

    struct Applied {
        const TNJBitmap* plane;
        std::int32_t weight;
    };
    std::array<Applied, MaxLevels> applied{};
    int count = 0;
    for (int n = 0; n < levels_; ++n) {
        const Level& level = planes_[n];
        if (level.Weight != 0 && level.Plane.GetWidth() == width && level.Plane.GetHeight() == height)
            applied[count++] = {&level.Plane, effectiveWeight(level.Weight)};
    }

    // A chunk of a row is spread into four lanes per pixel, like the planes,
    // worked level by level, and packed back.
    std::array<std::int16_t, kGainChunk * kChannels> lanes;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* s = source.scanLine(y);
        std::uint8_t* d = destination.scanLine(y);
        if (count == 0) {
            if (d != s)
                std::memcpy(d, s, std::size_t(width) * 3);
            continue;
        }
        for (int x0 = 0; x0 < width; x0 += kGainChunk) {
            const int n = std::min(kGainChunk, width - x0);
            const std::uint8_t* sp = s + std::ptrdiff_t(x0) * 3;
            for (int i = 0; i < n; ++i) {
                lanes[4 * i] = sp[3 * i];
                lanes[4 * i + 1] = sp[3 * i + 1];
                lanes[4 * i + 2] = sp[3 * i + 2];
                lanes[4 * i + 3] = 0;
            }
            // Each level adds onto the clamped result of the ones before.
            for (int k = 0; k < count; ++k)
                applyGain(lanes.data(), row<std::int16_t>(applied[k].plane, y) + std::ptrdiff_t(x0) * kChannels,
                          applied[k].weight, std::ptrdiff_t(n) * kChannels);
            std::uint8_t* dp = d + std::ptrdiff_t(x0) * 3;
            for (int i = 0; i < n; ++i) {
                dp[3 * i] = static_cast<std::uint8_t>(lanes[4 * i]);
                dp[3 * i + 1] = static_cast<std::uint8_t>(lanes[4 * i + 1]);
                dp[3 * i + 2] = static_cast<std::uint8_t>(lanes[4 * i + 2]);
            }
        }
    }
    return true;
}

} // namespace kernels
