// The periodic-error recording per frame, with the graph already holding
// 10^4, 10^5 and 10^6 points (a night at 30 frames a second adds about a
// million): the frame's measure with its point (BM_MeasurePeriodicError,
// which only records the point: the series takes them in batches), and one
// repaint of the graph with a new batch (BM_GraphRepaint, at most ten a
// second). Aims: under 50 us a frame at any size; a repaint of 10^5 points
// under 50 ms. One thread.

#include "app/frm_pref.h"
#include "app/settings.h"
#include "capture/camera_slots.h"
#include "imaging/pipeline_state.h"
#include "qt_main.h"
#include "telescope/frm_err_period.h"
#include "telescope/periodic_error_chart.h"
#include "tools/frm_tool_mesures.h"

#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <cmath>

namespace {

// The graph holding `points` points of a 120 s swing at 30 frames a second.
TPeriodicErrorChart& graphWith(std::int64_t points)
{
    bench::PrepareWindowsAndBitmaps();
    TPeriodicErrorChart& chart = *FRM_ErrPeriod->CHRT_Erreur_Periodique;
    chart.Clear();
    for (std::int64_t i = 0; i < points; ++i)
        chart.AddPoint(double(i) / 30, 9 * std::sin(2 * M_PI * double(i) / 3600));
    chart.Flush();
    return chart;
}

void BM_MeasurePeriodicError(benchmark::State& state)
{
    TPeriodicErrorChart& chart = graphWith(state.range(0));
    CameraSlots[1].width = 640;
    CameraSlots[1].height = 480;
    CurrentCameraSlot = 1;
    EffectiveFocalLength = 1000;
    FRM_Tool_Mesures->TNI_Larg_Pix->SetValue(5.6);
    FRM_Tool_Mesures->TNI_Haut_Pix->SetValue(5.6);
    TCustomNumInp* elapsed = FRM_ErrPeriod->TNI_Duree_Pose;
    std::int64_t frame = state.range(0);
    for (auto _ : state) {
        ++frame;
        PeriodicErrorTrail = QPoint(int(frame % 17) + 1, 1);
        ProcedureDirection = frame % 2 ? 0 : 180;
        elapsed->SetValue(double(frame) / 30);
        ErrPeriod::MeasurePeriodicError();
    }
    state.counters["points"] = double(chart.Points().size());
}

void BM_GraphRepaint(benchmark::State& state)
{
    TPeriodicErrorChart& chart = graphWith(state.range(0));
    chart.resize(600, 300);
    QImage image(600, 300, QImage::Format_RGB32);
    for (auto _ : state) {
        // A new batch, then the whole graph drawn again.
        chart.AddPoint(double(state.range(0)) / 30, 1);
        chart.AddPoint(double(state.range(0) + 1) / 30, 2);
        chart.AddPoint(double(state.range(0) + 2) / 30, 3);
        chart.Flush();
        QPainter painter(&image);
        chart.render(&painter);
    }
}

} // namespace

BENCHMARK(BM_MeasurePeriodicError)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GraphRepaint)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
