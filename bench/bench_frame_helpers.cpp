// The frame helpers the per-frame routine calls, single thread, on a grey
// star field: the motion comparison with its zone copy (640 x 480 and
// 1280 x 960), the saturation map and the histogram (1280 x 960), and one
// 640 x 480 mosaic tile blended into a 10240 x 7680 mosaic. "allocs/frame"
// counts the heap allocations per call once running.

#include "app/frm_alv.h"
#include "app/startup.h"
#include "capture/camera_slots.h"
#include "imaging/frame_helpers.h"
#include "imaging/pipeline_state.h"
#include "kernels/raster.h"
#include "platform/port_access.h"
#include "platform/port_access_sim.h"
#include "tools/frm_info.h"

#include "kernels/frame_rows.h"

#include <benchmark/benchmark.h>

#include <vector>

#include <random>

#include "alloc_counter.h"
#include "qt_main.h"

namespace {

void prepare(int W, int H)
{
    bench::PrepareWindowsAndBitmaps();
    CameraSlots[1].width = W;
    CameraSlots[1].height = H;
    CurrentCameraSlot = 1;
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> level(0, 255);
    kernels::Bitmap24& frame = *SlotBitmaps[1][0];
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            std::uint8_t* p = frame.scanLine(y) + 3 * x;
            p[0] = p[1] = p[2] = std::uint8_t(level(rng) / 8 + ((x * 31 + y * 17) % 997 == 0 ? 200 : 0));
        }
    DisplayZoneRect = {0, 0, W, H};
    ZoneImageRect = {0, 0, W, H};
    FRM_Alv->Image3->SetPictureSize(W, H);
}


void BM_MotionCompare(benchmark::State& state)
{
    const int W = int(state.range(0)), H = int(state.range(1));
    prepare(W, H);
    Align_V::DefineMotionReference();
    MeasureAllocations(state, "allocs/frame", [] {
        std::int32_t percent = 0;
        std::int64_t sum = 0;
        benchmark::DoNotOptimize(Align_V::MotionCompare(10, 100, percent, sum));
    });
}

void BM_MarkSaturatedPixels(benchmark::State& state)
{
    prepare(1280, 960);
    MeasureAllocations(state, "allocs/frame", [] { Align_V::MarkSaturatedPixels(200); });
}

void BM_DrawHistogram(benchmark::State& state)
{
    prepare(1280, 960);
    MeasureAllocations(state, "allocs/frame", [] { Align_V::DrawHistogram(); });
}

void BM_PlaceMosaicTile(benchmark::State& state)
{
    prepare(640, 480);
    FRM_Alv->IMG_Mosaic->SetPictureSize(10240, 7680);
    kernels::Bitmap24 tile(640, 480);
    kernels::bitBlt(tile, 0, 0, 640, 480, *SlotBitmaps[1][0], 0, 0, kernels::RasterOp::SrcCopy);
    MosaicTileCentre = {5000, 4000};
    MeasureAllocations(state, "allocs/frame", [&] { Align_V::PlaceMosaicTile(tile, 640, 480); });
    FRM_Alv->IMG_Mosaic->SetPictureSize(1, 1);
}

} // namespace

BENCHMARK(BM_MotionCompare)->Args({640, 480})->Args({1280, 960})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MarkSaturatedPixels)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawHistogram)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlaceMosaicTile)->Unit(benchmark::kMillisecond);

// The mosaic's running-average blend of a 640 x 480 tile alone: the plain
// loop (0) and the one the program runs (1), over n frames (range 1): odd
// and power-of-two counts take the single-precision loop, other even ones
// the double one. The tile is blended into the same bytes again and again,
// so after the first runs most of it sits where the blend stops moving it,
// many bytes on exact halves.
void BM_BlendTile640x480(benchmark::State& state)
{
    const int bytes = 640 * 3;
    std::vector<std::uint8_t> dst(std::size_t(bytes) * 480), src(dst.size());
    for (std::size_t i = 0; i < dst.size(); ++i) {
        dst[i] = std::uint8_t(i * 7);
        src[i] = std::uint8_t(i * 13 + 5);
    }
    const kernels::BlendTables tables(static_cast<std::int32_t>(state.range(1)));
    for (auto _ : state) {
        for (int y = 0; y < 480; ++y) {
            std::uint8_t* d = dst.data() + std::size_t(y) * std::size_t(bytes);
            const std::uint8_t* s = src.data() + std::size_t(y) * std::size_t(bytes);
            if (state.range(0))
                kernels::BlendRow(d, s, bytes, tables);
            else
                kernels::BlendRowPortable(d, s, bytes, tables);
        }
        benchmark::DoNotOptimize(dst.data());
    }
    state.SetLabel(state.range(0) ? "vector" : "plain");
}
BENCHMARK(BM_BlendTile640x480)->ArgsProduct({{0, 1}, {7, 8, 6, 10, 12, 100, 510}})->Unit(benchmark::kMicrosecond);
