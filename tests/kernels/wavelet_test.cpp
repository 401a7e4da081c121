#include "kernels/bitmap24.h"
#include "kernels/clone_route.h"
#include "kernels/wavelet.h"

#include <gtest/gtest.h>

#if defined(__x86_64__)
#include <cpuid.h>
#endif

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

using kernels::Bitmap24;
using kernels::TWavelet;

namespace {

Bitmap24 noise(int width, int height, std::uint32_t seed)
{
    Bitmap24 b(width, height);
    for (int y = 0; y < height; ++y)
        for (int i = 0; i < width * 3; ++i) {
            seed = seed * 1664525u + 1013904223u;
            b.scanLine(y)[i] = static_cast<std::uint8_t>(seed >> 24);
        }
    return b;
}

// Channel c of plane pixel (x, y).
int planeAt(const TWavelet& w, int level, int x, int y, int c)
{
    std::int16_t v;
    std::memcpy(&v, w.Plane(level).ScanLine(y) + (std::ptrdiff_t(x) * 4 + c) * 2, 2);
    return v;
}

// The decomposition written straight from its definition, one channel at a
// time: planes[level][(y * width + x) * 3 + c].
std::vector<std::vector<int>> referencePlanes(const Bitmap24& image, int levels)
{
    const int w = image.width();
    const int h = image.height();
    auto mirror = [](int i, int n) {
        if (i < 0)
            i = 1 - i;
        else if (i > n - 1)
            i = 2 * (n - 1) - i;
        return std::clamp(i, 0, n - 1);
    };
    std::vector<int> a(std::size_t(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int i = 0; i < w * 3; ++i)
            a[std::size_t(y) * w * 3 + i] = image.scanLine(y)[i];
    std::vector<std::vector<int>> planes;
    std::vector<int> current = a, b(a.size()), c(a.size());
    auto at = [w](std::vector<int>& v, int x, int y, int ch) -> int& { return v[(std::size_t(y) * w + x) * 3 + ch]; };
    for (int n = 0, step = 1; n < levels; ++n, step *= 2) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int ch = 0; ch < 3; ++ch)
                    at(b, x, y, ch) = (2 * at(current, x, y, ch) + at(current, mirror(x - step, w), y, ch)
                                       + at(current, mirror(x + step, w), y, ch)) / 4;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int ch = 0; ch < 3; ++ch)
                    at(c, x, y, ch) = (2 * at(b, x, y, ch) + at(b, x, mirror(y - step, h), ch)
                                       + at(b, x, mirror(y + step, h), ch)) / 4;
        std::vector<int> plane(a.size());
        for (std::size_t i = 0; i < a.size(); ++i)
            plane[i] = a[i] - c[i];
        planes.push_back(plane);
        current = c;
    }
    return planes;
}

void expectPlanesMatchReference(const TWavelet& w, const Bitmap24& image, int levels)
{
    const auto expected = referencePlanes(image, levels);
    for (int n = 0; n < levels; ++n)
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                for (int c = 0; c < 3; ++c)
                    ASSERT_EQ(planeAt(w, n + 1, x, y, c), expected[n][(std::size_t(y) * image.width() + x) * 3 + c])
                        << "level " << n + 1 << " at " << x << "," << y << " channel " << c;
                ASSERT_EQ(planeAt(w, n + 1, x, y, 3), 0);
            }
}

// Recombination with 64-bit products, from the planes the filter made.
Bitmap24 referenceRecombine(const TWavelet& w, const Bitmap24& image)
{
    Bitmap24 out(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            for (int c = 0; c < 3; ++c) {
                std::int64_t v = image.scanLine(y)[x * 3 + c];
                for (int n = 1; n <= w.Levels(); ++n)
                    v = std::clamp<std::int64_t>(v + std::int64_t(planeAt(w, n, x, y, c)) * w.Weight(n) / 1024, 0, 255);
                out.scanLine(y)[x * 3 + c] = static_cast<std::uint8_t>(v);
            }
    return out;
}

} // namespace

