#include "kernels/bitmap24.h"
#include "kernels/nj_bitmap.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

using kernels::Bitmap24;
using kernels::NJRect;
using kernels::TNJBitmap;
namespace nj = kernels::NJImages_Threaded;

namespace {

template <typename T>
void setChannel(TNJBitmap& b, int x, int y, int channel, T value)
{
    std::memcpy(b.ScanLine(y) + std::ptrdiff_t(x) * nj::BytesPerPixel(b.GetPixelFormat()) + channel * sizeof(T), &value,
                sizeof(T));
}

template <typename T>
T channelAt(const TNJBitmap& b, int x, int y, int channel)
{
    T value;
    std::memcpy(&value, b.ScanLine(y) + std::ptrdiff_t(x) * nj::BytesPerPixel(b.GetPixelFormat()) + channel * sizeof(T),
                sizeof(T));
    return value;
}

bool make(TNJBitmap& b, int format, int width, int height)
{
    return b.SetPixelFormat(format) && b.SetWidth(width) && b.SetHeight(height);
}

void fill24(Bitmap24& b, std::uint8_t value)
{
    for (int y = 0; y < b.height(); ++y)
        std::memset(b.scanLine(y), value, std::size_t(b.width()) * 3);
}

} // namespace

TEST(NJBitmap, SizeAndFormatChangesZeroFillAndRowsStayInside)
{
    TNJBitmap b;
    EXPECT_EQ(b.GetWidth(), 0);
    EXPECT_EQ(b.GetHeight(), 0);
    EXPECT_EQ(b.GetPixelFormat(), 0);
    EXPECT_EQ(b.ScanLine(0), nullptr);
    EXPECT_EQ(b.Canvas().Copymode(), 16);
    EXPECT_EQ(b.Canvas().Pen().Mode(), 4);

    ASSERT_TRUE(make(b, 1, 5, 3));
    EXPECT_EQ(b.Stride(), 40);
    EXPECT_EQ(b.Canvas().ClipRect(), (NJRect{0, 0, 4, 2}));
    EXPECT_EQ(b.ScanLine(-1), nullptr);
    EXPECT_EQ(b.ScanLine(3), nullptr);
    ASSERT_NE(b.ScanLine(2), nullptr);

    setChannel<std::uint16_t>(b, 4, 2, 3, 0xBEEF);
    EXPECT_TRUE(b.SetWidth(5));   // unchanged: pixels kept
    EXPECT_TRUE(b.SetPixelFormat(1));
    EXPECT_EQ(channelAt<std::uint16_t>(b, 4, 2, 3), 0xBEEF);

    EXPECT_TRUE(b.SetPixelFormat(7));   // a real change: zero-filled
    EXPECT_EQ(b.Stride(), 10);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(channelAt<std::uint16_t>(b, x, y, 0), 0);
    setChannel<std::uint16_t>(b, 1, 1, 0, 7);
    EXPECT_TRUE(b.SetHeight(4));
    EXPECT_EQ(channelAt<std::uint16_t>(b, 1, 1, 0), 0);
    EXPECT_FALSE(b.SetPixelFormat(9));   // unknown format: refused, nothing lost
    EXPECT_EQ(b.GetPixelFormat(), 7);
    EXPECT_EQ(b.GetHeight(), 4);

    // 0 by N and N by 0 have no rows to give.
    ASSERT_TRUE(b.SetWidth(0));
    EXPECT_EQ(b.GetHeight(), 4);
    EXPECT_EQ(b.Canvas().ClipRect(), (NJRect{0, 0, -1, 3}));
}

