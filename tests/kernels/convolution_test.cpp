#include "kernels/convolution.h"
#include "kernels/row_pool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

using namespace kernels;
using namespace kernels::Filtres2;

namespace {

using Filter = void (*)(Bitmap24&, const KernelCoefficients&, std::int64_t, ConvolutionScratch&);
struct Size {
    int n;
    Filter filter;
};
const Size kSizes[] = {{3, Convolve3x3}, {5, Convolve5x5}, {7, Convolve7x7}, {9, Convolve9x9}};

Bitmap24 randomBitmap(int w, int h, std::mt19937& rng)
{
    Bitmap24 b(w, h);
    for (int y = 0; y < h; ++y)
        for (int i = 0; i < w * 3; ++i)
            b.scanLine(y)[i] = std::uint8_t(rng());
    return b;
}

Bitmap24 uniformBitmap(int w, int h, std::uint8_t value)
{
    Bitmap24 b(w, h);
    for (int y = 0; y < h; ++y)
        std::fill_n(b.scanLine(y), w * 3, value);
    return b;
}

// Straight from the definition: 64-bit sums over the centre n x n, edges
// replicated, matrix not flipped, scaled in double, ties to even.
Bitmap24 reference(const Bitmap24& in, int n, const KernelCoefficients& c, std::int64_t divisor)
{
    const int k = (n - 1) / 2, w = in.width(), h = in.height();
    const double scale = 1.0 / (divisor ? divisor : 1);
    Bitmap24 out(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int ch = 0; ch < 3; ++ch) {
                std::int64_t sum = 0;
                for (int i = -k; i <= k; ++i)
                    for (int j = -k; j <= k; ++j)
                        sum += std::int64_t(c[9 * (4 + i) + 4 + j])
                               * in.scanLine(std::clamp(y + i, 0, h - 1))[3 * std::clamp(x + j, 0, w - 1) + ch];
                const double v = double(sum) * scale;
                out.scanLine(y)[3 * x + ch] = v > 255 ? 255 : v < 0 ? 0 : std::uint8_t(std::nearbyint(v));
            }
    return out;
}

KernelCoefficients identity(std::int32_t centre = 1)
{
    KernelCoefficients c{};
    c[40] = centre;
    return c;
}

} // namespace

TEST(Convolution, MatchesTheDefinitionForEverySizeAndKernel)
{
    std::mt19937 rng(7);
    ConvolutionScratch scratch;   // shared across sizes: it must adapt, growing and shrinking
    const int shapes[][2] = {{37, 23}, {1, 1}, {1, 9}, {11, 1}, {64, 5}, {6, 40}};
    using Route = ConvolutionScratch::Route;
    auto check = [&](Route route, const Size& s, int w, int h, std::int32_t range) {
        const Bitmap24 input = randomBitmap(w, h, rng);
        KernelCoefficients c{};
        for (auto& v : c)
            v = std::int32_t(rng() % (2u * range + 1)) - range;   // outside the n x n too
        const std::uint16_t divisor = std::uint16_t(1 + rng() % (range < 100 ? 200 : 60000));
        Bitmap24 out = input;
        scratch.setRoute(route);
        s.filter(out, c, divisor, scratch);
        EXPECT_TRUE(kernels::SamePixels(out, reference(input, s.n, c, divisor)))
            << "route " << int(route) << ", " << s.n << "x" << s.n << " on " << w << "x" << h << ", range " << range;
    };
    for (Route route : {Route::Fastest, Route::Baseline, Route::Portable})
        for (const auto& s : kSizes)
            for (const auto& shape : shapes) {
                check(route, s, shape[0], shape[1], 40);         // 16-bit weights
                check(route, s, shape[0], shape[1], 20000000);   // weights that need 64-bit sums
            }
}

