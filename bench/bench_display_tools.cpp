// The display tools' per-frame work, one thread: the bright-object measure
// of the measurement window on a 1280 x 960 frame (surface and width modes),
// and the full-screen view's painting of a 640 x 512 result into a
// 1920 x 1080 picture, "Standard" (one stretch) and "Bilinear X2" (two
// doublings, then the stretch), as the frame routine does them. The
// interface thread is held for the whole call. "allocs/frame" counts heap
// allocations per frame once running.

#include "imaging/display_helpers.h"
#include "kernels/raster.h"
#include "tools/util_mesure.h"

#include <benchmark/benchmark.h>

#include <random>

#include "alloc_counter.h"

namespace {

kernels::Bitmap24 starField(int w, int h)
{
    kernels::Bitmap24 b(w, h);
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> noise(0, 40);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* p = b.scanLine(y);
        for (int x = 0; x < w; ++x, p += 3) {
            const bool planet = (x - w / 2) * (x - w / 2) + (y - h / 2) * (y - h / 2) < 150 * 150;
            p[0] = p[1] = p[2] = std::uint8_t(planet ? 200 + noise(rng) / 2 : noise(rng));
        }
    }
    return b;
}

void BM_MeasureObjectPixels(benchmark::State& state)
{
    kernels::Bitmap24 frame = starField(1280, 960);
    const int mode = int(state.range(0));
    Util_Mesure::MeasureLineTable table;
    MeasureAllocations(state, "allocs/frame", [&] {
        benchmark::DoNotOptimize(Util_Mesure::MeasureObjectPixels(frame, 150, 255, mode, table));
    });
}
BENCHMARK(BM_MeasureObjectPixels)->Arg(Util_Mesure::MeasureSurface)->Arg(Util_Mesure::MeasureWidth)->Unit(benchmark::kMillisecond);

void BM_FullScreenStandard(benchmark::State& state)
{
    const kernels::Bitmap24 result = starField(640, 512);
    kernels::Bitmap24 target(1920, 1080);
    MeasureAllocations(state, "allocs/frame", [&] {
        kernels::stretchBlt(target, kernels::boundsOf(target), result, kernels::boundsOf(result),
                            kernels::RasterOp::SrcCopy);
        benchmark::ClobberMemory();
    });
}
BENCHMARK(BM_FullScreenStandard)->Unit(benchmark::kMillisecond);

void BM_FullScreenBilinearX2(benchmark::State& state)
{
    const kernels::Bitmap24 result = starField(640, 512);
    kernels::Bitmap24 target(1920, 1080), zoom2, zoom4;
    MeasureAllocations(state, "allocs/frame", [&] {
        zoom2.resize(result.width() * 2, result.height() * 2);
        zoom4.resize(zoom2.width() * 2, zoom2.height() * 2);
        Align_V::Upscale2x(result, zoom2);
        Align_V::Upscale2x(zoom2, zoom4);
        kernels::stretchBlt(target, kernels::boundsOf(target), zoom4, kernels::boundsOf(zoom4),
                            kernels::RasterOp::SrcCopy);
        benchmark::ClobberMemory();
    });
}
BENCHMARK(BM_FullScreenBilinearX2)->Unit(benchmark::kMillisecond);

} // namespace
