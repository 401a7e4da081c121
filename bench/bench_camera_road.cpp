// The frame road under load: two simulated cameras stream 640 x 480 frames at
// 30 a second on their own threads for 10 seconds; one consumer thread plays
// the user-interface thread, taking every announced frame into a live bitmap.
// Counters: the rate each slot delivered (fps_slot1, fps_slot2, frames a
// second on the monotonic clock) and the most announcements ever waiting for
// one slot (max_pending, which the hand-over keeps at 1).
//
// Also: the cost of rendering one star-field frame and of one hand-over into
// a live bitmap of the slots' size (1280 x 1280): copied twice (into the
// hand-over's packed buffer, then into the bitmap) or, with the bitmap's
// layout, copied once and handed over by exchanging buffers.

#include "kernels/frame_copy.h"
#include "platform/frame_handover.h"
#include "platform/simulated_camera.h"

#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr double kRate = 30.0;
constexpr auto kRun = std::chrono::seconds(10);

void BM_TwoCamerasAt30Fps(benchmark::State& state)
{
    for (auto _ : state) {
        std::mutex m;
        std::condition_variable cv;
        std::array<int, 2> queued{}, maxQueued{}, taken{};
        std::array<platform::FrameHandOver, 2> handOvers;
        std::array<std::unique_ptr<platform::SimulatedCamera>, 2> cams;
        for (int i = 0; i < 2; ++i) {
            handOvers[i].arm(i + 1, [&, i] {
                std::lock_guard lock(m);
                maxQueued[i] = std::max(maxQueued[i], ++queued[i]);
                cv.notify_one();
            });
            platform::StarFieldSettings s;
            s.seed = static_cast<std::uint64_t>(i + 1);
            cams[i] = std::make_unique<platform::SimulatedCamera>(s);
            cams[i]->open();
        }
        bool stop = false;
        std::thread ui([&] {
            std::array<kernels::Bitmap24, 2> live;
            for (;;) {
                std::unique_lock lock(m);
                cv.wait(lock, [&] { return stop || queued[0] > 0 || queued[1] > 0; });
                if (stop)
                    return;
                for (int i = 0; i < 2; ++i) {
                    if (queued[i] == 0)
                        continue;
                    --queued[i];
                    lock.unlock();
                    if (handOvers[i].take([&](const platform::FrameView& f) { kernels::CopyFrameToBitmap(f, live[i]); }))
                        ++taken[i];
                    lock.lock();
                }
            }
        });
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < 2; ++i)
            cams[i]->startStream([&, i](const platform::FrameView& f) { handOvers[i].deliver(i + 1, f); }, kRate);
        std::this_thread::sleep_for(kRun);
        for (auto& c : cams)
            c->stopStream();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        {
            std::lock_guard lock(m);
            stop = true;
        }
        cv.notify_one();
        ui.join();
        state.counters["fps_slot1"] = static_cast<double>(handOvers[0].framesDelivered()) / seconds;
        state.counters["fps_slot2"] = static_cast<double>(handOvers[1].framesDelivered()) / seconds;
        state.counters["taken_slot1"] = taken[0];
        state.counters["taken_slot2"] = taken[1];
        state.counters["max_pending"] = std::max(maxQueued[0], maxQueued[1]);
    }
}
BENCHMARK(BM_TwoCamerasAt30Fps)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_RenderStarField640x480(benchmark::State& state)
{
    const platform::StarField field;
    std::vector<std::uint8_t> px(field.frameBytes());
    std::int64_t n = 0;
    for (auto _ : state) {
        field.render(n, static_cast<double>(n) / kRate, 0, 0, 1.0, px.data(), field.minStride());
        ++n;
        benchmark::DoNotOptimize(px.data());
    }
}
BENCHMARK(BM_RenderStarField640x480)->Unit(benchmark::kMillisecond);

void BM_HandOver640x480(benchmark::State& state)
{
    const platform::StarField field;
    std::vector<std::uint8_t> px(field.frameBytes());
    field.render(0, 0, 0, 0, 1.0, px.data(), field.minStride());
    const bool exchange = state.range(0) != 0;
    kernels::Bitmap24 live(1280, 1280);
    platform::FrameHandOver h;
    h.arm(1, nullptr, exchange ? kernels::LayoutOf(live) : platform::FrameLayout{});
    const platform::FrameView f{640, 480, field.minStride(), platform::PixelFormat::Bgr24, px.data(), px.size()};
    for (auto _ : state) {
        h.deliver(1, f);
        if (exchange)
            kernels::TakeFrame(h, live);
        else
            h.take([&](const platform::FrameView& v) { kernels::CopyFrameToBitmap(v, live); });
    }
    state.SetLabel(exchange ? "one copy, buffers exchanged" : "two copies");
}
BENCHMARK(BM_HandOver640x480)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
