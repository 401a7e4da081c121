// The per-frame routine with the result rendering, as a running addition
// with dark, flat and thresholds on makes it work (or the live view with
// the same dark and flat): one camera frame of 640 x 480 or 1280 x 960
// through Align_V::ProcessFrame, on one thread or with the result passes
// on four, the display zone covering the whole frame. To see one core's
// figure, pin the program to one core (taskset -c N); the four-thread
// figure wants four free cores. Besides the time per frame,
// "allocs/frame" counts the heap allocations made per frame once running,
// "faults/frame" the page faults (memory first touched, or freed and
// taken again), and "allocs/refresh" those of one refresh of the
// read-outs, which their timer makes ten times a second while frames
// stream, whatever the rate.

#include "app/frm_alv.h"
#include "app/startup.h"
#include "capture/camera_slots.h"
#include "imaging/display_zone.h"
#include "imaging/pipeline_state.h"
#include "imaging/process_frame.h"
#include "imaging/readout_refresh.h"
#include "imaging/result_render.h"
#include "kernels/raster.h"
#include "kernels/result_passes.h"
#include "kernels/row_pool.h"
#include "platform/clock.h"
#include "platform/port_access.h"
#include "platform/port_access_sim.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"

#include "kernels/frame_copy.h"
#include "platform/frame_handover.h"
#include "platform/star_field.h"

#include <benchmark/benchmark.h>

#include <QImage>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <mutex>
#include <thread>

#include <cmath>
#include <cstdlib>
#include <random>

#include <sys/resource.h>

#include "alloc_counter.h"
#include "qt_main.h"

namespace {

// A star field with noise, grey, drawn once into the slot bitmap.
void drawStarField(kernels::Bitmap24& bmp, int W, int H)
{
    std::mt19937 rng(5);
    std::normal_distribution<double> noise(0, 3);
    std::vector<double> level(std::size_t(W) * std::size_t(H), 20.0);
    std::uniform_real_distribution<double> u(0, 1);
    for (int s = 0; s < 80; ++s) {
        const double sx = u(rng) * W, sy = u(rng) * H, peak = 40 + u(rng) * 190;
        for (int y = std::max(0, int(sy) - 6); y < std::min(H, int(sy) + 7); ++y)
            for (int x = std::max(0, int(sx) - 6); x < std::min(W, int(sx) + 7); ++x)
                level[std::size_t(y) * std::size_t(W) + std::size_t(x)] +=
                    peak * std::exp(-((x - sx) * (x - sx) + (y - sy) * (y - sy)) / 3.2);
    }
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const auto v = std::uint8_t(std::clamp(level[std::size_t(y) * std::size_t(W) + std::size_t(x)] + noise(rng), 0.0, 255.0));
            std::uint8_t* p = bmp.scanLine(y) + x * 3;
            p[0] = p[1] = p[2] = v;
        }
}

