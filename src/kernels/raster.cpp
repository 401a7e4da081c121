#include "kernels/raster.h"

#include "kernels/row_pool.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace kernels {

namespace {

using i64 = std::int64_t;

// Clips one axis of a block copy: destination start d, source start s and
// length len are narrowed to [0, dLimit) and [0, sLimit). False when nothing
// is left.
bool clipAxis(i64& d, i64& s, i64& len, i64 dLimit, i64 sLimit)
{
    if (d < 0) {
        s -= d;
        len += d;
        d = 0;
    }
    if (s < 0) {
        d -= s;
        len += s;
        s = 0;
    }
    len = std::min({len, dLimit - d, sLimit - s});
    return len > 0;
}

// Clips [start, start + len) to [0, limit).
bool clipRange(i64& start, i64& len, i64 limit)
{
    const i64 end = std::min(start + len, limit);
    start = std::max<i64>(start, 0);
    len = end - start;
    return len > 0;
}

void fillBlock(Bitmap24& bitmap, i64 x, i64 y, i64 w, i64 h, Colour colour)
{
    if (!clipRange(x, w, bitmap.width()) || !clipRange(y, h, bitmap.height()))
        return;
    const std::uint8_t r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
    for (i64 row = y; row < y + h; ++row) {
        std::uint8_t* p = bitmap.scanLine(int(row)) + x * 3;
        if (r == g && g == b) {
            std::memset(p, r, std::size_t(w) * 3);
            continue;
        }
        for (i64 i = 0; i < w; ++i, p += 3) {
            p[0] = b;
            p[1] = g;
            p[2] = r;
        }
    }
}

// One row of a byte-wise operation. d and s may overlap (same bitmap).
void rowOp(std::uint8_t* d, const std::uint8_t* s, std::size_t n, RasterOp op)
{
    if (op == RasterOp::SrcCopy) {
        std::memmove(d, s, n);
        return;
    }
    // Overlap with the destination after the source: walk from the end.
    const auto da = reinterpret_cast<std::uintptr_t>(d), sa = reinterpret_cast<std::uintptr_t>(s);
    const bool backward = da > sa && da < sa + n;
    const bool merge = op == RasterOp::MergePaint;
    if (backward) {
        for (std::size_t i = n; i-- > 0;)
            d[i] |= merge ? std::uint8_t(~s[i]) : s[i];
    } else {
        // Eight bytes at a time; a source word that changes nothing (white
        // for MERGEPAINT, black for SRCPAINT) leaves the destination
        // untouched, so a mostly white outline bitmap costs a read of itself.
        // Each source word is read before the destination word it may
        // overlap is written, as the byte loop would.
        const std::uint64_t idle = merge ? ~std::uint64_t(0) : 0;
        auto word = [&](std::size_t at, std::uint64_t sv) {
            if (sv == idle)
                return;
            std::uint64_t dv;
            std::memcpy(&dv, d + at, 8);
            dv |= merge ? ~sv : sv;
            std::memcpy(d + at, &dv, 8);
        };
        std::size_t i = 0;
        for (; i + 32 <= n; i += 32) {
            // Idle runs of 32 bytes are passed over in one test. The rows
            // are short streams: fetch a few lines ahead.
            __builtin_prefetch(s + i + 512);
            std::uint64_t w[4];
            std::memcpy(w, s + i, 32);
            if (((w[0] ^ idle) | (w[1] ^ idle) | (w[2] ^ idle) | (w[3] ^ idle)) == 0)
                continue;
            for (int k = 0; k < 4; ++k)
                word(i + 8 * std::size_t(k), w[k]);
        }
        for (; i + 8 <= n; i += 8) {
            std::uint64_t sv;
            std::memcpy(&sv, s + i, 8);
            word(i, sv);
        }
        for (; i < n; ++i)
            d[i] |= merge ? std::uint8_t(~s[i]) : s[i];
    }
}

inline void pixelOp(std::uint8_t* d, const std::uint8_t* s, RasterOp op)
{
    switch (op) {
    case RasterOp::MergePaint:
        d[0] |= std::uint8_t(~s[0]);
        d[1] |= std::uint8_t(~s[1]);
        d[2] |= std::uint8_t(~s[2]);
        break;
    case RasterOp::SrcPaint:
        d[0] |= s[0];
        d[1] |= s[1];
        d[2] |= s[2];
        break;
    default:
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
        break;
    }
}

bool fillOp(RasterOp op, Colour& colour)
{
    if (op == RasterOp::Blackness)
        colour = kBlack;
    else if (op == RasterOp::Whiteness)
        colour = kWhite;
    else
        return false;
    return true;
}

void blockCopy(Bitmap24& dst, i64 dx, i64 dy, i64 w, i64 h, const Bitmap24& src, i64 sx, i64 sy, RasterOp op)
{
    if (Colour c; fillOp(op, c)) {
        fillBlock(dst, dx, dy, w, h, c);
        return;
    }
    if (!clipAxis(dx, sx, w, dst.width(), src.width()) || !clipAxis(dy, sy, h, dst.height(), src.height()))
        return;
    // Within one bitmap a block moving down is copied from its last row up.
    const bool upward = &src == &dst && dy > sy;
    for (i64 i = 0; i < h; ++i) {
        const i64 row = upward ? h - 1 - i : i;
        rowOp(dst.scanLine(int(dy + row)) + dx * 3, src.scanLine(int(sy + row)) + sx * 3, std::size_t(w) * 3, op);
    }
}

// floor(u * num / den) for u >= 0, num >= 0, den > 0, without overflow.
inline i64 scaleIndex(i64 u, i64 num, i64 den)
{
    return i64((__int128(u) * num) / den);
}

} // namespace

