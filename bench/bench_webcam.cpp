// The webcam road per frame, on the fake V4L2 device at 640 x 480 and
// 1280 x 960 (BGR24):
//   BM_WebcamStreamThread  dequeue, hand-over copy and requeue on the
//                          device's own thread (the fake's moving bar is
//                          drawn in the same time, so the figure is an upper bound)
//   BM_WebcamInterface     the interface thread's take of the hand-over into
//                          the 1280 x 1280 slot bitmap
// Counter allocs_per_frame: heap allocations per frame on the whole program.

#include "alloc_counter.h"
#include "kernels/bitmap24.h"
#include "kernels/frame_copy.h"
#include "platform/fake_v4l2.h"
#include "platform/frame_handover.h"
#include "platform/v4l2_camera.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <thread>

namespace {

platform::FakeV4l2::Node node(int w, int h)
{
    auto n = platform::FakeV4l2::webcam(QStringLiteral("/dev/video0"), QStringLiteral("Bench"));
    n.sizes = {{w, h}};
    return n;
}

void BM_WebcamStreamThread(benchmark::State& state)
{
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    platform::FakeV4l2 fake({node(w, h)});
    fake.instantFrames = true;
    platform::V4l2Camera cam(fake, QStringLiteral("/dev/video0"));
    cam.open();
    cam.setFormat({w, h, 24});
    platform::FrameHandOver handOver;
    handOver.arm(1, [] {});
    std::atomic<std::uint64_t> frames{0};
    cam.startStream([&](const platform::FrameView& f) {
        handOver.deliver(1, f);
        frames.fetch_add(1, std::memory_order_release);
    });
    while (frames.load() < 8)
        std::this_thread::yield();   // buffers warm
    const long long allocs0 = g_allocations.load();
    const std::uint64_t start = frames.load();
    for (auto _ : state) {
        const std::uint64_t target = frames.load(std::memory_order_acquire) + 1;
        while (frames.load(std::memory_order_acquire) < target) {
        }
    }
    const double n = static_cast<double>(frames.load() - start);
    state.counters["allocs_per_frame"] = n > 0 ? static_cast<double>(g_allocations.load() - allocs0) / n : 0;
    cam.close();
}

void BM_WebcamInterface(benchmark::State& state)
{
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    std::vector<std::uint8_t> px(static_cast<std::size_t>(w) * h * 3, 90);
    const platform::FrameView frame{w, h, w * 3, platform::PixelFormat::Bgr24, px.data(), px.size()};
    platform::FrameHandOver handOver;
    handOver.arm(1, [] {});
    kernels::Bitmap24 slot(1280, 1280);
    handOver.deliver(1, frame);
    handOver.take(nullptr);
    long long allocs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        handOver.deliver(1, frame);
        const long long a0 = g_allocations.load();
        state.ResumeTiming();
        handOver.take([&](const platform::FrameView& f) { kernels::CopyFrameToBitmap(f, slot); });
        allocs += g_allocations.load() - a0;
    }
    state.counters["allocs_per_frame"] = static_cast<double>(allocs) / static_cast<double>(state.iterations());
}

} // namespace

BENCHMARK(BM_WebcamStreamThread)->Args({640, 480})->Args({1280, 960})->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WebcamInterface)->Args({640, 480})->Args({1280, 960})->Unit(benchmark::kMicrosecond);
