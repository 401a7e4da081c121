// Wall-clock time the interface thread is held by the mount's requests:
//   - one LX200 position poll (":D#", ":GR#", ":GD#") with a mount on a
//     pseudo-terminal answering every command 0, 200 and 600 ms late;
//   - one ASCOM (Alpaca) position poll and one hand-pad press and release,
//     with a device on 127.0.0.1 answering 0, 300 and 2000 ms late.
// The time reported per iteration is the wall-clock time the interface
// thread spent busy on the request: the call itself and every pass of its
// event loop that handled an event, until the answers are applied; a
// blocking read or wait counts in full (thread CPU time would not see it). "wall_ms" is how long the request took in all and
// "longest_step_ms" the longest single stretch the interface could not
// answer.

#include "app/frm_pref.h"
#include "app/startup.h"
#include "platform/com_io.h"
#include "platform/port_access.h"
#include "platform/port_access_sim.h"
#include "support/alpaca_peer.h"
#include "support/scripted_mount.h"
#include "telescope/alpaca/alpaca_chooser.h"
#include "telescope/ascom_bridge.h"
#include "telescope/frm_prg_suivi.h"
#include "telescope/frm_raquette.h"
#include "telescope/mount_conversation.h"
#include "telescope/mount_state.h"
#include "telescope/prg_suivi.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QRadioButton>
#include <QThread>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>

namespace {

// Adds up the stretches the interface thread is busy: the direct call, and
// every pass of its event loop that handled something (measured whole, the
// loop never blocks inside a measured pass); passes with nothing to do are
// not counted and the thread sleeps 1 ms between them.
class HeldTime {
public:
    // A direct call on the interface thread.
    void call(const std::function<void()>& f)
    {
        QElapsedTimer t;
        t.start();
        f();
        add(double(t.nsecsElapsed()) * 1e-6);
    }
    // Runs the event loop until done() holds (or 20 s).
    void pumpUntil(const std::function<bool()>& done)
    {
        auto* dispatcher = QAbstractEventDispatcher::instance();
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < 20000) {
            QElapsedTimer pass;
            pass.start();
            if (dispatcher->processEvents(QEventLoop::AllEvents))
                add(double(pass.nsecsElapsed()) * 1e-6);
            else
                QThread::msleep(1);
        }
    }
    double total_ms = 0;
    double longest_ms = 0;

private:
    void add(double ms)
    {
        total_ms += ms;
        longest_ms = std::max(longest_ms, ms);
    }
};

void prepareWindows()
{
    static platform::SimulatedPortAccess ports;
    if (!FRM_Pref) {
        platform::setPortAccess(&ports);
        Startup::CreateWindows();
    }
}

testsupport::ScriptedMount& mount()
{
    static testsupport::ScriptedMount* m = [] {
        auto* created = new testsupport::ScriptedMount;
        prepareWindows();
        platform::com_io::SetDevicePath(3, created->devicePath());
        return created;
    }();
    TFRM_Pref& p = *FRM_Pref;
    if (!p.RDB_Mount_LX200->isChecked()) {
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
    }
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
        HeldTime held;
        held.call([] { FRM_Prg_Suivi->TMR_ScopePositionTimer(); });
        held.pumpUntil([] { return Prg_Suivi::Conversation().idle(); });
        state.SetIterationTime(held.total_ms * 1e-3);
        wall += double(clock.nsecsElapsed()) * 1e-6;
        stall = std::max(stall, held.longest_ms);
    }
    state.counters["wall_ms"] = wall / double(state.iterations());
    state.counters["longest_step_ms"] = stall;
}

