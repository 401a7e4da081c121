#pragma once
// The live-frame bitmap: 24 bits per pixel, bytes blue, green, red; rows
// top-down with an explicit stride (each row starts on a 4-byte boundary, as
// the old bitmaps did). The class knows its pixels and size; the raster
// operations live beside it in raster.h.

#include <cstddef>
#include <cstdint>
#include <vector>

class QImage;

namespace kernels {

class Bitmap24 {
public:
    Bitmap24() = default;
    Bitmap24(int width, int height) { resize(width, height); }

    // Sets the size. Pixels are zero-filled when the size really changes,
    // kept otherwise. A negative size, or one whose byte count does not fit,
    // leaves a 0 by 0 bitmap and returns false.
    bool resize(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    std::ptrdiff_t stride() const { return stride_; }
    bool isEmpty() const { return width_ <= 0 || height_ <= 0; }

    // Row y, or nullptr when y is outside 0..height-1.
    std::uint8_t* scanLine(int y)
    {
        return (y < 0 || y >= height_) ? nullptr : data_.data() + y * stride_;
    }
    const std::uint8_t* scanLine(int y) const
    {
        return (y < 0 || y >= height_) ? nullptr : data_.data() + y * stride_;
    }

    std::uint8_t* bits() { return data_.data(); }
    const std::uint8_t* bits() const { return data_.data(); }
    std::size_t byteCount() const { return data_.size(); }

    // Swaps the pixels with `pixels`, which must hold a picture of this
    // size, laid out with this stride (byteCount() bytes); false, nothing
    // changed, otherwise. Pointers into the old pixels (and view()s) then
    // point into `pixels`.
    bool exchangePixels(std::vector<std::uint8_t>& pixels, int width, int height, std::ptrdiff_t stride)
    {
        if (width != width_ || height != height_ || stride != stride_ || pixels.size() != data_.size() || isEmpty())
            return false;
        data_.swap(pixels);
        return true;
    }

    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    // A QImage (Format_BGR888) over the same pixels, without copying: for
    // text, ellipses and display. It is valid until the next resize.
    QImage view();

    static std::ptrdiff_t strideFor(int width) { return (static_cast<std::ptrdiff_t>(width) * 3 + 3) & ~std::ptrdiff_t(3); }

private:
    int width_ = 0;
    int height_ = 0;
    std::ptrdiff_t stride_ = 0;
    std::vector<std::uint8_t> data_;
};

// Same size and the same pixels; the rows' padding is not compared.
bool SamePixels(const Bitmap24& a, const Bitmap24& b);

} // namespace kernels
