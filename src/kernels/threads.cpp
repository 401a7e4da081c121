#include "kernels/threads.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <new>
#include <system_error>
#include <utility>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace kernels {

namespace {

inline void spinPause()
{
#if defined(__x86_64__) || defined(__i386__)
    _mm_pause();
#else
    std::this_thread::yield();
#endif
}

// Every so often while watching: true once the watch is over; until then,
// the core goes to any thread waiting for it. The system tends to start a
// woken thread on the core of the thread that woke it, which may be
// watching; that thread would otherwise wait for the watch to end.
bool giveWay(std::chrono::steady_clock::time_point until)
{
    if (std::chrono::steady_clock::now() >= until)
        return true;
    std::this_thread::yield();
    return false;
}

} // namespace

TThreads::TThreads(ThreadJob job, void* jobParameter)
    : job_(job), jobParameter_(jobParameter), thread_(&TThreads::ThreadProc, this)
{
}

TThreads::~TThreads()
{
    ending_.store(true, std::memory_order_seq_cst);
    {
        // Taken so that a worker between its last look and its sleep is
        // either asleep when notified or sees ending_ before sleeping.
        std::lock_guard lock(mutex_);
    }
    wake_.notify_one();
    thread_.join();
}

void TThreads::Run()
{
    requested_.fetch_add(1, std::memory_order_seq_cst);
    if (workerAsleep_.load(std::memory_order_seq_cst)) {
        { std::lock_guard lock(mutex_); }
        wake_.notify_one();
    }
}

void TThreads::WaitFinished()
{
    // Only this thread changes requested_.
    const std::uint64_t target = requested_.load(std::memory_order_relaxed);
    if (completed_.load(std::memory_order_acquire) != target) {
        const auto until = std::chrono::steady_clock::now() + WaitLinger;
        for (int spin = 1; completed_.load(std::memory_order_acquire) != target; ++spin) {
            if (spin % 64 == 0 && giveWay(until)) {
                std::unique_lock lock(mutex_);
                ownerAsleep_.store(true, std::memory_order_seq_cst);
                finished_.wait(lock, [&] { return completed_.load(std::memory_order_seq_cst) == target; });
                ownerAsleep_.store(false, std::memory_order_relaxed);
                break;
            }
            spinPause();
        }
    }
    if (error_)
        std::rethrow_exception(std::exchange(error_, nullptr));
}

void TThreads::AwaitRun(std::uint64_t done)
{
    const auto ready = [&] {
        return ending_.load(std::memory_order_seq_cst) || requested_.load(std::memory_order_seq_cst) != done;
    };
    const auto until = std::chrono::steady_clock::now() + Linger;
    for (int spin = 1; !ready(); ++spin) {
        if (spin % 64 == 0 && giveWay(until)) {
            std::unique_lock lock(mutex_);
            workerAsleep_.store(true, std::memory_order_seq_cst);
            wake_.wait(lock, ready);
            workerAsleep_.store(false, std::memory_order_relaxed);
            return;
        }
        spinPause();
    }
}

void TThreads::ThreadProc()
{
    std::uint64_t done = 0;
    for (;;) {
        AwaitRun(done);
        // Told to end and to run at once: ending wins.
        if (ending_.load(std::memory_order_acquire))
            return;
        // Pairs with Run(): what the owner prepared is visible from here.
        (void)requested_.load(std::memory_order_acquire);
        try {
            if (job_)
                job_(jobParameter_);
        } catch (...) {
            if (!error_)
                error_ = std::current_exception();
        }
        completed_.store(++done, std::memory_order_seq_cst);
        if (ownerAsleep_.load(std::memory_order_seq_cst)) {
            { std::lock_guard lock(mutex_); }
            finished_.notify_all();
        }
    }
}

TThreadPool::TThreadPool(int capacity) : capacity_(std::max(capacity, 0))
{
    workers_.reserve(static_cast<std::size_t>(capacity_));
}

TThreadPool::~TThreadPool()
{
    for (auto& worker : workers_)
        worker.reset();
}

TThreads* TThreadPool::AddWorker(ThreadJob job, void* jobParameter)
{
    std::unique_ptr<TThreads> worker;
    try {
        worker = std::make_unique<TThreads>(job, jobParameter);
        workers_.push_back(std::move(worker));
    } catch (const std::system_error&) {
        return nullptr;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    capacity_ = std::max(capacity_, Count());
    return workers_.back().get();
}

TThreads* TThreadPool::GetWorker(int i) const
{
    return (i < 0 || i >= Count()) ? nullptr : workers_[static_cast<std::size_t>(i)].get();
}

void TThreadPool::WaitAll()
{
    std::exception_ptr first;
    for (auto& worker : workers_) {
        try {
            worker->WaitFinished();
        } catch (...) {
            if (!first)
                first = std::current_exception();
        }
    }
    if (first)
        std::rethrow_exception(first);
}

TGenericModule::~TGenericModule()
{
    SetPools(0);
}

void TGenericModule::SetPools(int n)
{
    if ((n > 0) == poolsActive_)
        return;
    if (n > 0) {
        for (int i = 0; i < n; ++i)
            pools_.push_back(std::make_unique<TThreadPool>(1));
    } else {
        for (auto& pool : pools_)
            pool.reset();
        pools_.clear();
    }
    poolsActive_ = n > 0;
}

TThreadPool* TGenericModule::GetPool(int i) const
{
    return (i < 0 || i >= PoolCount()) ? nullptr : pools_[static_cast<std::size_t>(i)].get();
}

bool TGenericModule::SetThreadCount(int n)
{
    if (n < 1 || n > MaxThreads)
        return false;
    threadCount_ = n;
    return true;
}

namespace NJImages_Threaded {

namespace {

// Band `index` of `parts` equal bands of first..last (inclusive); the last
// band takes the remainder.
void splitSpan(int parts, int index, std::int32_t& first, std::int32_t& last)
{
    const std::int64_t length = std::int64_t(last) - first + 1;
    const std::int64_t size = length / parts;
    const std::int64_t start = size * index + first;
    std::int64_t end = start + size - 1;
    if (index == parts - 1)
        end += length % parts;
    first = static_cast<std::int32_t>(start);
    last = static_cast<std::int32_t>(end);
}

} // namespace

void SplitRows(int parts, int index, const NJRect& rect, NJRect& band)
{
    band = rect;
    if (parts >= 1)
        splitSpan(parts, index, band.Top, band.Bottom);
}

void SplitColumns(int parts, int index, const NJRect& rect, NJRect& band)
{
    band = rect;
    if (parts >= 1)
        splitSpan(parts, index, band.Left, band.Right);
}

} // namespace NJImages_Threaded

} // namespace kernels