// The Alpaca device, chosen and connected through the Preferences.
testsupport::AlpacaPeer& device()
{
    static testsupport::AlpacaPeer* peer = new testsupport::AlpacaPeer;
    prepareWindows();
    TFRM_Pref& p = *FRM_Pref;
    if (!p.RDB_Mount_ASCOM->isChecked()) {
        peer->configure([](testsupport::AlpacaPeer::Config& c) { c.delay_ms = 0; });
        Prg_Suivi::DisconnectMount();   // the LX200 mount of the benchmarks before
        p.EDT_ASCOM_Telescope->setText(peer->address());
        p.RDB_Mount_ASCOM->click();
        p.BTN_Mount_Connecter->click();
        QElapsedTimer t;
        t.start();
        while ((Prg_Suivi::AscomConnectionUnderWay() || !AscomBridge::AscomSharedData.Connected) && t.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (!AscomBridge::AscomSharedData.Connected)
            qFatal("bench_mount_poll: the Alpaca device did not connect");
    }
    return *peer;
}

void BM_AscomPositionPoll(benchmark::State& state)
{
    testsupport::AlpacaPeer& peer = device();
    peer.configure([&](testsupport::AlpacaPeer::Config& c) { c.delay_ms = int(state.range(0)); });
    double wall = 0, stall = 0, dec = 10;
    for (auto _ : state) {
        dec += 1;
        peer.setState([dec](testsupport::AlpacaPeer::State& s) { s.decDegrees = dec; });
        QElapsedTimer clock;
        clock.start();
        HeldTime held;
        held.call([] { FRM_Prg_Suivi->TMR_ScopePositionTimer(); });
        held.pumpUntil([dec, &peer] {
            return TelescopeDec == dec * 3600 && peer.callTexts(QStringLiteral("GET slewing")).size() > 0;
        });
        // The poll's last answers are in once nothing more is out.
        held.pumpUntil([&] { return clock.elapsed() > state.range(0) + 50; });
        state.SetIterationTime(held.total_ms * 1e-3);
        wall += double(clock.nsecsElapsed()) * 1e-6;
        stall = std::max(stall, held.longest_ms);
    }
    state.counters["wall_ms"] = wall / double(state.iterations());
    state.counters["longest_step_ms"] = stall;
}

void BM_HandPadPressAndRelease(benchmark::State& state)
{
    testsupport::AlpacaPeer& peer = device();
    peer.configure([&](testsupport::AlpacaPeer::Config& c) { c.delay_ms = int(state.range(0)); });
    double wall = 0, stall = 0;
    for (auto _ : state) {
        peer.clearCalls();
        QElapsedTimer clock;
        clock.start();
        HeldTime held;
        held.call([] { emit FRM_Raquette->BTN_N->pressed(); });
        held.call([] { emit FRM_Raquette->BTN_N->released(); });
        held.pumpUntil([&peer] {
            return peer.callTexts(QStringLiteral("PUT moveaxis Axis=1&Rate=0")).size() > 0
                   && peer.state().axisRate[1] == 0;
        });
        // Until every answer has come back and been applied.
        held.pumpUntil([&] { return clock.elapsed() > 2 * state.range(0) + 50; });
        state.SetIterationTime(held.total_ms * 1e-3);
        wall += double(clock.nsecsElapsed()) * 1e-6;
        stall = std::max(stall, held.longest_ms);
    }
    state.counters["wall_ms"] = wall / double(state.iterations());
    state.counters["longest_step_ms"] = stall;
}

} // namespace

// The same loop with no request for 2 s: what the program's own timers cost
// meanwhile (the joystick's 50 ms poll among them), counted in the figures
// above for as long as each request is out.
void BM_IdleLoop(benchmark::State& state)
{
    prepareWindows();
    for (auto _ : state) {
        HeldTime held;
        QElapsedTimer clock;
        clock.start();
        held.pumpUntil([&] { return clock.elapsed() >= 2000; });
        state.SetIterationTime(held.total_ms * 1e-3);
        state.counters["longest_step_ms"] = held.longest_ms;
    }
}

BENCHMARK(BM_PositionPoll)->Arg(0)->Arg(200)->Arg(600)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AscomPositionPoll)->Arg(0)->Arg(300)->Arg(2000)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HandPadPressAndRelease)->Arg(0)->Arg(300)->Arg(2000)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IdleLoop)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