TEST(Wavelet, PlanesFollowTheDefinitionWithMirroredEdges)
{
    // One row: the column smoothing changes nothing, so level 1 is the input
    // minus the row smoothing. Left of pixel 0 reads pixel 2, right of the
    // last pixel reads the one before it.
    Bitmap24 row(5, 1);
    const std::uint8_t blue[5] = {0, 40, 80, 120, 200};
    for (int x = 0; x < 5; ++x)
        row.scanLine(0)[x * 3] = blue[x];
    TWavelet w;
    ASSERT_TRUE(w.Decompose(row, 1));
    const int expected[5] = {0 - 30, 0, 0, 120 - 130, 200 - 160};
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(planeAt(w, 1, x, 0, 0), expected[x]) << x;

    // Images smaller than the largest gap (32) in one or both directions, and
    // one taller and wider than the rows the filter keeps at once; widths
    // at which a gap's mirrored neighbours just fit inside (gap + 2, twice
    // the gap) or just do not. Both copies of the row loops.
    for (const auto route : {kernels::CloneRoute::Best, kernels::CloneRoute::Portable}) {
        kernels::SetCloneRoute(route);
        for (auto [width, height] : {std::pair{37, 23}, std::pair{20, 40}, std::pair{1, 9}, std::pair{9, 1},
                                     std::pair{150, 160}, std::pair{2, 5}, std::pair{3, 4}, std::pair{4, 3},
                                     std::pair{63, 3}, std::pair{64, 5}, std::pair{65, 2}, std::pair{66, 3}}) {
            const Bitmap24 image = noise(width, height, 7u * width + height);
            ASSERT_TRUE(w.Decompose(image, 6));
            EXPECT_EQ(w.Levels(), 6);
            expectPlanesMatchReference(w, image, 6);
        }
    }
    kernels::SetCloneRoute(kernels::CloneRoute::Best);
}

TEST(Wavelet, RecombineIsExactForAnyWeight)
{
    // Noise, and black and white pixels for large plane values.
    Bitmap24 contrast = noise(43, 31, 17);
    for (int y = 0; y < contrast.height(); ++y)
        for (int i = 0; i < contrast.width() * 3; ++i)
            contrast.scanLine(y)[i] = contrast.scanLine(y)[i] < 128 ? 0 : 255;
    TWavelet w;
    for (const Bitmap24& image : {contrast, noise(41, 29, 99)}) {
        w.SetSize(image.width(), image.height(), 6);
        ASSERT_TRUE(w.Decompose(image, 6));

        // All weights 0: a plain copy.
        Bitmap24 out;
        ASSERT_TRUE(w.Recombine(image, out));
        EXPECT_TRUE(kernels::SamePixels(out, image));

        const std::int32_t sets[][6] = {
            {1024, 0, 0, 0, 0, 0},
            {-1000, 1, 1023, -1024, 5000, -1},
            {INT_MAX, INT_MIN, 262144, -262145, 65535, 65536},
            {262143, -262143, 1 << 20, -(1 << 16), 3000, 2},
            {1025, -1025, 513, -511, 255, -4097},
        };
        for (const auto& weights : sets) {
            for (int n = 1; n <= 6; ++n)
                w.SetWeight(n, weights[n - 1]);
            const Bitmap24 expected = referenceRecombine(w, image);
            ASSERT_TRUE(w.Recombine(image, out));
            EXPECT_TRUE(kernels::SamePixels(out, expected)) << "weights " << weights[0] << ", " << weights[1] << "...";
            Bitmap24 inPlace = image;
            ASSERT_TRUE(w.Recombine(inPlace, inPlace));
            EXPECT_TRUE(kernels::SamePixels(inPlace, expected));
        }
    }

    // Planes of another size than the image add nothing.
    Bitmap24 out;
    const Bitmap24 other = noise(40, 29, 5);
    ASSERT_TRUE(w.Recombine(other, out));
    EXPECT_TRUE(kernels::SamePixels(out, other));

    // A new size clears the weights.
    w.SetSize(41, 29, 6);
    EXPECT_EQ(w.Weight(1), 0);
    EXPECT_EQ(w.Weight(6), 0);
}

TEST(Wavelet, UniformImagesAndTinySizes)
{
    Bitmap24 grey(50, 40);
    for (int y = 0; y < grey.height(); ++y)
        std::memset(grey.scanLine(y), 77, 150);
    TWavelet w;
    ASSERT_TRUE(w.Decompose(grey, 6));
    for (int n = 1; n <= 6; ++n) {
        w.SetWeight(n, 3000 * n);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 50; ++x)
                ASSERT_EQ(planeAt(w, n, x, y, 1), 0);
    }
    Bitmap24 out;
    ASSERT_TRUE(w.Recombine(grey, out));
    EXPECT_TRUE(kernels::SamePixels(out, grey));

    for (auto [width, height] : {std::pair{1, 1}, std::pair{0, 5}, std::pair{5, 0}, std::pair{0, 0}}) {
        const Bitmap24 image = noise(width, height, 3);
        ASSERT_TRUE(w.Decompose(image, 6));
        ASSERT_TRUE(w.Recombine(image, out));
        EXPECT_EQ(out.width(), width);
        EXPECT_EQ(out.height(), height);
        EXPECT_TRUE(kernels::SamePixels(out, referenceRecombine(w, image)));
    }

    // Out-of-range requests are limited or ignored.
    ASSERT_TRUE(w.Decompose(grey, 9));
    EXPECT_EQ(w.Levels(), 6);
    w.SetWeight(7, 5);
    w.SetWeight(0, 5);
    EXPECT_EQ(w.Weight(7), 0);
    EXPECT_FALSE(w.SetThreadCount(12));
    EXPECT_EQ(w.ThreadCount(), 1);
}

