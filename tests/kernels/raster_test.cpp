#include "kernels/raster.h"
#include "kernels/row_pool.h"

#include <QImage>
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

using namespace kernels;

namespace {

constexpr Colour kRed = 255, kGreen = 65280, kBlue = 16711680, kOlive = 32896;

// Each pixel a distinct colour derived from its place.
Bitmap24 pattern(int w, int h, int seed = 0)
{
    Bitmap24 b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            setPixel(b, x, y, rgbColour(std::uint8_t(x + seed), std::uint8_t(y), std::uint8_t(1 + (x ^ y))));
    return b;
}

Bitmap24 filled(int w, int h, Colour c)
{
    Bitmap24 b(w, h);
    fillRect(b, boundsOf(b), c);
    return b;
}

} // namespace

TEST(Raster, PixelsColoursAndFills)
{
    Bitmap24 b(4, 3);
    setPixel(b, 1, 2, kRed);
    const std::uint8_t* p = b.scanLine(2) + 3;
    EXPECT_EQ(p[0], 0);     // blue
    EXPECT_EQ(p[1], 0);     // green
    EXPECT_EQ(p[2], 255);   // red
    EXPECT_EQ(pixel(b, 1, 2), kRed);
    EXPECT_EQ(b.view().pixel(1, 2), qRgb(255, 0, 0));   // the view shares the pixels
    setPixel(b, -1, 0, kWhite);
    setPixel(b, 4, 0, kWhite);
    EXPECT_EQ(pixel(b, 4, 0), kInvalidColour);
    EXPECT_EQ(pixel(b, 0, -1), kInvalidColour);

    fillRect(b, {2, -5, 100, 2}, kBlue);   // partly outside
    EXPECT_EQ(pixel(b, 1, 0), kBlack);
    EXPECT_EQ(pixel(b, 2, 0), kBlue);
    EXPECT_EQ(pixel(b, 3, 1), kBlue);
    EXPECT_EQ(pixel(b, 3, 2), kBlack);
    fillRect(b, {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, kWhite);
    EXPECT_EQ(pixel(b, 3, 2), kWhite);
    fillRect(b, {3, 0, 1, 2}, kRed);   // right before left: empty
    EXPECT_EQ(pixel(b, 2, 0), kWhite);
}

TEST(Raster, BlockCopiesApplyTheirOperation)
{
    const Colour a = rgbColour(0x0F, 0xF0, 0x33), d = rgbColour(0x30, 0x0C, 0x81);
    auto after = [&](RasterOp op) {
        Bitmap24 src = filled(2, 2, a), dst = filled(2, 2, d);
        bitBlt(dst, 1, 1, 1, 1, src, 0, 0, op);
        EXPECT_EQ(pixel(dst, 0, 0), d);   // outside the block: untouched
        return pixel(dst, 1, 1);
    };
    EXPECT_EQ(after(RasterOp::SrcCopy), a);
    EXPECT_EQ(after(RasterOp::Blackness), kBlack);
    EXPECT_EQ(after(RasterOp::Whiteness), kWhite);
    EXPECT_EQ(after(RasterOp::SrcPaint), rgbColour(0x3F, 0xFC, 0xB3));
    EXPECT_EQ(after(RasterOp::MergePaint), rgbColour(0xF0, 0x0F, 0xCD));   // not a, or d
}

TEST(Raster, CopiesAreClippedToSourceAndDestination)
{
    // A 101 by 81 zone onto a 100 by 80 view: everything inside is written, nothing else.
    const Bitmap24 zone = pattern(101, 81);
    Bitmap24 view(100, 80);
    bitBlt(view, 0, 0, 101, 81, zone, 0, 0, RasterOp::SrcCopy);
    EXPECT_EQ(pixel(view, 99, 79), pixel(zone, 99, 79));
    EXPECT_EQ(pixel(view, 0, 0), pixel(zone, 0, 0));

    // Negative destination origin: the source is shifted in.
    Bitmap24 shifted(100, 80);
    bitBlt(shifted, -5, -3, 101, 81, zone, 0, 0, RasterOp::SrcCopy);
    EXPECT_EQ(pixel(shifted, 0, 0), pixel(zone, 5, 3));
    EXPECT_EQ(pixel(shifted, 95, 77), pixel(zone, 100, 80));
    EXPECT_EQ(pixel(shifted, 96, 78), kBlack);   // past the source

    // Negative source origin: only the part that exists is copied.
    Bitmap24 partial = filled(10, 10, kGreen);
    bitBlt(partial, 0, 0, 10, 10, zone, -4, -2, RasterOp::SrcCopy);
    EXPECT_EQ(pixel(partial, 3, 9), kGreen);
    EXPECT_EQ(pixel(partial, 9, 1), kGreen);
    EXPECT_EQ(pixel(partial, 4, 2), pixel(zone, 0, 0));

    // Wholly outside, huge or negative sizes, empty bitmaps: nothing happens.
    Bitmap24 untouched = filled(10, 10, kGreen);
    Bitmap24 empty;
    bitBlt(untouched, 10, 0, 5, 5, zone, 0, 0, RasterOp::SrcCopy);
    bitBlt(untouched, INT_MIN, INT_MIN, INT_MAX, INT_MAX, zone, INT_MAX, 0, RasterOp::SrcCopy);
    bitBlt(untouched, 0, 0, -3, 5, zone, 0, 0, RasterOp::Whiteness);
    bitBlt(untouched, 0, 0, 5, 5, empty, 0, 0, RasterOp::SrcPaint);
    bitBlt(empty, 0, 0, 5, 5, zone, 0, 0, RasterOp::SrcCopy);
    stretchBlt(untouched, {0, 0, 10, 10}, empty, {0, 0, 3, 3}, RasterOp::SrcCopy);
    transparentCopy(untouched, -200, 0, zone);
    EXPECT_EQ(pixel(untouched, 9, 9), kGreen);
    EXPECT_EQ(pixel(untouched, 0, 0), kGreen);

    // Within one bitmap, overlapping blocks copy as through a temporary.
    Bitmap24 self = pattern(6, 6), expected = pattern(6, 6);
    const Bitmap24 before = pattern(6, 6);
    bitBlt(self, 1, 1, 5, 5, self, 0, 0, RasterOp::SrcCopy);
    bitBlt(expected, 1, 1, 5, 5, before, 0, 0, RasterOp::SrcCopy);
    bitBlt(self, 0, 0, 5, 5, self, 1, 1, RasterOp::SrcPaint);
    bitBlt(expected, 0, 0, 5, 5, Bitmap24(expected), 1, 1, RasterOp::SrcPaint);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(pixel(self, x, y), pixel(expected, x, y)) << x << "," << y;
}

// Rows split across threads give the bytes of one thread: blocks clipped on
// every side, heights that split unevenly, operations other than a copy,
// sizes past every limit and a block within one bitmap.
TEST(Raster, CopiesOnThreadsWriteWhatOneThreadWrites)
{
    RowPool pool(4);
    const Bitmap24 src = pattern(157, 203, 7);
    struct Block {
        int dx, dy, w, h, sx, sy;
        RasterOp op;
    };
    const Block blocks[] = {{0, 0, 157, 203, 0, 0, RasterOp::SrcCopy},     {-5, -9, 150, 190, 0, 0, RasterOp::SrcCopy},
                            {3, 2, 157, 203, -4, -7, RasterOp::SrcCopy},   {10, 70, 40, 131, 20, 1, RasterOp::SrcCopy},
                            {0, 0, 157, 203, 0, 0, RasterOp::SrcPaint},    {1, 1, 157, 203, 0, 0, RasterOp::Whiteness},
                            {INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0, 0, RasterOp::SrcCopy},
                            {0, 0, 100, 100, 200, 0, RasterOp::SrcCopy}};
    for (const Block& b : blocks) {
        Bitmap24 one = pattern(140, 170, 3), four = pattern(140, 170, 3);
        bitBlt(one, b.dx, b.dy, b.w, b.h, src, b.sx, b.sy, b.op);
        bitBlt(four, b.dx, b.dy, b.w, b.h, src, b.sx, b.sy, b.op, &pool);
        for (int y = 0; y < one.height(); ++y)
            ASSERT_EQ(std::memcmp(one.scanLine(y), four.scanLine(y), std::size_t(one.width()) * 3), 0)
                << "block at " << b.dx << "," << b.dy << " row " << y;
    }
    Bitmap24 self = pattern(64, 96), expected = pattern(64, 96);
    bitBlt(self, 0, 1, 64, 95, self, 0, 0, RasterOp::SrcCopy, &pool);
    bitBlt(expected, 0, 1, 64, 95, Bitmap24(expected), 0, 0, RasterOp::SrcCopy);
    for (int y = 0; y < 96; ++y)
        ASSERT_EQ(std::memcmp(self.scanLine(y), expected.scanLine(y), 64 * 3), 0) << "row " << y;
}

TEST(Raster, StretchRepeatsAndDropsWholeRowsAndColumns)
{
    const Bitmap24 src = pattern(4, 4);
    Bitmap24 big(8, 8);
    stretchBlt(big, {0, 0, 8, 8}, src, {0, 0, 4, 4}, RasterOp::SrcCopy);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(pixel(big, x, y), pixel(src, x / 2, y / 2));

    // Shrinking 4 to 3 keeps columns 0, 1, 2 (floor(u * 4 / 3)); 4 to 2 keeps 0 and 2.
    Bitmap24 small(3, 2);
    stretchBlt(small, {0, 0, 3, 2}, src, {0, 0, 4, 4}, RasterOp::SrcCopy);
    EXPECT_EQ(pixel(small, 2, 0), pixel(src, 2, 0));
    EXPECT_EQ(pixel(small, 1, 1), pixel(src, 1, 2));

    // Destination partly outside, source partly outside: the mapping stays, the
    // pixels without a destination or a source are skipped.
    Bitmap24 dst = filled(4, 4, kGreen);
    stretchBlt(dst, {-2, 0, 6, 4}, src, {-1, 0, 3, 4}, RasterOp::SrcCopy);   // 4 columns onto 8
    EXPECT_EQ(pixel(dst, 0, 0), pixel(src, 0, 0));   // u = 2 -> source -1 + 1
    EXPECT_EQ(pixel(dst, 3, 3), pixel(src, 1, 3));   // u = 5 -> source -1 + 2
    Bitmap24 edge = filled(4, 1, kGreen);
    stretchBlt(edge, {0, 0, 4, 1}, src, {-1, 0, 1, 1}, RasterOp::SrcCopy);
    EXPECT_EQ(pixel(edge, 1, 0), kGreen);                // source column -1
    EXPECT_EQ(pixel(edge, 2, 0), pixel(src, 0, 0));

    // Equal sizes behave as a block copy, with the operation applied; fills ignore the source.
    Bitmap24 merged = filled(4, 4, kBlack);
    stretchBlt(merged, {1, 1, 3, 3}, src, {0, 0, 2, 2}, RasterOp::MergePaint);
    EXPECT_EQ(pixel(merged, 1, 1), ~pixel(src, 0, 0) & kWhite);
    stretchBlt(merged, {0, 0, 2, 2}, src, {0, 0, 0, 0}, RasterOp::Whiteness);
    EXPECT_EQ(pixel(merged, 1, 1), kWhite);

    // Stretching a bitmap onto itself reads the source as it was.
    Bitmap24 self = pattern(4, 4);
    stretchBlt(self, {0, 0, 4, 4}, self, {0, 0, 2, 2}, RasterOp::SrcCopy);
    EXPECT_EQ(pixel(self, 3, 3), pixel(src, 1, 1));
}

TEST(Raster, TransparentCopySkipsBlack)
{
    Bitmap24 overlay(3, 1);
    setPixel(overlay, 0, 0, kRed);
    setPixel(overlay, 2, 0, 1);   // almost black is not transparent
    Bitmap24 view = filled(3, 2, kGreen);
    transparentCopy(view, -1, 1, overlay);   // negative origin: column 0 of the overlay is cut
    EXPECT_EQ(pixel(view, 0, 1), kGreen);    // overlay (1, 0) is black
    EXPECT_EQ(pixel(view, 1, 1), 1u);
    EXPECT_EQ(pixel(view, 2, 1), kGreen);
    EXPECT_EQ(pixel(view, 0, 0), kGreen);
}

TEST(Raster, DottedNotXorPen)
{
    // The zone outline: white bitmap, olive pen, so the dots come out olive.
    Bitmap24 zone = filled(8, 6, kWhite);
    DottedNotXorPen(zone, kOlive).rectangle({1, 1, 6, 5});
    // Outline pixels in drawing order from (1, 1): every other one is drawn.
    const int path[][2] = {{1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {5, 2}, {5, 3}, {5, 4},
                           {4, 4}, {3, 4}, {2, 4}, {1, 4}, {1, 3}, {1, 2}};
    for (int i = 0; i < 14; ++i)
        EXPECT_EQ(pixel(zone, path[i][0], path[i][1]), i % 2 == 0 ? kOlive : kWhite) << i;
    EXPECT_EQ(pixel(zone, 3, 2), kWhite);   // inside untouched

    // A black pen inverts; drawing the same figure twice restores the image.
    const Bitmap24 original = pattern(20, 10);
    Bitmap24 image = pattern(20, 10);
    DottedNotXorPen pen(image);
    pen.moveTo(2, 2);
    pen.lineTo(12, 7);
    EXPECT_EQ(pixel(image, 2, 2), ~pixel(original, 2, 2) & kWhite);
    EXPECT_EQ(pixel(image, 12, 7), pixel(original, 12, 7));   // end point left out
    pen.moveTo(2, 2);
    pen.lineTo(12, 7);
    // Partly and wholly outside, extreme coordinates: clipped, quick, no trace.
    for (int pass = 0; pass < 2; ++pass) {
        pen.rectangle({-3, -3, 25, 8});
        pen.moveTo(INT_MIN, INT_MIN);
        pen.lineTo(INT_MAX, INT_MAX);
        pen.rectangle({INT_MIN, INT_MIN, INT_MAX, INT_MAX});
        pen.rectangle({30, 30, 40, 40});
    }
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            EXPECT_EQ(pixel(image, x, y), pixel(original, x, y)) << x << "," << y;
}

// MERGEPAINT and SRCPAINT work on wide rows a word at a time and pass over
// the words that change nothing (white, black): the result is the bytes'
// own (d | ~s, d | s) whatever mixes of idle and busy runs a row holds, and
// an overlapping block within one bitmap still reads its source as it was.
TEST(Raster, PaintOperationsOnWideRowsAreBytewise)
{
    const int w = 53, h = 4;   // 159 bytes a row: whole and partial blocks
    Bitmap24 outline = filled(w, h, kWhite), dots = filled(w, h, kBlack);
    for (int x = 0; x < w; x += 9) {
        setPixel(outline, x, 1, kOlive);
        setPixel(dots, (x * 7) % w, 2, kBlue);
    }
    setPixel(outline, w - 1, 3, kRed);   // in the last, partial word
    for (RasterOp op : {RasterOp::MergePaint, RasterOp::SrcPaint}) {
        const Bitmap24& src = op == RasterOp::MergePaint ? outline : dots;
        Bitmap24 dst = pattern(w, h, 5);
        const Bitmap24 before = pattern(w, h, 5);
        bitBlt(dst, 0, 0, w, h, src, 0, 0, op);
        for (int y = 0; y < h; ++y)
            for (int i = 0; i < 3 * w; ++i) {
                const std::uint8_t s = src.scanLine(y)[i];
                ASSERT_EQ(dst.scanLine(y)[i], before.scanLine(y)[i] | (op == RasterOp::MergePaint ? ~s & 0xFF : s))
                    << int(op) << " " << y << " " << i;
            }
    }
    // Overlapping forward (destination before the source) in one bitmap.
    Bitmap24 self = pattern(w, h, 1);
    const Bitmap24 copy = pattern(w, h, 1);
    Bitmap24 expected = pattern(w, h, 1);
    bitBlt(self, 0, 0, w - 2, h, self, 2, 0, RasterOp::MergePaint);
    bitBlt(expected, 0, 0, w - 2, h, copy, 2, 0, RasterOp::MergePaint);
    for (int y = 0; y < h; ++y)
        ASSERT_EQ(std::memcmp(self.scanLine(y), expected.scanLine(y), std::size_t(3 * w)), 0) << y;
}

// The plain copy's stretch takes the same pixels as the other operations'
// (a merge onto black is a copy), enlarging, reducing and clipped.
TEST(RasterTest, StretchedCopyTakesTheSamePixelsAsTheGeneralStretch)
{
    Bitmap24 src(37, 23);
    std::uint32_t seed = 12345;
    for (std::size_t i = 0; i < src.byteCount(); ++i) {
        seed = seed * 1103515245u + 12345u;
        src.bits()[i] = std::uint8_t(seed >> 16);
    }
    const Rect cases[][2] = {
        {{0, 0, 120, 71}, {0, 0, 37, 23}},    // enlarged
        {{0, 0, 11, 9}, {0, 0, 37, 23}},      // reduced
        {{-5, -3, 90, 40}, {2, 1, 30, 20}},   // part of the source, clipped in the destination
        {{3, 4, 50, 60}, {0, 0, 37, 23}},
    };
    for (const auto& c : cases) {
        Bitmap24 copied(64, 48), merged(64, 48);
        stretchBlt(copied, c[0], src, c[1], RasterOp::SrcCopy);
        stretchBlt(merged, c[0], src, c[1], RasterOp::SrcPaint);
        EXPECT_TRUE(SamePixels(copied, merged)) << c[0].left << "," << c[0].top << " " << c[0].right << "x" << c[0].bottom;
    }
}