TEST(Convolution, CoefficientsAtTheEdgesOfTheirHalvesMatchTheDefinitionOnEveryRoute)
{
    // Coefficients beyond 16 bits are filtered in two halves; these sit on
    // either side of every place a half can overflow, with and without one
    // within 32768 of the top of the range (which changes the split).
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max(), kMin = std::numeric_limits<std::int32_t>::min();
    const std::int32_t edges[] = {kMin,    kMin + 1, -65537, -65536, -32769, -32768, -1,          0,
                                  1,       32767,    32768,  65535,  65536,  65537,  kMax - 32768, kMax - 32767,
                                  kMax - 1, kMax,    1 << 30, -(1 << 30)};
    std::mt19937 rng(41);
    using Route = ConvolutionScratch::Route;
    for (const bool nearTop : {false, true})
        for (const auto& s : kSizes)
            for (const auto& [w, h] : {std::pair{19, 7}, std::pair{6, 3}}) {
                KernelCoefficients c{};
                for (auto& v : c) {
                    v = edges[rng() % std::size(edges)];
                    if (!nearTop && v > kMax - 32768)
                        v = kMax - 32768;
                }
                if (nearTop)
                    c[40] = kMax - 5;
                const Bitmap24 input = randomBitmap(w, h, rng);
                // Divisors that leave some bytes inside 0..255, not all clamped.
                for (const std::int64_t divisor : {std::int64_t(1) << 31, std::int64_t(1) << 38, std::int64_t(1) << 40}) {
                    const Bitmap24 expected = reference(input, s.n, c, divisor);
                    for (Route route : {Route::Fastest, Route::Baseline, Route::Portable}) {
                        ConvolutionScratch scratch;
                        scratch.setRoute(route);
                        Bitmap24 out = input;
                        s.filter(out, c, divisor, scratch);
                        EXPECT_TRUE(kernels::SamePixels(out, expected))
                            << "route " << int(route) << ", " << s.n << "x" << s.n << ", near top " << nearTop
                            << ", divisor 2^" << std::countr_zero(std::uint64_t(divisor));
                    }
                }
            }
}

TEST(Convolution, IdentityAndBoxKeepTheImageBordersIncluded)
{
    std::mt19937 rng(3);
    const Bitmap24 input = randomBitmap(19, 13, rng);
    for (const auto& s : kSizes) {
        Bitmap24 out = input;
        ConvolutionScratch scratch;
        s.filter(out, identity(), 1, scratch);
        EXPECT_TRUE(kernels::SamePixels(out, input)) << s.n;
    }
    KernelCoefficients box{};
    for (int r = 3; r <= 5; ++r)
        for (int c = 3; c <= 5; ++c)
            box[9 * r + c] = 1;
    box[0] = box[80] = 1000;   // outside the 3x3: no effect
    Bitmap24 uniform = uniformBitmap(10, 7, 77);
    Convolve3x3(uniform, box, 9);
    EXPECT_TRUE(kernels::SamePixels(uniform, uniformBitmap(10, 7, 77)));
}

TEST(Convolution, OrientationEdgesAndChannels)
{
    // Row of three pixels, each channel different: blue 10/20/30, green 1/2/3, red 100/150/200.
    Bitmap24 b(3, 1);
    const std::uint8_t pixels[] = {10, 1, 100, 20, 2, 150, 30, 3, 200};
    std::copy(std::begin(pixels), std::end(pixels), b.scanLine(0));
    KernelCoefficients right{};
    right[9 * 4 + 5] = 1;   // column 5 weighs the pixel to the right (not flipped)
    Convolve3x3(b, right, 1);
    const std::uint8_t shifted[] = {20, 2, 150, 30, 3, 200, 30, 3, 200};   // last column repeats
    EXPECT_TRUE(std::equal(std::begin(shifted), std::end(shifted), b.scanLine(0)));

    Bitmap24 column(1, 3);
    column.scanLine(0)[0] = 5;
    column.scanLine(1)[0] = 6;
    column.scanLine(2)[0] = 7;
    KernelCoefficients above{};
    above[9 * 2 + 4] = 1;   // row 2 of a 5x5 weighs the pixel two rows above
    Convolve5x5(column, above, 1);
    EXPECT_EQ(column.scanLine(0)[0], 5);   // top row repeats
    EXPECT_EQ(column.scanLine(1)[0], 5);
    EXPECT_EQ(column.scanLine(2)[0], 5);
}

