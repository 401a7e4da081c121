// The image tool's processing on a 1280 x 960 frame, one thread: the shadow
// correction with 300 rimmed stars, the star search on a seeded field of 200
// stars and on a frame bright everywhere at threshold 0, and the live chain
// (curve and mixer, wavelets, 9 x 9 kernel, star search) back to back.
// "allocs/frame" counts the heap allocations per frame once running.

#include "kernels/bitmap24.h"
#include "kernels/convolution.h"
#include "kernels/deep_planes.h"
#include "kernels/equalizer.h"
#include "kernels/fish_eye.h"
#include "kernels/result_passes.h"
#include "kernels/wavelet.h"
#include "platform/star_field.h"
#include "tools/star_detection.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>

#include "alloc_counter.h"
#include "qt_main.h"

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 960;

kernels::Bitmap24 field(int stars)
{
    platform::StarFieldSettings s;
    s.width = kWidth;
    s.height = kHeight;
    s.seed = 9;
    s.starCount = stars;
    s.wrap = false;
    s.colour = false;
    s.driftX_pxPerS = s.driftY_pxPerS = s.tremble_px = 0;
    const platform::StarField f(s);
    kernels::Bitmap24 b(kWidth, kHeight);
    f.render(0, 0, 0, 0, 1, b.bits(), b.stride());
    return b;
}

// 300 stars of 6 pixels at 220 with a dark rim of 40 on a sky of 120.
kernels::Bitmap24 rimmedField()
{
    kernels::Bitmap24 b(kWidth, kHeight);
    std::memset(b.bits(), 120, b.byteCount());
    std::mt19937 rng(3);
    for (int s = 0; s < 300; ++s) {
        const int cx = 10 + int(rng() % (kWidth - 20)), cy = 10 + int(rng() % (kHeight - 20));
        for (int dy = -6; dy <= 6; ++dy)
            for (int dx = -6; dx <= 6; ++dx) {
                const int d2 = dx * dx + dy * dy;
                const std::uint8_t v = d2 <= 9 ? 220 : d2 <= 36 ? 40 : 120;
                std::memset(b.scanLine(cy + dy) + 3 * (cx + dx), v, 3);
            }
    }
    return b;
}

void FishEye(benchmark::State& state)
{
    const kernels::Bitmap24 source = rimmedField();
    kernels::Bitmap24 frame = source, copy;
    MeasureAllocations(state, "allocs/frame", [&] {
        std::memcpy(frame.bits(), source.bits(), source.byteCount());
        kernels::FishEyeAttenuation(frame, {}, copy);
        benchmark::DoNotOptimize(frame.bits());
    });
}
BENCHMARK(FishEye)->Unit(benchmark::kMillisecond);

void FindStars(benchmark::State& state)
{
    const kernels::Bitmap24 source = field(200);
    kernels::Bitmap24 target(kWidth, kHeight);
    std::vector<QPoint> lines;
    MeasureAllocations(state, "allocs/frame", [&] {
        const int n = StarDetection::FindStars(target, source, 60, false, 0, 4, lines);
        benchmark::DoNotOptimize(n);
    });
    state.counters["stars"] = double(StarDetection::CurrentList().size());
}
BENCHMARK(FindStars)->Unit(benchmark::kMillisecond);

void FindStarsBrightFrameThresholdZero(benchmark::State& state)
{
    kernels::Bitmap24 source(kWidth, kHeight), target(kWidth, kHeight);
    std::memset(source.bits(), 200, source.byteCount());
    std::vector<QPoint> lines;
    for (auto _ : state) {
        const int n = StarDetection::FindStars(target, source, 0, false, 0, 4, lines);
        benchmark::DoNotOptimize(n);
    }
    state.counters["stars"] = double(StarDetection::CurrentList().size());
}
BENCHMARK(FindStarsBrightFrameThresholdZero)->Unit(benchmark::kMillisecond);

void LiveChain(benchmark::State& state)
{
    const kernels::Bitmap24 sky = field(200);
    static kernels::DeepPlanes planes;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            std::uint16_t* p = planes.pixel(5, x, y);
            const std::uint8_t* s = sky.scanLine(y) + 3 * x;
            for (int c = 0; c < 3; ++c)
                p[c] = std::uint16_t(s[c] * 256);
        }
    kernels::Equalizer::EqualizerCurve curve;
    for (int k = 0; k < 9; ++k)
        curve.Points[std::size_t(k)] = {k == 8 ? 255 : 32 * k, 2 + (k == 4 ? 40 : 0), 1};
    kernels::Equalizer::BuildEqualizerCurve(curve, 10);
    kernels::ResultTables tables;
    kernels::DisplayJob job;
    job.width = kWidth;
    job.height = kHeight;
    job.levels = tables.levels(0, 65280, curve.LUT.data());
    job.mixRed = {1, 0.8, 0.1, 0.1, 1.0};
    job.mixGreen = {1, 0.1, 0.8, 0.1, 1.0};
    job.mixBlue = {1, 0.1, 0.1, 0.8, 1.2};
    kernels::Bitmap24 result(kWidth, kHeight), target(kWidth, kHeight);
    kernels::TWavelet wavelet;
    wavelet.SetSize(kWidth, kHeight, 6);
    for (int level = 1; level <= 6; ++level)
        wavelet.SetWeight(level, level == 1 ? 300 : 0);
    kernels::Filtres2::KernelCoefficients k{};
    for (int r = 3; r <= 5; ++r)
        for (int c = 3; c <= 5; ++c)
            k[std::size_t(r * 9 + c)] = -50;
    k[40] = 1000;
    kernels::Filtres2::ConvolutionScratch scratch;
    std::vector<QPoint> lines;
    MeasureAllocations(state, "allocs/frame", [&] {
        kernels::DisplayPass(planes, job, result);
        wavelet.Decompose(result, 6);
        wavelet.Recombine(result, result);
        kernels::Filtres2::Convolve9x9(result, k, 600, scratch);
        const int n = StarDetection::FindStars(target, result, 200, false, 0, 4, lines);
        benchmark::DoNotOptimize(n);
    });
}
BENCHMARK(LiveChain)->Unit(benchmark::kMillisecond);

} // namespace
