#include "kernels/row_pool.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <atomic>
#include <chrono>
#include <thread>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace kernels {

RowPool::RowPool(int threads)
{
    for (int i = 1; i < std::clamp(threads, 1, TGenericModule::MaxThreads); ++i) {
        auto w = std::make_unique<Worker>();
        w->pool = this;
        w->part = i;
        try {
            w->thread = std::make_unique<TThreads>(&RowPool::RunPart, w.get());
        } catch (...) {
            break;   // no more threads: fewer parts
        }
        workers_.push_back(std::move(w));
    }
}

RowPool::~RowPool() = default;

int RowPool::Parts(int rows, int minRows) const
{
    return std::clamp(rows / std::max(minRows, 1), 1, Threads());
}

void RowPool::RunPart(void* worker)
{
    auto* w = static_cast<Worker*>(worker);
    RowPool& pool = *w->pool;
    const int first = static_cast<int>(static_cast<long long>(pool.rows_) * w->part / pool.parts_);
    const int end = static_cast<int>(static_cast<long long>(pool.rows_) * (w->part + 1) / pool.parts_);
    (*pool.band_)(w->part, first, end);
}

void RowPool::Run(int rows, const Band& band, int minRows)
{
    if (rows <= 0)
        return;
    const int parts = Parts(rows, minRows);
    if (parts <= 1) {
        band(0, 0, rows);
        return;
    }
    StartParts(rows, parts, band);
    std::exception_ptr error;
    try {
        band(0, 0, static_cast<int>(static_cast<long long>(rows) / parts));
    } catch (...) {
        error = std::current_exception();
    }
    if (error = WaitParts(error); error)
        std::rethrow_exception(error);
}

void RowPool::StartParts(int rows, int parts, const Band& band)
{
    band_ = &band;
    rows_ = rows;
    parts_ = parts;
    for (int i = 1; i < parts; ++i)
        workers_[std::size_t(i - 1)]->thread->Run();
}

std::exception_ptr RowPool::WaitParts(std::exception_ptr error)
{
    for (int i = 1; i < parts_; ++i) {
        try {
            workers_[std::size_t(i - 1)]->thread->WaitFinished();
        } catch (...) {
            if (!error)
                error = std::current_exception();
        }
    }
    band_ = nullptr;
    return error;
}

void RowPool::RunShared(int rows, int pieceRows, const Piece& piece, int minRows)
{
    if (rows <= 0)
        return;
    // The bands' state behind one pointer, so that wrapping the band for
    // Run() allocates nothing.
    struct Shared {
        const Piece& piece;
        int rows;
        int pieceRows;
        int pieces;
        std::atomic<int> next{0};
        std::atomic<bool> failed{false};
    } shared{piece, rows, std::max(pieceRows, 1), 0};
    shared.pieces = static_cast<int>((static_cast<long long>(rows) + shared.pieceRows - 1) / shared.pieceRows);
    Run(rows, [s = &shared](int, int, int) {
        for (int i = s->next.fetch_add(1, std::memory_order_relaxed);
             i < s->pieces && !s->failed.load(std::memory_order_relaxed);
             i = s->next.fetch_add(1, std::memory_order_relaxed)) {
            const int first = static_cast<int>(static_cast<long long>(i) * s->pieceRows);
            try {
                s->piece(first, static_cast<int>(std::min<long long>(static_cast<long long>(first) + s->pieceRows,
                                                                     s->rows)));
            } catch (...) {
                s->failed.store(true, std::memory_order_relaxed);
                throw;
            }
        }
    }, minRows);
}

void RowPool::RunPieces(int pieces, const NumberedPiece& piece)
{
    if (pieces <= 0)
        return;
    const int parts = std::clamp(pieces, 1, Threads());
    if (parts == 1) {
        for (int i = 0; i < pieces; ++i)
            piece(0, i);
        return;
    }
    // Each part has a band of pieces of its own, in order, which it takes
    // from the front; out of them, it takes the last piece of the band with
    // the most left. A part's band is (first << 32) | end.
    struct Shared {
        const NumberedPiece& piece;
        int parts;
        std::array<std::atomic<std::uint64_t>, TGenericModule::MaxThreads> bands;
        std::atomic<bool> failed{false};
        std::atomic<int> working;   // workers not yet out of pieces
    } shared{piece, parts, {}, false, parts - 1};
    for (int p = 0; p < parts; ++p) {
        const auto first = std::uint64_t(static_cast<long long>(pieces) * p / parts);
        const auto end = std::uint64_t(static_cast<long long>(pieces) * (p + 1) / parts);
        shared.bands[std::size_t(p)].store(first << 32 | end, std::memory_order_relaxed);
    }
    const auto next = [](Shared& s, int part) -> int {
        auto& own = s.bands[std::size_t(part)];
        for (std::uint64_t band = own.load(std::memory_order_relaxed); (band >> 32) < (band & 0xffffffffu);)
            if (own.compare_exchange_weak(band, band + (std::uint64_t(1) << 32), std::memory_order_relaxed))
                return int(band >> 32);
        for (;;) {
            int victim = -1;
            std::uint64_t most = 0, seen = 0;
            for (int p = 0; p < s.parts; ++p) {
                const std::uint64_t band = s.bands[std::size_t(p)].load(std::memory_order_relaxed);
                const std::uint64_t left = (band & 0xffffffffu) > (band >> 32) ? (band & 0xffffffffu) - (band >> 32) : 0;
                if (left > most) {
                    most = left;
                    victim = p;
                    seen = band;
                }
            }
            if (victim < 0)
                return -1;
            if (s.bands[std::size_t(victim)].compare_exchange_weak(seen, seen - 1, std::memory_order_relaxed))
                return int((seen & 0xffffffffu) - 1);
        }
    };
    const auto take = [&next](Shared& s, int part) {
        for (int i = next(s, part); i >= 0 && !s.failed.load(std::memory_order_relaxed); i = next(s, part)) {
            try {
                s.piece(part, i);
            } catch (...) {
                s.failed.store(true, std::memory_order_relaxed);
                throw;
            }
        }
    };
    const Band band = [s = &shared, &take](int part, int, int) {
        struct Done {
            Shared& s;
            ~Done() { s.working.fetch_sub(1, std::memory_order_release); }
        } done{*s};
        take(*s, part);
    };
    StartParts(pieces, parts, band);
    std::exception_ptr error;
    try {
        take(shared, 0);
    } catch (...) {
        error = std::current_exception();
    }
    // Waking a sleeping thread costs tens of microseconds on some systems;
    // the last pieces usually end well within that. A worker out of pieces
    // still has to report its run done; found unreported, it would put this
    // thread to sleep, so give it a moment.
    const auto pause = [] {
#if defined(__x86_64__) || defined(__i386__)
        _mm_pause();
#else
        std::this_thread::yield();
#endif
    };
    auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(50);
    for (int spin = 0; shared.working.load(std::memory_order_acquire) > 0; ++spin) {
        pause();
        if (spin % 64 == 63 && std::chrono::steady_clock::now() >= until)
            break;
    }
    until = std::chrono::steady_clock::now() + std::chrono::microseconds(3);
    while (std::chrono::steady_clock::now() < until)
        pause();
    if (error = WaitParts(error); error)
        std::rethrow_exception(error);
}

} // namespace kernels
