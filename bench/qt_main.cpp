// Main of the benchmarks that need the program's windows: an offscreen
// QApplication first, the windows released at the end.

#include "app/startup.h"
#include "platform/clock.h"
#include "platform/port_access.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <cstdlib>

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
