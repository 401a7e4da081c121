// One full translation pass with all windows created: with the shipped
// English file, and with no language file (the French texts).

#include "app/frm_pref.h"
#include "app/startup.h"
#include "platform/paths.h"
#include "platform/port_access_sim.h"
#include "translation/language.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

struct Windows {
    Windows()
    {
        platform::setPortAccess(&ports);
        platform::setProgramDir(dir.path());
        QFile::copy(QStringLiteral(NJ_SOURCE_DIR "/resources/programdir/Lang_English.ini"),
                    dir.filePath(QStringLiteral("Lang_English.ini")));
        Startup::CreateWindows();
    }
    ~Windows()
    {
        Startup::DestroyWindows();
        platform::setPortAccess(nullptr);
    }
    platform::SimulatedPortAccess ports;
    QTemporaryDir dir;
};

void runPasses(benchmark::State& state, const QString& language)
{
    Windows windows;
    FRM_Pref->CBX_Langue->clear();
    FRM_Pref->CBX_Langue->addItem(language);
    FRM_Pref->CBX_Langue->setCurrentIndex(0);
    LanguageFilePath = platform::joinPath(platform::programDir(), QStringLiteral("Lang_") + language + QStringLiteral(".ini"));
    for (auto _ : state)
        Settings::ApplyTranslation();
}

void BM_PassWithEnglishFile(benchmark::State& state) { runPasses(state, QStringLiteral("English")); }
void BM_PassWithoutFile(benchmark::State& state) { runPasses(state, QStringLiteral("Absent")); }

} // namespace

BENCHMARK(BM_PassWithEnglishFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PassWithoutFile)->Unit(benchmark::kMillisecond);
