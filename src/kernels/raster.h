#pragma once
// Raster operations on 24-bit bitmaps: the block copies, fills and pens that
// the frame pipeline draws with. Every operation is clipped to the source and
// the destination bitmap, so no rectangle, however placed, reads or writes
// outside an image.

#include "kernels/bitmap24.h"

#include <cstdint>

namespace kernels {

class RowPool;

// Left, top, right, bottom; right and bottom are exclusive. A rectangle
// whose right is not beyond its left (or bottom beyond top) is empty.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    std::int64_t width() const { return std::int64_t(right) - left; }
    std::int64_t height() const { return std::int64_t(bottom) - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    bool operator==(const Rect&) const = default;
};

// The whole surface of a bitmap.
inline Rect boundsOf(const Bitmap24& bitmap) { return {0, 0, bitmap.width(), bitmap.height()}; }

// Colour values as the drawing code stores them: red in the low byte, then
// green, then blue (red 255, green 65280, blue 16711680, white 16777215).
// The high byte is ignored when drawing.
using Colour = std::uint32_t;
inline constexpr Colour kBlack = 0;
inline constexpr Colour kWhite = 0xFFFFFF;
// What pixel() answers for a point outside the bitmap.
inline constexpr Colour kInvalidColour = 0xFFFFFFFF;

inline constexpr Colour rgbColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    return Colour(red) | Colour(green) << 8 | Colour(blue) << 16;
}

// Raster operations of the block copies:
//   SrcCopy     destination := source
//   Blackness   destination := black (the source is not read)
//   Whiteness   destination := white (the source is not read)
//   MergePaint  destination := (not source) or destination
//   SrcPaint    destination := source or destination
enum class RasterOp { SrcCopy, Blackness, Whiteness, MergePaint, SrcPaint };

// Colour of pixel (x, y), or kInvalidColour outside the bitmap.
Colour pixel(const Bitmap24& bitmap, int x, int y);
// Sets pixel (x, y); nothing happens outside the bitmap.
void setPixel(Bitmap24& bitmap, int x, int y, Colour colour);

// Fills the part of the rectangle that lies inside the bitmap.
void fillRect(Bitmap24& bitmap, const Rect& rect, Colour colour);

// Applies the operation to the width by height block at (dstX, dstY) of dst,
// from the block at (srcX, srcY) of src. Only pixels whose destination lies
// inside dst and whose source lies inside src are written (for Blackness and
// Whiteness only the destination counts). src may be dst itself; overlapping
// blocks are copied as if through a temporary.
void bitBlt(Bitmap24& dst, int dstX, int dstY, int width, int height, const Bitmap24& src, int srcX, int srcY,
            RasterOp op);
// The same, the rows split across pool when one is given (a frame-sized
// copy is bound by memory, which several threads move faster); within one
// bitmap the rows stay on the calling thread.
void bitBlt(Bitmap24& dst, int dstX, int dstY, int width, int height, const Bitmap24& src, int srcX, int srcY,
            RasterOp op, RowPool* pool);

// Copies srcRect of src onto dstRect of dst, stretching or shrinking by
// nearest neighbour: whole source rows and columns are repeated or dropped,
// never blended. Destination column u (0 .. dstRect.width()-1) takes source
// column srcRect.left + floor(u * srcRect.width() / dstRect.width()), rows
// likewise, so the first source row and column always land on the first
// destination row and column. The mapping is fixed by the two rectangles;
// destination pixels outside dst or mapped to a source pixel outside src are
// left alone. Equal sizes give exactly bitBlt. An empty rectangle copies
// nothing (no mirroring).
void stretchBlt(Bitmap24& dst, const Rect& dstRect, const Bitmap24& src, const Rect& srcRect, RasterOp op);

// Draws src at (dstX, dstY) of dst, leaving the destination unchanged where
// the source pixel is black (the transparent colour of the overlays).
void transparentCopy(Bitmap24& dst, int dstX, int dstY, const Bitmap24& src);

// The dotted not-xor pen of the overlays: each pixel of the pattern becomes
// not (pen colour xor destination), so a black pen inverts the pixels it
// touches, and drawing the same figure twice restores the image. The pattern
// alternates drawn and skipped pixels; it starts with a drawn pixel at
// moveTo and runs on across the following lineTo calls. As in the old
// drawing code, lineTo leaves out its end point, so a closed outline touches
// each of its pixels once.
class DottedNotXorPen {
public:
    explicit DottedNotXorPen(Bitmap24& target, Colour colour = kBlack);

    void moveTo(int x, int y);
    void lineTo(int x, int y);
    // The outline of rect: its pixels from (left, top) to (right-1, bottom-1).
    void rectangle(const Rect& rect);

private:
    void segmentTo(std::int64_t x, std::int64_t y);
    void invert(std::int64_t x, std::int64_t y);

    Bitmap24& target_;
    std::uint8_t blue_, green_, red_;
    std::int64_t x_ = 0;
    std::int64_t y_ = 0;
    std::int64_t step_ = 0;   // pattern position along the current path
};

} // namespace kernels