Colour pixel(const Bitmap24& bitmap, int x, int y)
{
    if (!bitmap.contains(x, y))
        return kInvalidColour;
    const std::uint8_t* p = bitmap.scanLine(y) + std::ptrdiff_t(x) * 3;
    return rgbColour(p[2], p[1], p[0]);
}

void setPixel(Bitmap24& bitmap, int x, int y, Colour colour)
{
    if (!bitmap.contains(x, y))
        return;
    std::uint8_t* p = bitmap.scanLine(y) + std::ptrdiff_t(x) * 3;
    p[0] = (colour >> 16) & 0xFF;
    p[1] = (colour >> 8) & 0xFF;
    p[2] = colour & 0xFF;
}

void fillRect(Bitmap24& bitmap, const Rect& rect, Colour colour)
{
    if (!rect.isEmpty())
        fillBlock(bitmap, rect.left, rect.top, rect.width(), rect.height(), colour);
}

void bitBlt(Bitmap24& dst, int dstX, int dstY, int width, int height, const Bitmap24& src, int srcX, int srcY,
            RasterOp op)
{
    blockCopy(dst, dstX, dstY, width, height, src, srcX, srcY, op);
}

void bitBlt(Bitmap24& dst, int dstX, int dstY, int width, int height, const Bitmap24& src, int srcX, int srcY,
            RasterOp op, RowPool* pool)
{
    Colour c;
    if (!pool || &src == &dst || fillOp(op, c)) {
        blockCopy(dst, dstX, dstY, width, height, src, srcX, srcY, op);
        return;
    }
    i64 dx = dstX, dy = dstY, sx = srcX, sy = srcY, w = width, h = height;
    if (!clipAxis(dx, sx, w, dst.width(), src.width()) || !clipAxis(dy, sy, h, dst.height(), src.height()))
        return;
    auto rows = [&](int first, int end) {
        for (i64 row = first; row < end; ++row)
            rowOp(dst.scanLine(int(dy + row)) + dx * 3, src.scanLine(int(sy + row)) + sx * 3, std::size_t(w) * 3, op);
    };
    // One reference captured: the band is held without an allocation.
    pool->Run(int(h), [&rows](int, int first, int end) { rows(first, end); });
}

