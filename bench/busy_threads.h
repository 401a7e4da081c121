#pragma once
// For benchmarks of work split across threads: the processor time all the
// program's threads spent, over the wall time, during the timed loop. Idle
// pool workers sleep, so this is how many threads were working on average:
// near the thread count when the split keeps them all busy; well below it,
// with the processor time no larger than one thread's, when the threads were
// ready but the machine did not run them (other programs' load).

#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>

class BusyThreads {
public:
    BusyThreads() : cpu_(processCpu()), wall_(std::chrono::steady_clock::now()) {}

    // Sets the "busy threads" and "cpu ms/iter" counters; call after the loop.
    void Report(benchmark::State& state) const
    {
        const double cpu = processCpu() - cpu_;
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_).count();
        if (wall > 0 && state.iterations() > 0) {
            state.counters["busy threads"] = cpu / wall;
            state.counters["cpu ms/iter"] = 1000.0 * cpu / double(state.iterations());
        }
    }

private:
    static double processCpu()
    {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
    }

    double cpu_;
    std::chrono::steady_clock::time_point wall_;
};
