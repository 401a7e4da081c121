// Interface-thread time of one LX200 position poll (":D#", ":GR#", ":GD#")
// with a mount on a pseudo-terminal answering every command 0, 200 and
// 600 ms late. The time reported per iteration is the CPU time the interface
// thread spent on the poll, from the timer's call to the replies applied;
// the thread waits in its event loop the rest of the time. "wall_ms" is how
// long the poll took in all and "longest_step_ms" the most CPU time one pass
// of the event loop spent on it (the longest the interface could not
// answer).

#include "app/frm_pref.h"
#include "app/startup.h"
#include "platform/com_io.h"
#include "platform/port_access.h"
#include "platform/port_access_sim.h"
#include "support/scripted_mount.h"
#include "telescope/frm_prg_suivi.h"
#include "telescope/mount_conversation.h"
#include "telescope/prg_suivi.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QRadioButton>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>

namespace {

double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

testsupport::ScriptedMount& mount()
{
    static testsupport::ScriptedMount* m = [] {
        auto* created = new testsupport::ScriptedMount;
        static platform::SimulatedPortAccess ports;
        platform::setPortAccess(&ports);
        Startup::CreateWindows();
        platform::com_io::SetDevicePath(3, created->devicePath());
        TFRM_Pref& p = *FRM_Pref;
        const QString port = QStringLiteral("      COM3");
        if (p.CBX_AG_PortSerie->findText(port) < 0)
            p.CBX_AG_PortSerie->addItem(port);
        p.CBX_AG_PortSerie->setCurrentIndex(p.CBX_AG_PortSerie->findText(port));
        p.CBX_AG_Vitesse->setCurrentIndex(p.CBX_AG_Vitesse->findText(QStringLiteral("9600")));
        p.RDB_Mount_LX200->setChecked(true);
        Prg_Suivi::ConnectMount();
        // One poll first, so that what the first one sets up is not counted.
        FRM_Prg_Suivi->TMR_ScopePositionTimer();
        while (!Prg_Suivi::Conversation().idle())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return created;
    }();
    return *m;
}

void BM_PositionPoll(benchmark::State& state)
{
    testsupport::ScriptedMount& m = mount();
    m.setDelay(int(state.range(0)));
    double wall = 0, stall = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        const double cpu0 = threadCpuSeconds();
        FRM_Prg_Suivi->TMR_ScopePositionTimer();
        double longest = threadCpuSeconds() - cpu0;
        while (!Prg_Suivi::Conversation().idle()) {
            const double before = threadCpuSeconds();
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            longest = std::max(longest, threadCpuSeconds() - before);
        }
        state.SetIterationTime(threadCpuSeconds() - cpu0);
        wall += double(clock.nsecsElapsed()) * 1e-6;
        stall = std::max(stall, longest * 1e3);
    }
    state.counters["wall_ms"] = wall / double(state.iterations());
    state.counters["longest_step_ms"] = stall;
}

} // namespace

BENCHMARK(BM_PositionPoll)->Arg(0)->Arg(200)->Arg(600)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
