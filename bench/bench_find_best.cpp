// The automatic guide zone on 640 x 480 and 1280 x 960 frames of a noisy
// sky with a few stars: four and five rounds of four JPEG measures. The
// counter "allocs" is the heap allocations per call once the first call
// has made its scratch bitmap (the aim is none of our own; the JPEG coder's
// working memory is counted too). Aim: under 2 ms and 6 ms on one core.

#include "alloc_counter.h"

#include "kernels/bitmap24.h"
#include "telescope/tracking/find_best_zone.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>

namespace {

kernels::Bitmap24 sky(int w, int h)
{
    kernels::Bitmap24 b(w, h);
    std::uint32_t seed = 7;
    const double stars[][2] = {{0.61, 0.58}, {0.3, 0.7}, {0.8, 0.2}};
    for (int y = 0; y < h; ++y) {
        std::uint8_t* p = b.scanLine(y);
        for (int x = 0; x < w; ++x, p += 3) {
            seed = seed * 1664525u + 1013904223u;
            double v = 20 + (seed >> 28);
            for (const auto& s : stars) {
                const double dx = x - s[0] * w, dy = y - s[1] * h;
                v += 200 * std::exp(-(dx * dx + dy * dy) / 8.0);
            }
            p[0] = p[1] = p[2] = std::uint8_t(std::min(v, 255.0));
        }
    }
    return b;
}

void BM_FindBest(benchmark::State& state)
{
    const int w = int(state.range(0)), h = int(state.range(1));
    const kernels::Bitmap24 frame = sky(w, h);
    // The first call makes the scratch bitmap.
    MeasureAllocations(state, "allocs", [&] { benchmark::DoNotOptimize(Align_V::FindBestZoneCentre(frame, w, h, 30)); });
}

} // namespace

BENCHMARK(BM_FindBest)->Args({640, 480})->Args({1280, 960})->Unit(benchmark::kMillisecond);
