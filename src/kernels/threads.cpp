#include "kernels/threads.h"

#include <algorithm>
#include <new>
#include <system_error>
#include <utility>

namespace kernels {

TThreads::TThreads(ThreadJob job, void* jobParameter)
    : job_(job), jobParameter_(jobParameter), thread_(&TThreads::ThreadProc, this)
{
}

TThreads::~TThreads()
{
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void TThreads::Run()
{
    {
        std::lock_guard lock(mutex_);
        ++requested_;
    }
    wake_.notify_one();
}

void TThreads::WaitFinished()
{
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [this] { return completed_ == requested_; });
    if (error_) {
        std::exception_ptr error = std::exchange(error_, nullptr);
        lock.unlock();
        std::rethrow_exception(error);
    }
}

void TThreads::ThreadProc()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return ending_ || completed_ < requested_; });
        // Told to end and to run at once: ending wins.
        if (ending_)
            return;
        lock.unlock();
        std::exception_ptr error;
        try {
            if (job_)
                job_(jobParameter_);
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        if (error && !error_)
            error_ = error;
        ++completed_;
        finished_.notify_all();
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