TEST(WaveletPool, PooledRunsMatchTheInlineRun)
{
    // Strips narrower and wider than the columns they share with their
    // neighbours (63 on each side), edges on and off multiples of 8.
    for (auto [width, height] : {std::pair{67, 45}, std::pair{5, 3}, std::pair{301, 150}, std::pair{700, 70}}) {
        const Bitmap24 image = noise(width, height, 11);
        TWavelet inlineRun;
        ASSERT_TRUE(inlineRun.Decompose(image, 6));
        for (int n = 1; n <= 6; ++n)
            inlineRun.SetWeight(n, 700 * n - 1500);
        Bitmap24 expected;
        ASSERT_TRUE(inlineRun.Recombine(image, expected));

        for (int threads : {2, 4}) {
            TWavelet pooled;
            ASSERT_TRUE(pooled.SetThreadCount(threads));
            for (int n = 1; n <= 6; ++n)
                pooled.SetWeight(n, 700 * n - 1500);
            for (int pass = 0; pass < 2; ++pass) {   // the pools are reused by the second pass
                ASSERT_TRUE(pooled.Decompose(image, 6));
                EXPECT_EQ(pooled.PoolCount(), 1);
                EXPECT_EQ(pooled.GetPool(0)->Count(), threads);
                for (int n = 1; n <= 6; ++n)
                    for (int y = 0; y < height; ++y)
                        ASSERT_EQ(std::memcmp(pooled.Plane(n).ScanLine(y), inlineRun.Plane(n).ScanLine(y),
                                              std::size_t(width) * 8),
                                  0)
                            << threads << " threads, level " << n << ", row " << y;
                Bitmap24 out;
                ASSERT_TRUE(pooled.Recombine(image, out));
                EXPECT_TRUE(kernels::SamePixels(out, expected));
            }
        }
    }

    // One filter on the pool for images of several sizes in turn (the tiles
    // of a size and level count are kept until either changes): strips of
    // columns for images not much taller than the rows bands would share
    // (333 x 97, 1000 x 19), bands of rows otherwise; sizes off the strips'
    // steps, tiles narrower or lower than what they share with their
    // neighbours, several level counts.
    TWavelet reused;
    ASSERT_TRUE(reused.SetThreadCount(3));
    for (int n = 1; n <= 6; ++n)
        reused.SetWeight(n, 900 - 400 * n);
    for (auto [width, height] : {std::pair{333, 97}, std::pair{130, 41}, std::pair{333, 97}, std::pair{1000, 19},
                                 std::pair{70, 66}}) {
        const Bitmap24 image = noise(width, height, 3u * width + height);
        for (const int levels : {6, 5, 4}) {
            TWavelet inlineRun;
            for (int n = 1; n <= 6; ++n)
                inlineRun.SetWeight(n, reused.Weight(n));
            ASSERT_TRUE(inlineRun.Decompose(image, levels));
            Bitmap24 expected, sharpened;
            ASSERT_TRUE(inlineRun.Recombine(image, expected));
            ASSERT_TRUE(reused.Decompose(image, levels));
            for (int n = 1; n <= levels; ++n)
                for (int y = 0; y < height; ++y)
                    ASSERT_EQ(std::memcmp(reused.Plane(n).ScanLine(y), inlineRun.Plane(n).ScanLine(y),
                                          std::size_t(width) * 8),
                              0)
                        << width << "x" << height << ", " << levels << " levels, level " << n << ", row " << y;
            ASSERT_TRUE(reused.Sharpen(image, sharpened, levels));
            EXPECT_TRUE(kernels::SamePixels(sharpened, expected)) << width << "x" << height << ", " << levels;
        }
    }

    // Back to one thread: the pools go and the run is inline again.
    TWavelet w;
    w.SetThreadCount(3);
    const Bitmap24 image = noise(9, 9, 1);
    ASSERT_TRUE(w.Decompose(image, 2));
    EXPECT_EQ(w.PoolCount(), 1);
    w.SetThreadCount(1);
    ASSERT_TRUE(w.Decompose(image, 2));
    EXPECT_EQ(w.PoolCount(), 0);
}

