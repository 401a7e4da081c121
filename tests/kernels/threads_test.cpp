#include "kernels/threads.h"
#include "kernels/row_pool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

using kernels::NJRect;
using kernels::TGenericModule;
using kernels::TThreadPool;

namespace {

struct Counter {
    std::atomic<int> calls{0};
    std::atomic<bool> onOtherThread{true};
    std::thread::id owner = std::this_thread::get_id();
};

void slowCount(void* parameter)
{
    auto* counter = static_cast<Counter*>(parameter);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (std::this_thread::get_id() == counter->owner)
        counter->onOtherThread = false;
    ++counter->calls;
}

void failingJob(void*) { throw std::runtime_error("job failed"); }

} // namespace

TEST(ThreadSplit, BandsCoverTheRectangleAndTheLastTakesTheRest)
{
    NJRect band;
    const NJRect rows{4, 0, 7, 9};
    kernels::NJImages_Threaded::SplitRows(3, 0, rows, band);
    EXPECT_EQ(band, (NJRect{4, 0, 7, 2}));
    kernels::NJImages_Threaded::SplitRows(3, 1, rows, band);
    EXPECT_EQ(band, (NJRect{4, 3, 7, 5}));
    kernels::NJImages_Threaded::SplitRows(3, 2, rows, band);
    EXPECT_EQ(band, (NJRect{4, 6, 7, 9}));
    kernels::NJImages_Threaded::SplitRows(2, 0, {0, 0, 0, 8}, band);
    EXPECT_EQ(band, (NJRect{0, 0, 0, 3}));
    kernels::NJImages_Threaded::SplitRows(2, 1, {0, 0, 0, 8}, band);
    EXPECT_EQ(band, (NJRect{0, 4, 0, 8}));

    kernels::NJImages_Threaded::SplitColumns(2, 1, {10, 3, 18, 5}, band);
    EXPECT_EQ(band, (NJRect{14, 3, 18, 5}));
    // Fewer rows than parts: the early bands are empty, the last has all.
    kernels::NJImages_Threaded::SplitRows(4, 0, {0, 0, 5, 1}, band);
    EXPECT_TRUE(band.isEmpty());
    kernels::NJImages_Threaded::SplitRows(4, 3, {0, 0, 5, 1}, band);
    EXPECT_EQ(band, (NJRect{0, 0, 5, 1}));
    // No parts: the whole rectangle rather than a division by zero.
    kernels::NJImages_Threaded::SplitColumns(0, 0, rows, band);
    EXPECT_EQ(band, rows);
}

TEST(ThreadPool, EachRunIsAwaitedOnWorkerThreads)
{
    Counter counter;
    TThreadPool pool(1);
    for (int i = 0; i < 3; ++i)
        ASSERT_NE(pool.AddWorker(slowCount, &counter), nullptr);
    EXPECT_EQ(pool.Count(), 3);
    EXPECT_EQ(pool.Capacity(), 3);
    EXPECT_EQ(pool.GetWorker(3), nullptr);
    EXPECT_EQ(pool.GetWorker(-1), nullptr);

    pool.WaitAll();   // nothing was run: returns at once
    for (int run = 1; run <= 2; ++run) {
        for (int i = 0; i < pool.Count(); ++i)
            pool.GetWorker(i)->Run();
        pool.WaitAll();
        EXPECT_EQ(counter.calls, 3 * run);
    }
    // Two runs of one worker before a wait give two calls.
    pool.GetWorker(0)->Run();
    pool.GetWorker(0)->Run();
    pool.WaitAll();
    EXPECT_EQ(counter.calls, 8);
    EXPECT_TRUE(counter.onOtherThread);
}

