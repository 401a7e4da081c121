#include "kernels/frame_rows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

// The row loops give what the plain per-pixel formulas give.
TEST(FrameRows, MotionDiffAndBlendMatchTheirFormulas)
{
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int pixels : {0, 1, 7, 33, 1280}) {
        std::vector<std::uint8_t> a(std::size_t(3 * pixels)), b(a.size());
        for (std::size_t i = 0; i < a.size(); ++i) {
            a[i] = std::uint8_t(byte(rng));
            b[i] = std::uint8_t(i % 5 ? a[i] : byte(rng));
        }
        std::int64_t sum = 5, changed = 2, expectSum = 5, expectChanged = 2;
        for (int x = 0; x < pixels; ++x) {
            const int d = a[3 * x] + a[3 * x + 1] + a[3 * x + 2] - b[3 * x] - b[3 * x + 1] - b[3 * x + 2];
            expectSum += d;
            expectChanged += std::abs(d) > 30;
        }
        kernels::MotionRowDiff(a.data(), b.data(), pixels, 30, sum, changed);
        EXPECT_EQ(sum, expectSum) << pixels;
        EXPECT_EQ(changed, expectChanged) << pixels;

        std::vector<std::uint8_t> marked(a.size(), 7);
        kernels::MarkSaturatedRow(a.data(), marked.data(), pixels, 200);
        for (int x = 0; x < pixels; ++x) {
            const bool hit = std::max({a[3 * x], a[3 * x + 1], a[3 * x + 2]}) >= 200;
            EXPECT_EQ(marked[3 * x] + 256 * marked[3 * x + 1] + 65536 * marked[3 * x + 2], hit ? 255 * 65536 : 7 * 65793);
        }

        for (int n : {-1, 0, 1, 2, 3, 6, 10}) {
            const kernels::BlendTables tables(n);
            std::vector<std::uint8_t> d = a;
            kernels::BlendRow(d.data(), b.data(), int(d.size()), tables);
            const double w = n > 0 ? 1.0 / n : 1.0, k = 1.0 - w;
            for (std::size_t i = 0; i < d.size(); ++i)
                ASSERT_EQ(d[i], std::uint8_t(std::clamp(std::nearbyint(a[i] * k + b[i] * w), 0.0, 255.0)))
                    << "n " << n << " byte " << i;
        }
    }
}

// The blend's vector loops give the plain loop's bytes for every pair of
// bytes, every frame count up to where the result stops moving and beyond,
// and every length around their steps of eight and sixteen (an empty row
// too). The even counts that are not powers of two are the ones whose exact
// halves round either way in the tables.
TEST(FrameRows, BlendVectorLoopMatchesThePlainOne)
{
    std::vector<std::uint8_t> dst(65536), src(65536);
    for (int i = 0; i < 65536; ++i) {
        dst[std::size_t(i)] = std::uint8_t(i & 0xFF);
        src[std::size_t(i)] = std::uint8_t(i >> 8);
    }
    std::vector<int> counts{-3, 0, 1000, 1024, 65536, 1 << 20, 1000001, std::numeric_limits<int>::max()};
    for (int n = 1; n <= 520; ++n)
        counts.push_back(n);
    for (int n : counts) {
        const kernels::BlendTables tables(n);
        for (int length : {65536, 0, 1, 7, 8, 9, 15, 16, 17, 23, 24, 25, 31, 33}) {
            const std::size_t from = dst.size() - std::size_t(length);   // ends at the buffer's last byte
            std::vector<std::uint8_t> fast = dst, plain = dst;
            kernels::BlendRow(fast.data() + from, src.data() + from, length, tables);
            kernels::BlendRowPortable(plain.data() + from, src.data() + from, length, tables);
            ASSERT_EQ(fast, plain) << "n " << n << " length " << length;
        }
    }
}
