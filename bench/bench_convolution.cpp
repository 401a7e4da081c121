// Convolution filters on a 1280 x 960 frame, single thread: megapixels per
// second for each kernel size, with a small kernel (the usual sharpening
// kind) and with one whose coefficients exceed 16 bits; then the same with
// the rows split across a pool of 1, 2 and 4 threads. "apart" gives each of
// the pool's n threads a frame of its own, 1/n of the height, to filter
// alone: the same work and memory with nothing shared between threads, so its
// one-thread time over its n-thread time is how far the machine lets this
// very work scale at the time, to set the pooled filters' scaling against. "machine" splits
// loops of pure arithmetic (no memory traffic) across the same pool: the
// scaling the machine gives at the time, to set the filters' scaling
// against. Its scalar loop waits on each multiply (threads sharing a core
// hardly slow it); its vector loop keeps the multiply-add units as busy as
// the filters do (threads sharing a core, or a lower clock with more cores
// busy, slow it as they slow the filters).

#include "kernels/bitmap24.h"
#include "kernels/convolution.h"
#include "kernels/row_pool.h"

#include "busy_threads.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

using namespace kernels;

constexpr int kWidth = 1280;
constexpr int kHeight = 960;

Bitmap24 noiseFrame(int height = kHeight)
{
    Bitmap24 frame(kWidth, height);
    std::uint32_t seed = 12345;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = frame.scanLine(y);
        for (int i = 0; i < kWidth * 3; ++i) {
            seed = seed * 1664525u + 1013904223u;
            row[i] = std::uint8_t(seed >> 24);
        }
    }
    return frame;
}

// A sharpening kernel over the centre n x n: -1 around, n*n at the centre.
Filtres2::KernelCoefficients sharpen(int n, std::int32_t weight)
{
    Filtres2::KernelCoefficients c{};
    const int k = (n - 1) / 2;
    for (int r = 4 - k; r <= 4 + k; ++r)
        for (int col = 4 - k; col <= 4 + k; ++col)
            c[std::size_t(9 * r + col)] = -weight;
    c[40] = weight * n * n;
    return c;
}

using Filter = void (*)(Bitmap24&, const Filtres2::KernelCoefficients&, std::int64_t, Filtres2::ConvolutionScratch&);

void runWith(benchmark::State& state, Filter filter, int n, std::int32_t weight, RowPool* pool)
{
    Bitmap24 frame = noiseFrame();
    const auto coefficients = sharpen(n, weight);
    Filtres2::ConvolutionScratch scratch;
    scratch.setPool(pool);
    filter(frame, coefficients, 1, scratch);   // sizes the frame, starts the threads' caches
    const BusyThreads busy;
    for (auto _ : state) {
        filter(frame, coefficients, 1, scratch);
        benchmark::DoNotOptimize(frame.bits());
        benchmark::ClobberMemory();
    }
    if (pool)
        busy.Report(state);
    state.counters["MP/s"] = benchmark::Counter(double(kWidth) * kHeight / 1e6 * double(state.iterations()),
                                                benchmark::Counter::kIsRate);
}

void run(benchmark::State& state, Filter filter, int n, std::int32_t weight)
{
    runWith(state, filter, n, weight, nullptr);
}

void pooled(benchmark::State& state, Filter filter, int n, std::int32_t weight)
{
    RowPool pool(static_cast<int>(state.range(0)));
    runWith(state, filter, n, weight, &pool);
}

void apart(benchmark::State& state, Filter filter, int n, std::int32_t weight)
{
    const int threads = static_cast<int>(state.range(0));
    RowPool pool(threads);
    const auto coefficients = sharpen(n, weight);
    std::vector<Bitmap24> frames(static_cast<std::size_t>(threads), noiseFrame(kHeight / threads));
    std::vector<Filtres2::ConvolutionScratch> scratches(static_cast<std::size_t>(threads));
    const auto each = [&](int part, int, int) {
        filter(frames[std::size_t(part)], coefficients, 1, scratches[std::size_t(part)]);
        benchmark::DoNotOptimize(frames[std::size_t(part)].bits());
    };
    pool.Run(threads, each, 1);
    const BusyThreads busy;
    for (auto _ : state) {
        pool.Run(threads, each, 1);
        benchmark::ClobberMemory();
    }
    busy.Report(state);
}

void scalarRows(int first, int end)
{
    for (int y = first; y < end; ++y) {
        std::uint64_t x = std::uint64_t(y);
        for (int i = 0; i < 6000; ++i)
            x = x * 6364136223846793005u + 1442695040888963407u;
        benchmark::DoNotOptimize(x);
    }
}

#if defined(__x86_64__)
__attribute__((target("avx2"))) void vectorRows(int first, int end)
{
    for (int y = first; y < end; ++y) {
        __m256i a[8];
        for (int j = 0; j < 8; ++j)
            a[j] = _mm256_set1_epi32(y + j);
        const __m256i c = _mm256_set1_epi32(0x00030001);
        for (int i = 0; i < 1500; ++i)
            for (int j = 0; j < 8; ++j)
                a[j] = _mm256_add_epi32(a[j], _mm256_madd_epi16(a[j], c));
        for (int j = 1; j < 8; ++j)
            a[0] = _mm256_xor_si256(a[0], a[j]);
        benchmark::DoNotOptimize(a[0]);
    }
}
#else
void vectorRows(int first, int end) { scalarRows(first, end); }
#endif

void machine(benchmark::State& state, void (*rows)(int, int))
{
    RowPool pool(static_cast<int>(state.range(0)));
    const BusyThreads busy;
    for (auto _ : state)
        pool.Run(kHeight, [rows](int, int first, int end) { rows(first, end); });
    busy.Report(state);
}

} // namespace

BENCHMARK_CAPTURE(run, 3x3, &Filtres2::Convolve3x3, 3, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, 5x5, &Filtres2::Convolve5x5, 5, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, 7x7, &Filtres2::Convolve7x7, 7, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, 9x9, &Filtres2::Convolve9x9, 9, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, 3x3_wide, &Filtres2::Convolve3x3, 3, 100000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, 9x9_wide, &Filtres2::Convolve9x9, 9, 100000)->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(pooled, 3x3, &Filtres2::Convolve3x3, 3, 1)->ArgName("threads")->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(pooled, 5x5, &Filtres2::Convolve5x5, 5, 1)->ArgName("threads")->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(pooled, 7x7, &Filtres2::Convolve7x7, 7, 1)->ArgName("threads")->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(pooled, 9x9, &Filtres2::Convolve9x9, 9, 1)->ArgName("threads")->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(pooled, 9x9_wide, &Filtres2::Convolve9x9, 9, 100000)->ArgName("threads")->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(apart, 3x3, &Filtres2::Convolve3x3, 3, 1)->ArgName("threads")->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(apart, 5x5, &Filtres2::Convolve5x5, 5, 1)->ArgName("threads")->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(apart, 9x9, &Filtres2::Convolve9x9, 9, 1)->ArgName("threads")->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(machine, scalar, &scalarRows)->ArgName("threads")->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(machine, vector, &vectorRows)->ArgName("threads")->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();
