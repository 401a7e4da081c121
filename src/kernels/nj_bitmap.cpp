#include "kernels/nj_bitmap.h"

#include "kernels/bitmap24.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <new>

namespace kernels {

namespace {

using u8 = std::uint8_t;
using u32 = std::uint32_t;

constexpr int kBytesPerPixel[NJImages_Threaded::PixelFormatCount] = {4, 8, 16, 8, 4, 16, 1, 2, 4};
constexpr u32 kChannelMax[NJImages_Threaded::PixelFormatCount] = {
    255, 65535, 4294967295u, 32767, 127, 2147483647, 255, 65535, 4294967295u};

bool validFormat(int format) { return format >= 0 && format < NJImages_Threaded::PixelFormatCount; }

// The source channel in the destination's format.
u32 conv(u32 s, u8 sf, u8 df) { return sf == df ? s : NJImages_Threaded::ConvertChannel(s, sf, df); }

// --- pixel operations (source, destination, source format, destination format)

u32 keepOp(u32, u32 d, u8, u8) { return d; }
u32 zeroOp(u32, u32, u8, u8) { return 0; }
u32 whiteOp(u32, u32, u8, u8 df)
{
    // Only the unsigned formats have a white; signed ones get 0.
    switch (df) {
    case 0: case 1: case 2: case 6: case 7: case 8:
        return kChannelMax[df];
    default:
        return 0;
    }
}
u32 notDestOp(u32, u32 d, u8, u8) { return ~d; }
u32 convOp(u32 s, u32, u8 sf, u8 df) { return conv(s, sf, df); }
u32 notConvOp(u32 s, u32, u8 sf, u8 df) { return ~conv(s, sf, df); }
u32 convAndNotDestOp(u32 s, u32 d, u8 sf, u8 df) { return conv(s, sf, df) & ~d; }
u32 convAndDestOp(u32 s, u32 d, u8 sf, u8 df) { return conv(s, sf, df) & d; }
u32 notConvAndDestOp(u32 s, u32 d, u8 sf, u8 df) { return ~conv(s, sf, df) & d; }
u32 convPlusDestOp(u32 s, u32 d, u8 sf, u8 df) { return conv(s, sf, df) + d; }
u32 notConvAndDestAllOp(u32 s, u32 d, u8 sf, u8 df) { return ~(conv(s, sf, df) & d); }
u32 notConvOrDestOp(u32 s, u32 d, u8 sf, u8 df) { return ~conv(s, sf, df) | d; }
u32 notConvOrDestAllOp(u32 s, u32 d, u8 sf, u8 df) { return ~(conv(s, sf, df) | d); }
u32 convXorDestOp(u32 s, u32 d, u8 sf, u8 df) { return conv(s, sf, df) ^ d; }
u32 convOrDestOp(u32 s, u32 d, u8 sf, u8 df) { return conv(s, sf, df) | d; }
u32 convertOp(u32 s, u32, u8 sf, u8 df) { return NJImages_Threaded::ConvertChannel(s, sf, df); }

// Sum and product are taken on 64 bits before the limit, so they saturate
// instead of wrapping.
u32 addLimitedOp(u32 s, u32 d, u8, u8 df)
{
    const u32 limit = validFormat(df) ? kChannelMax[df] : 0;
    return static_cast<u32>(std::min<std::uint64_t>(std::uint64_t(s) + d, limit));
}
u32 multiplyLimitedOp(u32 s, u32 d, u8, u8 df)
{
    const u32 limit = validFormat(df) ? kChannelMax[df] : 0;
    return static_cast<u32>(std::min<std::uint64_t>(std::uint64_t(s) * d, limit));
}
// Division by a zero source gives the channel maximum (the limit of d / s).
u32 divideOp(u32 s, u32 d, u8, u8 df)
{
    if (s == 0)
        return validFormat(df) ? kChannelMax[df] : 0;
    return d / s;
}
u32 subtractFloorOp(u32 s, u32 d, u8, u8) { return s > d ? 0 : d - s; }

constexpr NJImages_Threaded::PixelOperation kPenOps[] = {
    zeroOp, whiteOp, keepOp, notDestOp, convOp, notConvOp, convAndNotDestOp, convAndDestOp,
    notConvAndDestOp, convAndDestOp, convPlusDestOp, notConvAndDestAllOp, keepOp, keepOp, keepOp, keepOp};

constexpr NJImages_Threaded::PixelOperation kCopyOps[] = {
    addLimitedOp, zeroOp, divideOp, notDestOp, convPlusDestOp, notConvOrDestOp, multiplyLimitedOp,
    notConvOp, notConvOrDestAllOp, convOp, convOp, convOp, convPlusDestOp, convOp, convAndNotDestOp,
    convXorDestOp, convOrDestOp, subtractFloorOp, whiteOp, convertOp};

bool formatIn(int format, std::initializer_list<int> formats)
{
    return std::find(formats.begin(), formats.end(), format) != formats.end();
}

// Colours are given on any of the 8-, 16-, 24- or 32-bit scales and brought
// down to the scale of the bitmap's format, judged by the largest of blue,
// green and red. The pen and the font use different tables.
NJColor scaleColor(const NJColor& color, int format, bool font)
{
    const std::int64_t largest = std::max({color[0], color[1], color[2]});
    std::int64_t divisor = 1;
    if (largest > 16777216) {
        if (!font)
            divisor = formatIn(format, {0, 1, 3, 4, 5, 6, 7}) ? 16777216 : 1;
        else
            divisor = formatIn(format, {0, 3, 4, 6}) ? 16777216 : formatIn(format, {1, 5, 7}) ? 65536 : 1;
    } else if (largest > 65536) {
        divisor = formatIn(format, {0, 4, 6}) ? (font ? 65536 : 256) : 1;
    } else if (largest > 256) {
        divisor = formatIn(format, {0, 4, 6}) ? 256 : 1;
    }
    NJColor scaled = color;
    for (auto& channel : scaled)
        channel /= divisor;
    return scaled;
}

// One rectangle copy, clipped: (sx, sy) in the source to (dx, dy) in the
// destination, w by h pixels. Wide arithmetic so that extreme rectangles
// cannot overflow.
struct CopyArea {
    int sx, sy, dx, dy, w, h;
};

bool clipCopy(std::int64_t sx, std::int64_t sy, std::int64_t dx, std::int64_t dy, std::int64_t w, std::int64_t h,
              int sourceWidth, int sourceHeight, int destWidth, int destHeight, CopyArea& area)
{
    std::int64_t shift = std::max<std::int64_t>({0, -sx, -dx});
    sx += shift;
    dx += shift;
    w -= shift;
    shift = std::max<std::int64_t>({0, -sy, -dy});
    sy += shift;
    dy += shift;
    h -= shift;
    w = std::min({w, sourceWidth - sx, destWidth - dx});
    h = std::min({h, sourceHeight - sy, destHeight - dy});
    if (w <= 0 || h <= 0)
        return false;
    area = {int(sx), int(sy), int(dx), int(dy), int(w), int(h)};
    return true;
}

std::int64_t rectWidth(const NJRect& r) { return std::int64_t(r.Right) - r.Left + 1; }
std::int64_t rectHeight(const NJRect& r) { return std::int64_t(r.Bottom) - r.Top + 1; }

// Rows of a four-channel format: the top byte of channels 0, 1, 2 into
// blue, green, red.
template <typename Channel>
void CopyRows(const TNJBitmap& source, Bitmap24& destination, const CopyArea& a)
{
    constexpr int shift = 8 * (sizeof(Channel) - 1);
    for (int row = 0; row < a.h; ++row) {
        const auto* s = reinterpret_cast<const Channel*>(source.ScanLine(a.sy + row)) + std::ptrdiff_t(a.sx) * 4;
        std::uint8_t* d = destination.scanLine(a.dy + row) + std::ptrdiff_t(a.dx) * 3;
        for (int x = 0; x < a.w; ++x, s += 4, d += 3) {
            d[0] = static_cast<u8>(s[0] >> shift);
            d[1] = static_cast<u8>(s[1] >> shift);
            d[2] = static_cast<u8>(s[2] >> shift);
        }
    }
}

// Rows of a grey format: the grey value's top byte into all three channels.
template <typename Channel>
void CopyGreyRows(const TNJBitmap& source, Bitmap24& destination, const CopyArea& a)
{
    constexpr int shift = 8 * (sizeof(Channel) - 1);
    for (int row = 0; row < a.h; ++row) {
        const auto* s = reinterpret_cast<const Channel*>(source.ScanLine(a.sy + row)) + a.sx;
        std::uint8_t* d = destination.scanLine(a.dy + row) + std::ptrdiff_t(a.dx) * 3;
        for (int x = 0; x < a.w; ++x, ++s, d += 3) {
            const u8 grey = static_cast<u8>(*s >> shift);
            d[0] = d[1] = d[2] = grey;
        }
    }
}

// 24-bit rows into channels 0, 1, 2 of a four-channel format, each byte
// shifted left by shift bits.
template <typename Channel, int shift>
void CopyRowsFrom24(const Bitmap24& source, TNJBitmap& destination, const CopyArea& a)
{
    for (int row = 0; row < a.h; ++row) {
        const std::uint8_t* s = source.scanLine(a.sy + row) + std::ptrdiff_t(a.sx) * 3;
        auto* d = reinterpret_cast<Channel*>(destination.ScanLine(a.dy + row)) + std::ptrdiff_t(a.dx) * 4;
        for (int x = 0; x < a.w; ++x, s += 3, d += 4) {
            d[0] = static_cast<Channel>(Channel(s[0]) << shift);
            d[1] = static_cast<Channel>(Channel(s[1]) << shift);
            d[2] = static_cast<Channel>(Channel(s[2]) << shift);
        }
    }
}

} // namespace

namespace NJImages_Threaded {

int BytesPerPixel(int format) { return validFormat(format) ? kBytesPerPixel[format] : 0; }

std::uint32_t ChannelMax(int format) { return validFormat(format) ? kChannelMax[format] : 0; }

std::uint32_t ConvertChannel(std::uint32_t value, int fromFormat, int toFormat)
{
    auto bits = [](int format) {
        switch (format) {
        case 0: case 6: return 8;
        case 1: case 7: return 16;
        case 2: case 8: return 32;
        default: return 0;
        }
    };
    const int from = bits(fromFormat);
    const int to = bits(toFormat);
    if (from == 0 || to == 0)
        return 0;
    if (from == to)
        return value;
    if (from == 32 && to == 16) {
        // Full scale must stay full scale: 4294967295 / 65535 is 65537.
        return std::min<u32>(value / 65535u, 65535u);
    }
    if (from < to)
        return value << (to - from);
    return value >> (from - to);
}

PixelOperation PenOperation(int mode)
{
    return (mode >= 0 && mode < int(std::size(kPenOps))) ? kPenOps[mode] : keepOp;
}

PixelOperation CopyOperation(int mode)
{
    return (mode >= 0 && mode < int(std::size(kCopyOps))) ? kCopyOps[mode] : keepOp;
}

void CopyRectToBitmap(const TNJBitmap& source, const NJRect& sourceRect, Bitmap24& destination,
                      const NJRect& destinationRect)
{
    CopyArea a;
    if (!clipCopy(sourceRect.Left, sourceRect.Top, destinationRect.Left, destinationRect.Top, rectWidth(sourceRect),
                  rectHeight(sourceRect), source.GetWidth(), source.GetHeight(), destination.width(),
                  destination.height(), a))
        return;
    switch (source.GetPixelFormat()) {
    case 0: CopyRows<std::uint8_t>(source, destination, a); break;
    case 1: CopyRows<std::uint16_t>(source, destination, a); break;
    case 2: CopyRows<std::uint32_t>(source, destination, a); break;
    case 6: CopyGreyRows<std::uint8_t>(source, destination, a); break;
    case 7: CopyGreyRows<std::uint16_t>(source, destination, a); break;
    case 8: CopyGreyRows<std::uint32_t>(source, destination, a); break;
    default: break;   // signed formats are not shown
    }
}

void CopyBitmapToNJ(const Bitmap24& source, const NJRect& sourceRect, TNJBitmap& destination,
                    const NJRect& destinationRect)
{
    CopyArea a;
    if (!clipCopy(sourceRect.Left, sourceRect.Top, destinationRect.Left, destinationRect.Top,
                  std::min(rectWidth(sourceRect), rectWidth(destinationRect)),
                  std::min(rectHeight(sourceRect), rectHeight(destinationRect)), source.width(), source.height(),
                  destination.GetWidth(), destination.GetHeight(), a))
        return;
    switch (destination.GetPixelFormat()) {
    case 0: CopyRowsFrom24<std::uint8_t, 0>(source, destination, a); break;
    case 1: CopyRowsFrom24<std::uint16_t, 8>(source, destination, a); break;
    case 2: CopyRowsFrom24<std::uint32_t, 24>(source, destination, a); break;
    case 3: CopyRowsFrom24<std::int16_t, 0>(source, destination, a); break;
    default: break;
    }
}

} // namespace NJImages_Threaded

void TNJPen::SetMode(std::uint8_t mode)
{
    mode_ = mode;
    pixelOp_ = NJImages_Threaded::PenOperation(mode);
}

void TNJPen::SetColor(const NJColor& color)
{
    color_ = scaleColor(color, canvas_.Bitmap().GetPixelFormat(), false);
}

void TNJFont::SetColor(const NJColor& color)
{
    color_ = scaleColor(color, canvas_.Bitmap().GetPixelFormat(), true);
}

TNJCanvas::TNJCanvas(TNJBitmap& bitmap) : bitmap_(bitmap)
{
    UpdateClipRect();
}

void TNJCanvas::SetCopymode(std::uint8_t mode)
{
    copymode_ = mode;
    copyOp_ = NJImages_Threaded::CopyOperation(mode);
}

void TNJCanvas::UpdateClipRect()
{
    clipRect_ = {0, 0, bitmap_.GetWidth() - 1, bitmap_.GetHeight() - 1};
}

TNJBitmap::TNJBitmap() = default;

TNJBitmap::~TNJBitmap() = default;

bool TNJBitmap::SetWidth(int width)
{
    return width == width_ || Reallocate(width, height_, pixelFormat_);
}

bool TNJBitmap::SetHeight(int height)
{
    return height == height_ || Reallocate(width_, height, pixelFormat_);
}

bool TNJBitmap::SetPixelFormat(int format)
{
    if (!validFormat(format))
        return false;
    if (format == pixelFormat_)
        return true;
    pixelFormat_ = format;
    return Reallocate(width_, height_, format);
}

bool TNJBitmap::Reallocate(int width, int height, int format)
{
    buffer_.reset();
    auto fail = [this] {
        width_ = height_ = 0;
        stride_ = 0;
        canvas_.UpdateClipRect();
        return false;
    };
    if (width < 0 || height < 0)
        return fail();
    constexpr std::size_t limit = std::numeric_limits<std::ptrdiff_t>::max();
    const std::size_t stride = std::size_t(kBytesPerPixel[format]) * std::size_t(width);
    if (height != 0 && stride > limit / std::size_t(height))
        return fail();
    const std::size_t bytes = stride * std::size_t(height);
    if (bytes != 0) {
        buffer_.reset(new (std::nothrow) std::uint8_t[bytes]());
        if (!buffer_)
            return fail();
    }
    width_ = width;
    height_ = height;
    stride_ = static_cast<std::ptrdiff_t>(stride);
    canvas_.UpdateClipRect();
    return true;
}

} // namespace kernels
