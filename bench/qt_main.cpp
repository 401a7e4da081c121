// Main of the benchmarks that need the program's windows: an offscreen
// QApplication first, the windows released at the end.

#include "qt_main.h"

#include "app/frm_alv.h"
#include "app/startup.h"
#include "imaging/pipeline_state.h"
#include "platform/clock.h"
#include "platform/port_access.h"
#include "platform/port_access_sim.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <cstdlib>

void bench::PrepareWindowsAndBitmaps()
{
    static platform::SimulatedPortAccess ports;
    platform::setPortAccess(&ports);
    if (!FRM_Alv)
        Startup::CreateWindows();
    Align_V::CreateMissingSlotBitmaps();
    Align_V::CreateMissingWorkBitmaps();
}

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    platform::settleLocalTimeZone();   // as the program's main does
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Startup::DestroyWindows();
    platform::setPortAccess(nullptr);
    return 0;
}