TEST(ThreadPool, JobErrorsReachTheWaiterOnce)
{
    Counter counter;
    TThreadPool pool;
    pool.AddWorker(failingJob, nullptr);
    pool.AddWorker(slowCount, &counter);
    pool.GetWorker(0)->Run();
    pool.GetWorker(1)->Run();
    EXPECT_THROW(pool.WaitAll(), std::runtime_error);
    EXPECT_EQ(counter.calls, 1);   // the other job still finished before the report
    pool.GetWorker(1)->Run();
    EXPECT_NO_THROW(pool.WaitAll());
}

namespace {

// A job that doubles what the owner left in `input`: a run whose data the
// worker does not see, or whose result the owner reads early, is a data race
// (ThreadSanitizer reports it) or a wrong result.
struct Doubler {
    int input = 0;
    int output = 0;
    std::atomic<int> calls{0};
    std::chrono::microseconds busy{0};
};

void doubleIt(void* parameter)
{
    auto* d = static_cast<Doubler*>(parameter);
    if (d->busy.count() > 0) {
        const auto until = std::chrono::steady_clock::now() + d->busy;
        while (std::chrono::steady_clock::now() < until) {
        }
    }
    d->output = d->input * 2;
    d->calls.fetch_add(1, std::memory_order_relaxed);
}

void busyFor(std::chrono::microseconds span)
{
    const auto until = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < until) {
    }
}

} // namespace

// Runs asked back to back find the worker still watching: each is one call,
// with the data the owner prepared, in bursts as well as one by one.
TEST(ThreadWorker, RunsAskedWhileTheWorkerWatchesRunOnceEach)
{
    Doubler d;
    kernels::TThreads worker(doubleIt, &d);
    int expected = 0;
    for (int i = 1; i <= 2000; ++i) {
        d.input = i;
        worker.Run();
        ++expected;
        if (i % 7 == 0) {   // a burst: both runs before the wait
            worker.Run();
            ++expected;
        }
        worker.WaitFinished();
        ASSERT_EQ(d.calls.load(), expected);
        ASSERT_EQ(d.output, 2 * i);
    }
    worker.WaitFinished();   // nothing pending: at once
    EXPECT_EQ(d.calls.load(), expected);
}

