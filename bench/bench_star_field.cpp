// The simulated sky: the cost of one star-field frame at 640 x 480 and
// 1280 x 960, in colour (three bytes a pixel) and as an RGGB mosaic, after
// the first frame; and the time the built-in simulated camera holds the
// thread that grabs a frame (the interface thread in the program).

#include "platform/clock.h"
#include "platform/simulated_camera.h"
#include "platform/star_field.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>
#include <vector>

namespace {

void BM_StarFieldFrame(benchmark::State& state)
{
    platform::StarFieldSettings s;
    s.width = static_cast<int>(state.range(0));
    s.height = static_cast<int>(state.range(1));
    s.bayer = state.range(2) != 0;
    const platform::StarField field(s);
    std::vector<std::uint8_t> px(field.frameBytes());
    field.render(0, 0, 0, 0, 1.0, px.data(), field.minStride());
    std::int64_t n = 1;
    for (auto _ : state) {
        field.render(n, static_cast<double>(n) / 30.0, 0.25, -0.5, 1.0, px.data(), field.minStride());
        ++n;
        benchmark::DoNotOptimize(px.data());
    }
    state.SetLabel(std::to_string(s.width) + "x" + std::to_string(s.height) + (s.bayer ? " mosaic" : " colour"));
}
BENCHMARK(BM_StarFieldFrame)
    ->Args({640, 480, 0})
    ->Args({640, 480, 1})
    ->Args({1280, 960, 0})
    ->Args({1280, 960, 1})
    ->Unit(benchmark::kMillisecond);

// One grab of the built-in camera at 1280 x 960 every 33 ms, as its frame
// timer makes them: the wall-clock time the grabbing thread is held.
void BM_SimulatedCameraGrab1280x960(benchmark::State& state)
{
    platform::StarFieldSettings s;
    s.width = 1280;
    s.height = 960;
    platform::SimulatedCamera cam(s);
    cam.open();
    std::vector<std::uint8_t> live(cam.field().frameBytes());
    auto sink = [&](const platform::FrameView& f) { std::copy(f.data, f.data + f.size, live.begin()); };
    cam.grabFrame(sink);
    for (auto _ : state) {
        state.PauseTiming();
        std::this_thread::sleep_for(std::chrono::milliseconds(33));
        state.ResumeTiming();
        cam.grabFrame(sink);
        benchmark::DoNotOptimize(live.data());
    }
}
BENCHMARK(BM_SimulatedCameraGrab1280x960)->Iterations(60)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace
