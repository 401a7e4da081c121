// The image mouse and the mosaic page, on the interface thread:
//   MosaicInitialise/new    "Initialiser" at 10240 x 7680 from another size
//                           (a canvas of 236 MB made; "allocs/init" counts
//                           the heap allocations of one initialisation);
//   MosaicInitialise/same   again at the same size (painted black in place);
//   ProcessFrame            one frame of 1280 x 960 through the per-frame
//                           routine with drawing on;
//   PlainClick              a plain left click on the first source view at
//                           1280 x 960, which places the tracking zone and
//                           processes the frame again: its cost beyond
//                           ProcessFrame is the click's own.

#include "app/frm_alv.h"
#include "capture/camera_slots.h"
#include "imaging/display_zone.h"
#include "imaging/pipeline_state.h"
#include "imaging/process_frame.h"
#include "telescope/frm_tool_suivi.h"
#include "tools/frm_tool_affichage.h"

#include <benchmark/benchmark.h>

#include <random>

#include "alloc_counter.h"
#include "qt_main.h"

namespace {

void BM_MosaicInitialise(benchmark::State& state)
{
    bench::PrepareWindowsAndBitmaps();
    const bool fresh = state.range(0) != 0;
    TFRM_Alv& w = *FRM_Alv;
    w.SPED_Mosaic_Width->setValue(10240);
    w.SPED_Mosaic_Height->setValue(7680);
    long long allocations = 0, runs = 0;
    for (auto _ : state) {
        if (fresh) {
            state.PauseTiming();
            w.IMG_Mosaic->SetPictureSize(1, 1);
            state.ResumeTiming();
        }
        const long long before = g_allocations.load();
        w.BTN_Mosaique_InitialiserClick();
        allocations += g_allocations.load() - before;
        ++runs;
    }
    state.counters["allocs/init"] = double(allocations) / double(std::max(runs, 1LL));
    state.SetLabel(fresh ? "new" : "same");
    w.IMG_Mosaic->SetPictureSize(1, 1);
}

void prepareFrame()
{
    bench::PrepareWindowsAndBitmaps();
    Align_V::ResetPipelineStartValues();
    const int W = 1280, H = 960;
    CameraSlots[1].width = W;
    CameraSlots[1].height = H;
    CurrentCameraSlot = GuideSourceSlot = 1;
    PipelineActive = 1;
    TrackedStarPos = PreviousTrackedStarPos = DisplayZoneCenter = QPoint(W / 2, H / 2);
    DisplayZoneOffset = PreviousDisplayZoneOffset = QPoint();
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> level(0, 40);
    kernels::Bitmap24& frame = *SlotBitmaps[1][0];
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            std::uint8_t* p = frame.scanLine(y) + 3 * x;
            p[0] = p[1] = p[2] = std::uint8_t(level(rng) + ((x * 31 + y * 17) % 997 == 0 ? 200 : 0));
        }
    FRM_Alv->Image1->SetPictureSize(W, H);
    FRM_Alv->Image3->SetPictureSize(640, 480);
    FRM_Tool_Suivi->CKB_Suivi->setChecked(false);
    Align_V::ComputeDisplayZone(1);
    FRM_Alv->Timer_Cam1->start(3'600'000);   // slot 1 delivers frames
}

// The frame routine as a click leaves it to run: the zone moved since the
// last frame.
void BM_ProcessFrame(benchmark::State& state)
{
    prepareFrame();
    std::uint8_t keep = 0;
    int i = 0;
    for (auto _ : state) {
        TrackedStarPos = DisplayZoneCenter = QPoint(600 + (i & 1) * 40, 480);
        DisplayZoneOffset -= TrackedStarPos - PreviousTrackedStarPos;
        ++i;
        Align_V::ComputeDisplayZone(1);
        Align_V::ProcessFrame(1, keep, 1);
        benchmark::DoNotOptimize(keep);
    }
    FRM_Alv->Timer_Cam1->stop();
}

void BM_PlainClick(benchmark::State& state)
{
    prepareFrame();
    int i = 0;
    for (auto _ : state) {
        // Two places in turn: every click moves the zone.
        const int x = 600 + (i & 1) * 40;
        ++i;
        FRM_Alv->Image1MouseUp(FRM_Alv->Image1, 0, 0, x, 480);
    }
    FRM_Alv->Timer_Cam1->stop();
}

} // namespace

BENCHMARK(BM_MosaicInitialise)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ProcessFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainClick)->Unit(benchmark::kMillisecond);