// The windows and the pipeline as a running addition leaves them.
void prepare(int W, int H)
{
    bench::PrepareWindowsAndBitmaps();
    Align_V::ResetPipelineStartValues();
    DeepImagePlanes().clearAll();

    CameraSlots[1].width = W;
    CameraSlots[1].height = H;
    CurrentCameraSlot = 1;
    PipelineActive = 1;
    TrackedStarPos = PreviousTrackedStarPos = DisplayZoneCenter = QPoint(W / 2, H / 2);
    drawStarField(*SlotBitmaps[1][0], W, H);

    // The display zone covers the frame; the result is the frame's size.
    auto* a = FRM_Tool_Affichage;
    a->RDB_Ratio_Libre->setChecked(true);
    a->SCB_Taille_ZAffich->setMaximum(1600);
    a->SCB_Taille_ZAffich->setValue(W);
    a->TNI_Taille_ZAffich->SetValue(W);
    a->SCB_Taille_ZAffichV->setMaximum(1600);
    a->SCB_Taille_ZAffichV->setValue(H);
    a->TNI_Taille_ZAffichV->SetValue(H);
    Align_V::ComputeDisplayZone(1);
    FRM_Alv->Image3->SetPictureSize(W, H);

    // Addition running, dark (10 frames) and flat applied, thresholds forced.
    auto* t = FRM_Tool_Images;
    t->CKB_Integration->setChecked(true);
    t->BTN_Demarrer_Add->setEnabled(false);
    t->SPED_Nb_Bitmap->setValue(0);   // no frame limit
    PermanentDisplay = true;          // the result shown at every frame
    t->CKB_utiliser_seuils->setChecked(true);
    t->TNI_MaxDark->SetValue(50);
    t->CKB_Active_Flat->setEnabled(true);
    t->CKB_Active_Flat->setChecked(true);
    AdditionFrameCount[1] = 10;
    FlatChannelMeans = {5000, 5000, 5000};
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            std::uint16_t* d = DeepImagePlanes().pixel(1, x, y);
            std::uint16_t* f = DeepImagePlanes().pixel(2, x, y);
            for (int k = 0; k < 3; ++k) {
                d[k] = std::uint16_t(150 + (x * 7 + y * 3 + k) % 40);
                f[k] = std::uint16_t(4800 + (x + y * 5 + k) % 400);
            }
        }
}

// Page faults of the process so far: memory the kernel maps (and zeroes)
// on first write, counted per frame once running.
long minorFaults()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_minflt;
}

// The fourth argument, when 1, runs the live view instead of the running
// addition: each frame alone with the same dark and flat, the dark's ratio
// the same from frame to frame; when 2, the same live view with the
// thresholds set by hand rather than following each frame.
void BM_ProcessFrame(benchmark::State& state)
{
    const int W = int(state.range(0)), H = int(state.range(1));
    const int threads = state.range(2) > 0 ? int(state.range(2)) : 1;
    const bool live = state.range(3) >= 1;
    const bool byHand = state.range(3) == 2;
    Align_V::SetResultThreads(threads);
    prepare(W, H);
    if (live)
        FRM_Tool_Images->CKB_Integration->setChecked(false);
    if (byHand)
        FRM_Tool_Images->CKB_Seuils_Evol->setChecked(false);
    std::uint8_t keep = 0;
    for (int i = 0; i < 5; ++i)
        Align_V::ProcessFrame(1, keep, 1);
    const long long before = g_allocations.load();
    const long faultsBefore = minorFaults();
    long long frames = 0;
    for (auto _ : state) {
        Align_V::ProcessFrame(1, keep, 1);
        benchmark::DoNotOptimize(keep);
        ++frames;
    }
    state.counters["allocs/frame"] = double(g_allocations.load() - before) / double(std::max(frames, 1LL));
    state.counters["faults/frame"] = double(minorFaults() - faultsBefore) / double(std::max(frames, 1LL));
    const long long beforeRefresh = g_allocations.load();
    pipeline::ReadoutRefresh::instance().flush();
    state.counters["allocs/refresh"] = double(g_allocations.load() - beforeRefresh);
    state.SetLabel(std::to_string(W) + "x" + std::to_string(H) + ", " + std::to_string(threads) + " thread(s)"
                   + (live ? ", live" : ", addition") + (byHand ? ", thresholds by hand" : ""));
    Align_V::SetResultThreads(1);
}

