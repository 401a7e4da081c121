// Cost of one tracking step per method, on a 1280 x 1024 frame with a star
// in the zone, for zones of 40, 100 and 480 pixels: the measurement alone
// (BM_<method>) and the whole step of the program with its marks, software
// tracking and display zone (BM_TrackStep); and the correlation search's
// worst case (nothing correlates above 0.975, so the whole spiral is
// searched) at zone 100 with precision 2 and 10. One thread.

#include "app/frm_alv.h"
#include "app/startup.h"
#include "capture/camera_slots.h"
#include "imaging/display_zone.h"
#include "imaging/pipeline_state.h"
#include "kernels/guide_correlation.h"
#include "kernels/guide_measure.h"
#include "platform/port_access.h"
#include "platform/port_access_sim.h"
#include "telescope/frm_tool_suivi.h"
#include "telescope/track_step.h"
#include "telescope/tracking/tracking_state.h"
#include "tools/frm_tool_affichage.h"

#include <QRadioButton>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>

using namespace kernels;
using namespace kernels::guide;

namespace {

constexpr int kW = 1280, kH = 1024;
constexpr int kX = 640, kY = 512;

// A star (or, with `dark`, a dark spot) at (x0, y0) on a noisy sky.
Bitmap24 frameWithStar(double x0, double y0, std::uint32_t seed, bool dark = false)
{
    Bitmap24 b(kW, kH);
    for (int y = 0; y < kH; ++y) {
        std::uint8_t* p = b.scanLine(y);
        for (int x = 0; x < kW; ++x, p += 3) {
            seed = seed * 1664525u + 1013904223u;
            const double d2 = (x - x0) * (x - x0) + (y - y0) * (y - y0);
            const double v = 20 + (seed >> 28) + 200 * std::exp(-d2 / 8.0);
            const int g = int(dark ? 255 - v : v);
            p[0] = p[1] = p[2] = std::uint8_t(std::clamp(g, 0, 255));
        }
    }
    return b;
}

const Bitmap24& starFrame()
{
    static const Bitmap24 f = frameWithStar(kX + 3.3, kY - 2.6, 1);
    return f;
}

Zone zoneOf(int size) { return {kX, kY, size / 2, size / 2}; }

void BM_BrightestPixel(benchmark::State& state)
{
    const Zone zone = zoneOf(int(state.range(0)));
    for (auto _ : state) {
        ZoneLevels levels;
        benchmark::DoNotOptimize(brightestPixel(starFrame(), zone, 0, {}, levels));
    }
}

void BM_BrightCentroid(benchmark::State& state)
{
    const Zone zone = zoneOf(int(state.range(0)));
    for (auto _ : state) {
        ZoneLevels levels;
        benchmark::DoNotOptimize(brightCentroid(starFrame(), zone, {}, levels));
    }
}

void BM_DarkAxes(benchmark::State& state)
{
    static const Bitmap24 dark = frameWithStar(kX + 3.3, kY - 2.6, 1, true);
    const Zone zone = zoneOf(int(state.range(0)));
    AxisSums sums;
    for (auto _ : state) {
        ZoneLevels levels;
        benchmark::DoNotOptimize(darkAxes(dark, zone, 0, {}, levels, sums));
    }
}

// "Detect.Limites" as the step runs it: brightness measure, then limits.
void BM_ObjectLimits(benchmark::State& state)
{
    const Zone zone = zoneOf(int(state.range(0)));
    for (auto _ : state) {
        ZoneLevels levels;
        measureZoneBrightness(starFrame(), zone, {}, levels);
        benchmark::DoNotOptimize(objectLimits(starFrame(), zone, {levels.brightest / 2, false}));
    }
}

void BM_RadialLimits(benchmark::State& state)
{
    const Zone zone = zoneOf(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(radialLimits(starFrame(), zone, {250, false}));   // no edge: every ray runs out
}

// "Derive" as the step runs it: the accumulator, then the brightness measure.
void BM_Drift(benchmark::State& state)
{
    const Zone zone = zoneOf(int(state.range(0)));
    DriftAccumulator drift;
    for (auto _ : state) {
        int sx = 0, sy = 0;
        drift.advance(0.04, 0.3, -0.2, sx, sy);
        ZoneLevels levels;
        measureZoneBrightness(starFrame(), zone, {}, levels);
        benchmark::DoNotOptimize(levels.brightest + sx + sy);
    }
}

// Correlation with the star moved by (2, -1): found within the first legs.
void BM_Correlation(benchmark::State& state)
{
    const int size = int(state.range(0));
    static const Bitmap24 moved = frameWithStar(kX + 5.3, kY - 3.6, 2);
    ZoneReference ref;
    captureZoneReference(starFrame(), kX, kY, size, size, 2, Channel::RGB, ref);
    CorrelationScratch scratch;
    for (auto _ : state)
        benchmark::DoNotOptimize(searchCorrelation(moved, ref, zoneOf(size), size, size, 2, Channel::RGB, scratch));
}

// Worst case: a reference of noise that nothing matches.
void BM_CorrelationWorstCase(benchmark::State& state)
{
    const int precision = int(state.range(0));
    static const Bitmap24 other = frameWithStar(-100, -100, 7);
    static const Bitmap24 noiseRef = frameWithStar(-100, -100, 8);
    ZoneReference ref;
    captureZoneReference(noiseRef, kX, kY, 100, 100, precision, Channel::RGB, ref);
    CorrelationScratch scratch;
    CorrelationSearch s;
    for (auto _ : state) {
        s = searchCorrelation(other, ref, zoneOf(100), 100, 100, precision, Channel::RGB, scratch);
        benchmark::DoNotOptimize(s);
    }
    state.counters["candidates"] = s.evaluated;
}

// The program's windows and slot 1 showing the star frame, made once.
void prepareProgram()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    static platform::SimulatedPortAccess ports;
    platform::setPortAccess(&ports);
    Startup::CreateWindows();
    Align_V::CreateMissingSlotBitmaps();
    Align_V::CreateMissingWorkBitmaps();
    CameraSlots[1].width = kW;
    CameraSlots[1].height = kH;
    CurrentCameraSlot = GuideSourceSlot = 1;
    const Bitmap24& f = starFrame();
    for (int y = 0; y < kH; ++y)
        std::copy_n(f.scanLine(y), kW * 3, SlotBitmaps[1][0]->scanLine(y));
    FRM_Alv->Image1->SetPictureSize(kW, kH);
    TrackedStarPos = DisplayZoneCenter = QPoint(kX, kY);
    Align_V::ComputeDisplayZone(1);
}

// The whole tracking step of the frame routine (software tracking), per
// method: 0 brightest pixel, 1 bright centroid, 2 dark axes, 3 limits,
// 4 drift, 5 correlation.
void BM_TrackStep(benchmark::State& state)
{
    prepareProgram();
    const int method = int(state.range(0)), size = int(state.range(1));
    auto* t = FRM_Tool_Suivi;
    QRadioButton* radios[] = {t->RDB_Colimacon, t->RDB_Somax, t->RDB_Somax, t->RDB_Cadres, t->RDB_Derive,
                              t->RDB_Correlation};
    radios[method]->setChecked(true);
    t->CKB_Inversion_Video->setChecked(method == 2);
    t->SPED_Seuil_Detect_Min->setValue(method == 2 ? 0 : 50);
    FRM_Tool_Affichage->TNI_Taille_ZDetect->SetValue(size);
    if (method == 5)
        Align_V::CaptureZoneReference(Align_V::SourceFrame(1, 0, false), kX, kY, size, size, 2, 0);
    TTrackResult result;
    for (auto _ : state) {
        TrackedStarPos = QPoint(kX, kY);
        ReferenceDirty = 0;
        benchmark::DoNotOptimize(Align_V::TrackStep(kX, kY, size, size, 1, 0, 1, 0, result, 0));
    }
    t->CKB_Inversion_Video->setChecked(false);
}

} // namespace

BENCHMARK(BM_TrackStep)
    ->ArgNames({"method", "zone"})
    ->ArgsProduct({{0, 1, 2, 3, 4, 5}, {40, 100, 480}})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BrightestPixel)->Arg(40)->Arg(100)->Arg(480)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BrightCentroid)->Arg(40)->Arg(100)->Arg(480)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DarkAxes)->Arg(40)->Arg(100)->Arg(480)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ObjectLimits)->Arg(40)->Arg(100)->Arg(480)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RadialLimits)->Arg(40)->Arg(100)->Arg(480)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Drift)->Arg(40)->Arg(100)->Arg(480)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Correlation)->Arg(40)->Arg(100)->Arg(480)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CorrelationWorstCase)->ArgName("P")->Arg(2)->Arg(10)->Unit(benchmark::kMicrosecond);
