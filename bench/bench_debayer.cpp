// Bayer rebuild of one frame, all four arrangements, on one thread; then at
// 1280 x 960 with the rows split across a pool of 1, 2 and 4 threads (wall
// time).
#include "kernels/debayer.h"
#include "kernels/row_pool.h"

#include "busy_threads.h"

#include <benchmark/benchmark.h>

#include <random>

static void BM_DebayerFrame(benchmark::State& state)
{
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const int mode = static_cast<int>(state.range(2));
    kernels::Bitmap24 src(w, h), dst(w, h);
    std::mt19937 rng(1);
    for (std::size_t i = 0; i < src.byteCount(); ++i)
        src.bits()[i] = static_cast<std::uint8_t>(rng());
    for (auto _ : state) {
        kernels::DebayerFrame(src, dst, mode);
        benchmark::DoNotOptimize(dst.bits());
        benchmark::ClobberMemory();
    }
    state.counters["pixels"] = benchmark::Counter(double(w) * h, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_DebayerFrame)
    ->ArgNames({"w", "h", "mode"})
    ->ArgsProduct({{640}, {480}, {1, 2, 3, 4}})
    ->ArgsProduct({{1280}, {960}, {1, 2, 3, 4}})
    ->Unit(benchmark::kMicrosecond);

static void BM_DebayerFramePooled(benchmark::State& state)
{
    const int w = 1280, h = 960;
    kernels::RowPool pool(static_cast<int>(state.range(0)));
    kernels::Bitmap24 src(w, h), dst(w, h);
    std::mt19937 rng(1);
    for (std::size_t i = 0; i < src.byteCount(); ++i)
        src.bits()[i] = static_cast<std::uint8_t>(rng());
    kernels::DebayerFrame(src, dst, 1, &pool);
    const BusyThreads busy;
    for (auto _ : state) {
        kernels::DebayerFrame(src, dst, 1, &pool);
        benchmark::DoNotOptimize(dst.bits());
        benchmark::ClobberMemory();
    }
    busy.Report(state);
    state.counters["pixels"] = benchmark::Counter(double(w) * h, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_DebayerFramePooled)->ArgName("threads")->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMicrosecond)->UseRealTime();