// A run asked about when the worker gives up watching and goes to sleep (or
// when the owner's wait does) is neither lost nor run twice. A lost wake-up
// shows as a call that never comes.
TEST(ThreadWorker, RunsAskedAsEitherSideGoesToSleepAreNotLost)
{
    using std::chrono::microseconds;
    Doubler d;
    kernels::TThreads worker(doubleIt, &d);
    const auto linger = kernels::TThreads::Linger;
    const auto waitLinger = kernels::TThreads::WaitLinger;
    for (int i = 1; i <= 240; ++i) {
        // Gaps from well inside the worker's watch to past it, in steps
        // finer than its clock checks.
        busyFor(linger - microseconds(30) + microseconds((i * 7) % 60));
        // Every third job outlasts the owner's watch, so its wait sleeps.
        d.busy = i % 3 == 0 ? waitLinger - microseconds(20) + microseconds((i * 11) % 40) : microseconds(0);
        d.input = i;
        worker.Run();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (d.calls.load() < i && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
        ASSERT_EQ(d.calls.load(), i) << "run " << i << " was never started";
        worker.WaitFinished();
        ASSERT_EQ(d.output, 2 * i);
    }
    // And once it has surely gone to sleep.
    std::this_thread::sleep_for(linger * 4);
    d.busy = microseconds(0);
    d.input = 5;
    worker.Run();
    worker.WaitFinished();
    EXPECT_EQ(d.output, 10);
    EXPECT_EQ(d.calls.load(), 241);
}

// Destroyed while its worker watches, sleeps, or has a run just asked, a
// worker ends without hanging; the run just asked is run at most once.
TEST(ThreadWorker, EndsWhileWatchingOrAsleep)
{
    for (int i = 0; i < 60; ++i) {
        Doubler d;
        {
            kernels::TThreads worker(doubleIt, &d);
            worker.Run();
            worker.WaitFinished();
            if (i % 3 == 1)
                busyFor(kernels::TThreads::Linger / 2);
            else if (i % 3 == 2)
                std::this_thread::sleep_for(kernels::TThreads::Linger * 3);
            if (i % 2 == 0)
                worker.Run();
        }
        EXPECT_GE(d.calls.load(), 1);
        EXPECT_LE(d.calls.load(), i % 2 == 0 ? 2 : 1);
    }
}

TEST(ThreadPool, ModulePoolsAndThreadCount)
{
    Counter counter;   // outlives the module and its workers
    TGenericModule module;
    EXPECT_EQ(module.ThreadCount(), 1);
    EXPECT_EQ(module.PoolCount(), 0);
    EXPECT_FALSE(module.RunsPooled());

    module.SetPools(3);
    module.SetPools(3);
    EXPECT_EQ(module.PoolCount(), 3);
    EXPECT_FALSE(module.RunsPooled());   // one thread: still inline
    module.SetPools(0);
    EXPECT_EQ(module.PoolCount(), 0);
    EXPECT_EQ(module.GetPool(0), nullptr);
    module.SetPools(3);
    EXPECT_EQ(module.PoolCount(), 3);

    EXPECT_FALSE(module.SetThreadCount(0));
    EXPECT_FALSE(module.SetThreadCount(12));
    EXPECT_EQ(module.ThreadCount(), 1);
    EXPECT_TRUE(module.SetThreadCount(11));
    EXPECT_TRUE(module.RunsPooled());

    // Pools with busy and idle workers are destroyed in creation order
    // (here by the module's destructor) without hanging.
    for (int p = 0; p < 3; ++p)
        for (int i = 0; i < 2; ++i)
            module.GetPool(p)->AddWorker(slowCount, &counter);
    module.GetPool(1)->GetWorker(0)->Run();
}

// Shared pieces: every row exactly once in pieces of the asked size (the
// last one shorter), on several threads when there are rows enough, and a
// piece's exception reaches the caller with the pool still usable.
TEST(RowPool, SharedPiecesCoverEveryRowOnce)
{
    for (const int threads : {1, 2, 4}) {
        kernels::RowPool pool(threads);
        for (const auto& [rows, pieceRows] : {std::pair{0, 16}, {1, 16}, {45, 16}, {960, 16}, {961, 7}, {100, 0}}) {
            std::vector<std::atomic<int>> seen(static_cast<std::size_t>(rows));
            std::atomic<int> badPieces{0};
            std::mutex idsMutex;
            std::vector<std::thread::id> ids;
            pool.RunShared(rows, pieceRows, [&](int first, int end) {
                const int size = std::max(pieceRows, 1);
                if (first % size != 0 || (end - first != size && end != rows) || end > rows)
                    ++badPieces;
                for (int r = first; r < end; ++r)
                    ++seen[std::size_t(r)];
                std::this_thread::sleep_for(std::chrono::microseconds(200));
                std::lock_guard lock(idsMutex);
                if (std::find(ids.begin(), ids.end(), std::this_thread::get_id()) == ids.end())
                    ids.push_back(std::this_thread::get_id());
            });
            EXPECT_EQ(badPieces, 0) << threads << " threads, " << rows << " rows";
            for (int r = 0; r < rows; ++r)
                ASSERT_EQ(seen[std::size_t(r)], 1) << threads << " threads, " << rows << " rows, row " << r;
            if (rows >= 960 && threads > 1) {
                EXPECT_GT(ids.size(), 1u) << threads << " threads";
            }
        }
        std::atomic<int> after{0};
        EXPECT_THROW(pool.RunShared(400, 10, [&](int first, int) {
            if (first == 200)
                throw std::runtime_error("piece");
        }), std::runtime_error);
        pool.RunShared(400, 10, [&](int first, int end) { after += end - first; });
        EXPECT_EQ(after, 400);
    }
}
