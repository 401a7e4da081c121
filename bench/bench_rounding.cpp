#include "kernels/rounding.h"

#include <benchmark/benchmark.h>

static void BM_RoundHalfEven(benchmark::State& state)
{
    double v = 0.25;
    for (auto _ : state) {
        benchmark::DoNotOptimize(kernels::roundHalfEvenToInt(v));
        v += 0.5;
    }
}
BENCHMARK(BM_RoundHalfEven);