TEST(Convolution, ClampRoundingAndBadWeights)
{
    Bitmap24 b = uniformBitmap(4, 4, 1);
    Convolve3x3(b, identity(5), 2);   // 2.5 goes to 2
    EXPECT_EQ(b.scanLine(2)[5], 2);
    b = uniformBitmap(4, 4, 1);
    Convolve3x3(b, identity(7), 2);   // 3.5 goes to 4
    EXPECT_EQ(b.scanLine(2)[5], 4);
    b = uniformBitmap(4, 4, 100);
    Convolve7x7(b, identity(-1), 1);
    EXPECT_EQ(b.scanLine(0)[0], 0);
    b = uniformBitmap(4, 4, 100);
    Convolve9x9(b, identity(3), 1);
    EXPECT_EQ(b.scanLine(3)[11], 255);

    // Divisor 0 counts as 1 instead of making every value infinite.
    b = uniformBitmap(4, 4, 33);
    Convolve5x5(b, identity(), 0);
    EXPECT_TRUE(kernels::SamePixels(b, uniformBitmap(4, 4, 33)));

    // Weights of +-2^31: sums far beyond 32 bits stay exact.
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max(), kMin = std::numeric_limits<std::int32_t>::min();
    b = uniformBitmap(5, 5, 2);
    Convolve3x3(b, identity(kMax), 1);   // 2 (2^31 - 1) wraps to -2 in 32 bits
    EXPECT_EQ(b.scanLine(2)[6], 255);
    KernelCoefficients all{};
    all.fill(kMin);
    b = uniformBitmap(5, 5, 255);
    Convolve9x9(b, all, 65535);
    EXPECT_EQ(b.scanLine(4)[14], 0);
    KernelCoefficients balanced = identity(kMax);
    balanced[39] = kMin + 100;   // left neighbour: the sum is 255 x 99
    b = uniformBitmap(5, 5, 255);
    Convolve3x3(b, balanced, 99);
    EXPECT_EQ(b.scanLine(1)[3], 255);
    b = uniformBitmap(5, 5, 100);
    Convolve3x3(b, balanced, 198);   // 100 x 99 / 198 = 50
    EXPECT_EQ(b.scanLine(1)[3], 50);
    // The divisor is taken whole, far beyond 16 bits.
    b = uniformBitmap(5, 5, 100);
    Convolve3x3(b, identity(140000), 70000);
    EXPECT_EQ(b.scanLine(2)[6], 200);
    b = uniformBitmap(5, 5, 100);
    Convolve9x9(b, identity(std::int32_t(1) << 30), std::int64_t(1) << 31);
    EXPECT_EQ(b.scanLine(2)[6], 50);

    // Empty bitmaps are left alone.
    for (auto [w, h] : {std::pair{0, 0}, {0, 7}, {7, 0}}) {
        Bitmap24 empty(w, h);
        Convolve9x9(empty, identity(), 1);
        EXPECT_EQ(empty.width(), w);
    }
}