// Sharpening without planes gives the bytes of a decomposition and a
// recombination, inline and on the pool, in place or not, on both copies of
// the row loops, on sizes whose strips are narrower or wider than the
// columns they share, for several level counts and with weights that clamp,
// cancel or are 0; the planes stay those of the last decomposition.
TEST(WaveletPool, SharpeningGivesTheBytesOfDecomposeAndRecombine)
{
    const std::int32_t weightSets[][6] = {{700, -800, 1500, 0, 2600, -1500}, {0, 0, 0, 0, 0, 0},
                                          {1 << 20, -(1 << 20), 3000000, 1, -1, 1023}};
    const int levelCounts[] = {6, 3, 1, 0};
    for (auto [width, height] : {std::pair{67, 45}, std::pair{5, 3}, std::pair{1, 7}, std::pair{301, 150},
                                 std::pair{700, 70}}) {
        const Bitmap24 image = noise(width, height, 23);
        std::vector<Bitmap24> references;
        TWavelet expected;
        for (const auto& weights : weightSets)
            for (const int levels : levelCounts) {
                for (int n = 1; n <= 6; ++n)
                    expected.SetWeight(n, weights[n - 1]);
                ASSERT_TRUE(expected.Decompose(image, levels));
                ASSERT_TRUE(expected.Recombine(image, references.emplace_back()));
            }
        for (const auto route : {kernels::CloneRoute::Best, kernels::CloneRoute::Portable})
            for (const int threads : {1, 2, 3, 4}) {
                kernels::SetCloneRoute(route);
                TWavelet sharpened;
                ASSERT_TRUE(sharpened.SetThreadCount(threads));
                ASSERT_TRUE(sharpened.Decompose(noise(width, height, 5), 2));   // planes of another image
                const kernels::TNJBitmap& keptPlane = sharpened.Plane(1);
                const std::vector<std::uint8_t> kept(keptPlane.ScanLine(0),
                                                     keptPlane.ScanLine(0) + std::size_t(width) * 8);
                auto reference = references.begin();
                for (const auto& weights : weightSets)
                    for (const int levels : levelCounts) {
                        for (int n = 1; n <= 6; ++n)
                            sharpened.SetWeight(n, weights[n - 1]);
                        Bitmap24 out, inPlace = image;
                        ASSERT_TRUE(sharpened.Sharpen(image, out, levels));
                        ASSERT_TRUE(sharpened.Sharpen(inPlace, inPlace, levels));
                        EXPECT_TRUE(kernels::SamePixels(out, *reference))
                            << width << "x" << height << ", " << threads << " threads, " << levels
                            << " levels, route " << int(route);
                        EXPECT_TRUE(kernels::SamePixels(inPlace, *reference))
                            << "in place, " << width << "x" << height << ", " << threads << " threads, " << levels
                            << " levels, route " << int(route);
                        ++reference;
                    }
                EXPECT_EQ(sharpened.Levels(), 2);
                EXPECT_EQ(std::memcmp(sharpened.Plane(1).ScanLine(0), kept.data(), kept.size()), 0);
            }
        kernels::SetCloneRoute(kernels::CloneRoute::Best);
    }
}

#if defined(__x86_64__)
// The wide vector code leaves the upper halves of the vector registers
// cleared when it returns: left in use, every SSE instruction the thread
// runs afterwards, in any part of the program, waits on them (the
// recombination measured three times slower after a sharpening). The
// processor reports them in use in bit 2 of extended control register 1.
TEST(Wavelet, SharpeningLeavesTheUpperVectorHalvesClear)
{
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid_count(0xd, 1, &a, &b, &c, &d) || !(a & 4) || !kernels::Avx2CloneAvailable())
        GTEST_SKIP() << "the processor does not report the registers in use";
    auto upperHalvesInUse = [] {
        unsigned lo = 0, hi = 0;
        asm volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(1));
        return (lo & 4) != 0;
    };
    const Bitmap24 image = noise(67, 45, 31);
    TWavelet w;
    for (int n = 1; n <= 6; ++n)
        w.SetWeight(n, 700 * n - 1500);
    Bitmap24 out;
    for (const int levels : {6, 1}) {
        asm volatile("vzeroupper");
        ASSERT_TRUE(w.Sharpen(image, out, levels));
        EXPECT_FALSE(upperHalvesInUse()) << levels << " levels";
        ASSERT_TRUE(w.Decompose(image, levels));
        ASSERT_TRUE(w.Recombine(image, out));
        EXPECT_FALSE(upperHalvesInUse()) << levels << " levels";
    }
}
#endif
