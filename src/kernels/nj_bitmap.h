#pragma once
// The imaging core's own bitmap: up to 32 bits per channel, signed or
// unsigned, one of nine pixel formats, in one contiguous zero-filled buffer;
// with its canvas, pen, brush and font, whose modes choose per-channel pixel
// operations. Shown by copying a rectangle into a 24-bit Bitmap24, loaded by
// the reverse copy.
//
// Pixel formats (bytes per pixel, channels, channel type, channel maximum):
//   0: 4, 4 x uint8,  255          5: 16, 4 x int32, 2147483647
//   1: 8, 4 x uint16, 65535        6: 1, grey uint8,  255
//   2: 16, 4 x uint32, 4294967295  7: 2, grey uint16, 65535
//   3: 8, 4 x int16,  32767        8: 4, grey uint32, 4294967295
//   4: 4, 4 x int8,   127
// Four-channel pixels hold blue, green, red and a fourth channel that the
// copies never touch, in that order, in native (little-endian) byte order.

#include "kernels/threads.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace kernels {

class Bitmap24;
class TNJBitmap;
class TNJCanvas;

using NJColor = std::array<std::int64_t, 4>;

namespace NJImages_Threaded {

constexpr int PixelFormatCount = 9;

// 0 for a format outside 0..8.
int BytesPerPixel(int format);
std::uint32_t ChannelMax(int format);

// A channel value from one format to another: within the 8-, 16- and 32-bit
// families (formats 0/6, 1/7, 2/8) unchanged, between them shifted; 32 to 16
// bits divides by 65535 and is limited to 65535. Any pair with a signed
// format (3, 4, 5) or an unknown one gives 0.
std::uint32_t ConvertChannel(std::uint32_t value, int fromFormat, int toFormat);

// Takes (source, destination, source format, destination format) and gives
// the new destination channel value.
using PixelOperation = std::uint32_t (*)(std::uint32_t source, std::uint32_t destination,
                                         std::uint8_t sourceFormat, std::uint8_t destinationFormat);

// The operation of a pen mode (0..15) or a copy mode (0..19). Modes that
// define no result (pen 2, 12..15, anything beyond the tables) leave the
// destination as it is.
PixelOperation PenOperation(int mode);
PixelOperation CopyOperation(int mode);

// Copies columns sourceRect.Left..Right and rows Top..Bottom of source into
// destination at (destinationRect.Left, destinationRect.Top), clipped to both
// bitmaps. Formats 0, 1, 2 give the top byte of channels 0, 1, 2; grey
// formats 6, 7, 8 the grey value's top byte in all three; signed formats
// (3, 4, 5) copy nothing.
void CopyRectToBitmap(const TNJBitmap& source, const NJRect& sourceRect, Bitmap24& destination,
                      const NJRect& destinationRect);

// Copies a 24-bit bitmap into channels 0, 1, 2 of destination: the rectangle
// of destinationRect's size, from sourceRect's top-left corner to
// destinationRect's, clipped to both rectangles and both bitmaps. Format 0
// takes the bytes, 1 shifts them left 8, 2 left 24, 3 stores them unscaled;
// other formats and channel 3 are left untouched.
void CopyBitmapToNJ(const Bitmap24& source, const NJRect& sourceRect, TNJBitmap& destination,
                    const NJRect& destinationRect);

} // namespace NJImages_Threaded

class TNJPen {
public:
    explicit TNJPen(TNJCanvas& canvas) : canvas_(canvas) {}

    std::uint8_t Mode() const { return mode_; }
    void SetMode(std::uint8_t mode);
    NJImages_Threaded::PixelOperation PixelOp() const { return pixelOp_; }

    const NJColor& Color() const { return color_; }
    // Stores the colour scaled to the bitmap's current format.
    void SetColor(const NJColor& color);

    std::uint8_t Style() const { return style_; }
    void SetStyle(std::uint8_t style) { style_ = style; }
    std::int32_t Width() const { return width_; }
    void SetWidth(std::int32_t width) { width_ = width; }
    std::int32_t X() const { return x_; }
    void SetX(std::int32_t x) { x_ = x; }
    std::int32_t Y() const { return y_; }
    void SetY(std::int32_t y) { y_ = y; }

