#include "kernels/row_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// Numbered pieces: each exactly once, on parts below min(pieces, threads),
// never two at a time on one part (its workspace would be shared), and a
// piece's exception reaches the caller with the pool still usable.
TEST(RowPool, NumberedPiecesEachOnceAndOnePerPartAtATime)
{
    for (const int threads : {1, 2, 4}) {
        kernels::RowPool pool(threads);
        for (const int pieces : {0, 1, 3, 60}) {
            std::vector<std::atomic<int>> seen(static_cast<std::size_t>(pieces));
            std::vector<std::atomic<bool>> busy(static_cast<std::size_t>(threads));
            std::atomic<int> badParts{0}, overlaps{0};
            pool.RunPieces(pieces, [&](int part, int piece) {
                if (part < 0 || part >= std::min(pieces, threads)) {
                    ++badParts;
                    return;
                }
                if (busy[std::size_t(part)].exchange(true))
                    ++overlaps;
                ++seen[std::size_t(piece)];
                std::this_thread::sleep_for(std::chrono::microseconds(100));
                busy[std::size_t(part)] = false;
            });
            EXPECT_EQ(badParts, 0) << threads << " threads, " << pieces << " pieces";
            EXPECT_EQ(overlaps, 0) << threads << " threads, " << pieces << " pieces";
            for (int i = 0; i < pieces; ++i)
                ASSERT_EQ(seen[std::size_t(i)], 1) << threads << " threads, " << pieces << " pieces, piece " << i;
        }
        EXPECT_THROW(pool.RunPieces(40, [](int, int piece) {
            if (piece == 20)
                throw std::runtime_error("piece");
        }), std::runtime_error);
        std::atomic<int> after{0};
        pool.RunPieces(40, [&](int, int) { ++after; });
        EXPECT_EQ(after, 40);
    }
}

// A thread held up in one piece holds nobody else up: the other threads do
// every other piece meanwhile (here the held piece waits for them; a split
// fixed in advance, or one piece waiting on another, would never end it).
TEST(RowPool, NumberedPiecesGoOnWhileOneThreadIsHeldUp)
{
    for (const int threads : {2, 4}) {
        kernels::RowPool pool(threads);
        for (const int held : {0, 7}) {
            constexpr int kPieces = 30;
            std::atomic<int> done{0};
            bool othersDone = false;
            pool.RunPieces(kPieces, [&](int, int piece) {
                if (piece == held) {
                    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
                    while (done.load() < kPieces - 1 && std::chrono::steady_clock::now() < limit)
                        std::this_thread::sleep_for(std::chrono::microseconds(200));
                    othersDone = done.load() == kPieces - 1;
                }
                ++done;
            });
            EXPECT_TRUE(othersDone) << threads << " threads, piece " << held << " held";
            EXPECT_EQ(done, kPieces);
        }
    }
}

} // namespace
