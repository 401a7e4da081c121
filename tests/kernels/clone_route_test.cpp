// The kernels built for AVX2 and for any processor give the same bytes on
// the same input: each copy runs in turn, whatever the processor picks.

#include "kernels/clone_route.h"
#include "kernels/debayer.h"
#include "kernels/frame_rows.h"

#include "support/random_bytes.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using kernels::Bitmap24;
using kernels::CloneRoute;

std::vector<std::uint8_t> noise(std::size_t bytes, std::uint32_t seed)
{
    return testsupport::RandomBytes(bytes, seed);
}

Bitmap24 noiseBitmap(int width, int height, std::uint32_t seed)
{
    Bitmap24 b(width, height);
    const std::vector<std::uint8_t> bytes = noise(std::size_t(b.byteCount()), seed);
    std::copy(bytes.begin(), bytes.end(), b.bits());
    return b;
}

// Runs f once on each copy and returns both results.
template <class F>
auto bothRoutes(F f)
{
    kernels::SetCloneRoute(CloneRoute::Portable);
    auto portable = f();
    kernels::SetCloneRoute(CloneRoute::Best);
    auto best = f();
    return std::pair{portable, best};
}

class CloneRoutes : public ::testing::Test {
protected:
    void TearDown() override { kernels::SetCloneRoute(CloneRoute::Best); }
};

} // namespace

TEST_F(CloneRoutes, EveryKernelGivesTheSameBytesOnBothCopies)
{
    if (!kernels::Avx2CloneAvailable())
        GTEST_LOG_(INFO) << "no AVX2 here: both runs take the copy for any processor";
    // Widths around the 16-pixel blocks and the vector widths, odd heights.
    for (const int width : {3, 15, 16, 17, 18, 19, 33, 34, 35, 49, 97, 640}) {
        SCOPED_TRACE(width);
        const Bitmap24 raw = noiseBitmap(width, 37, std::uint32_t(width));
        for (int mode = 1; mode <= 4; ++mode) {
            const auto [portable, best] = bothRoutes([&] {
                Bitmap24 out;
                kernels::DebayerFrame(raw, out, mode);
                return std::vector<std::uint8_t>(out.bits(), out.bits() + out.byteCount());
            });
            EXPECT_EQ(portable, best) << "Bayer rebuild, mode " << mode;

            // Three rows (only one inner row), a destination whose edges
            // must be kept, and the rebuild in place.
            const Bitmap24 low = noiseBitmap(width, 3, std::uint32_t(width + 1));
            const auto [portableKept, bestKept] = bothRoutes([&] {
                Bitmap24 out = noiseBitmap(width, 3, 5);
                kernels::DebayerFrame(low, out, mode);
                Bitmap24 inPlace = raw;
                kernels::DebayerFrame(inPlace, inPlace, mode);
                std::vector<std::uint8_t> bytes(out.bits(), out.bits() + out.byteCount());
                bytes.insert(bytes.end(), inPlace.bits(), inPlace.bits() + inPlace.byteCount());
                return bytes;
            });
            EXPECT_EQ(portableKept, bestKept) << "Bayer rebuild kept edges and in place, mode " << mode;
        }

        const std::vector<std::uint8_t> a = noise(std::size_t(width) * 3, 1), b = noise(std::size_t(width) * 3, 2);
        for (const int threshold : {0, 40, 700}) {
            const auto [portable, best] = bothRoutes([&] {
                std::int64_t sum = 5, changed = 7;
                kernels::MotionRowDiff(a.data(), b.data(), width, threshold, sum, changed);
                return std::pair{sum, changed};
            });
            EXPECT_EQ(portable, best) << "motion rows, threshold " << threshold;
        }

        for (const int threshold : {0, 128, 255}) {
            const auto [portable, best] = bothRoutes([&] {
                std::vector<std::uint8_t> marked = b;
                kernels::MarkSaturatedRow(a.data(), marked.data(), width, std::uint8_t(threshold));
                return marked;
            });
            EXPECT_EQ(portable, best) << "saturated rows, threshold " << threshold;
        }
    }
}