    TNJCanvas& Canvas() const { return canvas_; }

private:
    TNJCanvas& canvas_;
    std::uint8_t mode_ = 4;
    NJImages_Threaded::PixelOperation pixelOp_ = NJImages_Threaded::PenOperation(4);
    NJColor color_{0, 0, 0, 0};
    std::uint8_t style_ = 0;
    std::int32_t width_ = 1;
    std::int32_t x_ = 0;
    std::int32_t y_ = 0;
};

class TNJBrush {
public:
    explicit TNJBrush(TNJCanvas& canvas) : canvas_(canvas) {}

    const NJColor& Color() const { return color_; }
    std::uint8_t Style() const { return style_; }
    void SetStyle(std::uint8_t style) { style_ = style; }
    TNJCanvas& Canvas() const { return canvas_; }

private:
    TNJCanvas& canvas_;
    NJColor color_{4278190080, 4278190080, 4278190080, 0};
    std::uint8_t style_ = 1;
};

class TNJFont {
public:
    explicit TNJFont(TNJCanvas& canvas) : canvas_(canvas) {}

    const NJColor& Color() const { return color_; }
    // Stores the colour scaled to the bitmap's current format (the font's
    // own scale, which differs from the pen's for the 16- and 32-bit formats).
    void SetColor(const NJColor& color);

    std::uint8_t Style() const { return style_; }
    void SetStyle(std::uint8_t style) { style_ = style; }
    std::uint8_t Pitch() const { return pitch_; }
    void SetPitch(std::uint8_t pitch) { pitch_ = pitch; }
    std::int32_t Size() const { return size_; }
    void SetSize(std::int32_t size) { size_ = size; }
    TNJCanvas& Canvas() const { return canvas_; }

private:
    TNJCanvas& canvas_;
    NJColor color_{0, 0, 0, 0};
    std::uint8_t style_ = 0;
    std::uint8_t pitch_ = 0;
    std::int32_t size_ = 0;
};

class TNJCanvas : public TGenericModule {
public:
    explicit TNJCanvas(TNJBitmap& bitmap);

    std::uint8_t Copymode() const { return copymode_; }
    void SetCopymode(std::uint8_t mode);
    NJImages_Threaded::PixelOperation CopyOp() const { return copyOp_; }

    TNJPen& Pen() { return pen_; }
    TNJBrush& Brush() { return brush_; }
    TNJFont& Font() { return font_; }
    TNJBitmap& Bitmap() const { return bitmap_; }

    // Columns 0..Width-1, rows 0..Height-1 of the bitmap.
    const NJRect& ClipRect() const { return clipRect_; }
    void UpdateClipRect();

private:
    TNJBitmap& bitmap_;
    std::uint8_t copymode_ = 16;
    NJImages_Threaded::PixelOperation copyOp_ = NJImages_Threaded::CopyOperation(16);
    TNJPen pen_{*this};
    TNJBrush brush_{*this};
    TNJFont font_{*this};
    NJRect clipRect_;
};

class TNJBitmap : public TGenericModule {
public:
    // 0 by 0, format 0, without buffer.
    TNJBitmap();
    ~TNJBitmap() override;

    // Each real change of width, height or format gives a new zero-filled
    // buffer; setting the current value keeps the pixels. A negative size, a
    // byte count that does not fit in memory, or a failed allocation leaves a
    // 0 by 0 bitmap without buffer (format kept) and returns false; an unknown
    // format is refused (false) and changes nothing.
    bool SetWidth(int width);
    bool SetHeight(int height);
    bool SetPixelFormat(int format);

    int GetWidth() const { return width_; }
    int GetHeight() const { return height_; }
    int GetPixelFormat() const { return pixelFormat_; }
    // Bytes per row: BytesPerPixel(format) x width; rows follow each other.
    std::ptrdiff_t Stride() const { return stride_; }

    // Row y, or nullptr outside 0..Height-1.
    std::uint8_t* ScanLine(int y) { return (y < 0 || y >= height_) ? nullptr : buffer_.get() + y * stride_; }
    const std::uint8_t* ScanLine(int y) const
    {
        return (y < 0 || y >= height_) ? nullptr : buffer_.get() + y * stride_;
    }

    TNJCanvas& Canvas() { return canvas_; }
    const TNJCanvas& Canvas() const { return canvas_; }

private:
    bool Reallocate(int width, int height, int format);

    int width_ = 0;
    int height_ = 0;
    int pixelFormat_ = 0;
    std::ptrdiff_t stride_ = 0;
    std::unique_ptr<std::uint8_t[]> buffer_;
    TNJCanvas canvas_{*this};
};

} // namespace kernels