TEST(Convolution, RowsSplitAcrossThreadsGiveTheBytesOfOneThread)
{
    std::mt19937 rng(29);
    // Heights that split into uneven bands, a width off every vector width.
    const Bitmap24 source = randomBitmap(53, 131, rng);
    KernelCoefficients small{}, wide{};
    for (auto& v : small)
        v = std::int32_t(rng() % 41) - 20;
    for (auto& v : wide)
        v = std::int32_t(rng() % 400001) - 200000;
    for (const int threads : {2, 3, 4}) {
        RowPool pool(threads);
        for (const Size& size : kSizes)
            for (const auto& [coefficients, divisor] : {std::pair{small, std::int64_t(9)}, {wide, std::int64_t(150000)}})
                for (const auto route : {ConvolutionScratch::Route::Fastest, ConvolutionScratch::Route::Baseline,
                                         ConvolutionScratch::Route::Portable}) {
                    ConvolutionScratch alone, banded;
                    alone.setRoute(route);
                    banded.setRoute(route);
                    banded.setPool(&pool);
                    Bitmap24 one = source, many = source;
                    size.filter(one, coefficients, divisor, alone);
                    size.filter(many, coefficients, divisor, banded);
                    EXPECT_TRUE(kernels::SamePixels(one, many))
                        << threads << " threads, " << size.n << " x " << size.n << ", route " << int(route);
                    EXPECT_TRUE(kernels::SamePixels(many, reference(source, size.n, coefficients, divisor)))
                        << threads << " threads, " << size.n << " x " << size.n << ", route " << int(route);
                }
    }

    // Heights around one and two pieces of rows and not a multiple of them,
    // one scratch for all (it grows and shrinks with the image and the
    // kernel), frame after frame so that threads meet rows others wrote.
    RowPool pool(4);
    ConvolutionScratch alone, banded;
    banded.setPool(&pool);
    for (const auto& [w, h] : {std::pair{1, 1}, {7, 2}, {5, 15}, {17, 16}, {3, 31}, {40, 32}, {9, 33}, {1, 47},
                               {33, 64}, {70, 250}, {16, 97}})
        for (const Size& size : kSizes) {
            Bitmap24 one = randomBitmap(w, h, rng), many = one;
            for (int frame = 0; frame < 3; ++frame) {
                size.filter(one, small, 9, alone);
                size.filter(many, small, 9, banded);
                ASSERT_TRUE(kernels::SamePixels(one, many))
                    << size.n << " x " << size.n << " on " << w << " x " << h << ", frame " << frame;
            }
        }
}

// A pooled filtering cuts the rows into pieces that its threads take in
// whatever order they reach them, each holding back its rows along a seam
// until the piece across has read them. Every order, including those where a
// piece ends before either neighbour starts, gives the bytes of one thread.
TEST(Convolution, PiecesInAnyOrderGiveTheBytesOfOneThread)
{
    std::mt19937 rng(53);
    KernelCoefficients small{}, wide{};
    for (auto& v : small)
        v = std::int32_t(rng() % 41) - 20;
    for (auto& v : wide)
        v = std::int32_t(rng() % 4000001) - 2000000;
    ConvolutionScratch pieced;
    for (const auto& [w, h] : {std::pair{21, 61}, {1, 40}, {35, 16}})
        for (const Size& size : kSizes) {
            const int pieceRows = size.n - 1;   // the shortest pieces: every row lies on a seam
            const int count = std::max(h / pieceRows, 1);
            std::vector<int> forward(std::size_t(count), 0);
            for (int i = 0; i < count; ++i)
                forward[std::size_t(i)] = i;
            std::vector<int> backward(forward.rbegin(), forward.rend()), evensFirst, shuffled = forward;
            for (const int parity : {0, 1})
                for (int i = parity; i < count; i += 2)
                    evensFirst.push_back(i);
            std::shuffle(shuffled.begin(), shuffled.end(), rng);
            for (const auto& [coefficients, divisor] : {std::pair{small, std::int64_t(7)}, {wide, std::int64_t(900000)}})
                for (const auto route : {ConvolutionScratch::Route::Fastest, ConvolutionScratch::Route::Portable}) {
                    const Bitmap24 source = randomBitmap(w, h, rng);
                    const Bitmap24 expected = reference(source, size.n, coefficients, divisor);
                    pieced.setRoute(route);
                    for (const auto* order : {&forward, &backward, &evensFirst, &shuffled}) {
                        Bitmap24 out = source;
                        detail::ConvolveInPieces(size.n, out, coefficients, divisor, pieced, pieceRows, *order);
                        EXPECT_TRUE(kernels::SamePixels(out, expected))
                            << size.n << " x " << size.n << " on " << w << " x " << h << ", route " << int(route)
                            << ", order starting " << order->front() << ", " << (count > 1 ? (*order)[1] : -1);
                    }
                }
        }
}
