#include "kernels/row_pool.h"

#include <algorithm>
#include <atomic>

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
    band_ = &band;
    rows_ = rows;
    parts_ = parts;
    for (int i = 1; i < parts; ++i)
        workers_[std::size_t(i - 1)]->thread->Run();
    std::exception_ptr error;
    try {
        band(0, 0, static_cast<int>(static_cast<long long>(rows) / parts));
    } catch (...) {
        error = std::current_exception();
    }
    for (int i = 1; i < parts; ++i) {
        try {
            workers_[std::size_t(i - 1)]->thread->WaitFinished();
        } catch (...) {
            if (!error)
                error = std::current_exception();
        }
    }
    band_ = nullptr;
    if (error)
        std::rethrow_exception(error);
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

} // namespace kernels
