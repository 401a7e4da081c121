// Every kernel with a wide vector copy leaves the upper halves of the vector
// registers clear when it returns. Left in use, each SSE instruction the
// thread runs afterwards, anywhere in the program, waits on them: a wavelet
// recombination ran three times slower after a sharpening that left them so.
// The processor reports them in use in bit 2 of extended control register 1.

#include "kernels/clone_route.h"
#include "kernels/convolution.h"
#include "kernels/debayer.h"
#include "kernels/frame_rows.h"
#include "kernels/result_rows.h"
#include "kernels/row_pool.h"

#include "support/random_bytes.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#if defined(__x86_64__)
#include <cpuid.h>

namespace {

using kernels::Bitmap24;
using kernels::RowPool;

bool upperHalvesInUse()
{
    unsigned lo = 0, hi = 0;
    asm volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(1));
    return (lo & 4) != 0;
}

class VectorState : public ::testing::Test {
protected:
    void SetUp() override
    {
        unsigned a = 0, b = 0, c = 0, d = 0;
        if (!__get_cpuid_count(0xd, 1, &a, &b, &c, &d) || !(a & 4) || !kernels::Avx2CloneAvailable())
            GTEST_SKIP() << "the processor does not report the registers in use";
    }

    // Runs call with the upper halves cleared first and says whether it left
    // them in use.
    static void expectClearAfter(const std::string& what, const std::function<void()>& call)
    {
        asm volatile("vzeroupper");
        call();
        EXPECT_FALSE(upperHalvesInUse()) << what;
    }
};

std::vector<std::uint8_t> noise(std::size_t bytes, std::uint32_t seed)
{
    return testsupport::RandomBytes(bytes, seed);
}

TEST_F(VectorState, ResultRowLoopsLeaveTheUpperHalvesClear)
{
    namespace rows = kernels::rows;
    // Widths with and without a plain tail after the vector steps.
    for (const int w : {64, 101}) {
        const auto bytes = noise(std::size_t(3 * w), 7);
        const auto older = noise(std::size_t(3 * w), 8);
        std::vector<std::uint16_t> sum(std::size_t(4 * w), 900), dark(std::size_t(4 * w), 40);
        std::vector<std::uint16_t> flat(std::size_t(4 * w), 300), out(std::size_t(4 * w)), amounts(std::size_t(4 * w));
        std::vector<std::uint16_t> span(65536, 2);
        std::vector<double> factors(65536, 1.25);
        std::vector<std::uint8_t> shown(std::size_t(3 * w + 64)), copy(std::size_t(3 * w + 64));
        const std::string at = " at width " + std::to_string(w);

        rows::AddRow add;
        add.sum = sum.data();
        add.frame = bytes.data();
        add.subtract = older.data();
        add.pixels = w;
        add.subPixels = w / 2;
        expectClearAfter("the addition" + at, [&] { rows::addRowAvx2(add); });

        rows::CorrectRow c;
        c.sum = sum.data();
        c.dark = dark.data();
        c.flat = flat.data();
        c.out = out.data();
        c.pixels = w;
        c.darkLevel = 1;
        c.darkRatio = 1;
        for (auto& f : c.flatFactors)
            f = factors.data();
        rows::Extremes e;
        expectClearAfter("the dark and flat correction" + at, [&] { rows::correctRowAvx2(c, e); });
        c.flat = nullptr;
        expectClearAfter("the dark correction" + at, [&] { rows::correctRowAvx2(c, e); });
        c.darkSpan = span.data();
        expectClearAfter("the dark correction from its span" + at, [&] { rows::correctRowAvx2(c, e); });
        expectClearAfter("the addition and correction" + at, [&] { rows::addCorrectRowAvx2(add, c, e); });
        c.amounts = amounts.data();
        expectClearAfter("the correction by amounts" + at, [&] { rows::correctRowAvx2(c, e); });
        expectClearAfter("the fold" + at, [&] { rows::foldPixelsAvx2(sum.data(), w, e); });
        expectClearAfter("the dark amounts" + at,
                         [&] { rows::darkAmountsRowAvx2(dark.data(), amounts.data(), w, 1.5, 2.0); });
        expectClearAfter("the stretch" + at, [&] {
            rows::stretchRowAvx2(sum.data(), shown.data(), copy.data(), w, 100, 5000, 0xFFFFFF);
        });
    }
}

TEST_F(VectorState, FrameRowLoopsLeaveTheUpperHalvesClear)
{
    const int pixels = 101;
    const auto a = noise(3 * pixels, 1), b = noise(3 * pixels, 2);
    std::vector<std::uint8_t> dst = noise(3 * pixels, 3);
    std::int64_t sum = 0, changed = 0;
    expectClearAfter("the motion comparison", [&] { kernels::MotionRowDiff(a.data(), b.data(), pixels, 9, sum, changed); });
    expectClearAfter("the saturation marks", [&] { kernels::MarkSaturatedRow(a.data(), dst.data(), pixels, 200); });
    // Odd counts, powers of two and other even counts take different loops.
    for (const int n : {7, 8, 6}) {
        const kernels::BlendTables tables(n);
        expectClearAfter("the blend of " + std::to_string(n),
                         [&] { kernels::BlendRow(dst.data(), a.data(), 3 * pixels, tables); });
    }
}

TEST_F(VectorState, TheBayerRebuildLeavesTheUpperHalvesClear)
{
    Bitmap24 source(67, 21), colour;
    const auto bytes = noise(std::size_t(source.byteCount()), 4);
    std::copy(bytes.begin(), bytes.end(), source.bits());
    kernels::RowPool pool(3);
    for (int mode = 1; mode <= 4; ++mode) {
        const std::string m = " in mode " + std::to_string(mode);
        expectClearAfter("the rebuild" + m, [&] { kernels::DebayerFrame(source, colour, mode); });
        expectClearAfter("the pooled rebuild" + m, [&] { kernels::DebayerFrame(source, colour, mode, &pool); });
        const kernels::MosaicRows rows{source.scanLine(0), source.stride(), source.width(), source.height(), 3};
        expectClearAfter("the rebuild from rows" + m, [&] { kernels::DebayerFrame(rows, colour, mode, nullptr); });
    }
}

TEST_F(VectorState, TheConvolutionLeavesTheUpperHalvesClear)
{
    namespace F = kernels::Filtres2;
    Bitmap24 image(83, 40);
    const auto bytes = noise(std::size_t(image.byteCount()), 5);
    kernels::RowPool pool(3);
    using Filter = void (*)(Bitmap24&, const F::KernelCoefficients&, std::int64_t, F::ConvolutionScratch&);
    const Filter filters[] = {&F::Convolve3x3, &F::Convolve5x5, &F::Convolve7x7, &F::Convolve9x9};
    // Coefficients within 16 bits and beyond them take different loops.
    for (const std::int32_t weight : {1, 100000}) {
        F::KernelCoefficients c{};
        c.fill(-weight);
        c[40] = 81 * weight;
        for (int f = 0; f < 4; ++f) {
            for (RowPool* p : {static_cast<RowPool*>(nullptr), &pool}) {
                std::copy(bytes.begin(), bytes.end(), image.bits());
                F::ConvolutionScratch scratch;
                scratch.setPool(p);
                expectClearAfter("the " + std::to_string(2 * f + 3) + " x " + std::to_string(2 * f + 3)
                                     + " convolution of weight " + std::to_string(weight) + (p ? " on the pool" : ""),
                                 [&] { filters[f](image, c, weight, scratch); });
            }
        }
    }
}

} // namespace
#endif