void stretchBlt(Bitmap24& dst, const Rect& dstRect, const Bitmap24& src, const Rect& srcRect, RasterOp op)
{
    if (dstRect.isEmpty())
        return;
    if (Colour c; fillOp(op, c)) {
        fillRect(dst, dstRect, c);
        return;
    }
    if (srcRect.isEmpty())
        return;
    const i64 dw = dstRect.width(), dh = dstRect.height(), sw = srcRect.width(), sh = srcRect.height();
    if (dw == sw && dh == sh) {
        blockCopy(dst, dstRect.left, dstRect.top, dw, dh, src, srcRect.left, srcRect.top, op);
        return;
    }
    if (&src == &dst) {
        // Stretching within one bitmap reads from a copy of the source part
        // (the only case that allocates; the drawing code never does it).
        i64 x = srcRect.left, y = srcRect.top, w = sw, h = sh;
        if (!clipRange(x, w, src.width()) || !clipRange(y, h, src.height()))
            return;
        Bitmap24 copy{int(w), int(h)};
        blockCopy(copy, 0, 0, w, h, src, x, y, RasterOp::SrcCopy);
        const Rect shifted{int(srcRect.left - x), int(srcRect.top - y), int(srcRect.right - x), int(srcRect.bottom - y)};
        stretchBlt(dst, dstRect, copy, shifted, op);
        return;
    }

    // Destination offsets u, v inside dstRect that fall inside dst.
    i64 u0 = dstRect.left, uw = dw, v0 = dstRect.top, vh = dh;
    if (!clipRange(u0, uw, dst.width()) || !clipRange(v0, vh, dst.height()))
        return;
    u0 -= dstRect.left;
    v0 -= dstRect.top;
    const i64 colStep = sw / dw, colRem = sw % dw;
    if (op == RasterOp::SrcCopy && srcRect.left >= 0 && srcRect.right <= src.width() && srcRect.top >= 0
        && srcRect.bottom <= src.height()) {
        // A plain copy from inside the source: the source column of every
        // destination column once, and a destination row that takes the
        // same source row as the one above is copied from it. The same
        // pixels as the general loop below.
        thread_local std::vector<std::int32_t> columns;
        if (columns.size() < std::size_t(uw))
            columns.resize(std::size_t(uw));
        i64 q = scaleIndex(u0, sw, dw);
        i64 r = i64((__int128(u0) * sw) % dw);
        for (i64 k = 0; k < uw; ++k) {
            columns[std::size_t(k)] = std::int32_t((srcRect.left + q) * 3);
            q += colStep;
            r += colRem;
            if (r >= dw) {
                r -= dw;
                ++q;
            }
        }
        i64 previousRow = -1;
        const std::uint8_t* previous = nullptr;
        for (i64 v = v0; v < v0 + vh; ++v) {
            const i64 sy = srcRect.top + scaleIndex(v, sh, dh);
            std::uint8_t* d = dst.scanLine(int(dstRect.top + v)) + (dstRect.left + u0) * 3;
            if (sy == previousRow) {
                std::memcpy(d, previous, std::size_t(uw) * 3);
            } else {
                const std::uint8_t* sRow = src.scanLine(int(sy));
                for (i64 k = 0; k < uw; ++k) {
                    const std::uint8_t* p = sRow + columns[std::size_t(k)];
                    d[k * 3] = p[0];
                    d[k * 3 + 1] = p[1];
                    d[k * 3 + 2] = p[2];
                }
            }
            previousRow = sy;
            previous = d;
        }
        return;
    }
    for (i64 v = v0; v < v0 + vh; ++v) {
        const i64 sy = srcRect.top + scaleIndex(v, sh, dh);
        if (sy < 0 || sy >= src.height())
            continue;
        const std::uint8_t* sRow = src.scanLine(int(sy));
        std::uint8_t* d = dst.scanLine(int(dstRect.top + v)) + (dstRect.left + u0) * 3;
        // Source column of u, kept as quotient and remainder of u * sw / dw.
        i64 q = scaleIndex(u0, sw, dw);
        i64 r = i64((__int128(u0) * sw) % dw);
        for (i64 u = u0; u < u0 + uw; ++u, d += 3) {
            const i64 sx = srcRect.left + q;
            if (sx >= 0 && sx < src.width())
                pixelOp(d, sRow + sx * 3, op);
            q += colStep;
            r += colRem;
            if (r >= dw) {
                r -= dw;
                ++q;
            }
        }
    }
}

