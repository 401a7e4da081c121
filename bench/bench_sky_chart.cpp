// The sky chart: reading the three converted catalogues, one redraw of the
// default chart page at 640 x 480 and 1920 x 1080, and the object picker's
// deep-sky list. Aims: loading under 20 ms, redraws under 8 and 20 ms, the
// picker under 100 ms.

#include "app/settings.h"
#include "app/startup.h"
#include "platform/paths.h"
#include "platform/port_access_sim.h"
#include "telescope/frm_recherche.h"
#include "telescope/sky/catalogues.h"
#include "telescope/sky/sky_chart.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <numbers>

namespace {

// The program's windows (for the chart settings of the Preferences dialog)
// and the catalogues; false without converted catalogues.
bool prepare(benchmark::State& state)
{
    static bool done = false, loaded = false;
    if (!done) {
        done = true;
        static platform::SimulatedPortAccess ports;
        platform::setPortAccess(&ports);
        Startup::CreateWindows();
        // The chart page as a new user has it: the shipped defaults.
        static QTemporaryDir settingsDir;
        platform::setProgramDir(settingsDir.path());
        SettingsFilePath = platform::joinPath(settingsDir.path(), Settings::kSettingsFileName);
        QFile file(SettingsFilePath);
        if (file.open(QIODevice::WriteOnly))
            file.write(Settings::DefaultSettingsBytes());
        file.close();
        Settings::LoadSettings();
        platform::setProgramDir(QStringLiteral(NJ_SKYDATA_DIR));
        Sky::LoadCatalogues();
        loaded = Sky::StarCount() > 0 && Sky::DeepSkyCount() > 0;
    }
    if (!loaded)
        state.SkipWithError("no converted catalogues (run scripts/install-deps.sh, then build)");
    return loaded;
}

void BM_LoadCatalogues(benchmark::State& state)
{
    if (!prepare(state))
        return;
    for (auto _ : state) {
        Sky::LoadStars();
        Sky::LoadDeepSky();
        Sky::LoadConstellationLines();
        benchmark::DoNotOptimize(Sky::StarCatalogue.data());
    }
}
BENCHMARK(BM_LoadCatalogues)->Unit(benchmark::kMillisecond);

void BM_RedrawChart(benchmark::State& state)
{
    if (!prepare(state))
        return;
    // The default chart: centred at RA 0, Dec 0.795 rad, 90 degrees wide.
    Sky::ChartCentreRA = 0;
    Sky::ChartCentreDec = 0.795;
    Sky::ChartFieldWidth = std::numbers::pi / 2;
    QImage image(int(state.range(0)), int(state.range(1)), QImage::Format_RGB32);
    for (auto _ : state) {
        Sky::RenderChart(image, Sky::CurrentChartSettings());
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_RedrawChart)->Args({640, 480})->Args({1920, 1080})->Unit(benchmark::kMillisecond);

void BM_PickerDeepSkyList(benchmark::State& state)
{
    if (!prepare(state))
        return;
    FRM_Recherche->Tag = 1;
    for (auto _ : state)
        FRM_Recherche->BuildList();
}
BENCHMARK(BM_PickerDeepSkyList)->Unit(benchmark::kMillisecond);

} // namespace
