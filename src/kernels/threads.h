#pragma once
// Worker threads for the image modules.
//
// TThreads owns one worker thread that runs its job once per Run(); a
// TThreadPool groups workers and waits until all their runs have finished;
// TGenericModule is the base of the image modules and holds their pools and
// thread count. A module created with the default thread count of 1, or one
// without pools, runs every step inline on the calling thread.
//
// Everything here is created, run, awaited and destroyed from the module's
// owner thread. A worker's mutex and condition variables exist before its
// thread starts; nothing is shared between workers or named system-wide.
//
// Waking a sleeping thread costs tens of microseconds on some systems, as
// much as a whole pass over a small image. So a worker that has finished its
// runs keeps watching for the next one for TThreads::Linger before it
// sleeps, and Run() on a watching worker makes no system call; WaitFinished()
// likewise watches for a while before it sleeps.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace kernels {

// An inclusive rectangle: columns Left..Right, rows Top..Bottom. Empty when
// Right < Left or Bottom < Top.
struct NJRect {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = -1;
    std::int32_t Bottom = -1;

    bool isEmpty() const { return Right < Left || Bottom < Top; }
    friend bool operator==(const NJRect&, const NJRect&) = default;
};

using ThreadJob = void (*)(void* jobParameter);

class TThreads {
public:
    // How long a worker out of runs watches for the next before it sleeps.
    static constexpr std::chrono::microseconds Linger{150};
    // How long WaitFinished() watches for the runs to end before it sleeps.
    static constexpr std::chrono::microseconds WaitLinger{100};

    // Starts the worker thread at once; it then waits to be run. Throws
    // std::system_error when the system cannot start a thread.
    TThreads(ThreadJob job, void* jobParameter);
    // Ends the thread and returns once it has ended, at once when the worker
    // is watching or asleep. A job in progress finishes first; runs not yet
    // started are dropped.
    ~TThreads();
    TThreads(const TThreads&) = delete;
    TThreads& operator=(const TThreads&) = delete;

    // Each call gives exactly one call of the job on the worker thread.
    void Run();
    // Waits until every run asked for so far has returned (at once when
    // none is pending). Rethrows, once, an exception a job let escape.
    void WaitFinished();

    std::thread::id ThreadId() const { return thread_.get_id(); }

private:
    void ThreadProc();
    // Watches for a run or the end for Linger, then sleeps until one comes.
    void AwaitRun(std::uint64_t done);

    ThreadJob job_;
    void* jobParameter_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    // Written by the owner; the worker's load of it (acquire) makes what the
    // owner prepared before Run() visible to the job.
    std::atomic<std::uint64_t> requested_{0};
    // Written by the worker after each job (release), so the owner finds the
    // job's results, and error_, once it sees the count.
    std::atomic<std::uint64_t> completed_{0};
    std::atomic<bool> ending_{false};
    // Set, under the mutex, by a side about to sleep; the other side, having
    // changed the count it waits on, then takes the mutex and notifies. Both
    // sides store then load in sequential consistency, so either the sleeper
    // sees the new count or the other side sees it asleep.
    std::atomic<bool> workerAsleep_{false};
    std::atomic<bool> ownerAsleep_{false};
    // The first exception a job let escape since the owner last took it;
    // the worker writes it only before counting the run done.
    std::exception_ptr error_;
    std::thread thread_;   // last: starts after everything above exists
};

class TThreadPool {
public:
    explicit TThreadPool(int capacity = 1);
    // Destroys the workers in the order they were added.
    ~TThreadPool();
    TThreadPool(const TThreadPool&) = delete;
    TThreadPool& operator=(const TThreadPool&) = delete;

    // Adds a worker for the job; nullptr when its thread cannot be started
    // (the pool is then unchanged).
    TThreads* AddWorker(ThreadJob job, void* jobParameter);
    int Count() const { return static_cast<int>(workers_.size()); }
    int Capacity() const { return capacity_; }
    // Worker i, nullptr outside 0..Count()-1.
    TThreads* GetWorker(int i) const;
    // Waits until every worker has finished all its runs; then rethrows the
    // first exception a job let escape, if any.
    void WaitAll();

private:
    int capacity_;
    std::vector<std::unique_ptr<TThreads>> workers_;
};

class TGenericModule {
public:
    // The job blocks of a pooled run hold one entry per worker.
    static constexpr int MaxThreads = 11;

    TGenericModule() = default;
    virtual ~TGenericModule();
    TGenericModule(const TGenericModule&) = delete;
    TGenericModule& operator=(const TGenericModule&) = delete;

    // n > 0 makes n new pools (capacity 1, no workers) unless pools are
    // already active; n <= 0 frees every pool, in creation order.
    void SetPools(int n);
    int PoolCount() const { return static_cast<int>(pools_.size()); }
    TThreadPool* GetPool(int i) const;
    bool PoolsActive() const { return poolsActive_; }

    int ThreadCount() const { return threadCount_; }
    // Accepts 1..MaxThreads and returns true; any other count is refused
    // (returns false, the count is unchanged).
    bool SetThreadCount(int n);

    // A step goes through the pools only with at least one pool and two
    // threads; otherwise it runs inline over the whole image.
    bool RunsPooled() const { return PoolCount() >= 1 && threadCount_ >= 2; }

private:
    bool poolsActive_ = false;
    std::vector<std::unique_ptr<TThreadPool>> pools_;
    int threadCount_ = 1;
};

namespace NJImages_Threaded {

// The band of rect that part index (0-based) of parts works on: rows split
// evenly, the last part also takes the rows left over. Parts below 1 give
// the whole rectangle.
void SplitRows(int parts, int index, const NJRect& rect, NJRect& band);
// The same along the columns.
void SplitColumns(int parts, int index, const NJRect& rect, NJRect& band);

} // namespace NJImages_Threaded

} // namespace kernels