void transparentCopy(Bitmap24& dst, int dstX, int dstY, const Bitmap24& src)
{
    i64 dx = dstX, dy = dstY, sx = 0, sy = 0, w = src.width(), h = src.height();
    if (!clipAxis(dx, sx, w, dst.width(), src.width()) || !clipAxis(dy, sy, h, dst.height(), src.height()))
        return;
    for (i64 row = 0; row < h; ++row) {
        const std::uint8_t* s = src.scanLine(int(sy + row)) + sx * 3;
        std::uint8_t* d = dst.scanLine(int(dy + row)) + dx * 3;
        for (i64 i = 0; i < w; ++i, s += 3, d += 3) {
            if (s[0] | s[1] | s[2]) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
            }
        }
    }
}

DottedNotXorPen::DottedNotXorPen(Bitmap24& target, Colour colour)
    : target_(target), blue_((colour >> 16) & 0xFF), green_((colour >> 8) & 0xFF), red_(colour & 0xFF)
{
}

void DottedNotXorPen::moveTo(int x, int y)
{
    x_ = x;
    y_ = y;
    step_ = 0;
}

void DottedNotXorPen::invert(i64 x, i64 y)
{
    if (x < 0 || y < 0 || x >= target_.width() || y >= target_.height())
        return;
    std::uint8_t* p = target_.scanLine(int(y)) + x * 3;
    p[0] = std::uint8_t(~(blue_ ^ p[0]));
    p[1] = std::uint8_t(~(green_ ^ p[1]));
    p[2] = std::uint8_t(~(red_ ^ p[2]));
}

void DottedNotXorPen::lineTo(int x, int y)
{
    segmentTo(x, y);
}

void DottedNotXorPen::segmentTo(i64 x, i64 y)
{
    const i64 dx = x - x_, dy = i64(y) - y_;
    const i64 adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    const bool xMajor = adx >= ady;
    const i64 steps = xMajor ? adx : ady;       // the end point is left out
    const i64 major0 = xMajor ? x_ : y_, minor0 = xMajor ? y_ : x_;
    const i64 majorDir = (xMajor ? dx : dy) < 0 ? -1 : 1, minorDir = (xMajor ? dy : dx) < 0 ? -1 : 1;
    const i64 aMajor = xMajor ? adx : ady, aMinor = xMajor ? ady : adx;
    const i64 limit = xMajor ? target_.width() : target_.height();

    // Only steps whose major coordinate lies inside the bitmap are visited.
    i64 first = 0, last = steps;   // [first, last)
    if (majorDir > 0) {
        first = std::max(first, -major0);
        last = std::min(last, limit - major0);
    } else {
        first = std::max(first, major0 - limit + 1);
        last = std::min(last, major0 + 1);
    }
    for (i64 i = first; i < last; ++i) {
        if ((step_ + i) & 1)
            continue;
        // Minor coordinate rounded to the nearest pixel of the ideal line.
        const i64 minor = minor0 + minorDir * i64((__int128(2) * aMinor * i + aMajor) / (__int128(2) * aMajor));
        const i64 major = major0 + majorDir * i;
        if (xMajor)
            invert(major, minor);
        else
            invert(minor, major);
    }
    step_ += steps;
    x_ = x;
    y_ = y;
}

void DottedNotXorPen::rectangle(const Rect& rect)
{
    const i64 right = i64(rect.right) - 1, bottom = i64(rect.bottom) - 1;
    moveTo(rect.left, rect.top);
    segmentTo(right, rect.top);
    segmentTo(right, bottom);
    segmentTo(rect.left, bottom);
    segmentTo(rect.left, rect.top);
}

} // namespace kernels