TEST(NJBitmap, ImpossibleSizesLeaveAnEmptyBitmap)
{
    TNJBitmap b;
    ASSERT_TRUE(make(b, 2, 4, 4));
    EXPECT_FALSE(b.SetWidth(-1));
    EXPECT_EQ(b.GetWidth(), 0);
    EXPECT_EQ(b.GetHeight(), 0);
    EXPECT_EQ(b.ScanLine(0), nullptr);

    // 16 x (2^31 - 1) x (2^31 - 1) bytes does not fit a size_t.
    EXPECT_TRUE(b.SetWidth(INT_MAX));
    EXPECT_FALSE(b.SetHeight(INT_MAX));
    EXPECT_EQ(b.GetWidth(), 0);
    EXPECT_EQ(b.GetHeight(), 0);
    EXPECT_EQ(b.Canvas().ClipRect(), (NJRect{0, 0, -1, -1}));

#if !defined(__SANITIZE_ADDRESS__)   // the sanitizer aborts on such requests
    // A petabyte fits a size_t but not in memory.
    ASSERT_TRUE(b.SetPixelFormat(6));
    EXPECT_TRUE(b.SetWidth(1 << 30));
    EXPECT_FALSE(b.SetHeight(1 << 20));
    EXPECT_EQ(b.GetWidth(), 0);
    EXPECT_EQ(b.ScanLine(0), nullptr);
#endif
    EXPECT_TRUE(make(b, 6, 2, 2));   // usable again afterwards
    EXPECT_NE(b.ScanLine(1), nullptr);
}

TEST(NJBitmap, ChannelConversionKeepsFullScale)
{
    EXPECT_EQ(nj::ConvertChannel(4294836225u, 8, 7), 65535u);
    EXPECT_EQ(nj::ConvertChannel(4294967295u, 2, 1), 65535u);   // not 65537 stored as 1
    EXPECT_EQ(nj::ConvertChannel(4294901760u, 8, 7), 65535u);
    EXPECT_EQ(nj::ConvertChannel(255, 6, 2), 4278190080u);
    EXPECT_EQ(nj::ConvertChannel(0xABCD, 1, 0), 0xABu);
    EXPECT_EQ(nj::ConvertChannel(0x12345678, 8, 6), 0x12u);
    EXPECT_EQ(nj::ConvertChannel(77, 0, 6), 77u);
    EXPECT_EQ(nj::ConvertChannel(77, 3, 0), 0u);
    EXPECT_EQ(nj::ConvertChannel(77, 0, 9), 0u);
}

