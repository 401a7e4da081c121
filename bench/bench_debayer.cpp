// Bayer rebuild of one frame, all four arrangements, on one thread; then at
// 1280 x 960 with the rows split across a pool of 1, 2 and 4 threads (wall
// time); then the raw camera road's rebuild of a delivered frame.
#include "kernels/debayer.h"
#include "kernels/frame_copy.h"
#include "kernels/row_pool.h"

#include "busy_threads.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

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

// The raw camera road's rebuild of one delivered frame into the live
// bitmap: from a copy of the frame (direct 0, the frame copied into a bitmap
// first, one thread) or straight from the frame's rows (direct 1); frames of
// three bytes a pixel (mono 0) or one (mono 1), rows padded to 4 bytes; on
// the calling thread alone (threads 1) or split across a pool of 4 as the
// road runs it (wall time).
static void BM_RawFrameRebuild(benchmark::State& state)
{
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const bool direct = state.range(2) != 0;
    const auto format = state.range(3) ? platform::PixelFormat::Mono8 : platform::PixelFormat::Bgr24;
    const int threads = static_cast<int>(state.range(4));
    std::unique_ptr<kernels::RowPool> pool;
    if (threads > 1)
        pool = std::make_unique<kernels::RowPool>(threads);
    const std::ptrdiff_t stride = (std::ptrdiff_t(w) * platform::bytesPerPixel(format) + 3) & ~std::ptrdiff_t(3);
    std::vector<std::uint8_t> pixels(std::size_t(stride) * std::size_t(h));
    std::mt19937 rng(1);
    for (auto& b : pixels)
        b = static_cast<std::uint8_t>(rng());
    const platform::FrameView frame{w, h, stride, format, pixels.data(), pixels.size()};
    kernels::Bitmap24 raw(w, h), live(w, h);
    for (auto _ : state) {
        if (direct) {
            kernels::DebayerFrame(kernels::MosaicRows{frame.data, frame.stride, w, h, platform::bytesPerPixel(format)},
                                  live, 1, pool.get());
        } else {
            kernels::CopyFrameToBitmap(frame, raw);
            kernels::DebayerFrame(raw, live, 1, pool.get());
        }
        benchmark::DoNotOptimize(live.bits());
        benchmark::ClobberMemory();
    }
    state.SetLabel(direct ? "direct" : "copy");
}
BENCHMARK(BM_RawFrameRebuild)
    ->ArgNames({"w", "h", "direct", "mono", "threads"})
    ->ArgsProduct({{640}, {480}, {0, 1}, {0, 1}, {1}})
    ->ArgsProduct({{1280}, {960}, {0, 1}, {0, 1}, {1, 4}})
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
