#include "kernels/bitmap24.h"

#include <algorithm>

#include <QImage>

#include <limits>
#include <new>

namespace kernels {

bool Bitmap24::resize(int width, int height)
{
    if (width == width_ && height == height_)
        return true;
    auto fail = [this] {
        width_ = height_ = 0;
        stride_ = 0;
        std::vector<std::uint8_t>().swap(data_);
        return false;
    };
    if (width < 0 || height < 0)
        return fail();
    const std::ptrdiff_t stride = strideFor(width);
    if (height != 0 && static_cast<std::size_t>(stride) > std::numeric_limits<std::size_t>::max() / static_cast<std::size_t>(height))
        return fail();
    const std::size_t bytes = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
    try {
        std::vector<std::uint8_t> fresh(bytes, 0);
        data_.swap(fresh);
    } catch (const std::bad_alloc&) {
        return fail();
    } catch (const std::length_error&) {
        return fail();
    }
    width_ = width;
    height_ = height;
    stride_ = stride;
    return true;
}

QImage Bitmap24::view()
{
    if (isEmpty())
        return QImage();
    return QImage(data_.data(), width_, height_, static_cast<qsizetype>(stride_), QImage::Format_BGR888);
}

bool SamePixels(const Bitmap24& a, const Bitmap24& b)
{
    if (a.width() != b.width() || a.height() != b.height())
        return false;
    for (int y = 0; y < a.height(); ++y)
        if (!std::equal(a.scanLine(y), a.scanLine(y) + 3 * std::size_t(a.width()), b.scanLine(y)))
            return false;
    return true;
}

} // namespace kernels