TEST(NJBitmap, PixelOperationsSaturateAndMeaninglessModesKeep)
{
    // Copy modes: add and multiply limited to the channel maximum, without
    // wrapping on the way there.
    EXPECT_EQ(nj::CopyOperation(0)(200, 100, 0, 0), 255u);
    EXPECT_EQ(nj::CopyOperation(0)(4294967295u, 1, 2, 2), 4294967295u);
    EXPECT_EQ(nj::CopyOperation(6)(3, 5, 0, 0), 15u);
    EXPECT_EQ(nj::CopyOperation(6)(65536, 65536, 2, 2), 4294967295u);
    EXPECT_EQ(nj::CopyOperation(6)(65536, 65536, 8, 7), 65535u);
    EXPECT_EQ(nj::CopyOperation(2)(4, 77, 1, 1), 19u);
    EXPECT_EQ(nj::CopyOperation(2)(0, 77, 1, 1), 65535u);   // division by zero
    EXPECT_EQ(nj::CopyOperation(17)(100, 50, 0, 0), 0u);
    EXPECT_EQ(nj::CopyOperation(17)(50, 100, 0, 0), 50u);
    EXPECT_EQ(nj::CopyOperation(9)(0xFF, 0, 0, 1), 0xFF00u);
    EXPECT_EQ(nj::CopyOperation(15)(0xF0, 0xFF, 0, 0), 0x0Fu);
    EXPECT_EQ(nj::CopyOperation(19)(255, 0, 6, 2), 4278190080u);
    EXPECT_EQ(nj::CopyOperation(18)(0, 0, 0, 3), 0u);
    EXPECT_EQ(nj::CopyOperation(20)(1, 77, 0, 0), 77u);

    EXPECT_EQ(nj::PenOperation(1)(0, 0, 0, 7), 65535u);
    EXPECT_EQ(nj::PenOperation(3)(0, 0, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(nj::PenOperation(8)(0x0F, 0xFF, 0, 0), 0xF0u);
    for (int mode : {2, 12, 13, 14, 15, 200})
        EXPECT_EQ(nj::PenOperation(mode)(1, 77, 0, 0), 77u) << "pen mode " << mode;

    TNJBitmap b;
    b.Canvas().Pen().SetMode(12);
    EXPECT_EQ(b.Canvas().Pen().PixelOp()(1, 77, 0, 0), 77u);
    b.Canvas().SetCopymode(0);
    EXPECT_EQ(b.Canvas().CopyOp()(200, 100, 0, 0), 255u);
}

TEST(NJBitmap, ColoursAreScaledToTheFormat)
{
    TNJBitmap b;
    auto& pen = b.Canvas().Pen();
    auto& font = b.Canvas().Font();
    pen.SetColor({65535, 0, 512, 1000});   // 16-bit scale into 8 bits
    EXPECT_EQ(pen.Color(), (kernels::NJColor{255, 0, 2, 3}));
    pen.SetColor({200, 100, 0, 0});
    EXPECT_EQ(pen.Color(), (kernels::NJColor{200, 100, 0, 0}));
    ASSERT_TRUE(b.SetPixelFormat(1));
    pen.SetColor({4278190080, 0, 0, 0});
    font.SetColor({4278190080, 0, 0, 0});
    EXPECT_EQ(pen.Color()[0], 255);
    EXPECT_EQ(font.Color()[0], 65280);
    ASSERT_TRUE(b.SetPixelFormat(2));
    font.SetColor({4278190080, 1, 2, 3});
    EXPECT_EQ(font.Color(), (kernels::NJColor{4278190080, 1, 2, 3}));
    EXPECT_EQ(b.Canvas().Brush().Color()[0], 4278190080);
}

TEST(NJBitmap, CopyToTwentyFourBitsTakesTheTopBytes)
{
    Bitmap24 out(3, 1);
    TNJBitmap b;
    ASSERT_TRUE(make(b, 1, 3, 1));
    setChannel<std::uint16_t>(b, 1, 0, 0, 0x1234);
    setChannel<std::uint16_t>(b, 1, 0, 1, 0xABCD);
    setChannel<std::uint16_t>(b, 1, 0, 2, 0xFF00);
    nj::CopyRectToBitmap(b, b.Canvas().ClipRect(), out, {0, 0, 0, 0});
    const std::uint8_t* p = out.scanLine(0);
    EXPECT_EQ(p[3], 0x12);
    EXPECT_EQ(p[4], 0xAB);
    EXPECT_EQ(p[5], 0xFF);

    ASSERT_TRUE(make(b, 2, 3, 1));
    setChannel<std::uint32_t>(b, 2, 0, 1, 0x89ABCDEF);
    nj::CopyRectToBitmap(b, b.Canvas().ClipRect(), out, {0, 0, 0, 0});
    EXPECT_EQ(p[7], 0x89);
    EXPECT_EQ(p[6], 0);

    ASSERT_TRUE(make(b, 7, 3, 1));
    setChannel<std::uint16_t>(b, 0, 0, 0, 0xBEEF);
    nj::CopyRectToBitmap(b, b.Canvas().ClipRect(), out, {0, 0, 0, 0});
    EXPECT_EQ(p[0], 0xBE);
    EXPECT_EQ(p[1], 0xBE);
    EXPECT_EQ(p[2], 0xBE);

    ASSERT_TRUE(make(b, 0, 3, 1));
    setChannel<std::uint8_t>(b, 2, 0, 2, 0x5A);
    nj::CopyRectToBitmap(b, b.Canvas().ClipRect(), out, {0, 0, 0, 0});
    EXPECT_EQ(p[8], 0x5A);

    // Signed formats are not shown: the destination stays as it was.
    fill24(out, 0x33);
    ASSERT_TRUE(make(b, 3, 3, 1));
    setChannel<std::int16_t>(b, 0, 0, 0, 1000);
    nj::CopyRectToBitmap(b, b.Canvas().ClipRect(), out, {0, 0, 0, 0});
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(p[i], 0x33);
}

TEST(NJBitmap, CopyToTwentyFourBitsIsClippedToBothBitmaps)
{
    TNJBitmap b;
    ASSERT_TRUE(make(b, 6, 101, 81));
    for (int y = 0; y < 81; ++y)
        for (int x = 0; x < 101; ++x)
            setChannel<std::uint8_t>(b, x, y, 0, static_cast<std::uint8_t>(x + y));
    Bitmap24 out(100, 80);
    nj::CopyRectToBitmap(b, b.Canvas().ClipRect(), out, {0, 0, 0, 0});   // a sanitizer catches a write outside
    EXPECT_EQ(out.scanLine(79)[99 * 3], 99 + 79);

    // A destination corner outside the bitmap and a source rectangle larger
    // than the source.
    fill24(out, 0);
    nj::CopyRectToBitmap(b, {0, 0, 500, 500}, out, {-3, -1, 0, 0});
    EXPECT_EQ(out.scanLine(0)[0], 3 + 1);   // source (3, 1)
    EXPECT_EQ(out.scanLine(4)[2 * 3 + 1], 5 + 5);
    fill24(out, 0xEE);
    nj::CopyRectToBitmap(b, {-5, -5, 500, 500}, out, {0, 0, 0, 0});
    EXPECT_EQ(out.scanLine(0)[0], 0xEE);   // before the source: nothing
    EXPECT_EQ(out.scanLine(5)[6 * 3], 1);   // source (1, 0)
    nj::CopyRectToBitmap(b, {0, 0, 10, 10}, out, {INT_MAX, INT_MIN, 0, 0});

    Bitmap24 empty;
    nj::CopyRectToBitmap(b, b.Canvas().ClipRect(), empty, {0, 0, 0, 0});
}

TEST(NJBitmap, CopyFromTwentyFourBitsScalesPerFormat)
{
    Bitmap24 in(2, 2);
    std::uint8_t* row1 = in.scanLine(1);
    row1[3] = 0x12;
    row1[4] = 0x34;
    row1[5] = 0xFF;
    TNJBitmap b;
    for (int format : {0, 1, 2, 3, 6}) {
        ASSERT_TRUE(make(b, format, 2, 2));
        if (format != 6)
            setChannel<std::uint8_t>(b, 1, 1, nj::BytesPerPixel(format) - 1, 0x42);   // inside channel 3
        nj::CopyBitmapToNJ(in, {0, 0, 1, 1}, b, b.Canvas().ClipRect());
        switch (format) {
        case 0:
            EXPECT_EQ(channelAt<std::uint8_t>(b, 1, 1, 2), 0xFF);
            EXPECT_EQ(channelAt<std::uint8_t>(b, 1, 1, 3), 0x42);
            break;
        case 1:
            EXPECT_EQ(channelAt<std::uint16_t>(b, 1, 1, 0), 0x1200);
            EXPECT_EQ(channelAt<std::uint16_t>(b, 1, 1, 3), 0x4200);
            break;
        case 2: EXPECT_EQ(channelAt<std::uint32_t>(b, 1, 1, 1), 0x34000000u); break;
        case 3: EXPECT_EQ(channelAt<std::int16_t>(b, 1, 1, 2), 255); break;
        case 6: EXPECT_EQ(channelAt<std::uint8_t>(b, 1, 1, 0), 0); break;   // untouched
        }
    }
    // Only the destination rectangle's size is copied, clipped to the source.
    ASSERT_TRUE(make(b, 0, 3, 3));
    nj::CopyBitmapToNJ(in, {0, 0, 1, 1}, b, {1, 1, 5, 5});
    EXPECT_EQ(channelAt<std::uint8_t>(b, 2, 2, 0), 0x12);
    EXPECT_EQ(channelAt<std::uint8_t>(b, 0, 0, 0), 0);
}
