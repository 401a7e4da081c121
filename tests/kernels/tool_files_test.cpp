#include "kernels/tool_files.h"

#include <gtest/gtest.h>

#include <vector>

using namespace kernels;
using namespace kernels::ToolFiles;

namespace {

Filtres2::ConvolutionKernel sampleKernel()
{
    Filtres2::ConvolutionKernel k;
    k.Tag = {'D', 'C', 'V'};
    k.Size = 5;
    k.Coefficients[0] = 1;
    k.Coefficients[40] = 1000;
    k.Coefficients[80] = -2;
    k.Divisor = 600;
    return k;
}

} // namespace

TEST(KernelFile, GoldenBytesAndRoundTrip)
{
    const auto bytes = encodeKernel(sampleKernel());
    ASSERT_EQ(bytes.size(), 332u);
    EXPECT_EQ(bytes[0], 'D');
    EXPECT_EQ(bytes[1], 'C');
    EXPECT_EQ(bytes[2], 'V');
    EXPECT_EQ(bytes[3], 5);
    const std::vector<std::uint8_t> first(bytes.begin() + 4, bytes.begin() + 8);
    EXPECT_EQ(first, (std::vector<std::uint8_t>{1, 0, 0, 0}));
    const std::vector<std::uint8_t> centre(bytes.begin() + 164, bytes.begin() + 168);
    EXPECT_EQ(centre, (std::vector<std::uint8_t>{0xE8, 0x03, 0, 0}));
    const std::vector<std::uint8_t> last(bytes.begin() + 324, bytes.begin() + 328);
    EXPECT_EQ(last, (std::vector<std::uint8_t>{0xFE, 0xFF, 0xFF, 0xFF}));
    const std::vector<std::uint8_t> divisor(bytes.begin() + 328, bytes.end());
    EXPECT_EQ(divisor, (std::vector<std::uint8_t>{0x58, 0x02, 0, 0}));
    for (std::size_t i = 8; i < 164; ++i)
        ASSERT_EQ(bytes[i], 0) << i;

    const auto back = decodeKernel(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Tag, sampleKernel().Tag);
    EXPECT_EQ(back->Size, 5);
    EXPECT_EQ(back->Coefficients, sampleKernel().Coefficients);
    EXPECT_EQ(back->Divisor, 600);
    EXPECT_EQ(encodeKernel(*back), bytes);
}

TEST(KernelFile, ExtremeValuesAndShortInput)
{
    auto k = sampleKernel();
    k.Tag = {'W', 'V', 'L'};   // any tag is read
    k.Size = 11;
    k.Coefficients.fill(INT32_MIN);
    k.Coefficients[3] = INT32_MAX;
    k.Divisor = 70000;
    const auto bytes = encodeKernel(k);
    const auto back = decodeKernel(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Tag, k.Tag);
    EXPECT_EQ(back->Size, 11);
    EXPECT_EQ(back->Coefficients, k.Coefficients);
    EXPECT_EQ(back->Divisor, 70000);

    // A short record is no record; a longer file gives its first record.
    EXPECT_FALSE(decodeKernel(std::span(bytes.data(), 331)));
    EXPECT_FALSE(decodeKernel({}));
    std::vector<std::uint8_t> longer(bytes.begin(), bytes.end());
    longer.resize(400, 0x55);
    ASSERT_TRUE(decodeKernel(longer));
    EXPECT_EQ(decodeKernel(longer)->Divisor, 70000);
}

TEST(CurveFile, LayoutRoundTripAndRefusals)
{
    CurveRecord r;
    r.Positions = {255, 0, 510, -5, 9999, 255, 100, 200, 255};
    r.Active = {1, 1, 0, 1, 0, 1, 1, 1, 1};
    const auto bytes = encodeCurves(r);
    ASSERT_EQ(bytes.size(), 48u);
    EXPECT_EQ(bytes[0], 'C');
    EXPECT_EQ(bytes[1], 'R');
    EXPECT_EQ(bytes[2], 'V');
    EXPECT_EQ(bytes[3], 0xFF);   // 255 at offset 3
    EXPECT_EQ(bytes[4], 0);
    EXPECT_EQ(bytes[11], 0xFE);   // 510 at offset 11
    EXPECT_EQ(bytes[12], 0x01);
    EXPECT_EQ(bytes[15], 0xFB);   // -5 at offset 15
    EXPECT_EQ(bytes[18], 0xFF);
    EXPECT_EQ(bytes[39], 1);
    EXPECT_EQ(bytes[41], 0);
    EXPECT_EQ(bytes[47], 1);
    const auto back = decodeCurves(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, r);

    auto foreign = bytes;
    foreign[0] = 'X';
    EXPECT_FALSE(decodeCurves(foreign));
    EXPECT_FALSE(decodeCurves(std::span(bytes.data(), 47)));
    // A box byte other than 0 or 1 reads as checked.
    auto odd = bytes;
    odd[41] = 7;
    EXPECT_EQ(decodeCurves(odd)->Active[2], 1);
}