// The frame routine as the camera paces it, 30 frames a second, on
// `threads` threads: CPU time of the whole process per frame (every thread,
// the pool's workers watching for their next run included) and the share of
// one core that takes. Set against the routine's own time per frame, what
// is left is what idle workers cost between frames.
void BM_ProcessFrameAt30Fps(benchmark::State& state)
{
    const int W = int(state.range(0)), H = int(state.range(1));
    const int threads = state.range(2) > 0 ? int(state.range(2)) : 1;
    Align_V::SetResultThreads(threads);
    prepare(W, H);
    FRM_Tool_Images->CKB_Integration->setChecked(false);   // live view
    std::uint8_t keep = 0;
    for (int i = 0; i < 5; ++i)
        Align_V::ProcessFrame(1, keep, 1);
    const auto processCpu = [] {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
    };
    constexpr int kFrames = 60;
    double cpu = 0, busy = 0;
    long long frames = 0;
    for (auto _ : state) {
        const auto begin = std::chrono::steady_clock::now();
        const double start = processCpu();
        for (int n = 0; n < kFrames; ++n) {
            std::this_thread::sleep_until(begin + std::chrono::microseconds(33333LL * n));
            const auto t0 = std::chrono::steady_clock::now();
            Align_V::ProcessFrame(1, keep, 1);
            busy += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            benchmark::DoNotOptimize(keep);
        }
        // Through the last frame's idle time as well.
        std::this_thread::sleep_until(begin + std::chrono::microseconds(33333LL * kFrames));
        cpu += processCpu() - start;
        frames += kFrames;
    }
    state.counters["cpu_ms/frame"] = cpu / double(frames) * 1e3;
    state.counters["routine_ms/frame"] = busy / double(frames) * 1e3;
    state.counters["process_%core"] = cpu / double(frames) * 30 * 100;
    state.SetLabel(std::to_string(W) + "x" + std::to_string(H) + ", " + std::to_string(threads)
                   + " thread(s), live, 30 frames/s");
    Align_V::SetResultThreads(1);
}

// The pixel passes alone (addition with dark and flat into plane 5, then
// the display pass), without the windows' read-outs: what the routine
// costs apart from the toolkit's text updates.
void BM_ResultPasses(benchmark::State& state)
{
    const int W = int(state.range(0)), H = int(state.range(1));
    const int threads = state.range(2) > 0 ? int(state.range(2)) : 1;
    prepare(W, H);
    kernels::RowPool pool(threads);
    kernels::ResultTables tables;
    kernels::AccumulateJob job;
    job.width = W;
    job.height = H;
    job.frame = ZoneBitmap.get();
    job.correct = true;
    job.dark = true;
    job.darkLevel = 0.5;
    job.darkRatio = 1.0;
    job.darkFrames = 10;
    job.flat = true;
    job.flatMeans = FlatChannelMeans;
    job.pool = &pool;
    kernels::DisplayJob dj;
    dj.pool = &pool;
    dj.width = W;
    dj.height = H;
    kernels::Bitmap24 out(W, H);
    auto once = [&] {
        kernels::LevelStats stats{1 << 30, 0};
        kernels::Accumulate(DeepImagePlanes(), job, tables, stats);
        dj.low = std::uint16_t(stats.min);
        dj.range = std::int32_t(stats.max - stats.min);
        dj.levels = tables.levels(dj.low, dj.range, nullptr);
        dj.plainStretch = true;
        kernels::DisplayPass(DeepImagePlanes(), dj, out);
    };
    MeasureAllocations(state, "allocs/frame", once);
    state.SetLabel(std::to_string(threads) + " thread(s)");
}

