#pragma once
// Include in exactly one source of a benchmark program: counts every heap
// allocation of the program in g_allocations.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>

// Every heap allocation is counted: operator new, and malloc, calloc and
// realloc themselves (the toolkit's strings and text layouts allocate
// through them), interposed here on top of the C library's own.
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void __libc_free(void*);
}

namespace {
std::atomic<long long> g_allocations{0};

// Runs the body once (its buffers are made then), then times it and counts
// the allocations it makes per call under `counter`.
template <class Body>
void MeasureAllocations(benchmark::State& state, const char* counter, Body body)
{
    body();
    const long long before = g_allocations.load();
    long long calls = 0;
    for (auto _ : state) {
        body();
        ++calls;
    }
    state.counters[counter] = double(g_allocations.load() - before) / double(std::max(calls, 1LL));
}
} // namespace

extern "C" void* malloc(std::size_t n)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(n);
}
extern "C" void* calloc(std::size_t n, std::size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(n, size);
}
extern "C" void* realloc(void* p, std::size_t n)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(p, n);
}
extern "C" void free(void* p)
{
    __libc_free(p);
}

void* operator new(std::size_t n)
{
    if (void* p = malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n)
{
    return operator new(n);
}
void operator delete(void* p) noexcept
{
    free(p);
}
void operator delete[](void* p) noexcept
{
    free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    free(p);
}

