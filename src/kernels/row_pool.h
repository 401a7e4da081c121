#pragma once
// Splits the rows of a pass across worker threads: RowPool(n) keeps n - 1
// workers (the calling thread does the first band itself); Run() gives each
// part a band of rows and returns once every band is done. Bands are
// contiguous and in order (part 0 has the first rows), so per-band results
// combine in a fixed order. Created, run and destroyed from one thread; a
// pool of one thread, or a run of few rows, runs inline.

#include "kernels/threads.h"

#include <functional>
#include <memory>
#include <vector>

namespace kernels {

class RowPool {
public:
    using Band = std::function<void(int part, int firstRow, int endRow)>;

    explicit RowPool(int threads = 1);
    ~RowPool();
    RowPool(const RowPool&) = delete;
    RowPool& operator=(const RowPool&) = delete;

    int Threads() const { return static_cast<int>(workers_.size()) + 1; }
    // The parts a run of `rows` rows is split into (at least minRows rows
    // each, at most Threads()).
    int Parts(int rows, int minRows = 32) const;
    // Runs band(part, first, end) for each part of Parts(rows, minRows);
    // rethrows the first exception a band let escape.
    void Run(int rows, const Band& band, int minRows = 32);

    // For work whose rows are independent: rows 0..rows-1 go out in pieces of
    // pieceRows rows (at least 1), each part taking the next piece as soon as
    // it is done with its last, so a thread slowed down by the rest of the
    // machine holds the run up by one piece at most. Pieces come in no fixed
    // order nor on a fixed thread. Parts as for Run(rows, ..., minRows);
    // rethrows the first exception a piece let escape (the other parts then
    // take no new piece).
    using Piece = std::function<void(int firstRow, int endRow)>;
    void RunShared(int rows, int pieceRows, const Piece& piece, int minRows = 32);

    // For pieces of work 0..pieces-1 that may run in any order but use a
    // workspace per thread: each of min(pieces, Threads()) parts calls
    // piece(part, i) for the pieces of its own band (the parts' bands are
    // contiguous and in order, as in Run(), so a part finds the rows an
    // earlier Run() gave it still in its caches), front to back; out of
    // them, it takes the last piece left of the band with the most left. A
    // thread slowed down by the rest of the machine, or late to start, holds
    // the run up by one piece at most. The calling thread is part 0; out of
    // pieces, it watches the others for a few tens of microseconds before it
    // sleeps, so that a run of well under a millisecond does not wait on the
    // system to wake it. Rethrows the first exception a piece let escape (the
    // other parts then take no new piece).
    using NumberedPiece = std::function<void(int part, int piece)>;
    void RunPieces(int pieces, const NumberedPiece& piece);

private:
    struct Worker {
        RowPool* pool = nullptr;
        int part = 0;
        std::unique_ptr<TThreads> thread;
    };
    static void RunPart(void* worker);
    void StartParts(int rows, int parts, const Band& band);
    std::exception_ptr WaitParts(std::exception_ptr error);

    std::vector<std::unique_ptr<Worker>> workers_;
    const Band* band_ = nullptr;
    int rows_ = 0;
    int parts_ = 1;
};

} // namespace kernels
