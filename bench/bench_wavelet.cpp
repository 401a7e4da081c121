#include "kernels/bitmap24.h"
#include "kernels/wavelet.h"

#include "busy_threads.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

// A 1280 x 960 frame with some structure, so no level is trivially flat.
kernels::Bitmap24 makeFrame()
{
    kernels::Bitmap24 frame(1280, 960);
    std::uint32_t seed = 12345;
    for (int y = 0; y < frame.height(); ++y) {
        std::uint8_t* p = frame.scanLine(y);
        for (int x = 0; x < frame.width() * 3; ++x) {
            seed = seed * 1664525u + 1013904223u;
            p[x] = static_cast<std::uint8_t>(((x / 3 + y) & 0x7f) + (seed >> 27));
        }
    }
    return frame;
}

// The wavelet on range(0) threads (1 = inline) with the weights the
// sharpening benchmarks apply.
void setUp(kernels::TWavelet& wavelet, const benchmark::State& state)
{
    wavelet.SetThreadCount(static_cast<int>(state.range(0)));
    const std::int32_t weights[6] = {1500, 1200, 900, 300, 0, -200};
    for (int level = 1; level <= 6; ++level)
        wavelet.SetWeight(level, weights[level - 1]);
}

// Decompose into six levels and recombine in place, as the result rendering
// does it; range(0) is the thread count (1 = inline).
void BM_WaveletSixLevels(benchmark::State& state)
{
    kernels::Bitmap24 source = makeFrame();
    kernels::Bitmap24 work(source.width(), source.height());
    kernels::TWavelet wavelet;
    wavelet.SetSize(source.width(), source.height(), 6);
    setUp(wavelet, state);
    wavelet.Decompose(source, 6);   // sizes the working images and starts the pools
    const BusyThreads busy;
    for (auto _ : state) {
        wavelet.Decompose(source, 6);
        wavelet.Recombine(source, work);
        benchmark::DoNotOptimize(work.bits());
    }
    busy.Report(state);
}
BENCHMARK(BM_WaveletSixLevels)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same result in one pass without planes; range(0) is the thread count.
// The in-place run, as the result rendering does it, adds a copy of the
// frame (InPlace).
void BM_WaveletSharpenSixLevels(benchmark::State& state)
{
    const kernels::Bitmap24 source = makeFrame();
    kernels::Bitmap24 work = source;
    kernels::TWavelet wavelet;
    setUp(wavelet, state);
    wavelet.Sharpen(source, work, 6);   // sizes the working rows and starts the pools
    const BusyThreads busy;
    for (auto _ : state) {
        wavelet.Sharpen(source, work, 6);
        benchmark::DoNotOptimize(work.bits());
    }
    busy.Report(state);
}
BENCHMARK(BM_WaveletSharpenSixLevels)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WaveletSharpenInPlace(benchmark::State& state)
{
    const kernels::Bitmap24 source = makeFrame();
    kernels::Bitmap24 work = source;
    kernels::TWavelet wavelet;
    setUp(wavelet, state);
    wavelet.Sharpen(work, work, 6);
    for (auto _ : state) {
        // The result rendering sharpens frame after frame in place; working
        // on the sharpened frame again takes the same time.
        wavelet.Sharpen(work, work, 6);
        benchmark::DoNotOptimize(work.bits());
    }
}
BENCHMARK(BM_WaveletSharpenInPlace)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();

// The decomposition alone, the part that runs on the pools.
void BM_WaveletDecompose(benchmark::State& state)
{
    kernels::Bitmap24 source = makeFrame();
    kernels::TWavelet wavelet;
    wavelet.SetThreadCount(static_cast<int>(state.range(0)));
    wavelet.Decompose(source, 6);
    const BusyThreads busy;
    for (auto _ : state) {
        wavelet.Decompose(source, 6);
        benchmark::ClobberMemory();
    }
    busy.Report(state);
}
BENCHMARK(BM_WaveletDecompose)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();

// The recombination alone, in place, with five levels applied.
void BM_WaveletRecombine(benchmark::State& state)
{
    const kernels::Bitmap24 source = makeFrame();
    kernels::Bitmap24 work = source;
    kernels::TWavelet wavelet;
    setUp(wavelet, state);
    wavelet.Decompose(source, 6);
    const BusyThreads busy;
    for (auto _ : state) {
        wavelet.Recombine(work, work);
        benchmark::DoNotOptimize(work.bits());
    }
    busy.Report(state);
}
BENCHMARK(BM_WaveletRecombine)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
