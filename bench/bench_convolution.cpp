// Convolution filters on a 1280 x 960 frame, single thread: megapixels per
// second for each kernel size, with a small kernel (the usual sharpening
// kind) and with one whose coefficients exceed 16 bits; then the same with
// the rows split across a pool of 1, 2 and 4 threads. "machine" splits a
// loop of pure arithmetic (about as long as the 9 x 9 filter, no memory
// traffic) across the same pool: the scaling the machine gives at the time,
// to set the filters' scaling against.

#include "kernels/bitmap24.h"
#include "kernels/convolution.h"
#include "kernels/row_pool.h"

#include "busy_threads.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

using namespace kernels;

constexpr int kWidth = 1280;
constexpr int kHeight = 960;

Bitmap24 noiseFrame()
{
    Bitmap24 frame(kWidth, kHeight);
    std::uint32_t seed = 12345;
    for (int y = 0; y < kHeight; ++y) {
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

void machine(benchmark::State& state)
{
    RowPool pool(static_cast<int>(state.range(0)));
    const BusyThreads busy;
    for (auto _ : state) {
        pool.Run(kHeight, [](int, int first, int end) {
            for (int y = first; y < end; ++y) {
                std::uint64_t x = std::uint64_t(y);
                for (int i = 0; i < 6000; ++i)
                    x = x * 6364136223846793005u + 1442695040888963407u;
                benchmark::DoNotOptimize(x);
            }
        });
    }
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
BENCHMARK(machine)->ArgName("threads")->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();