// End to end at 640 x 480 and 30 frames a second: a device thread draws the
// simulated sky (the simulator plug-in's generator) and delivers each frame
// to the hand-over; this thread, as the interface thread does, takes it into
// the slot bitmap (by exchanging buffers, as the program does), runs the
// frame routine and paints the source view and the result view offscreen.
// Counters: CPU time per frame of each thread, and the share of one core
// each takes at 30 frames a second.
void endToEnd(benchmark::State& state, bool plainDisplay)
{
    const int W = 640, H = 480;
    Align_V::SetResultThreads(1);   // all of the frame routine on this thread
    prepare(W, H);
    if (plainDisplay) {
        auto* t = FRM_Tool_Images;
        t->CKB_Integration->setChecked(false);
        t->CKB_utiliser_seuils->setChecked(false);
        t->CKB_Active_Flat->setChecked(false);
        t->TNI_MaxDark->SetValue(0);
    }
    FRM_Alv->Image1->SetPictureSize(W, H);
    FRM_Alv->Image1->resize(W, H);
    FRM_Alv->Image3->resize(W, H);
    QImage surface(W, H, QImage::Format_ARGB32_Premultiplied);
    auto threadCpu = [] {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
    };
    platform::StarFieldSettings sky;
    const platform::StarField field(sky);
    platform::FrameHandOver handOver;
    std::mutex m;
    std::condition_variable cv;
    int announced = 0;
    // As the program arms a slot: frames stored in the live bitmap's layout.
    handOver.arm(
        1,
        [&] {
            std::lock_guard lock(m);
            ++announced;
            cv.notify_one();
        },
        kernels::LayoutOf(*SlotBitmaps[1][0]));
    constexpr int kFrames = 90;
    double deviceCpu = 0;
    double uiCpu = 0;
    long long taken = 0;
    for (auto _ : state) {
        std::atomic<bool> stop{false};
        std::thread device([&] {
            const double start = threadCpu();
            std::vector<std::uint8_t> px(field.frameBytes());
            const auto begin = std::chrono::steady_clock::now();
            for (int n = 0; n < kFrames && !stop; ++n) {
                std::this_thread::sleep_until(begin + std::chrono::microseconds(33333LL * (n + 1)));
                field.render(n, n / 30.0, 0, 0, 1.0, px.data(), field.minStride());
                handOver.deliver(1, {W, H, field.minStride(), platform::PixelFormat::Bgr24, px.data(), px.size()});
            }
            deviceCpu += threadCpu() - start;
            std::lock_guard lock(m);
            stop = true;
            cv.notify_one();
        });
        const double start = threadCpu();
        for (;;) {
            {
                std::unique_lock lock(m);
                cv.wait(lock, [&] { return announced > 0 || stop; });
                if (announced == 0 && stop)
                    break;
                announced = 0;
            }
            if (!kernels::TakeFrame(handOver, *SlotBitmaps[1][0]))
                continue;
            std::uint8_t keep = 0;
            Align_V::ProcessFrame(1, keep, 1);
            FRM_Alv->Image1->render(&surface);
            if (!plainDisplay)
                FRM_Alv->Image3->render(&surface);
            ++taken;
        }
        uiCpu += threadCpu() - start;
        device.join();
    }
    const double frames = double(state.iterations()) * kFrames;
    state.counters["device_ms/frame"] = deviceCpu / frames * 1e3;
    state.counters["ui_ms/frame"] = uiCpu / std::max<double>(double(taken), 1) * 1e3;
    state.counters["device_%core"] = deviceCpu / frames * 30 * 100;
    state.counters["ui_%core"] = uiCpu / frames * 30 * 100;
    state.counters["frames_taken"] = double(taken) / double(state.iterations());
}

void BM_EndToEnd640x480At30Fps(benchmark::State& state)
{
    endToEnd(state, false);
}
BENCHMARK(BM_EndToEnd640x480At30Fps)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// The same stream as a user first watches it: the frames shown on the source
// view, the result (a plain copy of the zone, no addition) on its hidden page.
void BM_EndToEndPlainDisplay640x480At30Fps(benchmark::State& state)
{
    endToEnd(state, true);
}
BENCHMARK(BM_EndToEndPlainDisplay640x480At30Fps)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

// The third argument is the threads the passes' rows are split across; the
// fourth 0 for the running addition, 1 for the live view, 2 for the live
// view with the thresholds set by hand.
BENCHMARK(BM_ProcessFrameAt30Fps)
    ->Args({1280, 960, 1})
    ->Args({1280, 960, 4})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
BENCHMARK(BM_ProcessFrame)
    ->Args({640, 480, 1, 0})
    ->Args({1280, 960, 1, 0})
    ->Args({1280, 960, 4, 0})
    ->Args({1280, 960, 1, 1})
    ->Args({1280, 960, 4, 1})
    ->Args({1280, 960, 1, 2})
    ->Args({1280, 960, 4, 2})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_ResultPasses)
    ->Args({320, 240, 1})
    ->Args({640, 480, 1})
    ->Args({1280, 960, 1})
    ->Args({1280, 960, 2})
    ->Args({1280, 960, 4})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
